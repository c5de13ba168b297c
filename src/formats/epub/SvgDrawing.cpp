#include "formats/epub/SvgDrawing.h"

#include "formats/epub/ChapterTree.h"
#include "formats/epub/CssText.h"
#include "formats/epub/EpubArchive.h"

#include <QBuffer>
#include <QHash>
#include <QImageReader>
#include <QRegularExpression>
#include <QSet>
#include <QXmlStreamWriter>
#include <limits>

namespace Epub {

namespace {
const QString SvgNamespace = QStringLiteral("http://www.w3.org/2000/svg");
const QString XlinkNamespace = QStringLiteral("http://www.w3.org/1999/xlink");

// The elements a drawing is made of, by the lower-case names the tree holds, with the names
// SVG spells them with. Anything else (scripts, foreign objects, animation, elements of other
// vocabularies) is left out with everything inside it.
const QHash<QString, QString>& drawingElements()
{
    static const QHash<QString, QString> names = [] {
        QHash<QString, QString> table;
        for (const char* name :
             {"svg",           "g",        "defs",           "symbol",         "use",
              "switch",        "path",     "rect",           "circle",         "ellipse",
              "line",          "polyline", "polygon",        "text",           "tspan",
              "textPath",      "textArea", "tbreak",         "title",          "desc",
              "style",         "image",    "linearGradient", "stop",           "radialGradient",
              "solidColor",    "font",     "font-face",      "font-face-name", "glyph",
              "missing-glyph", "hkern"}) {
            const QString spelled = QLatin1String(name);
            table.insert(spelled.toLower(), spelled);
        }
        // A link inside a drawing is drawn as a group; it leads nowhere.
        table.insert(QStringLiteral("a"), QStringLiteral("g"));
        return table;
    }();
    return names;
}

bool isTextElement(const QString& name)
{
    return name == QLatin1String("text") || name == QLatin1String("tspan") ||
           name == QLatin1String("textpath") || name == QLatin1String("textarea");
}

// Elements whose text is part of the drawing (its words, a title, a style sheet).
bool holdsText(const QString& name)
{
    return isTextElement(name) || name == QLatin1String("title") || name == QLatin1String("desc") ||
           name == QLatin1String("style");
}

bool drawsSomething(const QString& name)
{
    static const QSet<QString> names = {QStringLiteral("path"),    QStringLiteral("rect"),
                                        QStringLiteral("circle"),  QStringLiteral("ellipse"),
                                        QStringLiteral("line"),    QStringLiteral("polyline"),
                                        QStringLiteral("polygon"), QStringLiteral("text"),
                                        QStringLiteral("use"),     QStringLiteral("textarea")};
    return names.contains(name);
}

// Style text without anything that reaches outside the drawing: imports are dropped, and a
// url() that is not a reference inside it becomes none.
QString withoutOutsideReferences(const QString& css)
{
    if (!css.contains(QLatin1String("url"), Qt::CaseInsensitive) &&
        !css.contains(QLatin1Char('@'))) {
        return css;
    }
    static const QRegularExpression imports(QStringLiteral("@import[^;]*;?"),
                                            QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression urls(QStringLiteral("url\\(\\s*(?!['\"]?\\s*#)[^)]*\\)?"),
                                         QRegularExpression::CaseInsensitiveOption);
    QString text = css;
    text.remove(imports);
    text.replace(urls, QStringLiteral("none"));
    return text;
}

// A length of an SVG attribute in pixels, or a fraction of the page for a percentage; false
// when the text is no length.
bool readLength(const QString& text, qreal* pixels, qreal* fraction)
{
    double number = 0;
    QString unit;
    if (!CssText::parseLength(text.trimmed(), &number, &unit) || number <= 0) {
        return false;
    }
    static const QHash<QString, qreal> units = {{QString(), 1.0},
                                                {QStringLiteral("px"), 1.0},
                                                {QStringLiteral("pt"), 96.0 / 72},
                                                {QStringLiteral("pc"), 16.0},
                                                {QStringLiteral("in"), 96.0},
                                                {QStringLiteral("cm"), 96.0 / 2.54},
                                                {QStringLiteral("mm"), 96.0 / 25.4},
                                                {QStringLiteral("em"), 16.0},
                                                {QStringLiteral("ex"), 8.0}};
    if (unit == QLatin1String("%")) {
        *fraction = qMin(1.0, number / 100);
        return true;
    }
    if (!units.contains(unit)) {
        return false;
    }
    // Nothing is drawn wider than the page; a size past any page is as good as none.
    *pixels = qMin(1e6, number * units.value(unit));
    return true;
}

// The view box's four numbers; false when it has not four positive-sized ones.
bool readViewBox(const QString& text, QRectF* box)
{
    static const QRegularExpression separators(QStringLiteral("[\\s,]+"));
    const QStringList parts = text.trimmed().split(separators, Qt::SkipEmptyParts);
    if (parts.size() != 4) {
        return false;
    }
    qreal numbers[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        numbers[i] = parts.at(i).toDouble(&ok);
        if (!ok || !qIsFinite(numbers[i])) {
            return false;
        }
    }
    if (numbers[2] <= 0 || numbers[3] <= 0) {
        return false;
    }
    *box = QRectF(numbers[0], numbers[1], numbers[2], numbers[3]);
    return true;
}

QByteArray pictureType(const QByteArray& data)
{
    QByteArray bytes = data;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QByteArray format = QImageReader::imageFormat(&buffer);
    static const QSet<QByteArray> raster = {"png", "jpeg", "jpg", "gif", "webp", "bmp"};
    return raster.contains(format) ? (format == "jpg" ? QByteArray("jpeg") : format) : QByteArray();
}

// A data: address of a raster picture (never another drawing, which could nest without end).
bool isRasterData(const QString& href)
{
    static const QRegularExpression data(QStringLiteral("^data:image/(png|jpe?g|gif|webp|bmp)[;,]"),
                                         QRegularExpression::CaseInsensitiveOption);
    return data.match(href.trimmed()).hasMatch();
}
} // namespace

class SvgWriter
{
public:
    SvgWriter(const Entries& archive, const QString& base) : m_archive(archive), m_base(base) {}

