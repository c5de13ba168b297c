#include "formats/odt/OdtReader.h"
#include "formats/package/XmlAttribute.h"

#include "formats/odt/OdtStyles.h"
#include "formats/package/BookPackage.h"
#include "formats/package/ChapterBuilder.h"
#include "formats/package/PictureLimits.h"
#include "formats/package/ZipBook.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QXmlStreamReader>

namespace Odt {

namespace {

using Books::ChapterBuilder;
using Books::TextProperties;

QString tr(const char* text)
{
    return QCoreApplication::translate("Odt", text);
}

constexpr int MaxPictures = 10000;
constexpr int MaxSpaces = 1000;
// A flat document larger than this is not one anyone wrote.
constexpr qint64 MaxFlatFileSize = qint64(256) * 1024 * 1024;
// A page break ends the chapter when the chapter has grown this large already.
constexpr qsizetype PageBreakChapterSize = 16 * 1024;

using Books::attribute;

// Elements whose content is never text of the document.
bool isSkipped(QStringView name)
{
    static const QStringList names = {QStringLiteral("annotation"),
                                      QStringLiteral("tracked-changes"),
                                      QStringLiteral("sequence-decls"),
                                      QStringLiteral("variable-decls"),
                                      QStringLiteral("user-field-decls"),
                                      QStringLiteral("table-of-content-source"),
                                      QStringLiteral("alphabetical-index-source"),
                                      QStringLiteral("illustration-index-source"),
                                      QStringLiteral("table-index-source"),
                                      QStringLiteral("object-index-source"),
                                      QStringLiteral("user-index-source"),
                                      QStringLiteral("bibliography-source"),
                                      QStringLiteral("forms"),
                                      QStringLiteral("ruby-text"),
                                      QStringLiteral("event-listeners"),
                                      QStringLiteral("contour-polygon"),
                                      QStringLiteral("covered-table-cell"),
                                      QStringLiteral("table-column"),
                                      QStringLiteral("master-styles"),
                                      QStringLiteral("font-face-decls"),
                                      QStringLiteral("scripts"),
                                      QStringLiteral("settings")};
    return names.contains(name);
}

class Reader
{
public:
    Reader(Books::BookPackage* book, Books::ZipBook* zip)
        : m_book(book), m_zip(zip), m_builder(book)
    {
    }

    // Reads one XML part (styles, meta, content, or a flat document holding all three).
    void readPart(const QByteArray& data, bool* damaged, QString* damage);
    bool finish();

private:
    enum class Kind
    {
        Other,
        Paragraph,
        Line, // a paragraph inside another one (in a text box): a line of it
        Heading,
        List,
        ListItem,
        Table,
        Cell,
        Frame,
        NoteBody,
        Note
    };
    struct Open
    {
        Kind kind;
        int builderDepth;
        TextProperties text;
        QString style;
        int level = 0;
    };
    struct ListState
    {
        QString style;
        int level;
        bool itemStarted = false; // the item's first paragraph is written straight into it
    };
    // What a note's body starts afresh and gives back when it ends.
    struct Flow
    {
        int paragraphs = 0;
        int tables = 0;
        int frames = 0;
        QList<ListState> lists;
        QStringList pendingKeys;
        bool breakBefore = false;
    };
    struct Frame
    {
        QString href;
        QByteArray binary;
        QString description;
    };
    struct NoteState
    {
        QString key;
        bool endnote = false;
        QString label;
    };

    void readMeta(QXmlStreamReader& xml);
    void walk(QXmlStreamReader& xml);
    void startElement(QXmlStreamReader& xml);
    void endElement();
    void startParagraph(QXmlStreamReader& xml, bool heading);
    void endParagraph(const Open& open);
    void openBlock(const QString& tag, ChapterBuilder::Attributes attributes = {});
    void readImage(QXmlStreamReader& xml, Frame* frame);
    void writePicture(const Frame& frame);
    void pageBreak();
    bool atTop() const
    {
        return m_flow.lists.isEmpty() && m_flow.tables == 0 && m_flow.frames == 0 &&
               m_notes.isEmpty();
    }
    TextProperties currentText() const
    {
        return m_open.isEmpty() ? TextProperties() : m_open.last().text;
    }
    QString linkKey(const QString& href) const;

