#include "formats/fb2/Fb2Reader.h"

#include "formats/package/BookPackage.h"
#include "formats/package/ChapterBuilder.h"
#include "formats/package/PictureLimits.h"
#include "formats/package/ZipBook.h"
#include "formats/rtf/PlainTextDecoder.h"

#include <QCoreApplication>
#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QXmlStreamReader>

namespace Fb2 {

namespace {

using Books::ChapterBuilder;

QString tr(const char* text)
{
    return QCoreApplication::translate("Fb2", text);
}

// A plain FB2 file larger than this is not a book anyone wrote.
constexpr qint64 MaxFileSize = qint64(256) * 1024 * 1024;
constexpr int MaxBinaries = 10000;
// Untitled sections named by their first words in the contents.
constexpr int FallbackTitleLength = 60;

QString attribute(const QXmlStreamAttributes& attributes, QLatin1String name)
{
    // Prefixes are ignored: "l:href", "xlink:href" and a bare "href" are all the link.
    for (const QXmlStreamAttribute& a : attributes) {
        if (a.name() == name) {
            return a.value().toString();
        }
    }
    return {};
}

// The entry name a binary's id is shown under: the id itself where it is a plain name.
QString pictureName(const QString& id)
{
    QString name;
    for (const QChar c : id.left(80)) {
        name += c.isLetterOrNumber() && c.unicode() < 128 ? c : QLatin1Char('_');
    }
    if (name != id) {
        name += QLatin1Char('-') + QString::number(qHash(id), 16);
    }
    return QStringLiteral("images/") + name;
}

// Elements whose text is part of a paragraph, where white space counts.
bool isInline(QStringView name)
{
    static const QStringList names = {
        QStringLiteral("p"),           QStringLiteral("v"),     QStringLiteral("subtitle"),
        QStringLiteral("text-author"), QStringLiteral("date"),  QStringLiteral("th"),
        QStringLiteral("td"),          QStringLiteral("a"),     QStringLiteral("strong"),
        QStringLiteral("emphasis"),    QStringLiteral("style"), QStringLiteral("strikethrough"),
        QStringLiteral("sub"),         QStringLiteral("sup"),   QStringLiteral("code")};
    return names.contains(name);
}

class Parser
{
public:
    explicit Parser(Books::BookPackage* book) : m_book(book), m_builder(book) {}

    bool parse(QXmlStreamReader& xml, QString* error);

private:
    struct Open
    {
        QString name;
        int builderDepth;
        bool inlineText = false; // its text is part of a paragraph
    };

    void readDescription(QXmlStreamReader& xml);
    void readBody(QXmlStreamReader& xml);
    void readBinary(QXmlStreamReader& xml);
    void startElement(QXmlStreamReader& xml);
    void endElement();
    void openBlock(const QString& tag, ChapterBuilder::Attributes attributes = {});
    void picture(const QXmlStreamAttributes& attributes, bool inlinePicture);
    void takeKey(const QXmlStreamAttributes& attributes);
    QString parentName() const { return m_open.isEmpty() ? QString() : m_open.last().name; }

    Books::BookPackage* m_book;
    ChapterBuilder m_builder;
    QList<Open> m_open;
    QStringList m_pendingKeys; // ids of sections waiting for their first block
    bool m_notesBody = false;
    int m_sectionDepth = 0;
    int m_titleLines = 0; // paragraphs met in the title being written
    bool m_inTitle = false;
    bool m_bodyTitled = false;
    // The first words of an untitled top section, for contents when the book has no titles.
    QString m_untitledKey;
    QString m_untitledText;
    bool m_capturing = false;
    QList<std::pair<QString, QString>> m_fallbackContents; // title, key
    int m_madeUpKeys = 0;
    int m_binaries = 0;
    QString m_coverHref;
};

bool Parser::parse(QXmlStreamReader& xml, QString* error)
{
    bool sawRoot = false;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement()) {
            continue;
        }
        const auto name = xml.name();
        if (!sawRoot) {
            if (name != QLatin1String("FictionBook")) {
                break;
            }
            sawRoot = true;
        } else if (name == QLatin1String("description")) {
            readDescription(xml);
        } else if (name == QLatin1String("body")) {
            readBody(xml);
        } else if (name == QLatin1String("binary")) {
            readBinary(xml);
        }
    }
    if (xml.hasError() && sawRoot) {
        m_book->warnings.append(tr("The book is damaged (%1 at line %2); what could be read is "
                                   "shown.")
                                    .arg(xml.errorString())
                                    .arg(xml.lineNumber()));
    }
    if (!m_builder.hasContents()) {
        for (const auto& [title, key] : std::as_const(m_fallbackContents)) {
            m_builder.addContents(title, 0, key);
        }
    }
    if (!sawRoot || !m_builder.finish()) {
        if (error) {
            *error = !sawRoot ? (xml.hasError() ? tr("It is not an FB2 book: %1 at line %2.")
                                                      .arg(xml.errorString())
                                                      .arg(xml.lineNumber())
                                                : tr("It is not an FB2 book."))
                              : tr("The book holds no text.");
        }
        return false;
    }
    return true;
}