    SvgDrawing write(const Node& svg)
    {
        SvgDrawing drawing;
        drawing.m_box = boxOf(svg);
        collectIds(svg, 0);
        if (const QString picture = onlyPicture(svg); !picture.isEmpty()) {
            drawing.m_pictureEntry = picture;
            return drawing;
        }
        QByteArray out;
        QXmlStreamWriter xml(&out);
        m_xml = &xml;
        m_out = &out;
        xml.writeNamespace(XlinkNamespace, QStringLiteral("xlink"));
        xml.writeDefaultNamespace(SvgNamespace);
        writeElement(svg, 0, true);
        xml.writeEndDocument();
        m_xml = nullptr;
        drawing.m_text = m_words.join(QLatin1Char(' ')).simplified();
        drawing.m_cut = m_cut;
        // A drawing that draws nothing is no drawing: its words are all there is.
        if (m_drawing) {
            drawing.m_source = out;
        }
        return drawing;
    }

private:
    static SvgDrawing::Box boxOf(const Node& svg)
    {
        SvgDrawing::Box box;
        readLength(svg.attribute(QLatin1String("width")), &box.width, &box.widthFraction);
        readLength(svg.attribute(QLatin1String("height")), &box.height, &box.heightFraction);
        QRectF viewBox;
        if (readViewBox(svg.attribute(QLatin1String("viewBox")), &viewBox)) {
            box.aspect = viewBox.width() / viewBox.height();
        }
        return box;
    }

    void collectIds(const Node& node, int depth)
    {
        if (depth > SvgDrawing::MaxDepth) {
            return;
        }
        const QString id = node.attribute(QLatin1String("id"));
        if (!id.isEmpty() && !m_ids.contains(id)) {
            m_ids.insert(id, &node);
        }
        for (const auto& child : node.children) {
            if (!child->name.isEmpty()) {
                collectIds(*child, depth + 1);
            }
        }
    }

