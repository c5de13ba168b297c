#include "formats/docx/DocxReader.h"
#include "formats/package/XmlAttribute.h"

#include "formats/docx/DocxStyles.h"
#include "formats/docx/DocxTables.h"
#include "formats/package/BookPackage.h"
#include "formats/package/ChapterBuilder.h"
#include "formats/package/ZipBook.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QXmlStreamReader>

namespace Docx {

namespace {

using Books::ChapterBuilder;

QString tr(const char* text)
{
    return QCoreApplication::translate("Docx", text);
}

constexpr int MaxPictures = 10000;
// A page break ends the chapter when the chapter has grown this large already.
constexpr qsizetype PageBreakChapterSize = 16 * 1024;

using Books::attribute;

QString roman(int number)
{
    static const std::pair<int, const char*> numerals[] = {
        {1000, "m"}, {900, "cm"}, {500, "d"}, {400, "cd"}, {100, "c"}, {90, "xc"}, {50, "l"},
        {40, "xl"},  {10, "x"},   {9, "ix"},  {5, "v"},    {4, "iv"},  {1, "i"}};
    QString text;
    for (const auto& [value, numeral] : numerals) {
        while (number >= value) {
            text += QLatin1String(numeral);
            number -= value;
        }
    }
    return text;
}

struct Item
{
    enum class Kind
    {
        Text,
        Break,
        PageBreak,
        Picture,
        NoteReference,
        NoteMark,
        LinkStart,
        LinkEnd,
        Bookmark
    };
    Kind kind;
    QString text; // the text; the note, bookmark or picture relationship; the link target
    RunProperties run;
    bool flag = false; // an endnote; an internal link
    QString alt;       // a picture's description
};

struct Paragraph
{
    QString style;
    int numId = -1;
    int numLevel = 0;
    int outlineLevel = -1;
    bool pageBreakBefore = false;
    bool sectionBreak = false;
    QString align;
    QList<Item> items;

    bool has(Item::Kind kind) const
    {
        return std::any_of(items.cbegin(), items.cend(),
                           [kind](const Item& item) { return item.kind == kind; });
    }
};

struct Relationship
{
    QString target; // entry name in the zip, or an address outside it
    bool external = false;
};
using Relationships = QHash<QString, Relationship>;

class Document
{
public:
    Document(Books::ZipBook& zip, Books::BookPackage* book)
        : m_zip(zip), m_book(book), m_builder(book)
    {
    }

    bool read(QString* error);

private:
    struct Cell
    {
        int builderDepth;
        int rowSpan;
        int columnSpan = 1;
        bool pending = true; // opened once its properties are known
        bool discard = false;
    };
    struct OpenList
    {
        int depthBefore;
        int numId;
        bool ordered;
    };

    QByteArray part(const QString& name, QString* error = nullptr);
    Relationships relationships(const QString& partName);
    QString relatedPart(const Relationships& relationships, QLatin1String typeSuffix) const;
    void readCoreProperties(const QString& name);

    void walk(QXmlStreamReader& xml);
    void readParagraph(QXmlStreamReader& xml, Paragraph* paragraph);
    void readParagraphProperties(QXmlStreamReader& xml, Paragraph* paragraph);
    void emitParagraph(const Paragraph& paragraph);
    void emitItems(const Paragraph& paragraph);
    void emitListItem(const Paragraph& paragraph, int numId, int level, const ListLevel& list);
    void openBlock(const QString& tag, ChapterBuilder::Attributes attributes = {});
    void closeLists();
    void pageBreak();
    void openCell();
    bool discarding() const;
    bool atTop() const { return m_cells.isEmpty() && m_notePart.isEmpty(); }
    QString pictureName(const QString& relationshipId);
    void readNotes(const QString& partName, bool endnotes);