void Parser::readDescription(QXmlStreamReader& xml)
{
    QStringList path;
    QStringList authors;
    QStringList names; // parts of the author being read
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isEndElement()) {
            if (path.isEmpty()) {
                break;
            }
            if (path.last() == QLatin1String("author") && path.size() == 2 &&
                path.first() == QLatin1String("title-info")) {
                const QString author = names.join(QLatin1Char(' ')).simplified();
                if (!author.isEmpty()) {
                    authors.append(author);
                }
                names.clear();
            }
            path.removeLast();
            continue;
        }
        if (!xml.isStartElement()) {
            continue;
        }
        const QString name = xml.name().toString();
        const QString section = path.value(0);
        if (section == QLatin1String("title-info") && path.size() == 1 &&
            name == QLatin1String("book-title")) {
            m_book->title = xml.readElementText(QXmlStreamReader::SkipChildElements).simplified();
        } else if (section == QLatin1String("title-info") && path.size() == 1 &&
                   name == QLatin1String("lang")) {
            m_book->language = xml.readElementText(QXmlStreamReader::SkipChildElements).trimmed();
        } else if (section == QLatin1String("title-info") && path.size() == 2 &&
                   path.last() == QLatin1String("author") &&
                   (name == QLatin1String("first-name") || name == QLatin1String("middle-name") ||
                    name == QLatin1String("last-name") || name == QLatin1String("nickname"))) {
            const QString part = xml.readElementText(QXmlStreamReader::SkipChildElements);
            // A nickname names the author only when nothing else does.
            if (name != QLatin1String("nickname") || names.isEmpty()) {
                names.append(part);
            }
        } else if (section == QLatin1String("title-info") && path.size() == 2 &&
                   path.last() == QLatin1String("coverpage") && name == QLatin1String("image")) {
            if (m_coverHref.isEmpty()) {
                m_coverHref = attribute(xml.attributes(), QLatin1String("href"));
            }
            xml.skipCurrentElement();
        } else if (section == QLatin1String("document-info") && path.size() == 1 &&
                   name == QLatin1String("id")) {
            m_book->identifier = xml.readElementText(QXmlStreamReader::SkipChildElements).trimmed();
        } else if (path.size() > 3) {
            xml.skipCurrentElement(); // nothing we show lies this deep
        } else {
            path.append(name);
        }
    }
    m_book->author = authors.join(QLatin1String(", "));
    if (m_coverHref.startsWith(QLatin1Char('#'))) {
        m_builder.startChapter();
        m_builder.open(QStringLiteral("p"), {{QStringLiteral("align"), QStringLiteral("center")}});
        m_builder.element(QStringLiteral("img"),
                          {{QStringLiteral("src"), pictureName(m_coverHref.mid(1))},
                           {QStringLiteral("alt"), tr("Cover")}});
        m_builder.close();
    }
}

void Parser::readBody(QXmlStreamReader& xml)
{
    const QString kind = attribute(xml.attributes(), QLatin1String("name"));
    m_notesBody = kind == QLatin1String("notes") || kind == QLatin1String("comments") ||
                  kind == QLatin1String("footnotes");
    m_sectionDepth = 0;
    m_bodyTitled = false;
    m_open.clear();
    m_builder.startChapter();
    m_open.append({QStringLiteral("body"), m_builder.depth(), false});
    while (!xml.atEnd() && !m_open.isEmpty()) {
        xml.readNext();
        if (xml.isStartElement()) {
            startElement(xml);
        } else if (xml.isEndElement()) {
            endElement();
        } else if (xml.isCharacters() && !m_open.isEmpty()) {
            const QStringView text = xml.text();
            if (m_open.last().inlineText || (m_inTitle && !xml.isWhitespace())) {
                m_builder.text(text);
                if (m_capturing) {
                    m_untitledText += text;
                }
            } else if (!xml.isWhitespace()) {
                // Text loose in a section: shown as a paragraph of its own.
                openBlock(QStringLiteral("p"));
                m_builder.text(text);
                m_builder.close();
            }
        }
    }
    m_builder.closeTo(0);
    m_pendingKeys.clear();
    m_inTitle = false;
    m_capturing = false;
}