    Books::BookPackage* m_book;
    Books::ZipBook* m_zip;
    ChapterBuilder m_builder;
    Styles m_styles;
    QList<Open> m_open;
    Flow m_flow;
    QList<Flow> m_outerFlows;
    QList<Frame> m_frames;
    QList<NoteState> m_notes;
    QList<int> m_footnotes; // asides holding the notes, in the order they were met
    QList<int> m_endnotes;
    bool m_backLinkPending = false;
    QHash<QString, QString> m_pictures;
    bool m_sawBody = false;
    int m_madeUpNotes = 0;
};

void Reader::readPart(const QByteArray& data, bool* damaged, QString* damage)
{
    QXmlStreamReader xml(data);
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement()) {
            continue;
        }
        const auto name = xml.name();
        if (name == QLatin1String("styles") || name == QLatin1String("automatic-styles")) {
            m_styles.read(xml);
        } else if (name == QLatin1String("meta")) {
            readMeta(xml);
        } else if (name == QLatin1String("body")) {
            m_sawBody = true;
            walk(xml);
        } else if (isSkipped(name)) {
            xml.skipCurrentElement();
        }
    }
    if (xml.hasError() && !*damaged) {
        *damaged = true;
        *damage = tr("%1 at line %2").arg(xml.errorString()).arg(xml.lineNumber());
    }
}

void Reader::readMeta(QXmlStreamReader& xml)
{
    QString initialCreator;
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
        const auto name = xml.name();
        QString* field = name == QLatin1String("title")             ? &m_book->title
                         : name == QLatin1String("creator")         ? &m_book->author
                         : name == QLatin1String("initial-creator") ? &initialCreator
                         : name == QLatin1String("language")        ? &m_book->language
                         : name == QLatin1String("identifier")      ? &m_book->identifier
                                                                    : nullptr;
        if (field) {
            const QString value = xml.readElementText(QXmlStreamReader::SkipChildElements);
            if (field->isEmpty()) {
                *field = value.simplified();
            }
        } else {
            ++depth;
        }
    }
    // The first author of a document is its author; later editors are not.
    if (!initialCreator.isEmpty()) {
        m_book->author = initialCreator;
    }
}

void Reader::walk(QXmlStreamReader& xml)
{
    const int base = int(m_open.size());
    m_open.append({Kind::Other, m_builder.depth(), {}, {}});
    while (!xml.atEnd() && m_open.size() > base) {
        xml.readNext();
        if (xml.isStartElement()) {
            startElement(xml);
        } else if (xml.isEndElement()) {
            endElement();
        } else if (xml.isCharacters() && m_flow.paragraphs > 0) {
            m_builder.text(xml.text(), currentText().format());
        }
    }
    while (m_open.size() > base) {
        endElement();
    }
}

void Reader::openBlock(const QString& tag, ChapterBuilder::Attributes attributes)
{
    if (!m_flow.pendingKeys.isEmpty()) {
        attributes.prepend(
            {QStringLiteral("id"), m_builder.anchorId(m_flow.pendingKeys.takeFirst())});
    }
    if (m_flow.breakBefore) {
        attributes.append({QStringLiteral("style"), QStringLiteral("page-break-before: always")});
        m_flow.breakBefore = false;
    }
    m_builder.open(tag, attributes);
    for (const QString& key : std::as_const(m_flow.pendingKeys)) {
        m_builder.anchor(key);
    }
    m_flow.pendingKeys.clear();
}

void Reader::pageBreak()
{
    if (!atTop()) {
        return;
    }
    if (!m_builder.splitIfLarger(PageBreakChapterSize)) {
        m_flow.breakBefore = !m_builder.chapterIsEmpty();
    }
}

QString Reader::linkKey(const QString& href) const
{
    // "#Name" is a bookmark; "#Heading text|outline" a heading by its text; other named
    // targets (tables, frames, sections) are not followed.
    if (!href.startsWith(QLatin1Char('#'))) {
        return {};
    }
    const QString target = href.mid(1);
    const int bar = target.lastIndexOf(QLatin1Char('|'));
    if (bar < 0) {
        return QStringLiteral("bookmark:") + target;
    }
    if (target.mid(bar + 1) == QLatin1String("outline")) {
        return QStringLiteral("outline:") + target.left(bar).simplified();
    }
    return {};
}