    // The entry of the one picture a drawing shows when it shows nothing else (a cover page).
    QString onlyPicture(const Node& svg) const
    {
        const Node* picture = nullptr;
        int pictures = 0;
        bool other = false;
        visit(svg, 0, [&](const Node& node) {
            if (node.name == QLatin1String("image")) {
                picture = &node;
                ++pictures;
            } else if (drawsSomething(node.name)) {
                other = true;
            }
        });
        if (pictures != 1 || other) {
            return {};
        }
        const QString entry =
            Archive::resolve(m_base, picture->anyAttribute(QLatin1String("href")));
        return entry.isEmpty() || !m_archive.contains(entry) ? QString() : entry;
    }

    template <typename F> static void visit(const Node& node, int depth, const F& f)
    {
        if (depth > SvgDrawing::MaxDepth || !drawingElements().contains(node.name)) {
            return;
        }
        f(node);
        for (const auto& child : node.children) {
            if (!child->name.isEmpty()) {
                visit(*child, depth + 1, f);
            }
        }
    }

    // The target of a reference inside the drawing ("#id"), or null.
    const Node* target(const QString& href) const
    {
        const QString reference = href.trimmed();
        return reference.startsWith(QLatin1Char('#')) ? m_ids.value(reference.mid(1)) : nullptr;
    }

    // How many elements a renderer draws for node, every use followed: a use that leads back
    // into itself is marked and dropped; the count stops just past the limit.
    qint64 drawnCost(const Node& node, int depth)
    {
        if (depth > SvgDrawing::MaxDepth || !drawingElements().contains(node.name)) {
            return 0;
        }
        const auto known = m_costs.constFind(&node);
        if (known != m_costs.cend()) {
            return *known;
        }
        if (m_inProgress.contains(&node)) {
            return 0;
        }
        m_inProgress.insert(&node);
        qint64 cost = 1;
        if (node.name == QLatin1String("use")) {
            const Node* used = target(node.anyAttribute(QLatin1String("href")));
            if (used && m_inProgress.contains(used)) {
                m_cyclic.insert(&node);
            } else if (used) {
                cost += drawnCost(*used, 0);
            }
        }
        for (const auto& child : node.children) {
            if (cost > SvgDrawing::MaxDrawnElements) {
                break;
            }
            if (!child->name.isEmpty()) {
                cost += drawnCost(*child, depth + 1);
            }
        }
        cost = qMin(cost, SvgDrawing::MaxDrawnElements + 1);
        m_inProgress.remove(&node);
        m_costs.insert(&node, cost);
        return cost;
    }

    // The picture an image shows, as a data: address inside the drawing; empty when it is no
    // picture of the book or the drawing's pictures are too big already.
    QString embeddedPicture(const QString& href)
    {
        if (isRasterData(href)) {
            if (href.size() > SvgDrawing::MaxPictureBytes - m_pictureBytes) {
                m_cut = true;
                return {};
            }
            m_pictureBytes += href.size();
            return href.trimmed();
        }
        const QString entry = Archive::resolve(m_base, href);
        if (entry.isEmpty()) {
            return {};
        }
        const auto known = m_embedded.constFind(entry);
        if (known != m_embedded.cend()) {
            return *known;
        }
        QByteArray data;
        bool truncated = false;
        const qint64 room = (SvgDrawing::MaxPictureBytes - m_pictureBytes) * 3 / 4;
        if (!m_archive.readStart(entry, room, &data, &truncated) || truncated) {
            m_cut = m_cut || truncated;
            return {};
        }
        const QByteArray type = pictureType(data);
        if (type.isEmpty()) {
            return {};
        }
        const QString address = QStringLiteral("data:image/%1;base64,%2")
                                    .arg(QLatin1String(type), QLatin1String(data.toBase64()));
        m_pictureBytes += address.size();
        m_embedded.insert(entry, address);
        return address;
    }