void Parser::takeKey(const QXmlStreamAttributes& attributes)
{
    const QString id = attribute(attributes, QLatin1String("id"));
    if (!id.isEmpty()) {
        m_pendingKeys.append(id);
    }
}

// Opens a block, which takes the ids of the sections waiting for one.
void Parser::openBlock(const QString& tag, ChapterBuilder::Attributes attributes)
{
    if (!m_pendingKeys.isEmpty()) {
        attributes.prepend({QStringLiteral("id"), m_builder.anchorId(m_pendingKeys.takeFirst())});
    }
    m_builder.open(tag, attributes);
    for (const QString& key : std::as_const(m_pendingKeys)) {
        m_builder.anchor(key);
    }
    m_pendingKeys.clear();
}

void Parser::picture(const QXmlStreamAttributes& attributes, bool inlinePicture)
{
    const QString href = attribute(attributes, QLatin1String("href"));
    if (!href.startsWith(QLatin1Char('#'))) {
        return; // pictures outside the book are never fetched
    }
    const ChapterBuilder::Attributes picture{
        {QStringLiteral("src"), pictureName(href.mid(1))},
        {QStringLiteral("alt"), attribute(attributes, QLatin1String("alt"))}};
    if (inlinePicture) {
        m_builder.element(QStringLiteral("img"), picture);
        return;
    }
    openBlock(QStringLiteral("p"), {{QStringLiteral("align"), QStringLiteral("center")}});
    m_builder.element(QStringLiteral("img"), picture);
    m_builder.close();
}