void Reader::startParagraph(QXmlStreamReader& xml, bool heading)
{
    const QString style = attribute(xml, QLatin1String("style-name"));
    Open open{heading ? Kind::Heading : Kind::Paragraph, m_builder.depth(), m_styles.text(style),
              style};
    if (m_flow.paragraphs > 0) {
        // A paragraph in a text box inside this one continues it on a line of its own.
        m_builder.element(QStringLiteral("br"));
        open.kind = Kind::Line;
        ++m_flow.paragraphs;
        m_open.append(open);
        return;
    }
    ++m_flow.paragraphs;
    int level = -1;
    if (heading) {
        bool ok = false;
        level = attribute(xml, QLatin1String("outline-level")).toInt(&ok);
        if (!ok) {
            level = m_styles.outlineLevel(style);
        }
        level = qMax(1, level);
    } else if (m_styles.displayName(style).compare(QLatin1String("Title"), Qt::CaseInsensitive) ==
               0) {
        level = 0; // the title heads the document without being one of its contents
    }
    if (!m_notes.isEmpty()) {
        level = -1; // a heading in a note is shown as text
    }
    if (m_styles.breaksBefore(style)) {
        pageBreak();
    }
    ChapterBuilder::Attributes attributes;
    if (const QString align = m_styles.alignment(style); !align.isEmpty()) {
        attributes.append({QStringLiteral("align"), align});
    }
    if (level >= 0) {
        open.kind = Kind::Heading;
        open.level = level;
        if (atTop() && level <= 1) {
            m_builder.startChapter();
        } else if (atTop()) {
            m_builder.splitIfLarger(ChapterBuilder::SoftChapterSize);
        }
        if (m_flow.breakBefore) {
            attributes.append(
                {QStringLiteral("style"), QStringLiteral("page-break-before: always")});
            m_flow.breakBefore = false;
        }
        const QString key =
            m_flow.pendingKeys.isEmpty() ? QString() : m_flow.pendingKeys.takeFirst();
        m_builder.openHeading(qMax(1, level), key, attributes);
        for (const QString& other : std::as_const(m_flow.pendingKeys)) {
            m_builder.anchor(other);
        }
        m_flow.pendingKeys.clear();
    } else {
        open.kind = Kind::Paragraph;
        if (!m_flow.lists.isEmpty() && !m_flow.lists.last().itemStarted && !m_open.isEmpty() &&
            m_open.last().kind == Kind::ListItem) {
            // An item's first paragraph is the item's own text.
            m_flow.lists.last().itemStarted = true;
        } else {
            if (atTop()) {
                m_builder.splitIfLarger(ChapterBuilder::HardChapterSize);
            }
            openBlock(QStringLiteral("p"), attributes);
        }
    }
    m_open.append(open);
    if (m_backLinkPending) {
        m_backLinkPending = false;
        const NoteState& note = m_notes.last();
        m_builder.suspendNoteText(true);
        m_builder.openInternalLink(ChapterBuilder::referenceKey(note.key));
        m_builder.text(note.label);
        m_builder.close();
        m_builder.text(QStringLiteral(" "));
        m_builder.suspendNoteText(false);
    }
}

void Reader::endParagraph(const Open& open)
{
    --m_flow.paragraphs;
    if (open.kind == Kind::Line) {
        return;
    }
    if (open.kind == Kind::Heading) {
        const QString key = m_builder.headingKey();
        const QString title = m_builder.closeHeading(open.level > 0, open.level - 1);
        m_builder.alias(QStringLiteral("outline:") + title, key);
    } else {
        m_builder.closeTo(open.builderDepth);
    }
    if (m_styles.breaksAfter(open.style)) {
        pageBreak();
    }
}

void Reader::readImage(QXmlStreamReader& xml, Frame* frame)
{
    const QString href = attribute(xml, QLatin1String("href"));
    if (frame->href.isEmpty() && frame->binary.isEmpty()) {
        frame->href = href;
    }
    int depth = 1;
    while (depth > 0 && !xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            if (xml.name() == QLatin1String("binary-data") && frame->href.isEmpty() &&
                frame->binary.isEmpty()) {
                frame->binary = QByteArray::fromBase64(
                    xml.readElementText(QXmlStreamReader::SkipChildElements).toLatin1());
            } else {
                ++depth;
            }
        } else if (xml.isEndElement()) {
            --depth;
        }
    }
}

