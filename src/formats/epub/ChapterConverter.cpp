#include "formats/epub/ChapterConverter.h"

#include "formats/epub/ChapterFormats.h"
#include "formats/epub/ChapterTree.h"
#include "formats/epub/CssBox.h"
#include "formats/epub/CssText.h"
#include "formats/epub/EpubBook.h"
#include "formats/epub/StyleRules.h"
#include "formats/epub/SvgDrawing.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QImage>
#include <QImageReader>
#include <QScopeGuard>
#include <QSet>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextFrame>
#include <QTextImageFormat>
#include <QUrl>
#include <QXmlStreamReader>
#include <algorithm>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace Epub {

const QString ChapterConverter::LinkScheme = QStringLiteral("epub");

namespace {
QString tr(const char* text)
{
    return QCoreApplication::translate("Epub::ChapterConverter", text);
}

// What a chapter may cost before anything is built from it (see ElementCost): the budget is the
// King James Bible as one chapter with room to spare (about 300 MB and two seconds at most). A
// chapter past it is shown as far as the budget goes, never more: 30 MB of "<p>x</p>" would take 5
// GB.
constexpr qint64 MaxChapterCost = 8'000'000;
// The bytes of a chapter read at most; markup past them could never fit the budget anyway.
constexpr qint64 MaxChapterBytes = qint64(64) * 1024 * 1024;
// A note's text shown as a link's tool tip, at most.
constexpr qsizetype MaxNoteLength = 2000;
// Qt breaks a line inside a word only by trying every place in it, which costs the square of
// the word's length (a word of 391,650 letters takes seconds): longer runs without a space
// get an invisible break opportunity (a zero-width space) every this many characters.
constexpr qsizetype MaxUnbrokenRun = 1000;

QString escaped(const QString& text)
{
    return text.toHtmlEscaped();
}

// Elements Qt's HTML reader does not know that are blocks all the same.
bool isSectioning(const QString& name)
{
    static const QSet<QString> names = {
        QStringLiteral("section"), QStringLiteral("article"),    QStringLiteral("aside"),
        QStringLiteral("nav"),     QStringLiteral("header"),     QStringLiteral("footer"),
        QStringLiteral("figure"),  QStringLiteral("figcaption"), QStringLiteral("main"),
        QStringLiteral("hgroup"),  QStringLiteral("details"),    QStringLiteral("summary")};
    return names.contains(name);
}

// Elements whose content is never text of the book.
bool isNeverShown(const QString& name)
{
    // A style sheet is read by the converter, never handed to Qt's reader as it is.
    static const QSet<QString> names = {QStringLiteral("script"),   QStringLiteral("head"),
                                        QStringLiteral("style"),    QStringLiteral("link"),
                                        QStringLiteral("noscript"), QStringLiteral("template"),
                                        QStringLiteral("source"),   QStringLiteral("track"),
                                        QStringLiteral("param"),    QStringLiteral("rp")};
    return names.contains(name);
}

const QString PictureScheme = QStringLiteral("epub-picture");
// The SVG drawings of a chapter, each held as its source (a drawing is drawn at the size shown).
const QString DrawingScheme = QStringLiteral("epub-drawing");
// Ruby annotations longer than this are cut: no real one is.
constexpr qsizetype MaxRubyLength = 200;

// Qt's HTML reader does not say where it put an element, and an anchor name in a character
// format costs the square of their number (formats with names all look alike to the document's
// format table). So the writer leaves a marker in the text where an element's id belongs:
// MarkerStart, the kind, a number, MarkerEnd; all are taken out once the document is built.
constexpr char16_t MarkerStart = 0xE000;
constexpr char16_t MarkerEnd = 0xE001;
constexpr char16_t AnchorMarker = u'a';
// A paragraph the book sets left to right (Qt's reader sets every paragraph so).
constexpr char16_t LeftToRightMarker = u'l';
// Where characters with formats of the writer's own begin and end (a floating picture, ruby):
// their number is the format's in HtmlWriter::charFormats.
constexpr char16_t FormatStartMarker = u'c';
constexpr char16_t FormatEndMarker = u'C';
// The first and last paragraphs of a box (HtmlWriter::boxes).
constexpr char16_t BoxStartMarker = u'b';
constexpr char16_t BoxEndMarker = u'B';

QString marker(char16_t kind, qsizetype number)
{
    return QString(QChar(MarkerStart)) + QChar(kind) + QString::number(number) + QChar(MarkerEnd);
}

// Languages written from right to left, by their primary subtag.
bool isRightToLeftLanguage(const QString& language)
{
    static const QSet<QString> languages = {
        QStringLiteral("ar"),  QStringLiteral("he"),  QStringLiteral("iw"), QStringLiteral("fa"),
        QStringLiteral("ur"),  QStringLiteral("yi"),  QStringLiteral("ji"), QStringLiteral("ps"),
        QStringLiteral("sd"),  QStringLiteral("ug"),  QStringLiteral("dv"), QStringLiteral("ckb"),
        QStringLiteral("syr"), QStringLiteral("arc"), QStringLiteral("nqo")};
    return languages.contains(language.section(QLatin1Char('-'), 0, 0).toLower());
}

// The MathML of a formula as linear text: identifiers in italics, scripts raised and lowered,
// fractions and roots written out with a slash and a root sign.
class MathText
{
public:
    QString html(const Node& node)
    {
        QString out;
        append(node, &out);
        return out;
    }

private:
    static QString plain(const Node& node) { return node.plainText(4096).simplified(); }

    // A part that is more than one token is put in parentheses where it meets a slash.
    QString grouped(const Node& node)
    {
        QString inner;
        append(node, &inner);
        const bool single = node.name != QLatin1String("mrow") || node.children.size() <= 1;
        return single ? inner : QStringLiteral("(") + inner + QStringLiteral(")");
    }

    void appendChildren(const Node& node, QString* out)
    {
        for (const auto& child : node.children) {
            append(*child, out);
        }
    }

    // The element children of node (text between them is only white space in MathML).
    static QList<const Node*> parts(const Node& node)
    {
        QList<const Node*> list;
        for (const auto& child : node.children) {
            if (!child->name.isEmpty()) {
                list.append(child.get());
            }
        }
        return list;
    }