void Parser::startElement(QXmlStreamReader& xml)
{
    const QString name = xml.name().toString();
    const QString parent = parentName();
    const QXmlStreamAttributes attributes = xml.attributes();
    const int depthBefore = m_builder.depth();
    m_open.append({name, depthBefore, isInline(name)});
    auto align = [&](const QString& tag, const char* side, const char* inner) {
        openBlock(tag, {{QStringLiteral("align"), QLatin1String(side)}});
        if (inner) {
            m_builder.open(QLatin1String(inner));
        }
    };

    if (name == QLatin1String("section")) {
        ++m_sectionDepth;
        if (m_notesBody && m_sectionDepth == 1) {
            m_pendingKeys.clear();
            m_builder.openNote(attribute(attributes, QLatin1String("id")));
            return;
        }
        if (m_sectionDepth == 1) {
            m_builder.startChapter();
        } else {
            m_builder.splitIfLarger(ChapterBuilder::SoftChapterSize);
        }
        takeKey(attributes);
        if (m_sectionDepth == 1 && !m_notesBody) {
            // Until a title shows, the section may have to be named by its first words.
            if (m_pendingKeys.isEmpty()) {
                m_pendingKeys.append(QStringLiteral("\x01section:%1").arg(++m_madeUpKeys));
            }
            m_untitledKey = m_pendingKeys.last();
            m_untitledText.clear();
        }
    } else if (name == QLatin1String("title") &&
               (parent == QLatin1String("section") || parent == QLatin1String("body"))) {
        m_inTitle = true;
        m_titleLines = 0;
        m_untitledKey.clear();
        const bool bodyTitle = parent == QLatin1String("body");
        if (m_notesBody && !bodyTitle) {
            // A note's title is its number: shown, but not part of the pop-up.
            m_builder.suspendNoteText(true);
            openBlock(QStringLiteral("p"));
            m_builder.open(QStringLiteral("b"));
        } else {
            m_bodyTitled = m_bodyTitled || bodyTitle;
            const int level = bodyTitle ? 1 : qMin(6, m_sectionDepth + (m_bodyTitled ? 1 : 0));
            const QString key = m_pendingKeys.isEmpty() ? QString() : m_pendingKeys.takeFirst();
            m_builder.openHeading(level, key);
            for (const QString& other : std::as_const(m_pendingKeys)) {
                m_builder.anchor(other);
            }
            m_pendingKeys.clear();
        }
    } else if (m_inTitle && name == QLatin1String("p")) {
        if (m_titleLines++ > 0) {
            m_builder.element(QStringLiteral("br"));
        }
    } else if (m_inTitle && name == QLatin1String("empty-line")) {
        // A title's blank line adds nothing to a heading.
    } else if (name == QLatin1String("p")) {
        if (parent == QLatin1String("section") || parent == QLatin1String("body")) {
            m_builder.splitIfLarger(ChapterBuilder::HardChapterSize);
        }
        openBlock(QStringLiteral("p"));
        if (!m_untitledKey.isEmpty() && m_sectionDepth == 1 && m_untitledText.isEmpty()) {
            m_capturing = true;
        }
    } else if (name == QLatin1String("subtitle")) {
        align(QStringLiteral("p"), "center", "b");
    } else if (name == QLatin1String("text-author")) {
        align(QStringLiteral("p"), "right", "i");
    } else if (name == QLatin1String("date")) {
        align(QStringLiteral("p"), "right", nullptr);
    } else if (name == QLatin1String("empty-line")) {
        openBlock(QStringLiteral("p"));
        m_builder.text(QStringLiteral("\u00a0"));
        m_builder.close();
    } else if (name == QLatin1String("epigraph")) {
        openBlock(QStringLiteral("blockquote"), {{QStringLiteral("class"), name}});
    } else if (name == QLatin1String("cite") || name == QLatin1String("annotation")) {
        openBlock(QStringLiteral("blockquote"), {{QStringLiteral("class"), name}});
    } else if (name == QLatin1String("poem") || name == QLatin1String("stanza")) {
        openBlock(QStringLiteral("div"), {{QStringLiteral("class"), name}});
    } else if (name == QLatin1String("v")) {
        openBlock(QStringLiteral("p"),
                  {{QStringLiteral("class"), QStringLiteral("verse")},
                   {QStringLiteral("style"), QStringLiteral("margin-top: 0; margin-bottom: 0")}});
    } else if (name == QLatin1String("image")) {
        picture(attributes, isInline(parent) || m_inTitle);
    } else if (name == QLatin1String("table")) {
        m_builder.splitIfLarger(ChapterBuilder::HardChapterSize);
        openBlock(QStringLiteral("table"), {{QStringLiteral("border"), QStringLiteral("1")},
                                            {QStringLiteral("cellpadding"), QStringLiteral("4")}});
    } else if (name == QLatin1String("tr")) {
        m_builder.open(name);
    } else if (name == QLatin1String("th") || name == QLatin1String("td")) {
        ChapterBuilder::Attributes cell;
        for (const char* key : {"colspan", "rowspan", "align", "valign"}) {
            const QString value = attribute(attributes, QLatin1String(key));
            if (!value.isEmpty()) {
                cell.append({QLatin1String(key), value});
            }
        }
        m_builder.open(name, cell);
    } else if (name == QLatin1String("a")) {
        const QString href = attribute(attributes, QLatin1String("href"));
        if (href.startsWith(QLatin1Char('#')) &&
            attribute(attributes, QLatin1String("type")) == QLatin1String("note")) {
            m_builder.open(QStringLiteral("sup"));
            m_builder.openNoteReference(href.mid(1));
        } else if (href.startsWith(QLatin1Char('#'))) {
            m_builder.openInternalLink(href.mid(1));
        } else {
            m_builder.openLink(href);
        }
    } else if (name == QLatin1String("strong")) {
        m_builder.open(QStringLiteral("b"));
    } else if (name == QLatin1String("emphasis")) {
        m_builder.open(QStringLiteral("i"));
    } else if (name == QLatin1String("strikethrough")) {
        m_builder.open(QStringLiteral("s"));
    } else if (name == QLatin1String("sub") || name == QLatin1String("sup") ||
               name == QLatin1String("code")) {
        m_builder.open(name);
    } else if (name == QLatin1String("style")) {
        m_builder.open(QStringLiteral("span"));
    }
    // Other elements add nothing of their own; their text is kept.
}

void Parser::endElement()
{
    const Open closing = m_open.takeLast();
    const QString& name = closing.name;
    const QString parent = parentName();
    if (name == QLatin1String("title") &&
        (parent == QLatin1String("section") || parent == QLatin1String("body"))) {
        if (m_notesBody && parent == QLatin1String("section")) {
            m_builder.closeTo(closing.builderDepth);
            m_builder.suspendNoteText(false);
        } else {
            // The main body's title names the book, the notes body's title its notes.
            const bool listed = parent == QLatin1String("section") || m_notesBody;
            m_builder.closeHeading(listed, qMax(0, m_sectionDepth - 1));
        }
        m_inTitle = false;
        return;
    }
    m_builder.closeTo(closing.builderDepth);
    if (name == QLatin1String("p") && m_capturing) {
        m_capturing = false;
        QString title = m_untitledText.simplified();
        if (!title.isEmpty() && !m_untitledKey.isEmpty()) {
            if (title.size() > FallbackTitleLength) {
                title = title.left(FallbackTitleLength).trimmed() + QChar(0x2026);
            }
            m_fallbackContents.append({title, m_untitledKey});
        }
        m_untitledKey.clear();
    } else if (name == QLatin1String("section")) {
        if (m_notesBody && m_sectionDepth == 1) {
            m_builder.closeNote();
        }
        --m_sectionDepth;
        m_untitledKey.clear();
    }
}