void Reader::writePicture(const Frame& frame)
{
    QString name;
    if (!frame.href.isEmpty() && m_zip) {
        QString entry = frame.href;
        if (entry.startsWith(QLatin1String("./"))) {
            entry = entry.mid(2);
        }
        entry = Epub::Archive::normalisedName(entry);
        if (entry.isEmpty() || !m_zip->contains(entry)) {
            return; // a picture outside the document is never fetched
        }
        name = m_pictures.value(entry);
        if (name.isEmpty() && m_pictures.size() < MaxPictures) {
            QString suffix = QFileInfo(entry).suffix().toLower();
            if (suffix.size() > 5 || suffix.contains(QLatin1Char('%'))) {
                suffix = QStringLiteral("bin");
            }
            name = QStringLiteral("images/%1.%2").arg(m_pictures.size() + 1).arg(suffix);
            m_pictures.insert(entry, name);
            m_book->addArchiveResource(name, m_zip->archive(), entry);
        }
    } else if (!frame.binary.isEmpty() && m_pictures.size() < MaxPictures) {
        QString why;
        if (!Books::PictureLimits::acceptable(frame.binary, &why)) {
            m_book->warnings.append(tr("A picture is not shown: %1.").arg(why));
            return;
        }
        name = QStringLiteral("images/embedded-%1").arg(m_pictures.size() + 1);
        m_pictures.insert(name, name);
        m_book->addResource(name, frame.binary);
    }
    if (name.isEmpty()) {
        return;
    }
    const ChapterBuilder::Attributes picture{{QStringLiteral("src"), name},
                                             {QStringLiteral("alt"), frame.description}};
    if (m_flow.paragraphs > 0) {
        m_builder.element(QStringLiteral("img"), picture);
    } else {
        openBlock(QStringLiteral("p"));
        m_builder.element(QStringLiteral("img"), picture);
        m_builder.close();
    }
}