    Books::ZipBook& m_zip;
    Books::BookPackage* m_book;
    ChapterBuilder m_builder;
    Styles m_styles;
    Relationships m_relationships; // of the part being read
    QList<int> m_rowSpans;
    int m_cellOrdinal = 0;
    QList<int> m_tables; // builder depth before each open table
    QList<int> m_rows;
    QList<Cell> m_cells;
    QList<OpenList> m_lists;
    QStringList m_pendingKeys;
    bool m_breakBefore = false;
    bool m_breakAfter = false;
    QHash<QString, QString> m_pictures;   // zip entry -> picture's name in the book
    QHash<QString, QString> m_noteLabels; // note key -> its number as shown
    int m_footnotes = 0;
    int m_endnotes = 0;
    QString m_notePart; // "footnote" or "endnote" while notes are read
    QString m_noteKey;  // the note being written
    bool m_noteMarkWritten = false;
};

QByteArray Document::part(const QString& name, QString* error)
{
    QByteArray data;
    if (!name.isEmpty() && m_zip.contains(name) && !m_zip.read(name, &data, error)) {
        data.clear();
    }
    return data;
}

Relationships Document::relationships(const QString& partName)
{
    Relationships found;
    const int slash = partName.lastIndexOf(QLatin1Char('/'));
    const QString folder = partName.left(slash + 1);
    const QString path =
        folder + QStringLiteral("_rels/") + partName.mid(slash + 1) + QStringLiteral(".rels");
    QXmlStreamReader xml(part(path));
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement() || xml.name() != QLatin1String("Relationship")) {
            continue;
        }
        Relationship relationship;
        const QString target = attribute(xml, QLatin1String("Target"));
        relationship.external = attribute(xml, QLatin1String("TargetMode"))
                                    .compare(QLatin1String("External"), Qt::CaseInsensitive) == 0;
        if (relationship.external) {
            relationship.target = target;
        } else if (target.startsWith(QLatin1Char('/'))) {
            relationship.target = Epub::Archive::normalisedName(target.mid(1));
        } else {
            relationship.target = Epub::Archive::resolve(partName, target);
        }
        // The type is kept in the id's place for the parts looked up by type.
        found.insert(attribute(xml, QLatin1String("Id")), relationship);
        found.insert(QStringLiteral("type:") + attribute(xml, QLatin1String("Type")), relationship);
    }
    return found;
}

QString Document::relatedPart(const Relationships& relationships, QLatin1String typeSuffix) const
{
    for (auto it = relationships.cbegin(); it != relationships.cend(); ++it) {
        if (it.key().startsWith(QLatin1String("type:")) && it.key().endsWith(typeSuffix) &&
            !it->external) {
            return it->target;
        }
    }
    return {};
}

void Document::readCoreProperties(const QString& name)
{
    QXmlStreamReader xml(part(name));
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement()) {
            continue;
        }
        const auto element = xml.name();
        QString* field = element == QLatin1String("title")        ? &m_book->title
                         : element == QLatin1String("creator")    ? &m_book->author
                         : element == QLatin1String("language")   ? &m_book->language
                         : element == QLatin1String("identifier") ? &m_book->identifier
                                                                  : nullptr;
        if (field && field->isEmpty()) {
            *field = xml.readElementText(QXmlStreamReader::SkipChildElements).simplified();
        }
    }
}

