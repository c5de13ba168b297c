#include "formats/epub/ChapterConverter.h"

#include "formats/epub/CssText.h"
#include "formats/epub/EpubBook.h"
#include "formats/epub/StyleRules.h"

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
#include <QTextImageFormat>
#include <QUrl>
#include <QXmlStreamReader>
#include <algorithm>
#include <deque>
#include <map>
#include <memory>
#include <vector>

namespace Epub {

const QString ChapterConverter::LinkScheme = QStringLiteral("epub");

namespace {
QString tr(const char* text)
{
    return QCoreApplication::translate("Epub::ChapterConverter", text);
}

// The chapter as a small tree: notes and hidden elements need to be known before the
// HTML is written.
struct Node
{
    QString name; // empty for a text node
    QXmlStreamAttributes attributes;
    QString text;
    std::vector<std::unique_ptr<Node>> children;

    QString attribute(QLatin1String key) const { return attributes.value(key).toString(); }
    bool hasType(QLatin1String type) const
    {
        for (const QXmlStreamAttribute& attribute : attributes) {
            if ((attribute.name() == QLatin1String("type") ||
                 attribute.name() == QLatin1String("role")) &&
                attribute.value().split(QLatin1Char(' ')).contains(type)) {
                return true;
            }
        }
        return false;
    }
    // The text inside the node, at most limit characters of it.
    QString plainText(qsizetype limit = -1) const
    {
        QString all;
        appendText(&all, limit);
        return all;
    }
    void appendText(QString* all, qsizetype limit) const
    {
        if (limit >= 0 && all->size() >= limit) {
            return;
        }
        if (name.isEmpty()) {
            *all += limit >= 0 ? text.left(limit - all->size()) : text;
            return;
        }
        for (const auto& child : children) {
            child->appendText(all, limit);
        }
    }
};

constexpr size_t MaxDepth = 200;

// What a chapter may cost before anything is built from it. Qt's document takes about 3 KB for
// each element and 40 bytes for each character of text, so an element counts as 75 characters
// here; the budget is the King James Bible as one chapter with room to spare (about 300 MB and
// two seconds at most). A chapter past it is shown as far as the budget goes, never more:
// 30 MB of "<p>x</p>" would take 5 GB.
constexpr qint64 MaxChapterCost = 8'000'000;
constexpr qint64 ElementCost = 75;
// The bytes of a chapter read at most; markup past them could never fit the budget anyway.
constexpr qint64 MaxChapterBytes = qint64(64) * 1024 * 1024;
// A note's text shown as a link's tool tip, at most.
constexpr qsizetype MaxNoteLength = 2000;
// Qt breaks a line inside a word only by trying every place in it, which costs the square of
// the word's length (a word of 391,650 letters takes seconds): longer runs without a space
// get an invisible break opportunity (a zero-width space) every this many characters.
constexpr qsizetype MaxUnbrokenRun = 1000;

struct Parsed
{
    std::unique_ptr<Node> root;
    QString damage;   // what the XML reader reported, or empty
    bool cut = false; // the chapter went past the budget and the rest was left out
};

// Reads the XHTML into a tree, as far as costLimit goes; on damage keeps what was read and
// reports it.
Parsed parse(const QByteArray& data, qint64 costLimit)
{
    Parsed parsed;
    parsed.root = std::make_unique<Node>();
    parsed.root->name = QStringLiteral("#root");
    std::vector<Node*> open{parsed.root.get()};
    // Elements nested deeper than any real book are taken as part of the one above them, so
    // a hostile chapter cannot exhaust the stack of the recursive steps that follow.
    int flattened = 0;
    qint64 cost = 0;
    QXmlStreamReader xml(data);
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && open.size() >= MaxDepth) {
            ++flattened;
        } else if (xml.isEndElement() && flattened > 0) {
            --flattened;
        } else if (xml.isStartElement()) {
            const QXmlStreamAttributes attributes = xml.attributes();
            cost += ElementCost;
            for (const QXmlStreamAttribute& attribute : attributes) {
                cost += attribute.value().size();
            }
            if (cost > costLimit) {
                parsed.cut = true;
                break;
            }
            auto node = std::make_unique<Node>();
            node->name = xml.name().toString().toLower();
            node->attributes = attributes;
            Node* raw = node.get();
            open.back()->children.push_back(std::move(node));
            open.push_back(raw);
        } else if (xml.isEndElement()) {
            if (open.size() > 1) {
                open.pop_back();
            }
        } else if (xml.isCharacters() || xml.isEntityReference()) {
            const QStringView text = xml.text();
            cost += text.size() + 1;
            if (cost > costLimit) {
                parsed.cut = true;
                break;
            }
            auto node = std::make_unique<Node>();
            node->text = text.toString();
            open.back()->children.push_back(std::move(node));
        }
    }
    if (xml.hasError() && !parsed.cut) {
        parsed.damage = QStringLiteral("%1 (line %2)").arg(xml.errorString()).arg(xml.lineNumber());
    }
    return parsed;
}

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