    void writeElement(const Node& node, int depth, bool root)
    {
        const QString spelled = drawingElements().value(node.name);
        if (spelled.isEmpty() || depth > SvgDrawing::MaxDepth) {
            m_cut = m_cut || depth > SvgDrawing::MaxDepth;
            return;
        }
        if (++m_elements > SvgDrawing::MaxElements ||
            m_out->size() - m_pictureBytes > SvgDrawing::MaxSourceBytes) {
            m_cut = true;
            return;
        }
        QString href;
        if (node.name == QLatin1String("use")) {
            if (m_cyclic.contains(&node)) {
                return;
            }
            const Node* used = target(node.anyAttribute(QLatin1String("href")));
            const qint64 cost = used ? drawnCost(*used, 0) : 0;
            if (!used || m_drawn + cost > SvgDrawing::MaxDrawnElements) {
                m_cut = m_cut || used;
                return;
            }
            m_drawn += cost;
            href = node.anyAttribute(QLatin1String("href")).trimmed();
        } else if (node.name == QLatin1String("image")) {
            href = embeddedPicture(node.anyAttribute(QLatin1String("href")));
            if (href.isEmpty()) {
                return;
            }
        } else if (target(node.anyAttribute(QLatin1String("href")))) {
            // Gradients and text paths may build on another part of the drawing.
            href = node.anyAttribute(QLatin1String("href")).trimmed();
        }
        if (++m_drawn > SvgDrawing::MaxDrawnElements) {
            m_cut = true;
            return;
        }
        m_drawing = m_drawing || drawsSomething(node.name) || node.name == QLatin1String("image");
        m_xml->writeStartElement(SvgNamespace, spelled);
        writeAttributes(node, root);
        if (!href.isEmpty()) {
            m_xml->writeAttribute(XlinkNamespace, QStringLiteral("href"), href);
        }
        const bool text = holdsText(node.name);
        if (isTextElement(node.name) && !m_inWords) {
            m_inWords = true;
            m_words.append(QString());
            writeChildren(node, depth, text);
            m_inWords = false;
        } else {
            writeChildren(node, depth, text);
        }
        m_xml->writeEndElement();
    }

    void writeChildren(const Node& node, int depth, bool text)
    {
        for (const auto& child : node.children) {
            if (m_cut && m_elements > SvgDrawing::MaxElements) {
                return;
            }
            if (!child->name.isEmpty()) {
                writeElement(*child, depth + 1, false);
            } else if (text) {
                const QString content = node.name == QLatin1String("style")
                                            ? withoutOutsideReferences(child->text)
                                            : child->text;
                m_xml->writeCharacters(content);
                if (m_inWords) {
                    m_words.last() += child->text;
                }
            }
        }
    }

    void writeAttributes(const Node& node, bool root)
    {
        for (const QXmlStreamAttribute& attribute : node.attributes) {
            const QString name = attribute.name().toString();
            const QStringView prefix = attribute.prefix();
            if (prefix == QLatin1String("xml") && name == QLatin1String("space")) {
                m_xml->writeAttribute(QStringLiteral("xml:space"), attribute.value().toString());
                continue;
            }
            if (!prefix.isEmpty() || name == QLatin1String("href") ||
                name == QLatin1String("xmlns") || name.startsWith(QLatin1String("on")) ||
                (root && (name == QLatin1String("width") || name == QLatin1String("height") ||
                          name == QLatin1String("viewBox") || name == QLatin1String("x") ||
                          name == QLatin1String("y")))) {
                continue;
            }
            m_xml->writeAttribute(name, withoutOutsideReferences(attribute.value().toString()));
        }
        if (root) {
            // The renderer draws the view box into whatever size the page shows; without one,
            // the box is the size the drawing asks for.
            QRectF viewBox;
            if (!readViewBox(node.attribute(QLatin1String("viewBox")), &viewBox)) {
                const QSizeF size = boxOf(node).shownSize(QSizeF(600, 800), false);
                viewBox = QRectF(QPointF(), size);
            }
            m_xml->writeAttribute(QStringLiteral("width"), QString::number(viewBox.width()));
            m_xml->writeAttribute(QStringLiteral("height"), QString::number(viewBox.height()));
            m_xml->writeAttribute(QStringLiteral("viewBox"), QStringLiteral("%1 %2 %3 %4")
                                                                 .arg(viewBox.x())
                                                                 .arg(viewBox.y())
                                                                 .arg(viewBox.width())
                                                                 .arg(viewBox.height()));
        }
    }