bool Document::read(QString* error)
{
    const Relationships package = relationships(QStringLiteral(""));
    QString main = relatedPart(package, QLatin1String("/officeDocument"));
    if (main.isEmpty() && m_zip.contains(QStringLiteral("word/document.xml"))) {
        main = QStringLiteral("word/document.xml");
    }
    if (main.isEmpty() || !m_zip.contains(main)) {
        if (error) {
            *error = tr("It is not a Word document: it has no main document part.");
        }
        return false;
    }
    readCoreProperties(relatedPart(package, QLatin1String("/core-properties")));
    QString readError;
    const QByteArray document = part(main, &readError);
    if (document.isEmpty()) {
        if (error) {
            *error = readError.isEmpty() ? tr("The document's main part is empty.") : readError;
        }
        return false;
    }
    m_relationships = relationships(main);
    const Relationships documentParts = m_relationships;
    m_styles.readStyles(part(relatedPart(documentParts, QLatin1String("/styles"))));
    m_styles.readNumbering(part(relatedPart(documentParts, QLatin1String("/numbering"))));
    if (document.contains("vMerge")) {
        m_rowSpans = verticalSpans(document);
    }

    QXmlStreamReader xml(document);
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == QLatin1String("body")) {
            walk(xml);
            break;
        }
    }
    if (xml.hasError()) {
        m_book->warnings.append(tr("The document is damaged (%1 at line %2); what could be read "
                                   "is shown.")
                                    .arg(xml.errorString())
                                    .arg(xml.lineNumber()));
    }
    closeLists();
    m_builder.closeTo(0);

    if (!m_noteLabels.isEmpty()) {
        m_builder.startChapter();
        m_builder.openHeading(1);
        m_builder.text(tr("Notes"));
        m_builder.closeHeading(true, 0);
        readNotes(relatedPart(documentParts, QLatin1String("/footnotes")), false);
        readNotes(relatedPart(documentParts, QLatin1String("/endnotes")), true);
    }
    if (m_zip.exhausted()) {
        if (error) {
            *error = m_zip.exhaustedMessage();
        }
        return false;
    }
    if (!m_builder.finish()) {
        if (error) {
            *error = xml.hasError() ? tr("The document is damaged: %1 at line %2.")
                                          .arg(xml.errorString())
                                          .arg(xml.lineNumber())
                                    : tr("The document holds no text.");
        }
        return false;
    }
    if (m_book->title.isEmpty()) {
        m_book->title = m_book->contents.isEmpty() ? QString() : m_book->contents.first().title;
    }
    return true;
}

void Document::readNotes(const QString& partName, bool endnotes)
{
    const QByteArray data = part(partName);
    if (data.isEmpty()) {
        return;
    }
    const Relationships documentRelationships =
        std::exchange(m_relationships, relationships(partName));
    m_notePart = endnotes ? QStringLiteral("endnote") : QStringLiteral("footnote");
    QXmlStreamReader xml(data);
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement() || xml.name() != m_notePart) {
            continue;
        }
        const QString key = m_notePart + QLatin1Char(':') + attribute(xml, QLatin1String("id"));
        if (!m_noteLabels.contains(key)) {
            xml.skipCurrentElement(); // separators, and notes nothing refers to
            continue;
        }
        m_noteKey = key;
        m_noteMarkWritten = false;
        m_builder.openNote(key);
        walk(xml);
        closeLists();
        m_builder.closeNote();
        m_noteKey.clear();
    }
    m_relationships = documentRelationships;
    m_notePart.clear();
}

bool Document::discarding() const
{
    return std::any_of(m_cells.cbegin(), m_cells.cend(), [](const Cell& c) { return c.discard; });
}