// Qt's HTML reader does not say where it put an element, and an anchor name in a character
// format costs the square of their number (formats with names all look alike to the document's
// format table). So the writer leaves a marker in the text where an element's id belongs:
// MarkerStart, the kind, a number, MarkerEnd; all are taken out once the document is built.
constexpr char16_t MarkerStart = 0xE000;
constexpr char16_t MarkerEnd = 0xE001;
constexpr char16_t AnchorMarker = u'a';
// A paragraph the book sets left to right (Qt's reader sets every paragraph so).
constexpr char16_t LeftToRightMarker = u'l';

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

// The picture of an entry, no wider than maxWidth. A big picture is decoded straight at the
// width shown, never in full; shown is returned as it is when it already has that width. A
// null image when the entry is missing or not a picture.
QImage decodePicture(const Book& book, const QString& entry, int maxWidth, const QImage& shown = {})
{
    QByteArray data;
    if (entry.isEmpty() || !book.archive().read(entry, &data)) {
        return {};
    }
    QBuffer buffer(&data);
    QImageReader reader(&buffer);
    const QSize size = reader.size();
    if (size.isValid() && size.width() > maxWidth) {
        reader.setScaledSize(size.scaled(maxWidth, size.height() * maxWidth / size.width() + 1,
                                         Qt::KeepAspectRatio));
    }
    const QSize wanted = reader.scaledSize().isValid() ? reader.scaledSize() : size;
    if (!shown.isNull() && shown.size() == wanted) {
        return shown;
    }
    return reader.read();
}

class HtmlWriter
{
public:
    HtmlWriter(const Book& book, const QString& chapterPath, QTextDocument* document, int maxWidth)
        : m_book(book), m_chapterPath(chapterPath), m_document(document), m_maxWidth(maxWidth),
          m_basePoints(document->defaultFont().pointSizeF() > 0
                           ? document->defaultFont().pointSizeF()
                           : 12.0)
    {
    }

    StyleRules rules;
    QHash<QString, QString> notes; // element id -> text of the note
    // The ids met, in the order of their markers (see marker).
    QStringList anchorIds;
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
        if (node.name == QLatin1String("img") || node.name == QLatin1String("image")) {
            // A picture that follows a paragraph in a section is a block of its own, not the
            // end of the paragraph's last line.
            const bool ownBlock =
                m_afterBlock && !isInline(element->parent ? element->parent->tag : QString());
            m_html += ownBlock ? QStringLiteral("<div>") : QString();
            writePicture(node);
            m_html += ownBlock ? QStringLiteral("</div>") : QString();
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
        if (node.name == QLatin1String("svg")) {
            // A picture wrapped in SVG (covers) is shown as the picture; other drawings are
            // left out.
            if (const Node* image = findChild(node, QLatin1String("image"))) {
                writePicture(*image);
            }
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
            style += QStringLiteral("font-size: %1pt").arg(points);
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
        m_points.append(points);
        writeChildren(node, element);
        m_points.removeLast();
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
            if (property != QLatin1String("font-size")) {
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
            element.tag = child->name;
            element.classes = child->attribute(QLatin1String("class"))
                                  .split(QLatin1Char(' '), Qt::SkipEmptyParts)
                                  .mid(0, StyleRules::MaxElementClasses);
            element.id = child->attribute(QLatin1String("id"));
            element.parent = parent;
            element.previous = previous;
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
            m_html += QStringLiteral("<div align=\"center\">%1</div>").arg(text);
        } else {
            m_html += text;
        }
    }

    // Audio and video cannot be played here: their fallback content is shown, or a labelled
    // place holder with the video's poster picture.
    void writeMedia(const Node& node, const StyleRules::Element* element)
    {
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
            writePicture(picture);
            m_html += QStringLiteral("<br />");
        }
        const QString text = name.isEmpty() ? QStringLiteral("[%1]").arg(label)
                                            : QStringLiteral("[%1: %2]").arg(label, name);
        flushIds();
        m_written += text.size();
        m_html += QStringLiteral("<i>%1</i></div>").arg(escaped(text));
    }