    void append(const Node& node, QString* out)
    {
        const QString& name = node.name;
        if (name.isEmpty()) {
            const QString text = node.text.simplified();
            *out += text.toHtmlEscaped();
            return;
        }
        const QList<const Node*> p = parts(node);
        auto part = [&](int i) { return i < p.size() ? grouped(*p[i]) : QString(); };
        if (name == QLatin1String("mi")) {
            const QString text = plain(node);
            // A one-letter identifier is a variable, set in italics as mathematics does.
            *out += text.size() == 1 ? QStringLiteral("<i>%1</i>").arg(text.toHtmlEscaped())
                                     : text.toHtmlEscaped();
        } else if (name == QLatin1String("mo")) {
            const QString text = plain(node);
            const bool spaced =
                text.size() == 1 &&
                QStringLiteral("=+-<>\u2212\u00D7\u2264\u2265\u2260").contains(text);
            *out +=
                spaced ? QStringLiteral(" %1 ").arg(text.toHtmlEscaped()) : text.toHtmlEscaped();
        } else if (name == QLatin1String("mn") || name == QLatin1String("mtext") ||
                   name == QLatin1String("ms")) {
            *out += plain(node).toHtmlEscaped();
        } else if (name == QLatin1String("mspace")) {
            *out += QLatin1Char(' ');
        } else if (name == QLatin1String("msup") || name == QLatin1String("mover")) {
            *out += part(0) + QStringLiteral("<sup>") + part(1) + QStringLiteral("</sup>");
        } else if (name == QLatin1String("msub") || name == QLatin1String("munder")) {
            *out += part(0) + QStringLiteral("<sub>") + part(1) + QStringLiteral("</sub>");
        } else if (name == QLatin1String("msubsup") || name == QLatin1String("munderover")) {
            *out += part(0) + QStringLiteral("<sub>") + part(1) + QStringLiteral("</sub><sup>") +
                    part(2) + QStringLiteral("</sup>");
        } else if (name == QLatin1String("mfrac")) {
            *out += part(0) + QStringLiteral("/") + part(1);
        } else if (name == QLatin1String("msqrt")) {
            QString inner;
            appendChildren(node, &inner);
            *out += QStringLiteral("\u221A(") + inner + QStringLiteral(")");
        } else if (name == QLatin1String("mroot")) {
            *out += QStringLiteral("<sup>") + part(1) + QStringLiteral("</sup>\u221A(") + part(0) +
                    QStringLiteral(")");
        } else if (name == QLatin1String("mfenced")) {
            const QString open = node.attributes.hasAttribute(QLatin1String("open"))
                                     ? node.attribute(QLatin1String("open"))
                                     : QStringLiteral("(");
            const QString close = node.attributes.hasAttribute(QLatin1String("close"))
                                      ? node.attribute(QLatin1String("close"))
                                      : QStringLiteral(")");
            *out += open.toHtmlEscaped();
            for (int i = 0; i < p.size(); ++i) {
                *out += (i > 0 ? QStringLiteral(", ") : QString()) + grouped(*p[i]);
            }
            *out += close.toHtmlEscaped();
        } else if (name == QLatin1String("mtable")) {
            *out += QLatin1Char('[');
            for (int row = 0; row < p.size(); ++row) {
                const QList<const Node*> cells = parts(*p[row]);
                *out += row > 0 ? QStringLiteral("; ") : QString();
                for (int cell = 0; cell < cells.size(); ++cell) {
                    *out += (cell > 0 ? QStringLiteral(", ") : QString()) + grouped(*cells[cell]);
                }
            }
            *out += QLatin1Char(']');
        } else if (name == QLatin1String("semantics")) {
            // The presentation is its first part; annotations (TeX, content MathML) follow.
            if (!p.isEmpty()) {
                append(*p.first(), out);
            }
        } else if (name == QLatin1String("annotation") || name == QLatin1String("annotation-xml") ||
                   name == QLatin1String("mphantom") || name == QLatin1String("none") ||
                   name == QLatin1String("mprescripts")) {
            return;
        } else {
            appendChildren(node, out); // math, mrow, mstyle, mpadded, merror, menclose...
        }
    }
};

// Elements that flow within a line; every other element shown starts a block.
bool isInline(const QString& name)
{
    static const QSet<QString> names = {
        QStringLiteral("a"),      QStringLiteral("span"),   QStringLiteral("em"),
        QStringLiteral("strong"), QStringLiteral("b"),      QStringLiteral("i"),
        QStringLiteral("u"),      QStringLiteral("s"),      QStringLiteral("sub"),
        QStringLiteral("sup"),    QStringLiteral("small"),  QStringLiteral("big"),
        QStringLiteral("code"),   QStringLiteral("tt"),     QStringLiteral("font"),
        QStringLiteral("abbr"),   QStringLiteral("cite"),   QStringLiteral("q"),
        QStringLiteral("img"),    QStringLiteral("br"),     QStringLiteral("ruby"),
        QStringLiteral("rt"),     QStringLiteral("rp"),     QStringLiteral("mark"),
        QStringLiteral("dfn"),    QStringLiteral("kbd"),    QStringLiteral("samp"),
        QStringLiteral("var"),    QStringLiteral("label"),  QStringLiteral("time"),
        QStringLiteral("bdi"),    QStringLiteral("bdo"),    QStringLiteral("del"),
        QStringLiteral("ins"),    QStringLiteral("svg"),    QStringLiteral("math"),
        QStringLiteral("image"),  QStringLiteral("strike"), QStringLiteral("acronym")};
    return names.contains(name);
}

QUrl pictureName(const QString& entry)
{
    QUrl name;
    name.setScheme(PictureScheme);
    name.setPath(entry);
    return name;
}

// A picture of this size shown within bounds (a height of 0 bounds nothing): scaled down,
// never up, keeping its shape.
QSize fittedSize(const QSize& size, const QSize& bounds)
{
    if (!size.isValid() || size.isEmpty()) {
        return size;
    }
    qreal scale = qMin<qreal>(1, qreal(bounds.width()) / size.width());
    if (bounds.height() > 0) {
        scale = qMin(scale, qreal(bounds.height()) / size.height());
    }
    return scale < 1 ? QSize(qMax(1, qRound(size.width() * scale)),
                             qMax(1, qRound(size.height() * scale)))
                     : size;
}

// The picture of an entry, no bigger than bounds. A big picture is decoded straight at the
// size shown, never in full; shown is returned as it is when it already has that size. A null
// image when the entry is missing or not a picture. An SVG file is never drawn here: its
// drawing is made safe first (SvgDrawing). natural receives the picture's own size.
QImage decodePicture(const Book& book, const QString& entry, const QSize& bounds,
                     const QImage& shown = {}, QSize* natural = nullptr)
{
    QByteArray data;
    if (entry.isEmpty() || !book.archive().read(entry, &data)) {
        return {};
    }
    QBuffer buffer(&data);
    QImageReader reader(&buffer);
    if (reader.format().startsWith("svg")) {
        return {};
    }
    const QSize size = reader.size();
    if (natural) {
        *natural = size;
    }
    const QSize wanted = fittedSize(size, bounds);
    if (wanted != size) {
        reader.setScaledSize(wanted);
    }
    if (!shown.isNull() && shown.size() == wanted) {
        return shown;
    }
    QImage image = reader.read();
    if (natural && !size.isValid()) {
        *natural = image.size();
    }
    return image;
}

// How a picture is placed: floating beside the text, at a part of the page's width, fitted to
// the page.
struct PictureStyle
{
    int floatSide = 0;       // Qt::AlignLeft or Qt::AlignRight; 0 in the line
    qreal widthFraction = 0; // of the page's width, from a width in %; 0 when not given so
    qreal widthPixels = 0;   // from a width in pixels; 0 when not given so
    bool fitsPage = false;   // never taller than the page

    // The bounds of the picture on a page of this size.
    QSize bounds(const QSize& page) const
    {
        int width = page.width();
        if (widthFraction > 0) {
            width = qMin(width, qMax(1, qRound(page.width() * widthFraction)));
        }
        if (widthPixels > 0) {
            width = qMin(width, qMax(1, qRound(widthPixels)));
        }
        return {width, fitsPage ? page.height() : 0};
    }
};

class HtmlWriter
{
public:
    HtmlWriter(const Book& book, const QString& chapterPath, QTextDocument* document,
               const QSize& page)
        : m_book(book), m_chapterPath(chapterPath), m_document(document), m_page(page),
          m_basePoints(document->defaultFont().pointSizeF() > 0
                           ? document->defaultFont().pointSizeF()
                           : 12.0)
    {
    }

    StyleRules rules;
    QHash<QString, QString> notes; // element id -> text of the note
    // The ids met, in the order of their markers (see marker).
    QStringList anchorIds;
    // Formats of the writer's own, by the number their markers carry.
    QList<QTextCharFormat> charFormats;
    // Boxes around paragraphs, by the number their markers carry.
    QList<CssBox> boxes;
    // Past this many characters of text, writing stops at the next paragraph's end (0: never).
    qsizetype textLimit = 0;
    // Writing stopped there, before the end of the chapter.
    bool stopped = false;

    void collectNoteTargets(const Node& node, QSet<QString>* ids) const
    {
        if (node.name == QLatin1String("a") &&
            (node.hasType(QLatin1String("noteref")) || node.hasType(QLatin1String("doc-noteref")) ||
             node.attribute(QLatin1String("class")).contains(QLatin1String("footnote")))) {
            const QString href = node.attribute(QLatin1String("href"));
            const int hash = href.indexOf(QLatin1Char('#'));
            if (hash >= 0) {
                ids->insert(QUrl::fromPercentEncoding(href.mid(hash + 1).toUtf8()));
            }
        }
        for (const auto& child : node.children) {
            collectNoteTargets(*child, ids);
        }
    }

    void collectNotes(const Node& node, const QSet<QString>& ids)
    {
        const QString id = node.attribute(QLatin1String("id"));
        if (!id.isEmpty() && ids.contains(id)) {
            notes.insert(id, node.plainText(MaxNoteLength).simplified());
        }
        for (const auto& child : node.children) {
            collectNotes(*child, ids);
        }
    }