// Walks block content (a body, a note, a cell's tables) until the element it started in ends.
void Document::walk(QXmlStreamReader& xml)
{
    int depth = 1;
    while (depth > 0 && !xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            ++depth;
            const auto name = xml.name();
            if (!m_cells.isEmpty() && m_cells.last().pending && name != QLatin1String("tcPr")) {
                openCell();
            }
            if (name == QLatin1String("p")) {
                Paragraph paragraph;
                readParagraph(xml, &paragraph);
                --depth;
                emitParagraph(paragraph);
            } else if (name == QLatin1String("tbl")) {
                closeLists();
                if (!discarding()) {
                    if (atTop()) {
                        m_builder.splitIfLarger(ChapterBuilder::HardChapterSize);
                    }
                    m_tables.append(m_builder.depth());
                    m_builder.open(QStringLiteral("table"),
                                   {{QStringLiteral("border"), QStringLiteral("1")},
                                    {QStringLiteral("cellpadding"), QStringLiteral("4")}});
                } else {
                    m_tables.append(-1);
                }
            } else if (name == QLatin1String("tr") && !m_tables.isEmpty()) {
                m_rows.append(m_builder.depth());
                if (!discarding()) {
                    m_builder.open(QStringLiteral("tr"));
                }
            } else if (name == QLatin1String("tc") && !m_rows.isEmpty()) {
                const int span = m_rowSpans.value(m_cellOrdinal++, 1);
                m_cells.append({m_builder.depth(), span});
                m_cells.last().discard = span == 0 || discarding();
            } else if (name == QLatin1String("tcPr") && !m_cells.isEmpty()) {
                int inner = 1;
                while (inner > 0 && !xml.atEnd()) {
                    xml.readNext();
                    if (xml.isStartElement()) {
                        ++inner;
                        if (xml.name() == QLatin1String("gridSpan")) {
                            m_cells.last().columnSpan =
                                qBound(1, attribute(xml, QLatin1String("val")).toInt(), 64);
                        }
                    } else if (xml.isEndElement()) {
                        --inner;
                    }
                }
                --depth;
                openCell();
            } else if (name == QLatin1String("bookmarkStart")) {
                const QString bookmark = attribute(xml, QLatin1String("name"));
                if (!bookmark.isEmpty() && bookmark != QLatin1String("_GoBack")) {
                    m_pendingKeys.append(QStringLiteral("bookmark:") + bookmark);
                }
            } else if (name == QLatin1String("Fallback") || name == QLatin1String("del") ||
                       name == QLatin1String("moveFrom") || name == QLatin1String("sectPr") ||
                       name == QLatin1String("tblPr") || name == QLatin1String("tblGrid") ||
                       name == QLatin1String("trPr") || name == QLatin1String("sdtPr") ||
                       name == QLatin1String("sdtEndPr")) {
                xml.skipCurrentElement();
                --depth;
            }
            // Other elements (content controls, inserted text, custom XML) hold blocks of
            // their own that are read as if they stood here.
        } else if (xml.isEndElement()) {
            --depth;
            const auto name = xml.name();
            if (name == QLatin1String("tc") && !m_cells.isEmpty()) {
                if (m_cells.last().pending) {
                    openCell();
                }
                closeLists();
                if (!m_cells.last().discard) {
                    m_builder.closeTo(m_cells.last().builderDepth);
                }
                m_cells.removeLast();
            } else if (name == QLatin1String("tr") && !m_rows.isEmpty()) {
                if (!discarding()) {
                    m_builder.closeTo(m_rows.last());
                }
                m_rows.removeLast();
            } else if (name == QLatin1String("tbl") && !m_tables.isEmpty()) {
                if (m_tables.last() >= 0) {
                    m_builder.closeTo(m_tables.last());
                }
                m_tables.removeLast();
            }
        }
    }
}

void Document::openCell()
{
    Cell& cell = m_cells.last();
    cell.pending = false;
    if (cell.discard) {
        return;
    }
    ChapterBuilder::Attributes attributes;
    if (cell.columnSpan > 1) {
        attributes.append({QStringLiteral("colspan"), QString::number(cell.columnSpan)});
    }
    if (cell.rowSpan > 1) {
        attributes.append({QStringLiteral("rowspan"), QString::number(cell.rowSpan)});
    }
    m_builder.open(QStringLiteral("td"), attributes);
}