    void writeText(const QString& text)
    {
        m_written += text.size();
        if (!m_pendingIds.isEmpty() || m_pendingLeftToRight) {
            qsizetype start = 0;
            while (start < text.size() && text.at(start).isSpace()) {
                ++start;
            }
            if (start < text.size()) {
                m_html += escaped(text.left(start));
                flushIds();
                m_html += escaped(text.mid(start));
                return;
            }
        }
        m_html += escaped(text);
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
                root = parse(data, MaxChapterCost).root;
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

    void writePicture(const Node& node)
    {
        QString source = node.attribute(QLatin1String("src"));
        if (source.isEmpty()) {
            for (const QXmlStreamAttribute& attribute : node.attributes) {
                if (attribute.name() == QLatin1String("href")) {
                    source = attribute.value().toString();
                }
            }
        }
        const QString entry = Archive::resolve(m_chapterPath, source);
        const QImage image = decodePicture(m_book, entry, m_maxWidth);
        if (image.isNull()) {
            const QString alt = node.attribute(QLatin1String("alt"));
            if (!alt.isEmpty()) {
                m_html += QStringLiteral("[%1]").arg(escaped(alt));
            }
            return;
        }
        flushIds();
        const QUrl name = pictureName(entry);
        m_document->addResource(QTextDocument::ImageResource, name, image);
        m_html += QStringLiteral("<img src=\"%1\" width=\"%2\" height=\"%3\" />")
                      .arg(escaped(name.toString()))
                      .arg(image.width())
                      .arg(image.height());
    }

    const Book& m_book;
    QString m_chapterPath;
    QTextDocument* m_document;
    int m_maxWidth;
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
    int m_raised = 0;                  // raised elements (sup) open around the element written
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

// Takes the writer's markers out of the document (see marker): returns where each anchor's
// marker stood, by its number.
static QList<int> takeMarkers(QTextDocument* document, qsizetype anchorCount,
                              QSet<int>* leftToRightBlocks)
{
    QList<int> anchors(anchorCount, -1);
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
            bool ok = false;
            const qsizetype number = text.mid(start + 2, end - start - 2).toLongLong(&ok);
            if (ok && end > start + 1 && text.at(start + 1) == QChar(AnchorMarker) && number >= 0 &&
                number < anchorCount) {
                anchors[number] = position - removedBefore;
            }
            if (end > start + 1 && text.at(start + 1) == QChar(LeftToRightMarker)) {
                leftToRightBlocks->insert(block.blockNumber());
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
    return anchors;
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
    const Parsed parsed = parse(data, costLimit);
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
    HtmlWriter writer(m_book, path, document, m_maxPictureWidth);
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
    QSet<int> leftToRightBlocks;
    const QList<int> anchors = takeMarkers(document, writer.anchorIds.size(), &leftToRightBlocks);
    const QList<int> breaks = breakLongRuns(document);
    setDirectionsFromText(document, leftToRightBlocks);
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

int ChapterConverter::fitPictures(const Book& book, QTextDocument* document, int maxWidth)
{
    struct Picture
    {
        int position;
        QTextImageFormat format;
    };
    QList<Picture> pictures;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QTextImageFormat format = fragment.charFormat().toImageFormat();
            if (format.isValid() && QUrl(format.name()).scheme() == PictureScheme) {
                for (int i = 0; i < fragment.length(); ++i) {
                    pictures.append({fragment.position() + i, format});
                }
            }
        }
    }
    // Each picture is decoded again at the new width, once however often the chapter shows it;
    // the document's resource is replaced, so only pictures at the shown size are held.
    QHash<QString, QSize> sizes;
    int changed = 0;
    for (Picture& picture : pictures) {
        const QUrl name(picture.format.name());
        auto size = sizes.find(name.toString());
        if (size == sizes.end()) {
            const QImage shown =
                document->resource(QTextDocument::ImageResource, name).value<QImage>();
            QImage image = decodePicture(book, name.path(), maxWidth, shown);
            if (image.isNull()) {
                image = shown;
            } else if (image.cacheKey() != shown.cacheKey()) {
                document->addResource(QTextDocument::ImageResource, name, image);
            }
            size = sizes.insert(name.toString(), image.size());
        }
        if (size->isValid() && (qRound(picture.format.width()) != size->width() ||
                                qRound(picture.format.height()) != size->height())) {
            picture.format.setWidth(size->width());
            picture.format.setHeight(size->height());
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