    // Writes node, an element or text; element is the node as style rules see it.
    void write(const Node& node, const StyleRules::Element* element = nullptr)
    {
        if (node.name.isEmpty()) {
            writeText(node.text);
            return;
        }
        if (node.name == QLatin1String("#root")) {
            writeChildren(node, nullptr);
            return;
        }
        if (isNeverShown(node.name) || !element) {
            return;
        }
        const StyleRules::Declarations cascaded = rules.declarationsFor(*element);
        const StyleRules::Declarations own =
            StyleRules::declarations(node.attribute(QLatin1String("style")));
        auto valueOf = [&](const QString& property) {
            const QString value = StyleRules::valueOf(own, property);
            return value.isEmpty() ? StyleRules::valueOf(cascaded, property) : value;
        };
        if (node.attributes.hasAttribute(QLatin1String("hidden")) ||
            valueOf(QStringLiteral("display")).toLower() == QLatin1String("none")) {
            return;
        }
        const qreal parentPoints = m_points.isEmpty() ? m_basePoints : m_points.last();
        const qreal points = fontPoints(node, valueOf(QStringLiteral("font-size")), parentPoints);
        // The base direction of the text comes from dir, else from the language, and holds for
        // everything inside; without either, each paragraph takes it from its first letter.
        const QString parentDirection = m_directions.isEmpty() ? QString() : m_directions.last();
        QString direction = parentDirection;
        const QString dir = node.attribute(QLatin1String("dir")).toLower();
        QString language = node.attribute(QLatin1String("lang"));
        for (const QXmlStreamAttribute& attribute : node.attributes) {
            if (attribute.name() == QLatin1String("lang") &&
                attribute.prefix() == QLatin1String("xml")) {
                language = attribute.value().toString();
            }
        }
        const QString cssDirection = valueOf(QStringLiteral("direction")).toLower();
        if (dir == QLatin1String("rtl") || dir == QLatin1String("ltr")) {
            direction = dir;
        } else if (dir == QLatin1String("auto")) {
            direction.clear();
        } else if (cssDirection == QLatin1String("rtl") || cssDirection == QLatin1String("ltr")) {
            direction = cssDirection;
        } else if (!language.isEmpty()) {
            direction = isRightToLeftLanguage(language) ? QStringLiteral("rtl") : QString();
        }
        m_directions.append(direction);
        const int raised =
            node.name == QLatin1String("sup") ||
                    valueOf(QStringLiteral("vertical-align")) == QLatin1String("super")
                ? 1
                : 0;
        m_raised += raised;
        const auto directionDone = qScopeGuard([this, raised] {
            m_directions.removeLast();
            m_raised -= raised;
        });
        if (node.name == QLatin1String("html") || node.name == QLatin1String("body")) {
            if (node.name == QLatin1String("html")) {
                m_rootPoints = points;
            }
            // What the book's sheets give the whole chapter goes to the document's own html
            // and body.
            const QString style = styleText(cascaded) + makeStyleText(own);
            if (!style.isEmpty()) {
                m_rootCss += QStringLiteral("%1 { %2 }\n").arg(node.name, style);
            }
            m_points.append(points);
            const bool sized = qAbs(points - parentPoints) > 0.01;
            if (sized) {
                m_html += QStringLiteral("<div style=\"font-size: %1pt\">").arg(points);
            }
            writeChildren(node, element);
            if (sized) {
                m_html += QStringLiteral("</div>");
            }
            m_points.removeLast();
            return;
        }
        const bool picture = node.name == QLatin1String("img") ||
                             node.name == QLatin1String("image") ||
                             node.name == QLatin1String("svg");
        if (picture) {
            // A picture that follows a paragraph in a section is a block of its own, not the
            // end of the paragraph's last line.
            const bool ownBlock =
                m_afterBlock && !isInline(element->parent ? element->parent->tag : QString());
            m_html += ownBlock ? QStringLiteral("<div>") : QString();
            const PictureStyle style = pictureStyle(node, valueOf);
            if (node.name == QLatin1String("svg")) {
                // An SVG chapter is a page: its drawing is fitted to the page.
                PictureStyle page = style;
                page.fitsPage = page.fitsPage || element->parent == nullptr;
                writeDrawing(SvgDrawing::fromNode(node, m_book.archive(), m_chapterPath), page);
            } else {
                writePicture(node, style);
            }
            m_html += ownBlock ? QStringLiteral("</div>") : QString();
            return;
        }
        if (node.name == QLatin1String("ruby")) {
            writeRuby(node, element);
            return;
        }
        if (node.name == QLatin1String("math")) {
            writeFormula(node);
            return;
        }
        if (node.name == QLatin1String("audio") || node.name == QLatin1String("video") ||
            node.name == QLatin1String("object")) {
            writeMedia(node, element);
            return;
        }
        // Qt lays a table out again for each table around it, so the time grows by half again
        // with each level: past a few levels (no real book goes deeper), tables are written
        // as plain blocks, their text kept, and a hostile chapter cannot freeze the reader.
        const bool table = node.name == QLatin1String("table");
        const bool flat =
            (table && m_tables >= MaxTableNesting) || (m_flatTables > 0 && isTablePart(node.name));
        int& tables = flat ? m_flatTables : m_tables;
        tables += table ? 1 : 0;
        const bool list = node.name == QLatin1String("ul") || node.name == QLatin1String("ol") ||
                          node.name == QLatin1String("dl");
        m_lists += list ? 1 : 0;
        const QString tag = isSectioning(node.name) || flat ? QStringLiteral("div") : node.name;
        m_html += QLatin1Char('<') + tag;
        // The rules the element receives are written into its own style, before its own
        // declarations, which win; the font size is the one worked out here.
        QString style = styleText(cascaded) + makeStyleText(own);
        if (qAbs(points - parentPoints) > 0.01 || isHeading(node.name)) {
            style += QStringLiteral("font-size: %1pt; ").arg(points);
        }
        // Qt reads a table's border from its parts alone; the book view draws the borders of
        // other blocks itself.
        std::optional<CssBox> cssBox;
        if (hasBorder(cascaded) || hasBorder(own)) {
            cssBox = CssBox::fromStyle(valueOf, points);
            if (table && cssBox->hasBorder()) {
                const CssBox::Side& side = cssBox->sides[ChapterFormats::Top];
                style += QStringLiteral("border-width: %1px; border-style: %2; ")
                             .arg(side.width)
                             .arg(borderStyleName(side.style));
                if (side.color.isValid()) {
                    style += QStringLiteral("border-color: %1; ").arg(side.color.name());
                }
            }
            if (!cssBox->hasBorder() || isInline(node.name) || isTablePart(node.name) || flat) {
                cssBox.reset();
            }
        }
        if (!style.isEmpty()) {
            m_html += QStringLiteral(" style=\"%1\"").arg(escaped(style));
        }
        for (const QXmlStreamAttribute& attribute : node.attributes) {
            const auto key = attribute.name();
            if (!attribute.prefix().isEmpty()) {
                continue;
            }
            if (key == QLatin1String("class") || key == QLatin1String("align") ||
                key == QLatin1String("colspan") || key == QLatin1String("rowspan") ||
                key == QLatin1String("start") || key == QLatin1String("type") ||
                key == QLatin1String("valign") || key == QLatin1String("width") ||
                key == QLatin1String("border") || key == QLatin1String("cellpadding") ||
                key == QLatin1String("cellspacing")) {
                const QString value = attribute.value().toString();
                m_html += QStringLiteral(" %1=\"%2\"").arg(key.toString(), escaped(value));
            }
        }
        if (!direction.isEmpty() && (!isInline(node.name) || dir == direction)) {
            m_html += QStringLiteral(" dir=\"%1\"").arg(direction);
            m_pendingLeftToRight = direction == QLatin1String("ltr") && !isInline(node.name);
        }
        if (node.name == QLatin1String("a")) {
            writeLinkAttributes(node);
        }
        m_html += QLatin1Char('>');
        // Every id is an anchor a link or the contents may jump to; its marker goes before the
        // element's first character (so no leading space is kept for it) or, when it has none,
        // where the element ends. A table's or list's id waits for the first text inside.
        QString id = node.attribute(QLatin1String("id"));
        if (id.isEmpty() && node.name == QLatin1String("a")) {
            id = node.attribute(QLatin1String("name"));
        }
        if (!id.isEmpty()) {
            m_pendingIds.append(id);
        }
        // Borders the book draws around the element: its first and last paragraphs are marked
        // where their text begins and ends.
        const qsizetype box = cssBox ? boxes.size() : -1;
        if (box >= 0) {
            boxes.append(*cssBox);
            m_pendingMarkers.append({BoxStartMarker, box});
        }
        // A floating block that holds only pictures (a figure beside the text) floats them.
        const int pictureFloat = m_pictureFloat;
        const qreal pictureFraction = m_pictureFraction;
        if (!isInline(node.name) && floatSide(valueOf(QStringLiteral("float"))) != 0 &&
            node.plainText(64).trimmed().isEmpty()) {
            m_pictureFloat = floatSide(valueOf(QStringLiteral("float")));
            qreal pixels = 0;
            widthOf(valueOf(QStringLiteral("width")), points, &m_pictureFraction, &pixels);
        }
        // The first letter of the element's text may have a style of its own (a drop cap).
        const bool firstLetter = !isInline(node.name) && startFirstLetter(*element, points);
        m_points.append(points);
        writeChildren(node, element);
        m_points.removeLast();
        m_pictureFloat = pictureFloat;
        m_pictureFraction = pictureFraction;
        if (firstLetter) {
            m_firstLetterStyle.clear();
        }
        if (box >= 0) {
            closeBox(box);
        }
        if (!isTableStructure(node.name)) {
            flushIds();
        }
        m_html += QStringLiteral("</%1>").arg(tag);
        tables -= table ? 1 : 0;
        m_lists -= list ? 1 : 0;
    }