void Document::readParagraphProperties(QXmlStreamReader& xml, Paragraph* paragraph)
{
    int depth = 1;
    while (depth > 0 && !xml.atEnd()) {
        xml.readNext();
        if (xml.isEndElement()) {
            --depth;
            continue;
        }
        if (!xml.isStartElement()) {
            continue;
        }
        ++depth;
        const auto name = xml.name();
        if (name == QLatin1String("pPrChange") || name == QLatin1String("rPr")) {
            xml.skipCurrentElement(); // earlier properties of a tracked change; the mark's run
            --depth;
        } else if (name == QLatin1String("pStyle")) {
            paragraph->style = attribute(xml, QLatin1String("val"));
        } else if (name == QLatin1String("numId")) {
            paragraph->numId = attribute(xml, QLatin1String("val")).toInt();
        } else if (name == QLatin1String("ilvl")) {
            paragraph->numLevel = qBound(0, attribute(xml, QLatin1String("val")).toInt(), 8);
        } else if (name == QLatin1String("outlineLvl")) {
            bool ok = false;
            const int level = attribute(xml, QLatin1String("val")).toInt(&ok);
            paragraph->outlineLevel = ok ? level : -1;
        } else if (name == QLatin1String("jc")) {
            paragraph->align = attribute(xml, QLatin1String("val"));
        } else if (name == QLatin1String("pageBreakBefore")) {
            paragraph->pageBreakBefore = isOn(xml);
        } else if (name == QLatin1String("sectPr")) {
            // A section that starts on a new page ends here.
            paragraph->sectionBreak = true;
        } else if (name == QLatin1String("type") && paragraph->sectionBreak &&
                   attribute(xml, QLatin1String("val")) == QLatin1String("continuous")) {
            paragraph->sectionBreak = false;
        }
    }
}

void Document::readParagraph(QXmlStreamReader& xml, Paragraph* paragraph)
{
    int depth = 1;
    int runDepth = 0;
    RunProperties run;
    QList<int> links;     // depths of the hyperlinks open
    int pictureDepth = 0; // depth of the drawing being read
    QString pictureId;
    QString pictureAlt;
    auto add = [&](Item::Kind kind, const QString& text = {}, bool flag = false) {
        paragraph->items.append({kind, text, run, flag, {}});
    };
    while (depth > 0 && !xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            ++depth;
            const auto name = xml.name();
            if (name == QLatin1String("pPr")) {
                if (depth == 2) {
                    readParagraphProperties(xml, paragraph);
                } else {
                    xml.skipCurrentElement();
                }
                --depth;
            } else if (name == QLatin1String("rPr")) {
                if (runDepth > 0) {
                    run = readRunProperties(xml);
                } else {
                    xml.skipCurrentElement();
                }
                --depth;
            } else if (name == QLatin1String("r")) {
                runDepth = depth;
                run = {};
            } else if (name == QLatin1String("t")) {
                add(Item::Kind::Text, xml.readElementText(QXmlStreamReader::SkipChildElements));
                --depth;
            } else if (name == QLatin1String("tab") && runDepth > 0) {
                add(Item::Kind::Text, QStringLiteral("\t"));
            } else if (name == QLatin1String("br") || name == QLatin1String("cr")) {
                add(attribute(xml, QLatin1String("type")) == QLatin1String("page")
                        ? Item::Kind::PageBreak
                        : Item::Kind::Break);
            } else if (name == QLatin1String("noBreakHyphen")) {
                add(Item::Kind::Text, QStringLiteral("\u2011"));
            } else if (name == QLatin1String("softHyphen")) {
                add(Item::Kind::Text, QStringLiteral("\u00ad"));
            } else if (name == QLatin1String("footnoteReference") ||
                       name == QLatin1String("endnoteReference")) {
                const bool endnote = name == QLatin1String("endnoteReference");
                add(Item::Kind::NoteReference,
                    (endnote ? QStringLiteral("endnote:") : QStringLiteral("footnote:")) +
                        attribute(xml, QLatin1String("id")),
                    endnote);
            } else if (name == QLatin1String("footnoteRef") ||
                       name == QLatin1String("endnoteRef")) {
                add(Item::Kind::NoteMark);
            } else if (name == QLatin1String("drawing") || name == QLatin1String("pict") ||
                       name == QLatin1String("object")) {
                if (pictureDepth == 0) {
                    pictureDepth = depth;
                    pictureId.clear();
                    pictureAlt.clear();
                }
            } else if (name == QLatin1String("blip") && pictureDepth > 0 && pictureId.isEmpty()) {
                pictureId = attribute(xml, QLatin1String("embed"));
            } else if (name == QLatin1String("imagedata") && pictureDepth > 0 &&
                       pictureId.isEmpty()) {
                pictureId = attribute(xml, QLatin1String("id"));
            } else if (name == QLatin1String("docPr") && pictureDepth > 0) {
                pictureAlt = attribute(xml, QLatin1String("descr"));
                if (pictureAlt.isEmpty()) {
                    pictureAlt = attribute(xml, QLatin1String("title"));
                }
            } else if (name == QLatin1String("hyperlink")) {
                links.append(depth);
                const QString anchor = attribute(xml, QLatin1String("anchor"));
                const Relationship target =
                    m_relationships.value(attribute(xml, QLatin1String("id")));
                if (!anchor.isEmpty()) {
                    add(Item::Kind::LinkStart, QStringLiteral("bookmark:") + anchor, true);
                } else if (target.external) {
                    add(Item::Kind::LinkStart, target.target, false);
                } else {
                    add(Item::Kind::LinkStart, QString(), false);
                }
            } else if (name == QLatin1String("bookmarkStart")) {
                const QString bookmark = attribute(xml, QLatin1String("name"));
                if (!bookmark.isEmpty() && bookmark != QLatin1String("_GoBack")) {
                    add(Item::Kind::Bookmark, QStringLiteral("bookmark:") + bookmark);
                }
            } else if (name == QLatin1String("p")) {
                // A paragraph inside this one (a text box): its text follows on a line of its own.
                if (!paragraph->items.isEmpty()) {
                    add(Item::Kind::Break);
                }
            } else if (name == QLatin1String("Fallback") || name == QLatin1String("del") ||
                       name == QLatin1String("moveFrom") || name == QLatin1String("delText") ||
                       name == QLatin1String("instrText") ||
                       name == QLatin1String("delInstrText") || name == QLatin1String("sym")) {
                xml.skipCurrentElement();
                --depth;
            }
        } else if (xml.isEndElement()) {
            const auto name = xml.name();
            if (depth == runDepth && name == QLatin1String("r")) {
                runDepth = 0;
                run = {};
            } else if (!links.isEmpty() && depth == links.last()) {
                links.removeLast();
                add(Item::Kind::LinkEnd);
            } else if (depth == pictureDepth) {
                pictureDepth = 0;
                if (!pictureId.isEmpty()) {
                    add(Item::Kind::Picture, pictureId);
                    paragraph->items.last().alt = pictureAlt;
                }
            }
            --depth;
        }
    }
}