void Parser::readBinary(QXmlStreamReader& xml)
{
    const QString id = attribute(xml.attributes(), QLatin1String("id"));
    const QString text = xml.readElementText(QXmlStreamReader::SkipChildElements);
    if (id.isEmpty() || ++m_binaries > MaxBinaries) {
        return;
    }
    const QByteArray bytes = QByteArray::fromBase64(text.toLatin1());
    QString why;
    if (!Books::PictureLimits::acceptable(bytes, &why)) {
        m_book->warnings.append(tr("The picture %1 is not shown: %2.").arg(id, why));
        return;
    }
    m_book->addResource(pictureName(id), bytes);
}

// The encoding the XML declaration names, or empty.
QByteArray declaredEncoding(const QByteArray& data)
{
    static const QRegularExpression declaration(
        QStringLiteral("^\\s*<\\?xml[^>]*encoding\\s*=\\s*[\"']([A-Za-z0-9._:-]+)[\"']"));
    const QRegularExpressionMatch match = declaration.match(QString::fromLatin1(data.left(256)));
    return match.hasMatch() ? match.captured(1).toLatin1() : QByteArray();
}

bool hasByteOrderMark(const QByteArray& data)
{
    return data.startsWith("\xEF\xBB\xBF") || data.startsWith("\xFF\xFE") ||
           data.startsWith("\xFE\xFF");
}

} // namespace

bool readBytes(const QByteArray& data, Books::BookPackage* book, QString* error)
{
    // The declaration is trusted where Qt knows its encoding and, for UTF-8, where the bytes
    // are UTF-8 indeed; otherwise the text is decoded as a plain-text book would be.
    const QByteArray declared = declaredEncoding(data);
    bool trustBytes = hasByteOrderMark(data);
    if (!trustBytes && !declared.isEmpty() &&
        QStringConverter::encodingForName(declared.constData()) != QStringConverter::Utf8) {
        trustBytes = QStringDecoder(declared.constData()).isValid();
    }
    if (!trustBytes) {
        QStringDecoder utf8(QStringConverter::Utf8);
        const QString check = utf8.decode(data);
        trustBytes = !utf8.hasError();
        Q_UNUSED(check)
    }
    Parser parser(book);
    if (trustBytes) {
        QXmlStreamReader xml(data);
        xml.setNamespaceProcessing(false);
        return parser.parse(xml, error);
    }
    const PlainText::Book decoded = PlainText::decodeBook(data);
    if (decoded.binary) {
        if (error) {
            *error = tr("It is not an FB2 book.");
        }
        return false;
    }
    QXmlStreamReader xml(decoded.text);
    xml.setNamespaceProcessing(false);
    if (!parser.parse(xml, error)) {
        return false;
    }
    book->warnings.append(tr("The book does not say its encoding rightly; it was read as %1.")
                              .arg(QString::fromLatin1(decoded.encoding)));
    return true;
}

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
        return fail(tr("The book cannot be opened: %1.").arg(file.errorString()));
    }
    const QByteArray start = file.peek(4);
    if (start == QByteArrayLiteral("PK\x03\x04")) {
        file.close();
        Books::ZipBook zip;
        QString zipError;
        if (!zip.open(path, &zipError)) {
            return fail(zipError);
        }
        QString entry;
        for (const QString& name : zip.entryNames()) {
            if (name.endsWith(QLatin1String(".fb2"), Qt::CaseInsensitive)) {
                entry = name;
                break;
            }
        }
        if (entry.isEmpty()) {
            return fail(tr("The zip archive holds no FB2 book."));
        }
        QByteArray data;
        if (!zip.read(entry, &data, &zipError)) {
            return fail(zipError);
        }
        return readBytes(data, book, error);
    }
    if (file.size() > MaxFileSize) {
        return fail(tr("The file is far too large to be an FB2 book."));
    }
    return readBytes(file.readAll(), book, error);
}

} // namespace Fb2