    QString html() const { return m_html; }
    void append(const QString& text) { m_html += text; }
    // The style the book's sheets give the chapter's html and body.
    QString rootCss() const { return m_rootCss; }

private:
    static constexpr int MaxTableNesting = 8;

    static bool isTablePart(const QString& name)
    {
        static const QSet<QString> names = {QStringLiteral("table"),    QStringLiteral("caption"),
                                            QStringLiteral("thead"),    QStringLiteral("tbody"),
                                            QStringLiteral("tfoot"),    QStringLiteral("tr"),
                                            QStringLiteral("td"),       QStringLiteral("th"),
                                            QStringLiteral("colgroup"), QStringLiteral("col")};
        return names.contains(name);
    }

    static bool isTableStructure(const QString& name)
    {
        return name == QLatin1String("table") || name == QLatin1String("tr") ||
               name == QLatin1String("thead") || name == QLatin1String("tbody") ||
               name == QLatin1String("tfoot") || name == QLatin1String("ul") ||
               name == QLatin1String("ol");
    }

    static const Node* findChild(const Node& node, QLatin1String name)
    {
        for (const auto& child : node.children) {
            if (child->name == name) {
                return child.get();
            }
            if (const Node* deeper = findChild(*child, name)) {
                return deeper;
            }
        }
        return nullptr;
    }

    static bool isHeading(const QString& name)
    {
        return name.size() == 2 && name.at(0) == QLatin1Char('h') &&
               name.at(1) >= QLatin1Char('1') && name.at(1) <= QLatin1Char('6');
    }

    // The element's font size in points, from the cascade (value); headings without a size of
    // their own get the usual steps above the text around them.
    qreal fontPoints(const Node& node, const QString& value, qreal parentPoints) const
    {
        if (!value.isEmpty()) {
            return StyleRules::fontPoints(value, parentPoints, m_rootPoints);
        }
        if (isHeading(node.name)) {
            static const qreal steps[] = {2.0, 1.5, 1.17, 1.0, 0.83, 0.67};
            return parentPoints * steps[node.name.at(1).digitValue() - 1];
        }
        return parentPoints;
    }

    // Declarations as style text for Qt: em and rem turned to pixels, font sizes left out
    // (each element's is written as worked out).
    QString styleText(const StyleRules::Declarations& declarations)
    {
        // The cascade of elements alike is one shared list (see StyleRules::declarationsFor),
        // so its text is made once.
        if (declarations.isEmpty()) {
            return {};
        }
        const auto known = m_styleTexts.constFind(declarations.constData());
        if (known != m_styleTexts.cend()) {
            return *known;
        }
        const QString text = makeStyleText(declarations);
        m_styleTexts.insert(declarations.constData(), text);
        return text;
    }

    QString makeStyleText(const StyleRules::Declarations& declarations) const
    {
        QString text;
        for (const auto& [property, value] : declarations) {
            // Floats are laid out by the book view (pictures) or kept in the text's flow:
            // Qt's reader would make frames of them.
            if (property != QLatin1String("font-size") && property != QLatin1String("float")) {
                text += property + QStringLiteral(": ") + CssText::emToPixels(value, m_basePoints) +
                        QStringLiteral("; ");
            }
        }
        return text;
    }

    void writeChildren(const Node& node, const StyleRules::Element* parent)
    {
        // The elements under one parent stay alive together: a selector may look back along
        // the siblings (p + p) and up along the parents.
        std::deque<StyleRules::Element> elements;
        const StyleRules::Element* previous = nullptr;
        for (const auto& child : node.children) {
            if (stopped) {
                break;
            }
            if (child->name.isEmpty()) {
                write(*child);
                if (!child->text.trimmed().isEmpty()) {
                    m_afterBlock = false;
                }
                continue;
            }
            StyleRules::Element& element = elements.emplace_back();
            describe(&element, *child, parent, previous);
            previous = &element;
            write(*child, &element);
            m_afterBlock = !isInline(child->name) && !isNeverShown(child->name);
            // The start of a chapter ends with a paragraph, outside any table or list, so its
            // text is the text of the whole chapter as far as it goes.
            if (textLimit > 0 && m_written >= textLimit && m_tables == 0 && m_flatTables == 0 &&
                m_lists == 0 && !isInline(child->name)) {
                stopped = true;
            }
        }
    }

    static void describe(StyleRules::Element* element, const Node& node,
                         const StyleRules::Element* parent, const StyleRules::Element* previous)
    {
        element->tag = node.name;
        element->classes = node.attribute(QLatin1String("class"))
                               .split(QLatin1Char(' '), Qt::SkipEmptyParts)
                               .mid(0, StyleRules::MaxElementClasses);
        element->id = node.attribute(QLatin1String("id"));
        element->parent = parent;
        element->previous = previous;
    }

    // Writes some of an element's children (the base of ruby), as writeChildren writes all.
    void writeNodes(const QList<const Node*>& nodes, const StyleRules::Element* parent)
    {
        std::deque<StyleRules::Element> elements;
        const StyleRules::Element* previous = nullptr;
        for (const Node* child : nodes) {
            if (child->name.isEmpty()) {
                write(*child);
                continue;
            }
            StyleRules::Element& element = elements.emplace_back();
            describe(&element, *child, parent, previous);
            previous = &element;
            write(*child, &element);
        }
    }

    // A formula as linear text; one without text shows its alttext, never nothing.
    void writeFormula(const Node& node)
    {
        QString text = MathText().html(node);
        if (node.plainText(64).trimmed().isEmpty()) {
            const QString alt = node.attribute(QLatin1String("alttext")).simplified();
            text = (alt.isEmpty() ? tr("[formula]") : alt).toHtmlEscaped();
        }
        flushIds();
        m_written += text.size();
        if (node.attribute(QLatin1String("display")) == QLatin1String("block")) {
            m_html += QStringLiteral("<div align=\"center\">%1").arg(text);
            m_lastTextEnd = m_html.size();
            m_html += QStringLiteral("</div>");
        } else {
            m_html += text;
            m_lastTextEnd = m_html.size();
        }
    }

    // Audio and video cannot be played here: their fallback content is shown, or a labelled
    // place holder with the video's poster picture.
    void writeMedia(const Node& node, const StyleRules::Element* element)
    {
        // An object that is an SVG file is drawn.
        const QString data = node.attribute(QLatin1String("data"));
        if (node.name == QLatin1String("object") &&
            (node.attribute(QLatin1String("type")) == QLatin1String("image/svg+xml") ||
             data.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive))) {
            const QString entry = Archive::resolve(m_chapterPath, data);
            QByteArray bytes;
            if (!entry.isEmpty() && m_book.archive().read(entry, &bytes) &&
                writeDrawing(SvgDrawing::fromFile(bytes, m_book.archive(), entry), {})) {
                return;
            }
        }
        bool fallback = false;
        for (const auto& child : node.children) {
            fallback = fallback ||
                       (!isNeverShown(child->name) && !child->plainText(64).trimmed().isEmpty());
        }
        if (fallback) {
            m_html += QStringLiteral("<div>");
            writeChildren(node, element);
            m_html += QStringLiteral("</div>");
            return;
        }
        QString source = node.attribute(
            node.name == QLatin1String("object") ? QLatin1String("data") : QLatin1String("src"));
        for (const auto& child : node.children) {
            if (source.isEmpty() && child->name == QLatin1String("source")) {
                source = child->attribute(QLatin1String("src"));
            }
        }
        const QString name = QUrl(source).fileName();
        const QString label = node.name == QLatin1String("audio")   ? tr("Audio")
                              : node.name == QLatin1String("video") ? tr("Video")
                                                                    : tr("Embedded object");
        m_html += QStringLiteral("<div>");
        const QString poster = node.attribute(QLatin1String("poster"));
        if (!poster.isEmpty()) {
            Node picture;
            picture.name = QStringLiteral("img");
            picture.attributes.append(QStringLiteral("src"), poster);
            writePicture(picture, {});
            m_html += QStringLiteral("<br />");
        }
        const QString text = name.isEmpty() ? QStringLiteral("[%1]").arg(label)
                                            : QStringLiteral("[%1: %2]").arg(label, name);
        flushIds();
        m_written += text.size();
        m_html += QStringLiteral("<i>%1</i>").arg(escaped(text));
        m_lastTextEnd = m_html.size();
        m_html += QStringLiteral("</div>");
    }