void Document::openBlock(const QString& tag, ChapterBuilder::Attributes attributes)
{
    if (!m_pendingKeys.isEmpty()) {
        attributes.prepend({QStringLiteral("id"), m_builder.anchorId(m_pendingKeys.takeFirst())});
    }
    if (m_breakBefore) {
        attributes.append({QStringLiteral("style"), QStringLiteral("page-break-before: always")});
        m_breakBefore = false;
    }
    m_builder.open(tag, attributes);
    for (const QString& key : std::as_const(m_pendingKeys)) {
        m_builder.anchor(key);
    }
    m_pendingKeys.clear();
}

void Document::closeLists()
{
    if (!m_lists.isEmpty()) {
        m_builder.closeTo(m_lists.first().depthBefore);
        m_lists.clear();
    }
}

void Document::pageBreak()
{
    if (!atTop()) {
        return;
    }
    closeLists();
    if (!m_builder.splitIfLarger(PageBreakChapterSize)) {
        m_breakBefore = !m_builder.chapterIsEmpty();
    }
}

void Document::emitParagraph(const Paragraph& paragraph)
{
    if (discarding()) {
        return;
    }
    if (paragraph.pageBreakBefore) {
        pageBreak();
    }
    int level = paragraph.outlineLevel >= 0 && paragraph.outlineLevel < 9
                    ? paragraph.outlineLevel + 1
                    : m_styles.headingLevel(paragraph.style);
    if (!m_notePart.isEmpty()) {
        level = -1; // a heading style in a note is shown as text
    }
    const auto [styleNum, styleLevel] = m_styles.styleList(paragraph.style);
    const int numId = paragraph.numId >= 0 ? paragraph.numId : styleNum;
    const int numLevel = paragraph.numId >= 0 ? paragraph.numLevel : styleLevel;
    const std::optional<ListLevel> list =
        numId > 0 && level < 0 ? m_styles.listLevel(numId, numLevel) : std::nullopt;
    ChapterBuilder::Attributes align;
    if (paragraph.align == QLatin1String("center") || paragraph.align == QLatin1String("right") ||
        paragraph.align == QLatin1String("both")) {
        align.append({QStringLiteral("align"), paragraph.align == QLatin1String("both")
                                                   ? QStringLiteral("justify")
                                                   : paragraph.align});
    } else if (paragraph.align == QLatin1String("end")) {
        align.append({QStringLiteral("align"), QStringLiteral("right")});
    }

    if (level >= 0) {
        closeLists();
        if (atTop() && level <= 1) {
            m_builder.startChapter();
        } else if (atTop()) {
            m_builder.splitIfLarger(ChapterBuilder::SoftChapterSize);
        }
        // The title style heads the document without being one of its contents.
        const QString key = m_pendingKeys.isEmpty() ? QString() : m_pendingKeys.takeFirst();
        if (m_breakBefore) {
            align.append({QStringLiteral("style"), QStringLiteral("page-break-before: always")});
            m_breakBefore = false;
        }
        m_builder.openHeading(qMax(1, level), key, align);
        for (const QString& other : std::as_const(m_pendingKeys)) {
            m_builder.anchor(other);
        }
        m_pendingKeys.clear();
        emitItems(paragraph);
        m_builder.closeHeading(level > 0, level - 1);
    } else if (list) {
        emitListItem(paragraph, numId, numLevel, *list);
    } else {
        closeLists();
        if (atTop()) {
            m_builder.splitIfLarger(ChapterBuilder::HardChapterSize);
        }
        const int before = m_builder.depth();
        openBlock(QStringLiteral("p"), align);
        emitItems(paragraph);
        m_builder.closeTo(before);
    }
    if (paragraph.sectionBreak || m_breakAfter) {
        m_breakAfter = false;
        pageBreak();
    }
}