void Reader::startElement(QXmlStreamReader& xml)
{
    const QString name = xml.name().toString();
    if (isSkipped(name)) {
        xml.skipCurrentElement();
        return;
    }
    if (name == QLatin1String("p") || name == QLatin1String("h")) {
        startParagraph(xml, name == QLatin1String("h"));
        return;
    }
    Open open{Kind::Other, m_builder.depth(), currentText(), {}};
    if (name == QLatin1String("span")) {
        m_styles.text(attribute(xml, QLatin1String("style-name"))).applyOver(&open.text);
    } else if (name == QLatin1String("a")) {
        m_styles.text(attribute(xml, QLatin1String("style-name"))).applyOver(&open.text);
        const QString href = attribute(xml, QLatin1String("href"));
        if (href.startsWith(QLatin1Char('#'))) {
            m_builder.openInternalLink(linkKey(href));
        } else {
            m_builder.openLink(href);
        }
    } else if (name == QLatin1String("s")) {
        const int count = qBound(1, attribute(xml, QLatin1String("c")).toInt(), MaxSpaces);
        if (m_flow.paragraphs > 0) {
            m_builder.text(QString(count, QChar(0xa0)), currentText().format());
        }
    } else if (name == QLatin1String("tab")) {
        if (m_flow.paragraphs > 0) {
            m_builder.text(QStringLiteral("\t"), currentText().format());
        }
    } else if (name == QLatin1String("line-break")) {
        m_builder.element(QStringLiteral("br"));
    } else if (name == QLatin1String("bookmark") || name == QLatin1String("bookmark-start")) {
        const QString key = QStringLiteral("bookmark:") + attribute(xml, QLatin1String("name"));
        if (m_flow.paragraphs > 0) {
            m_builder.anchor(key);
        } else {
            m_flow.pendingKeys.append(key);
        }
    } else if (name == QLatin1String("list")) {
        QString style = attribute(xml, QLatin1String("style-name"));
        if (style.isEmpty() && !m_flow.lists.isEmpty()) {
            style = m_flow.lists.last().style;
        }
        if (style.isEmpty() && !m_open.isEmpty()) {
            style = m_styles.listStyle(m_open.last().style);
        }
        const int level = int(m_flow.lists.size()) + 1;
        const ListLevel format = m_styles.listLevel(style, level);
        ChapterBuilder::Attributes attributes;
        if (format.ordered) {
            attributes.append({QStringLiteral("type"), format.type});
            if (format.start != 1) {
                attributes.append({QStringLiteral("start"), QString::number(format.start)});
            }
        }
        if (atTop()) {
            m_builder.splitIfLarger(ChapterBuilder::HardChapterSize);
        }
        if (m_flow.paragraphs > 0) {
            m_builder.element(QStringLiteral("br"));
        }
        m_flow.lists.append({style, level});
        open.kind = Kind::List;
        m_builder.open(format.ordered ? QStringLiteral("ol") : QStringLiteral("ul"), attributes);
    } else if (name == QLatin1String("list-item") || name == QLatin1String("list-header")) {
        open.kind = Kind::ListItem;
        if (!m_flow.lists.isEmpty()) {
            m_flow.lists.last().itemStarted = false;
        }
        openBlock(QStringLiteral("li"));
    } else if (name == QLatin1String("table")) {
        if (atTop()) {
            m_builder.splitIfLarger(ChapterBuilder::HardChapterSize);
        }
        open.kind = Kind::Table;
        ++m_flow.tables;
        openBlock(QStringLiteral("table"), {{QStringLiteral("border"), QStringLiteral("1")},
                                            {QStringLiteral("cellpadding"), QStringLiteral("4")}});
    } else if (name == QLatin1String("table-row")) {
        m_builder.open(QStringLiteral("tr"));
    } else if (name == QLatin1String("table-cell")) {
        ChapterBuilder::Attributes attributes;
        const int columns = attribute(xml, QLatin1String("number-columns-spanned")).toInt();
        const int rows = attribute(xml, QLatin1String("number-rows-spanned")).toInt();
        if (columns > 1) {
            attributes.append({QStringLiteral("colspan"), QString::number(qMin(columns, 1000))});
        }
        if (rows > 1) {
            attributes.append({QStringLiteral("rowspan"), QString::number(qMin(rows, 10000))});
        }
        m_builder.open(QStringLiteral("td"), attributes);
    } else if (name == QLatin1String("frame")) {
        open.kind = Kind::Frame;
        ++m_flow.frames;
        m_frames.append(Frame{});
    } else if (name == QLatin1String("image") && !m_frames.isEmpty()) {
        readImage(xml, &m_frames.last());
        return;
    } else if ((name == QLatin1String("desc") || name == QLatin1String("title")) &&
               !m_frames.isEmpty()) {
        const QString text = xml.readElementText(QXmlStreamReader::SkipChildElements).simplified();
        if (m_frames.last().description.isEmpty() || name == QLatin1String("desc")) {
            m_frames.last().description = text;
        }
        return;
    } else if (name == QLatin1String("note")) {
        open.kind = Kind::Note;
        QString id = attribute(xml, QLatin1String("id"));
        if (id.isEmpty()) {
            id = QStringLiteral("\x01note:%1").arg(++m_madeUpNotes);
        }
        m_notes.append({QStringLiteral("note:") + id,
                        attribute(xml, QLatin1String("note-class")) == QLatin1String("endnote"),
                        {}});
    } else if (name == QLatin1String("note-citation") && !m_notes.isEmpty()) {
        NoteState& note = m_notes.last();
        note.label = attribute(xml, QLatin1String("label"));
        const QString text = xml.readElementText(QXmlStreamReader::SkipChildElements).simplified();
        if (note.label.isEmpty()) {
            note.label = text.isEmpty() ? QStringLiteral("*") : text;
        }
        m_builder.open(QStringLiteral("sup"));
        m_builder.openNoteReference(note.key);
        m_builder.text(note.label);
        m_builder.closeTo(open.builderDepth);
        return;
    } else if (name == QLatin1String("note-body") && !m_notes.isEmpty()) {
        open.kind = Kind::NoteBody;
        m_outerFlows.append(std::exchange(m_flow, Flow{}));
        m_builder.beginAside();
        m_builder.openNote(m_notes.last().key);
        m_backLinkPending = true;
        open.builderDepth = 0;
    }
    m_open.append(open);
}