    void writeText(const QString& text)
    {
        m_written += text.size();
        qsizetype start = 0;
        while (start < text.size() && text.at(start).isSpace()) {
            ++start;
        }
        if (start == text.size()) {
            m_html += escaped(text);
            return;
        }
        if (!m_pendingIds.isEmpty() || m_pendingLeftToRight || !m_pendingMarkers.isEmpty() ||
            !m_firstLetterStyle.isEmpty()) {
            m_html += escaped(text.left(start));
            flushIds();
            if (!m_firstLetterStyle.isEmpty()) {
                // The first letter with the punctuation before it, as browsers take it.
                qsizetype end = start;
                while (end < text.size() && text.at(end).isPunct()) {
                    ++end;
                }
                if (end < text.size()) {
                    end += text.at(end).isHighSurrogate() && end + 1 < text.size() ? 2 : 1;
                }
                m_html += QStringLiteral("<span style=\"%1\">%2</span>")
                              .arg(escaped(std::exchange(m_firstLetterStyle, QString())),
                                   escaped(text.mid(start, end - start)));
                start = end;
            }
            m_html += escaped(text.mid(start));
        } else {
            m_html += escaped(text);
        }
        m_lastTextEnd = m_html.size();
    }

    void flushIds()
    {
        if (std::exchange(m_pendingLeftToRight, false)) {
            m_html += marker(LeftToRightMarker, 0);
        }
        for (const QString& id : std::as_const(m_pendingIds)) {
            m_html += marker(AnchorMarker, anchorIds.size());
            anchorIds.append(id);
        }
        m_pendingIds.clear();
        for (const auto& [kind, number] : std::as_const(m_pendingMarkers)) {
            m_html += marker(kind, number);
        }
        if (!m_pendingMarkers.isEmpty()) {
            m_pendingMarkers.clear();
            m_lastTextEnd = m_html.size();
        }
    }

    // The box's last paragraph ends where the last text written in it ends; a box that holds
    // no text is no box.
    void closeBox(qsizetype box)
    {
        const std::pair<char16_t, qsizetype> start{BoxStartMarker, box};
        if (m_pendingMarkers.removeOne(start)) {
            return;
        }
        const QString end = marker(BoxEndMarker, box);
        m_html.insert(m_lastTextEnd, end);
        m_lastTextEnd += end.size();
    }

    static bool hasBorder(const StyleRules::Declarations& declarations)
    {
        for (const auto& declaration : declarations) {
            if (declaration.first.startsWith(QLatin1String("border"))) {
                return true;
            }
        }
        return false;
    }

    static QString borderStyleName(QTextFrameFormat::BorderStyle style)
    {
        switch (style) {
        case QTextFrameFormat::BorderStyle_Dotted:
            return QStringLiteral("dotted");
        case QTextFrameFormat::BorderStyle_Dashed:
            return QStringLiteral("dashed");
        case QTextFrameFormat::BorderStyle_Double:
            return QStringLiteral("double");
        case QTextFrameFormat::BorderStyle_None:
            return QStringLiteral("none");
        default:
            return QStringLiteral("solid");
        }
    }

    static int floatSide(const QString& value)
    {
        const QString side = value.trimmed().toLower();
        return side == QLatin1String("left")    ? int(Qt::AlignLeft)
               : side == QLatin1String("right") ? int(Qt::AlignRight)
                                                : 0;
    }

    // A width as a part of the page (in %) or in pixels (a bare number, as attributes give
    // them, too); false when it is neither.
    static bool widthOf(const QString& value, qreal points, qreal* fraction, qreal* pixels)
    {
        const QString text = value.trimmed();
        bool number = false;
        const qreal bare = text.toDouble(&number);
        if (number) {
            *pixels = qBound<qreal>(0, bare, 1e6);
            return bare > 0;
        }
        if (text.endsWith(QLatin1Char('%'))) {
            bool ok = false;
            const qreal percent = text.chopped(1).trimmed().toDouble(&ok);
            if (ok && percent > 0) {
                *fraction = qMin<qreal>(1, percent / 100);
                return true;
            }
            return false;
        }
        return CssBox::lengthPixels(text, points, pixels) && *pixels > 0;
    }

    // Takes the style the sheets give the element's first letter, if any, for the first text
    // written inside it.
    bool startFirstLetter(const StyleRules::Element& element, qreal points)
    {
        if (!rules.hasFirstLetterRules()) {
            return false;
        }
        const StyleRules::Declarations declarations = rules.declarationsFor(element, true);
        if (declarations.isEmpty()) {
            return false;
        }
        QString style = makeStyleText(declarations);
        const QString size = StyleRules::valueOf(declarations, QStringLiteral("font-size"));
        if (!size.isEmpty()) {
            style += QStringLiteral("font-size: %1pt; ")
                         .arg(StyleRules::fontPoints(size, points, m_rootPoints));
        }
        m_firstLetterStyle = style;
        return true;
    }

    void writeLinkAttributes(const Node& node)
    {
        const QString href = node.attribute(QLatin1String("href"));
        if (href.isEmpty()) {
            return;
        }
        const QUrl url(href);
        if (!url.isRelative()) {
            m_html += QStringLiteral(" href=\"%1\"").arg(escaped(href));
            return;
        }
        const int hash = href.indexOf(QLatin1Char('#'));
        const QString file = hash >= 0 ? href.left(hash) : href;
        const QString anchor =
            hash >= 0 ? QUrl::fromPercentEncoding(href.mid(hash + 1).toUtf8()) : QString();
        const QString entry =
            file.isEmpty() ? m_chapterPath : Archive::resolve(m_chapterPath, file);
        const int chapter = m_book.chapterOf(entry);
        if (chapter < 0) {
            return;
        }
        QUrl target;
        target.setScheme(ChapterConverter::LinkScheme);
        target.setPath(QString::number(chapter));
        if (!anchor.isEmpty()) {
            target.setFragment(anchor);
        }
        m_html += QStringLiteral(" href=\"%1\"").arg(escaped(target.toString()));
        QString note = notes.value(anchor);
        if (note.isEmpty() && !anchor.isEmpty() && entry != m_chapterPath &&
            isNoteReference(node)) {
            // Notes kept in a file of their own (as converters write them) are read from it.
            note = noteElsewhere(entry, anchor);
        }
        if (!note.isEmpty()) {
            m_html += QStringLiteral(" title=\"%1\"").arg(escaped(note));
        }
    }

    // A link to a note: marked as one, or a short mark raised above the line.
    bool isNoteReference(const Node& node) const
    {
        const QString classes = node.attribute(QLatin1String("class")).toLower();
        if (node.hasType(QLatin1String("noteref")) || node.hasType(QLatin1String("doc-noteref")) ||
            classes.contains(QLatin1String("footnote")) ||
            classes.contains(QLatin1String("noteref")) ||
            classes.contains(QLatin1String("fnref"))) {
            return true;
        }
        const bool raised = m_raised > 0 || findChild(node, QLatin1String("sup")) != nullptr;
        return raised && node.plainText(8).trimmed().size() <= 4;
    }

    // The text of the element with id in another file of the book (each file is read once
    // for a chapter); a mark alone (a number linking back) gives way to the paragraph around it.
    QString noteElsewhere(const QString& entry, const QString& id)
    {
        auto found = m_otherFiles.find(entry);
        if (found == m_otherFiles.end()) {
            QByteArray data;
            bool truncated = false;
            std::unique_ptr<Node> root;
            if (m_otherFiles.size() < MaxNoteFiles &&
                m_book.archive().readStart(entry, MaxChapterBytes, &data, &truncated)) {
                root = parseTree(data, MaxChapterCost).root;
            }
            found = m_otherFiles.emplace(entry, std::move(root)).first;
        }
        if (!found->second) {
            return {};
        }
        const Node* parent = nullptr;
        const Node* note = findId(*found->second, id, &parent);
        if (!note) {
            return {};
        }
        QString text = note->plainText(MaxNoteLength).simplified();
        if (text.size() <= 4 && parent) {
            text = parent->plainText(MaxNoteLength).simplified();
        }
        return text;
    }

    static const Node* findId(const Node& node, const QString& id, const Node** parent)
    {
        for (const auto& child : node.children) {
            if (child->name.isEmpty()) {
                continue;
            }
            if (child->attribute(QLatin1String("id")) == id) {
                *parent = &node;
                return child.get();
            }
            if (const Node* deeper = findId(*child, id, parent)) {
                return deeper;
            }
        }
        return nullptr;
    }

    template <typename ValueOf> PictureStyle pictureStyle(const Node& node, const ValueOf& valueOf)
    {
        PictureStyle style;
        style.floatSide = floatSide(valueOf(QStringLiteral("float")));
        if (style.floatSide == 0) {
            style.floatSide = m_pictureFloat;
        }
        const qreal points = m_points.isEmpty() ? m_basePoints : m_points.last();
        if (!widthOf(valueOf(QStringLiteral("width")), points, &style.widthFraction,
                     &style.widthPixels)) {
            widthOf(node.attribute(QLatin1String("width")), points, &style.widthFraction,
                    &style.widthPixels);
        }
        // A picture as wide as the floating figure that holds it takes the figure's width.
        if (m_pictureFraction > 0) {
            style.widthFraction =
                m_pictureFraction * (style.widthFraction > 0 ? style.widthFraction : 1);
        }
        return style;
    }