void Document::emitListItem(const Paragraph& paragraph, int numId, int level, const ListLevel& list)
{
    while (m_lists.size() > level + 1) {
        m_builder.closeTo(m_lists.last().depthBefore);
        m_lists.removeLast();
    }
    if (m_lists.size() == level + 1) {
        const OpenList& open = m_lists.last();
        if (open.ordered != list.ordered || open.numId != numId) {
            m_builder.closeTo(open.depthBefore);
            m_lists.removeLast();
        } else {
            m_builder.closeTo(open.depthBefore + 1); // the item before ends
        }
    }
    while (m_lists.size() < level + 1) {
        ChapterBuilder::Attributes attributes;
        if (list.ordered) {
            attributes.append({QStringLiteral("type"), list.type});
            if (list.start != 1) {
                attributes.append({QStringLiteral("start"), QString::number(list.start)});
            }
        }
        m_lists.append({m_builder.depth(), numId, list.ordered});
        m_builder.open(list.ordered ? QStringLiteral("ol") : QStringLiteral("ul"), attributes);
        if (m_lists.size() < level + 1) {
            m_builder.open(QStringLiteral("li")); // a level skipped holds the deeper list
        }
    }
    openBlock(QStringLiteral("li"));
    emitItems(paragraph);
}

QString Document::pictureName(const QString& relationshipId)
{
    const Relationship relationship = m_relationships.value(relationshipId);
    if (relationship.external || relationship.target.isEmpty() ||
        !m_zip.contains(relationship.target)) {
        return {};
    }
    if (const auto known = m_pictures.constFind(relationship.target); known != m_pictures.cend()) {
        return *known;
    }
    if (m_pictures.size() >= MaxPictures) {
        return {};
    }
    QString suffix = QFileInfo(relationship.target).suffix().toLower();
    if (suffix.size() > 5 || !std::all_of(suffix.cbegin(), suffix.cend(), [](QChar c) {
            return c.isLetterOrNumber() && c.unicode() < 128;
        })) {
        suffix = QStringLiteral("bin");
    }
    const QString name = QStringLiteral("images/%1.%2").arg(m_pictures.size() + 1).arg(suffix);
    m_pictures.insert(relationship.target, name);
    m_book->addArchiveResource(name, m_zip.archive(), relationship.target);
    return name;
}