    const Entries& m_archive;
    QString m_base;
    QXmlStreamWriter* m_xml = nullptr;
    const QByteArray* m_out = nullptr;
    QHash<QString, const Node*> m_ids;
    QHash<const Node*, qint64> m_costs;
    QSet<const Node*> m_inProgress;
    QSet<const Node*> m_cyclic;
    QHash<QString, QString> m_embedded; // entry -> its data: address
    QStringList m_words;
    bool m_inWords = false;
    bool m_drawing = false;
    bool m_cut = false;
    int m_elements = 0;
    qint64 m_drawn = 0;
    qsizetype m_pictureBytes = 0;
};

QVariantList SvgDrawing::Box::toVariant() const
{
    return {width, height, widthFraction, heightFraction, aspect};
}

SvgDrawing::Box SvgDrawing::Box::fromVariant(const QVariantList& list)
{
    Box box;
    if (list.size() == 5) {
        box.width = list.at(0).toDouble();
        box.height = list.at(1).toDouble();
        box.widthFraction = list.at(2).toDouble();
        box.heightFraction = list.at(3).toDouble();
        box.aspect = list.at(4).toDouble();
    }
    return box;
}

QSizeF SvgDrawing::Box::shownSize(const QSizeF& page, bool fitsPage) const
{
    qreal w = widthFraction > 0 ? page.width() * widthFraction : width;
    qreal h = heightFraction > 0 ? page.height() * heightFraction : height;
    if (w <= 0 && h <= 0) {
        // Without a size, a drawing with a view box is as wide as the page, as a browser shows
        // it; one without either has the size browsers give it.
        w = aspect > 0 ? page.width() : 300;
        h = aspect > 0 ? w / aspect : 150;
    } else if (w <= 0) {
        w = aspect > 0 ? h * aspect : 300;
    } else if (h <= 0) {
        h = aspect > 0 ? w / aspect : 150;
    } else if (aspect > 0 && (widthFraction > 0 || heightFraction > 0)) {
        // A part of the page: the drawing keeps its shape inside it.
        if (w / h > aspect) {
            w = h * aspect;
        } else {
            h = w / aspect;
        }
    }
    qreal scale = 1;
    if (page.width() > 0 && w > page.width()) {
        scale = page.width() / w;
    }
    if (fitsPage && page.height() > 0 && h * scale > page.height()) {
        scale = page.height() / h;
    }
    return {qMax<qreal>(1, w * scale), qMax<qreal>(1, h * scale)};
}

SvgDrawing SvgDrawing::fromNode(const Node& svg, const Entries& archive, const QString& base)
{
    return SvgWriter(archive, base).write(svg);
}

SvgDrawing SvgDrawing::fromFile(const QByteArray& data, const Entries& archive,
                                const QString& entry)
{
    // Enough for the largest drawing taken, and no more.
    constexpr qint64 CostLimit = MaxElements * ElementCost * 2 + MaxSourceBytes;
    const ParsedTree parsed = parseTree(data, CostLimit);
    for (const auto& child : parsed.root->children) {
        if (child->name == QLatin1String("svg")) {
            SvgDrawing drawing = fromNode(*child, archive, entry);
            drawing.m_cut = drawing.m_cut || parsed.cut;
            return drawing;
        }
    }
    return {};
}

bool SvgDrawing::isSvg(const QString& entry, const QByteArray& data)
{
    if (entry.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive)) {
        return true;
    }
    const QByteArray start = data.left(1024);
    return start.contains("<svg") && !start.contains("<html");
}

} // namespace Epub