    void writePicture(const Node& node, const PictureStyle& style)
    {
        QString source = node.attribute(QLatin1String("src"));
        if (source.isEmpty()) {
            source = node.anyAttribute(QLatin1String("href"));
        }
        const QString entry = Archive::resolve(m_chapterPath, source);
        if (writePictureEntry(entry, style)) {
            return;
        }
        // An SVG file is drawn as a drawing; the size the chapter gives it wins.
        QByteArray data;
        if (!entry.isEmpty() && m_book.archive().read(entry, &data) &&
            SvgDrawing::isSvg(entry, data)) {
            SvgDrawing drawing = SvgDrawing::fromFile(data, m_book.archive(), entry);
            qreal pixels = 0;
            qreal fraction = 0;
            const qreal points = m_points.isEmpty() ? m_basePoints : m_points.last();
            if (widthOf(node.attribute(QLatin1String("width")), points, &fraction, &pixels) &&
                pixels > 0) {
                drawing.setWidth(pixels);
            }
            if (widthOf(node.attribute(QLatin1String("height")), points, &fraction, &pixels) &&
                pixels > 0) {
                drawing.setHeight(pixels);
            }
            if (writeDrawing(drawing, style)) {
                return;
            }
        }
        const QString alt = node.attribute(QLatin1String("alt"));
        if (!alt.isEmpty()) {
            m_html += QStringLiteral("[%1]").arg(escaped(alt));
            m_lastTextEnd = m_html.size();
        }
    }

    // The picture of an entry; false when it is no picture that can be shown.
    bool writePictureEntry(const QString& entry, const PictureStyle& style)
    {
        const QImage image = decodePicture(m_book, entry, style.bounds(m_page));
        if (image.isNull()) {
            return false;
        }
        // A picture shown at several sizes is held once, at the largest.
        const QUrl name = pictureName(entry);
        const QSize held = m_heldPictures.value(entry);
        if (image.width() > held.width()) {
            m_document->addResource(QTextDocument::ImageResource, name, image);
            m_heldPictures.insert(entry, image.size());
        }
        QTextCharFormat format;
        if (style.widthFraction > 0) {
            format.setProperty(ChapterFormats::WidthFractionProperty, style.widthFraction);
        }
        if (style.fitsPage) {
            format.setProperty(ChapterFormats::FitsPageProperty, true);
        }
        writeImage(name, image.size(), format, style);
        return true;
    }

    // A drawing of SVG, at the size it is shown; false when it draws nothing.
    bool writeDrawing(const SvgDrawing& drawing, PictureStyle style)
    {
        const SvgDrawing::Box box = drawing.box();
        // A drawing sized to a part of the page's height is fitted to the page whole.
        style.fitsPage = style.fitsPage || box.heightFraction > 0;
        if (!drawing.pictureEntry().isEmpty()) {
            return writePictureEntry(drawing.pictureEntry(), style);
        }
        if (drawing.source().isEmpty()) {
            return false;
        }
        QUrl name;
        name.setScheme(DrawingScheme);
        name.setPath(m_chapterPath);
        name.setFragment(QString::number(m_drawings++));
        m_document->addResource(QTextDocument::ImageResource, name, drawing.source());
        const QSize bounds = style.bounds(m_page);
        const QSize size = box.shownSize(bounds, style.fitsPage).toSize();
        QTextCharFormat format;
        format.setProperty(ChapterFormats::DrawingBoxProperty, box.toVariant());
        format.setProperty(ChapterFormats::FitsPageProperty, style.fitsPage);
        if (style.widthFraction > 0) {
            format.setProperty(ChapterFormats::WidthFractionProperty, style.widthFraction);
        }
        if (!drawing.text().isEmpty()) {
            format.setProperty(ChapterFormats::PictureTextProperty, drawing.text());
        }
        writeImage(name, size, format, style);
        return true;
    }

    // A picture's place in the text; the properties of format go to its character.
    void writeImage(const QUrl& name, const QSize& size, QTextCharFormat format,
                    const PictureStyle& style)
    {
        flushIds();
        if (style.floatSide != 0) {
            format.setProperty(ChapterFormats::FloatProperty, style.floatSide);
        }
        const qsizetype number = format.properties().isEmpty() ? -1 : charFormats.size();
        if (number >= 0) {
            charFormats.append(format);
            m_html += marker(FormatStartMarker, number);
        }
        m_html += QStringLiteral("<img src=\"%1\" width=\"%2\" height=\"%3\" />")
                      .arg(escaped(name.toString()))
                      .arg(qMax(1, size.width()))
                      .arg(qMax(1, size.height()));
        if (number >= 0) {
            m_html += marker(FormatEndMarker, number);
        }
        m_lastTextEnd = m_html.size();
    }

    // Ruby: each run of base text shows its annotation (rt) above it, in small type; the
    // parentheses a reader without ruby shows (rp) are left out.
    void writeRuby(const Node& node, const StyleRules::Element* element)
    {
        QList<const Node*> base;
        auto flush = [&](const QString& annotation) {
            if (base.isEmpty()) {
                return;
            }
            const qsizetype number = annotation.isEmpty() ? -1 : charFormats.size();
            if (number >= 0) {
                QTextCharFormat format;
                format.setProperty(ChapterFormats::RubyProperty, annotation);
                charFormats.append(format);
                flushIds();
                m_html += marker(FormatStartMarker, number);
            }
            writeNodes(base, element);
            if (number >= 0) {
                m_html += marker(FormatEndMarker, number);
            }
            base.clear();
        };
        for (const auto& child : node.children) {
            if (child->name == QLatin1String("rt") || child->name == QLatin1String("rtc")) {
                flush(child->plainText(MaxRubyLength).simplified());
            } else if (child->name != QLatin1String("rp")) {
                base.append(child.get());
            }
        }
        flush({});
    }

    const Book& m_book;
    QString m_chapterPath;
    QTextDocument* m_document;
    QSize m_page; // the page pictures are fitted to (a height of 0: no height)
    qreal m_basePoints;
    qreal m_rootPoints = m_basePoints;
    QList<qreal> m_points;     // font sizes of the open elements
    int m_tables = 0;          // tables open around the element written
    int m_flatTables = 0;      // of those, the ones too deep, written as plain blocks
    int m_lists = 0;           // lists open around the element written
    qsizetype m_written = 0;   // characters of text written
    QStringList m_pendingIds;  // ids whose markers wait for the element's first character
    QStringList m_directions;  // "rtl", "ltr" or empty (from the text), of the open elements
    bool m_afterBlock = false; // the last sibling written was a block
    bool m_pendingLeftToRight = false; // the paragraph begun is set left to right
    // Markers (kind, number) that wait, as ids do, for the element's first character.
    QList<std::pair<char16_t, qsizetype>> m_pendingMarkers;
    qsizetype m_lastTextEnd = 0;          // where in m_html the last text written ends
    int m_pictureFloat = 0;               // the side pictures float to inside a floating figure
    qreal m_pictureFraction = 0;          // the part of the page's width that figure takes
    QString m_firstLetterStyle;           // the style of the first letter still to come
    int m_drawings = 0;                   // SVG drawings written
    QHash<QString, QSize> m_heldPictures; // entry -> size of the picture the document holds
    int m_raised = 0;                     // raised elements (sup) open around the element written
    // Other files of the book read for their notes, by entry name (null: unreadable).
    std::map<QString, std::unique_ptr<Node>> m_otherFiles;
    static constexpr size_t MaxNoteFiles = 8;
    QString m_html;
    QString m_rootCss;
    // Style text of the cascades met so far, by their shared list (owned by rules).
    QHash<const void*, QString> m_styleTexts;
};

// The style a chapter takes, from its own <style> elements and the sheets it links, is capped:
// no book needs more, and every later step runs over all of it.
constexpr qsizetype MaxStyleLength = 512 * 1024;

void collectStyles(const Node& node, const Book& book, const QString& chapterPath, QString* css,
                   bool* capped)
{
    auto take = [&](const QString& sheet) {
        const qsizetype room = MaxStyleLength - css->size();
        if (sheet.size() >= room) {
            *capped = true;
        }
        *css += sheet.left(qMax<qsizetype>(0, room - 1)) + QLatin1Char('\n');
    };
    if (*capped) {
        return;
    }
    if (node.name == QLatin1String("style")) {
        take(node.plainText());
        return;
    }
    if (node.name == QLatin1String("link") &&
        node.attribute(QLatin1String("rel")).contains(QLatin1String("stylesheet"))) {
        QByteArray data;
        const QString entry = Archive::resolve(chapterPath, node.attribute(QLatin1String("href")));
        if (!entry.isEmpty() && book.archive().read(entry, &data)) {
            take(QString::fromUtf8(data.left(MaxStyleLength * 4)));
        }
        return;
    }
    // Style elements count wherever they stand: some books put them in the body.
    for (const auto& child : node.children) {
        collectStyles(*child, book, chapterPath, css, capped);
    }
}
} // namespace