void Document::emitItems(const Paragraph& paragraph)
{
    const RunProperties base = m_styles.paragraphRun(paragraph.style);
    auto format = [&](const RunProperties& direct) {
        RunProperties effective = base;
        m_styles.characterRun(direct.characterStyle).applyOver(&effective);
        direct.applyOver(&effective);
        return effective.format();
    };
    auto backLink = [&] {
        // The number leads back to the reference; the pop-up needs only the note's words.
        m_builder.suspendNoteText(true);
        m_builder.openInternalLink(ChapterBuilder::referenceKey(m_noteKey));
        m_builder.text(m_noteLabels.value(m_noteKey));
        m_builder.close();
        m_builder.text(QStringLiteral(" "));
        m_builder.suspendNoteText(false);
        m_noteMarkWritten = true;
    };
    if (!m_noteKey.isEmpty() && !m_noteMarkWritten && !paragraph.has(Item::Kind::NoteMark)) {
        backLink();
    }
    QList<int> links;
    for (const Item& item : paragraph.items) {
        switch (item.kind) {
        case Item::Kind::Text:
            m_builder.text(item.text, format(item.run));
            break;
        case Item::Kind::Break:
            m_builder.element(QStringLiteral("br"));
            break;
        case Item::Kind::PageBreak:
            m_breakAfter = true;
            break;
        case Item::Kind::Picture:
            if (const QString name = pictureName(item.text); !name.isEmpty()) {
                m_builder.element(QStringLiteral("img"), {{QStringLiteral("src"), name},
                                                          {QStringLiteral("alt"), item.alt}});
            }
            break;
        case Item::Kind::NoteReference: {
            QString& label = m_noteLabels[item.text];
            if (label.isEmpty()) {
                label = item.flag ? roman(++m_endnotes) : QString::number(++m_footnotes);
            }
            m_builder.open(QStringLiteral("sup"));
            m_builder.openNoteReference(item.text);
            m_builder.text(label);
            m_builder.close();
            m_builder.close();
            break;
        }
        case Item::Kind::NoteMark:
            if (!m_noteKey.isEmpty() && !m_noteMarkWritten) {
                backLink();
            }
            break;
        case Item::Kind::LinkStart:
            links.append(m_builder.depth());
            if (item.flag) {
                m_builder.openInternalLink(item.text);
            } else {
                m_builder.openLink(item.text);
            }
            break;
        case Item::Kind::LinkEnd:
            if (!links.isEmpty()) {
                m_builder.closeTo(links.takeLast());
            }
            break;
        case Item::Kind::Bookmark:
            m_builder.anchor(item.text);
            break;
        }
    }
    if (!links.isEmpty()) {
        m_builder.closeTo(links.first());
    }
}

} // namespace

bool read(const QString& path, Books::BookPackage* book, QString* error)
{
    auto fail = [&](const QString& text) {
        if (error) {
            *error = text;
        }
        return false;
    };
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return fail(tr("The document cannot be opened: %1.").arg(file.errorString()));
    }
    // Word keeps documents protected by a password, and its older documents, in another
    // container altogether.
    if (file.peek(4) == QByteArrayLiteral("\xD0\xCF\x11\xE0")) {
        return fail(tr("The document is protected by a password, or is an older Word document "
                       "(.doc); it cannot be read as DOCX."));
    }
    file.close();
    Books::ZipBook zip;
    if (!zip.open(path)) {
        return fail(tr("It is not a Word document: the file is not a zip archive, or the "
                       "archive is damaged."));
    }
    Document document(zip, book);
    return document.read(error);
}

} // namespace Docx