void Reader::endElement()
{
    if (m_open.isEmpty()) {
        return;
    }
    const Open open = m_open.takeLast();
    switch (open.kind) {
    case Kind::Paragraph:
    case Kind::Heading:
    case Kind::Line:
        endParagraph(open);
        return;
    case Kind::List:
        if (!m_flow.lists.isEmpty()) {
            m_flow.lists.removeLast();
        }
        break;
    case Kind::Table:
        --m_flow.tables;
        break;
    case Kind::Frame:
        --m_flow.frames;
        if (!m_frames.isEmpty()) {
            const Frame frame = m_frames.takeLast();
            m_builder.closeTo(open.builderDepth);
            writePicture(frame);
        }
        return;
    case Kind::NoteBody: {
        m_backLinkPending = false;
        m_builder.closeNote();
        const int aside = m_builder.endAside();
        (m_notes.last().endnote ? m_endnotes : m_footnotes).append(aside);
        m_flow = m_outerFlows.isEmpty() ? Flow{} : m_outerFlows.takeLast();
        return;
    }
    case Kind::Note:
        if (!m_notes.isEmpty()) {
            m_notes.removeLast();
        }
        break;
    case Kind::ListItem:
    case Kind::Cell:
    case Kind::Other:
        break;
    }
    m_builder.closeTo(open.builderDepth);
}

bool Reader::finish()
{
    if (!m_footnotes.isEmpty() || !m_endnotes.isEmpty()) {
        m_builder.closeTo(0);
        m_builder.startChapter();
        m_builder.openHeading(1);
        m_builder.text(tr("Notes"));
        m_builder.closeHeading(true, 0);
        for (const int aside : std::as_const(m_footnotes)) {
            m_builder.insertAside(aside);
        }
        for (const int aside : std::as_const(m_endnotes)) {
            m_builder.insertAside(aside);
        }
    }
    if (!m_builder.finish()) {
        return false;
    }
    if (m_book->title.isEmpty() && !m_book->contents.isEmpty()) {
        m_book->title = m_book->contents.first().title;
    }
    return true;
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
    bool damaged = false;
    QString damage;
    const bool zipped = file.peek(4) == QByteArrayLiteral("PK\x03\x04");
    Books::ZipBook zip;
    Reader reader(book, zipped ? &zip : nullptr);
    if (!zipped) {
        // A flat document: one XML file holding styles, metadata and text.
        if (file.size() > MaxFlatFileSize) {
            return fail(tr("The file is far too large to be a document."));
        }
        const QByteArray data = file.readAll();
        if (!data.contains("opendocument")) {
            return fail(tr("It is not an OpenDocument text."));
        }
        reader.readPart(data, &damaged, &damage);
    } else {
        file.close();
        if (!zip.open(path)) {
            return fail(tr("It is not an OpenDocument text: the file is not a zip archive, or the "
                           "archive is damaged."));
        }
        QByteArray data;
        if (zip.read(QStringLiteral("mimetype"), &data)) {
            const QByteArray type = data.trimmed();
            if (type.startsWith("application/vnd.oasis.opendocument.") &&
                !type.startsWith("application/vnd.oasis.opendocument.text")) {
                return fail(tr("It is not a text document but another kind of OpenDocument "
                               "(%1).")
                                .arg(QString::fromLatin1(type.mid(36))));
            }
        }
        QByteArray manifest;
        if (zip.read(QStringLiteral("META-INF/manifest.xml"), &manifest) &&
            manifest.contains("encryption-data")) {
            return fail(tr("The document is protected by a password and cannot be read."));
        }
        if (!zip.contains(QStringLiteral("content.xml"))) {
            return fail(tr("It is not an OpenDocument text: it has no content part."));
        }
        QString readError;
        for (const char* part : {"styles.xml", "meta.xml", "content.xml"}) {
            if (!zip.contains(QLatin1String(part))) {
                continue;
            }
            if (!zip.read(QLatin1String(part), &data, &readError)) {
                return fail(readError);
            }
            reader.readPart(data, &damaged, &damage);
        }
    }
    if (zipped && zip.exhausted()) {
        return fail(zip.exhaustedMessage());
    }
    if (damaged) {
        book->warnings.append(
            tr("The document is damaged (%1); what could be read is shown.").arg(damage));
    }
    if (!reader.finish()) {
        return fail(damaged ? tr("The document is damaged: %1.").arg(damage)
                            : tr("The document holds no text."));
    }
    return true;
}

} // namespace Odt