// The book view lays out pictures inserted as pictures; the ones Qt's HTML reader makes are
// put in again the same way, at the same place, so offsets do not change.
static void reinsertPictures(QTextDocument* document)
{
    QList<std::pair<int, QTextImageFormat>> pictures;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (fragment.charFormat().isImageFormat()) {
                for (int i = 0; i < fragment.length(); ++i) {
                    pictures.append(
                        {fragment.position() + i, fragment.charFormat().toImageFormat()});
                }
            }
        }
    }
    for (const auto& [position, image] : pictures) {
        QTextCursor cursor(document);
        cursor.setPosition(position);
        cursor.setPosition(position + 1, QTextCursor::KeepAnchor);
        cursor.insertImage(image);
    }
}

// Where the writer's markers stood (see marker), once they are taken out.
struct MarkerPlaces
{
    QList<int> anchors;               // by number: the offset of each anchor, or -1
    QSet<int> leftToRightBlocks;      // block numbers
    QList<std::pair<int, int>> runs;  // by number: start and end offsets of each format, or -1
    QList<std::pair<int, int>> boxes; // by number: first and last block numbers, or -1
};

// Takes the writer's markers out of the document (see marker) and says where they stood.
static MarkerPlaces takeMarkers(QTextDocument* document, qsizetype anchorCount,
                                qsizetype formatCount, qsizetype boxCount)
{
    MarkerPlaces places;
    places.anchors = QList<int>(anchorCount, -1);
    places.runs = QList<std::pair<int, int>>(formatCount, {-1, -1});
    places.boxes = QList<std::pair<int, int>>(boxCount, {-1, -1});
    QList<std::pair<int, int>> found; // position, length
    int removedBefore = 0;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        const QString text = block.text();
        for (qsizetype start = text.indexOf(QChar(MarkerStart)); start >= 0;
             start = text.indexOf(QChar(MarkerStart), start + 1)) {
            const qsizetype end = text.indexOf(QChar(MarkerEnd), start);
            if (end < 0) {
                break;
            }
            const int position = block.position() + int(start);
            const int length = int(end - start + 1);
            const int offset = position - removedBefore;
            bool ok = false;
            const qsizetype number = text.mid(start + 2, end - start - 2).toLongLong(&ok);
            const QChar kind = end > start + 1 ? text.at(start + 1) : QChar();
            ok = ok && number >= 0;
            if (ok && kind == QChar(AnchorMarker) && number < anchorCount) {
                places.anchors[number] = offset;
            } else if (kind == QChar(LeftToRightMarker)) {
                places.leftToRightBlocks.insert(block.blockNumber());
            } else if (ok && kind == QChar(FormatStartMarker) && number < formatCount) {
                places.runs[number].first = offset;
            } else if (ok && kind == QChar(FormatEndMarker) && number < formatCount) {
                places.runs[number].second = offset;
            } else if (ok && kind == QChar(BoxStartMarker) && number < boxCount) {
                places.boxes[number].first = block.blockNumber();
            } else if (ok && kind == QChar(BoxEndMarker) && number < boxCount) {
                places.boxes[number].second = block.blockNumber();
            }
            found.append({position, length});
            removedBefore += length;
        }
    }
    if (!found.isEmpty()) {
        // From the end, in one edit, so the places still to come keep their positions.
        QTextCursor cursor(document);
        cursor.beginEditBlock();
        for (auto it = found.crbegin(); it != found.crend(); ++it) {
            cursor.setPosition(it->first);
            cursor.setPosition(it->first + it->second, QTextCursor::KeepAnchor);
            cursor.removeSelectedText();
        }
        cursor.endEditBlock();
    }
    return places;
}

// Gives the characters between each format's markers the writer's format, and their paragraphs
// what the layout must know of them (a floating picture, ruby).
static void applyFormats(QTextDocument* document, const QList<QTextCharFormat>& formats,
                         const QList<std::pair<int, int>>& runs)
{
    QTextCursor cursor(document);
    cursor.beginEditBlock();
    for (qsizetype i = 0; i < runs.size(); ++i) {
        const auto [start, end] = runs[i];
        if (start < 0 || end <= start) {
            continue;
        }
        cursor.setPosition(start);
        cursor.setPosition(end, QTextCursor::KeepAnchor);
        cursor.mergeCharFormat(formats[i]);
        QTextBlockFormat holds;
        if (formats[i].hasProperty(ChapterFormats::FloatProperty)) {
            holds.setProperty(ChapterFormats::HoldsFloatProperty, true);
            // A paragraph of floating pictures alone (a figure) stands on the float's side;
            // the text does not flow around it.
            if (cursor.block()
                    .text()
                    .remove(QChar::ObjectReplacementCharacter)
                    .trimmed()
                    .isEmpty()) {
                holds.setAlignment(
                    Qt::Alignment(formats[i].intProperty(ChapterFormats::FloatProperty)) |
                    Qt::AlignAbsolute);
            }
        }
        if (formats[i].hasProperty(ChapterFormats::RubyProperty)) {
            holds.setProperty(ChapterFormats::HoldsRubyProperty, true);
        }
        if (!holds.properties().isEmpty()) {
            cursor.mergeBlockFormat(holds);
        }
    }
    cursor.endEditBlock();
}

// Gives the paragraphs of each box its borders. A box is kept within one frame (a table's cell,
// the page): one that begins and ends in different frames is left out.
static void applyBoxes(QTextDocument* document, const QList<CssBox>& boxes,
                       const QList<std::pair<int, int>>& places)
{
    QTextCursor cursor(document);
    cursor.beginEditBlock();
    for (qsizetype i = 0; i < places.size(); ++i) {
        const int first = places[i].first;
        const int last = places[i].second >= 0 ? places[i].second : first;
        if (first < 0 || last < first) {
            continue;
        }
        const QTextBlock firstBlock = document->findBlockByNumber(first);
        const QTextBlock lastBlock = document->findBlockByNumber(last);
        if (!firstBlock.isValid() || !lastBlock.isValid() ||
            QTextCursor(firstBlock).currentFrame() != QTextCursor(lastBlock).currentFrame() ||
            QTextCursor(firstBlock).currentTable() || QTextCursor(lastBlock).currentTable()) {
            // Tables draw their own borders.
            continue;
        }
        QTextFrame* frame = QTextCursor(firstBlock).currentFrame();
        bool sameFrame = true;
        for (QTextBlock block = firstBlock; block.isValid() && sameFrame; block = block.next()) {
            sameFrame = QTextCursor(block).currentFrame() == frame;
            if (block == lastBlock) {
                break;
            }
        }
        if (!sameFrame) {
            continue;
        }
        for (QTextBlock block = firstBlock; block.isValid(); block = block.next()) {
            QTextBlockFormat format;
            boxes[i].applyTo(&format, block == firstBlock, block == lastBlock);
            cursor.setPosition(block.position());
            cursor.mergeBlockFormat(format);
            if (block == lastBlock) {
                break;
            }
        }
    }
    cursor.endEditBlock();
}

// A paragraph whose direction no element gave takes it from its first letter that has one:
// a paragraph in Arabic or Hebrew reads from the right.
static void setDirectionsFromText(QTextDocument* document, const QSet<int>& leftToRightBlocks)
{
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        if (block.blockFormat().layoutDirection() == Qt::RightToLeft ||
            leftToRightBlocks.contains(block.blockNumber())) {
            continue;
        }
        const QString text = block.text();
        for (const QChar c : text) {
            const QChar::Direction direction = c.direction();
            if (direction == QChar::DirL) {
                break;
            }
            if (direction == QChar::DirR || direction == QChar::DirAL) {
                QTextCursor cursor(block);
                QTextBlockFormat format;
                format.setLayoutDirection(Qt::RightToLeft);
                cursor.mergeBlockFormat(format);
                break;
            }
        }
    }
}

// Gives every run of more than MaxUnbrokenRun characters without a space a break opportunity
// every MaxUnbrokenRun characters, so no line takes Qt the square of its length to break.
// Returns where the breaks went, in order.
static QList<int> breakLongRuns(QTextDocument* document)
{
    QList<int> breaks;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        const QString text = block.text();
        if (text.size() <= MaxUnbrokenRun) {
            continue;
        }
        qsizetype run = 0;
        for (qsizetype i = 0; i < text.size(); ++i) {
            const QChar c = text.at(i);
            if (c.isSpace() || c == QChar(0x200B) || c == QChar::ObjectReplacementCharacter) {
                run = 0;
            } else if (++run > MaxUnbrokenRun) {
                breaks.append(block.position() + int(i));
                run = 1;
            }
        }
    }
    // From the end, so the places still to come keep their positions.
    if (breaks.isEmpty()) {
        return breaks;
    }
    // One edit for all, so the document is told of the change once.
    QTextCursor cursor(document);
    cursor.beginEditBlock();
    for (auto it = breaks.crbegin(); it != breaks.crend(); ++it) {
        cursor.setPosition(*it);
        cursor.insertText(QString(QChar(0x200B)));
    }
    cursor.endEditBlock();
    return breaks;
}

bool ChapterConverter::convert(int chapter, QTextDocument* document, QString* error)
{
    m_warnings.clear();
    m_html.clear();
    m_anchors.clear();
    m_complete = true;
    const QStringList chapters = m_book.chapters();
    if (chapter < 0 || chapter >= chapters.size()) {
        if (error) {
            *error = tr("The book has no chapter %1.").arg(chapter + 1);
        }
        return false;
    }
    const QString& path = chapters.at(chapter);
    // The start of a chapter is read from the start of its bytes, as far as its text could
    // reach with the elements around it.
    const bool start = m_textLimit > 0;
    const qint64 byteLimit =
        start ? qMin(MaxChapterBytes, qint64(m_textLimit) * 16 + 65536) : MaxChapterBytes;
    const qint64 costLimit =
        start ? qMin(MaxChapterCost, qint64(m_textLimit) * 8 + 65536) : MaxChapterCost;
    QByteArray data;
    QString readError;
    bool truncated = false;
    if (!m_book.archive().readStart(path, byteLimit, &data, &truncated, &readError)) {
        if (error) {
            *error = readError;
        }
        return false;
    }
    if (start && data.size() < byteLimit) {
        truncated = false;
    }
    const ParsedTree parsed = parseTree(data, costLimit);
    data.clear();
    const std::unique_ptr<Node>& root = parsed.root;
    const bool cut = truncated || parsed.cut;
    // A start that ran out of room is no damage: the rest follows.
    const bool tooLong = !start && cut;
    if (start && cut) {
        m_complete = false;
    }
    if (!parsed.damage.isEmpty() && !cut) {
        m_warnings.append(tr("Chapter %1 is damaged: %2; what could be read is shown.")
                              .arg(chapter + 1)
                              .arg(parsed.damage));
    }
    if (tooLong) {
        m_warnings.append(tooLongNote());
    }
    QString css;
    bool capped = false;
    collectStyles(*root, m_book, path, &css, &capped);
    if (capped) {
        m_warnings.append(tr("Chapter %1 has more style than a book needs; only the first %2 "
                             "characters of it are used.")
                              .arg(chapter + 1)
                              .arg(MaxStyleLength));
    }

    document->clear();
    const qreal basePoints =
        document->defaultFont().pointSizeF() > 0 ? document->defaultFont().pointSizeF() : 12.0;
    HtmlWriter writer(m_book, path, document, QSize(m_maxPictureWidth, m_maxPictureHeight));
    writer.textLimit = m_textLimit;
    writer.rules.addStyleSheet(css);
    QSet<QString> noteIds;
    writer.collectNoteTargets(*root, &noteIds);
    if (!noteIds.isEmpty()) {
        writer.collectNotes(*root, noteIds);
    }
    writer.write(*root);
    if (writer.stopped) {
        m_complete = false;
    }
    if (tooLong) {
        // The reader meets the note where the text stops.
        writer.append(QStringLiteral("<p><i>%1</i></p>").arg(tooLongNote().toHtmlEscaped()));
    }
    if (writer.rules.exhausted()) {
        m_warnings.append(tr("The style of chapter %1 is too elaborate to follow in full; part "
                             "of it is left out.")
                              .arg(chapter + 1));
    }
    // Qt's HTML reader receives only what the writer could not resolve itself.
    QString head = writer.rules.qtCss(basePoints) + writer.rootCss();
    head.replace(QLatin1Char('<'), QLatin1Char(' '));
    m_html = QStringLiteral("<html><head><style>%1</style></head><body>").arg(head) +
             writer.html() + QStringLiteral("</body></html>");
    document->setHtml(m_html);
    const MarkerPlaces places = takeMarkers(document, writer.anchorIds.size(),
                                            writer.charFormats.size(), writer.boxes.size());
    const QList<int>& anchors = places.anchors;
    applyFormats(document, writer.charFormats, places.runs);
    applyBoxes(document, writer.boxes, places.boxes);
    const QList<int> breaks = breakLongRuns(document);
    setDirectionsFromText(document, places.leftToRightBlocks);
    for (qsizetype i = 0; i < anchors.size(); ++i) {
        if (anchors[i] < 0 || m_anchors.contains(writer.anchorIds[i])) {
            continue;
        }
        // Each break inserted at or before the anchor moves it on by one.
        const auto moved = std::upper_bound(breaks.cbegin(), breaks.cend(), anchors[i]);
        m_anchors.insert(writer.anchorIds[i], anchors[i] + int(moved - breaks.cbegin()));
    }
    reinsertPictures(document);
    return true;
}

QString ChapterConverter::tooLongNote()
{
    return tr("This chapter is too long to be shown whole; the text above is as much of it as "
              "fits.");
}

int ChapterConverter::fitPictures(const Book& book, QTextDocument* document, const QSize& page)
{
    struct Picture
    {
        int position;
        QTextImageFormat format;
        PictureStyle style;
    };
    QList<Picture> pictures;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QTextImageFormat format = fragment.charFormat().toImageFormat();
            const QString scheme = format.isValid() ? QUrl(format.name()).scheme() : QString();
            if (scheme != PictureScheme && scheme != DrawingScheme) {
                continue;
            }
            PictureStyle style;
            style.widthFraction = format.doubleProperty(ChapterFormats::WidthFractionProperty);
            style.fitsPage = format.boolProperty(ChapterFormats::FitsPageProperty);
            for (int i = 0; i < fragment.length(); ++i) {
                pictures.append({fragment.position() + i, format, style});
            }
        }
    }
    // Each picture is decoded again for the new page, once however often the chapter shows it
    // (at the largest size it is shown); the document's resource is replaced, so only pictures
    // at the shown size are held. Drawings are drawn at any size: only their place changes.
    QHash<QString, QSize> largest; // name -> bounds of its largest use
    for (const Picture& picture : std::as_const(pictures)) {
        if (QUrl(picture.format.name()).scheme() == PictureScheme) {
            const QSize bounds = picture.style.bounds(page);
            QSize& wanted = largest[picture.format.name()];
            const bool first = !wanted.isValid() || wanted.isEmpty();
            wanted = QSize(qMax(wanted.width(), bounds.width()),
                           !first && (wanted.height() == 0 || bounds.height() == 0)
                               ? 0
                               : qMax(wanted.height(), bounds.height()));
        }
    }
    QHash<QString, QSize> natural;
    for (auto it = largest.cbegin(); it != largest.cend(); ++it) {
        const QUrl name(it.key());
        const QImage shown = document->resource(QTextDocument::ImageResource, name).value<QImage>();
        QSize size;
        const QImage image = decodePicture(book, name.path(), it.value(), shown, &size);
        if (!image.isNull() && image.cacheKey() != shown.cacheKey()) {
            document->addResource(QTextDocument::ImageResource, name, image);
        }
        natural.insert(it.key(), image.isNull() ? shown.size() : size);
    }
    int changed = 0;
    for (Picture& picture : pictures) {
        QSize size;
        if (picture.format.hasProperty(ChapterFormats::DrawingBoxProperty)) {
            const SvgDrawing::Box box = SvgDrawing::Box::fromVariant(
                picture.format.property(ChapterFormats::DrawingBoxProperty).toList());
            size = box.shownSize(picture.style.bounds(page), picture.style.fitsPage).toSize();
        } else {
            size = fittedSize(natural.value(picture.format.name()), picture.style.bounds(page));
        }
        if (size.isValid() && !size.isEmpty() &&
            (qRound(picture.format.width()) != size.width() ||
             qRound(picture.format.height()) != size.height())) {
            picture.format.setWidth(size.width());
            picture.format.setHeight(size.height());
            QTextCursor cursor(document);
            cursor.setPosition(picture.position);
            cursor.setPosition(picture.position + 1, QTextCursor::KeepAnchor);
            cursor.setCharFormat(picture.format);
            ++changed;
        }
    }
    return changed;
}

int ChapterConverter::linkChapter(const QString& url, QString* anchor)
{
    const QUrl link(url);
    if (link.scheme() != LinkScheme) {
        return -1;
    }
    bool ok = false;
    const int chapter = link.path().toInt(&ok);
    if (anchor) {
        *anchor = link.fragment(QUrl::FullyDecoded);
    }
    return ok ? chapter : -1;
}

} // namespace Epub
