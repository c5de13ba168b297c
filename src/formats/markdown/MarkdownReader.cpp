#include "formats/markdown/MarkdownReader.h"

#include "formats/package/BookPackage.h"
#include "formats/package/ChapterBuilder.h"
#include "formats/package/PictureLimits.h"
#include "formats/rtf/PlainTextDecoder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextList>
#include <QTextTable>
#include <QUrl>

namespace Markdown {

namespace {

using Books::ChapterBuilder;

QString tr(const char* text)
{
    return QCoreApplication::translate("Markdown", text);
}

// Notes far larger than this are not notes; Qt's reader holds the whole text at once.
constexpr qint64 MaxFileSize = qint64(64) * 1024 * 1024;
constexpr qint64 MaxPictureFileSize = qint64(64) * 1024 * 1024;
constexpr int MaxPictures = 10000;
constexpr int MaxTableNesting = 8;

struct FrontMatter
{
    QString title;
    QString author;
    QString language;
};

// Takes a leading "---" block of "key: value" lines off text.
FrontMatter takeFrontMatter(QString* text)
{
    FrontMatter matter;
    if (!text->startsWith(QLatin1String("---\n"))) {
        return matter;
    }
    const QStringList lines = text->left(8192).split(QLatin1Char('\n'));
    for (int i = 1; i < lines.size() - 1; ++i) {
        const QString& line = lines.at(i);
        if (line == QLatin1String("---") || line == QLatin1String("...")) {
            qsizetype end = 0;
            for (int j = 0; j <= i; ++j) {
                end += lines.at(j).size() + 1;
            }
            text->remove(0, end);
            return matter;
        }
        const int colon = line.indexOf(QLatin1Char(':'));
        if (colon <= 0) {
            continue;
        }
        const QString key = line.left(colon).trimmed().toLower();
        QString value = line.mid(colon + 1).trimmed();
        if (value.size() >= 2 && (value.startsWith(QLatin1Char('"')) || value.startsWith(u'\'')) &&
            value.endsWith(value.at(0))) {
            value = value.mid(1, value.size() - 2);
        }
        if (key == QLatin1String("title")) {
            matter.title = value;
        } else if (key == QLatin1String("author")) {
            matter.author = value;
        } else if (key == QLatin1String("lang") || key == QLatin1String("language")) {
            matter.language = value;
        }
    }
    return {}; // no end line: it was not front matter, and the text stays as it is
}

// Footnotes as GitHub writes them ("text[^tide]" and a line "[^tide]: The note."), which Qt's
// reader leaves as text: the definitions are taken out of the text, and each reference becomes
// a marker of private-use characters that the writer turns into a note link.
struct Footnotes
{
    QStringList ids;               // in the order they are first referred to
    QHash<QString, QString> notes; // id -> the note's Markdown
};

constexpr char16_t NoteStart = 0xE000;
constexpr char16_t NoteEnd = 0xE001;
constexpr int MaxFootnotes = 10000;

Footnotes takeFootnotes(QString* text)
{
    Footnotes footnotes;
    static const QRegularExpression definition(
        QStringLiteral("^ {0,3}\\[\\^([^\\]\\s]+)\\]:\\s?(.*)$"));
    static const QRegularExpression reference(QStringLiteral("\\[\\^([^\\]\\s]+)\\]"));
    const QStringList lines = text->split(QLatin1Char('\n'));
    QStringList kept;
    bool fenced = false;
    QString current; // the note whose lines are being read
    for (const QString& line : lines) {
        const QString trimmed = line.trimmed();
        if (trimmed.startsWith(QLatin1String("```")) || trimmed.startsWith(QLatin1String("~~~"))) {
            fenced = !fenced;
            current.clear();
            kept.append(line);
            continue;
        }
        if (!fenced) {
            const QRegularExpressionMatch match = definition.match(line);
            if (match.hasMatch() && footnotes.notes.size() < MaxFootnotes) {
                current = match.captured(1);
                footnotes.notes.insert(current, match.captured(2));
                continue;
            }
            // A note goes on over the indented lines below it.
            if (!current.isEmpty() &&
                (line.startsWith(QLatin1String("  ")) || line.startsWith(QLatin1Char('\t')))) {
                footnotes.notes[current] += QLatin1Char('\n') + line.trimmed();
                continue;
            }
            current.clear();
        }
        kept.append(line);
    }
    if (footnotes.notes.isEmpty()) {
        return footnotes;
    }
    fenced = false;
    for (QString& line : kept) {
        const QString trimmed = line.trimmed();
        if (trimmed.startsWith(QLatin1String("```")) || trimmed.startsWith(QLatin1String("~~~"))) {
            fenced = !fenced;
            continue;
        }
        if (fenced || !line.contains(QLatin1String("[^"))) {
            continue;
        }
        QString out;
        qsizetype last = 0;
        for (auto it = reference.globalMatch(line); it.hasNext();) {
            const QRegularExpressionMatch match = it.next();
            const QString id = match.captured(1);
            if (!footnotes.notes.contains(id)) {
                continue;
            }
            if (!footnotes.ids.contains(id)) {
                footnotes.ids.append(id);
            }
            out += line.mid(last, match.capturedStart() - last);
            out += QChar(NoteStart) + QString::number(footnotes.ids.indexOf(id)) + QChar(NoteEnd);
            last = match.capturedEnd();
        }
        line = out + line.mid(last);
    }
    *text = kept.join(QLatin1Char('\n'));
    return footnotes;
}

class Writer
{
public:
    Writer(Books::BookPackage* book, const QString& folder)
        : m_book(book), m_builder(book), m_folder(folder)
    {
    }

    void writeFrame(QTextFrame* frame);
    // The notes referred to, in a chapter of their own at the end.
    void writeNotes(const Footnotes& footnotes);
    bool finish() { return m_builder.finish(); }

private:
    struct OpenList
    {
        int depthBefore;
        const QTextList* list;
    };

    void writeBlock(const QTextBlock& block);
    void writeTable(QTextTable* table);
    void writeFragments(const QTextBlock& block);
    void setQuoteLevel(int level);
    void closeLists();
    void closeCode();
    void picture(const QTextImageFormat& format);
    void writeText(const QString& text, const Books::InlineFormat& format);
    void backLink();
    bool atTop() const { return m_tables == 0 && m_noteKey.isEmpty(); }

    Books::BookPackage* m_book;
    ChapterBuilder m_builder;
    QString m_folder;
    QList<OpenList> m_lists;
    QList<int> m_quotes;  // builder depth before each open quote
    int m_codeDepth = -1; // builder depth before the open code block
    int m_tables = 0;
    QHash<QString, QString> m_pictures; // file -> entry name
    QString m_noteKey;                  // the note being written
    bool m_backLinkPending = false;
};

QString noteKey(int index)
{
    return QStringLiteral("md-note:%1").arg(index);
}

void Writer::backLink()
{
    if (!m_backLinkPending) {
        return;
    }
    m_backLinkPending = false;
    m_builder.suspendNoteText(true);
    m_builder.openInternalLink(ChapterBuilder::referenceKey(m_noteKey));
    m_builder.text(QString::number(m_noteKey.section(QLatin1Char(':'), 1).toInt() + 1));
    m_builder.close();
    m_builder.text(QStringLiteral(" "));
    m_builder.suspendNoteText(false);
}

// Text with the note markers of takeFootnotes() made into note links.
void Writer::writeText(const QString& text, const Books::InlineFormat& format)
{
    qsizetype last = 0;
    for (qsizetype start = text.indexOf(QChar(NoteStart)); start >= 0;
         start = text.indexOf(QChar(NoteStart), last)) {
        const qsizetype end = text.indexOf(QChar(NoteEnd), start);
        if (end < 0) {
            break;
        }
        m_builder.text(QStringView(text).mid(last, start - last), format);
        bool ok = false;
        const int index = QStringView(text).mid(start + 1, end - start - 1).toInt(&ok);
        if (ok) {
            m_builder.open(QStringLiteral("sup"));
            m_builder.openNoteReference(noteKey(index));
            m_builder.text(QString::number(index + 1));
            m_builder.close();
            m_builder.close();
        }
        last = end + 1;
    }
    m_builder.text(QStringView(text).mid(last), format);
}

void Writer::writeNotes(const Footnotes& footnotes)
{
    if (footnotes.ids.isEmpty()) {
        return;
    }
    m_builder.closeTo(0);
    m_builder.startChapter();
    m_builder.openHeading(1);
    m_builder.text(tr("Notes"));
    m_builder.closeHeading(true, 0);
    for (int index = 0; index < footnotes.ids.size(); ++index) {
        m_noteKey = noteKey(index);
        m_builder.openNote(m_noteKey);
        m_backLinkPending = true;
        QTextDocument note;
        note.setMarkdown(footnotes.notes.value(footnotes.ids.at(index)),
                         QTextDocument::MarkdownDialectGitHub);
        writeFrame(note.rootFrame());
        if (m_backLinkPending) {
            m_builder.open(QStringLiteral("p"));
            backLink();
            m_builder.close();
        }
        m_builder.closeNote();
    }
    m_noteKey.clear();
}

void Writer::closeLists()
{
    if (!m_lists.isEmpty()) {
        m_builder.closeTo(m_lists.first().depthBefore);
        m_lists.clear();
    }
}

void Writer::closeCode()
{
    if (m_codeDepth >= 0) {
        m_builder.closeTo(m_codeDepth);
        m_codeDepth = -1;
    }
}

void Writer::setQuoteLevel(int level)
{
    level = qBound(0, level, 16);
    if (level == m_quotes.size()) {
        return;
    }
    closeCode();
    closeLists();
    while (m_quotes.size() > level) {
        m_builder.closeTo(m_quotes.takeLast());
    }
    while (m_quotes.size() < level) {
        m_quotes.append(m_builder.depth());
        m_builder.open(QStringLiteral("blockquote"));
    }
}

void Writer::writeFrame(QTextFrame* frame)
{
    for (auto it = frame->begin(); !it.atEnd(); ++it) {
        if (QTextFrame* child = it.currentFrame()) {
            closeCode();
            closeLists();
            if (auto* table = qobject_cast<QTextTable*>(child)) {
                writeTable(table);
            } else {
                writeFrame(child);
            }
        } else {
            writeBlock(it.currentBlock());
        }
    }
    closeCode();
    closeLists();
}

void Writer::writeTable(QTextTable* table)
{
    if (m_tables >= MaxTableNesting) {
        return;
    }
    if (atTop()) {
        m_builder.splitIfLarger(ChapterBuilder::HardChapterSize);
    }
    ++m_tables;
    const int before = m_builder.depth();
    m_builder.open(QStringLiteral("table"), {{QStringLiteral("border"), QStringLiteral("1")},
                                             {QStringLiteral("cellpadding"), QStringLiteral("4")}});
    for (int row = 0; row < table->rows(); ++row) {
        m_builder.open(QStringLiteral("tr"));
        for (int column = 0; column < table->columns(); ++column) {
            const QTextTableCell cell = table->cellAt(row, column);
            if (cell.row() != row || cell.column() != column) {
                continue; // covered by a cell spanning it
            }
            ChapterBuilder::Attributes attributes;
            if (cell.columnSpan() > 1) {
                attributes.append({QStringLiteral("colspan"), QString::number(cell.columnSpan())});
            }
            if (cell.rowSpan() > 1) {
                attributes.append({QStringLiteral("rowspan"), QString::number(cell.rowSpan())});
            }
            m_builder.open(row == 0 ? QStringLiteral("th") : QStringLiteral("td"), attributes);
            for (auto it = cell.begin(); !it.atEnd(); ++it) {
                if (auto* inner = qobject_cast<QTextTable*>(it.currentFrame())) {
                    writeTable(inner);
                } else if (it.currentFrame()) {
                    writeFrame(it.currentFrame());
                } else {
                    writeFragments(it.currentBlock());
                }
            }
            m_builder.close();
        }
        m_builder.close();
    }
    m_builder.closeTo(before);
    --m_tables;
}

void Writer::writeBlock(const QTextBlock& block)
{
    const QTextBlockFormat format = block.blockFormat();
    setQuoteLevel(format.intProperty(QTextFormat::BlockQuoteLevel));
    if (format.hasProperty(QTextFormat::BlockCodeFence) || format.nonBreakableLines()) {
        closeLists();
        if (m_codeDepth < 0) {
            m_codeDepth = m_builder.depth();
            m_builder.open(QStringLiteral("pre"));
        } else {
            m_builder.text(QStringLiteral("\n"));
        }
        Books::InlineFormat code;
        code.monospace = true;
        m_builder.text(block.text(), code);
        return;
    }
    closeCode();
    if (format.hasProperty(QTextFormat::BlockTrailingHorizontalRulerWidth)) {
        closeLists();
        m_builder.element(QStringLiteral("hr"));
        return;
    }
    if (const int level = format.headingLevel(); level > 0) {
        closeLists();
        if (atTop() && m_quotes.isEmpty() && level == 1) {
            m_builder.startChapter();
        } else if (atTop()) {
            m_builder.splitIfLarger(ChapterBuilder::SoftChapterSize);
        }
        m_builder.openHeading(level, QStringLiteral("md:") + headingSlug(block.text()));
        writeFragments(block);
        m_builder.closeHeading(true, level - 1);
        return;
    }
    if (QTextList* list = block.textList()) {
        const int level = qBound(1, list->format().indent(), 16);
        while (!m_lists.isEmpty() && m_lists.size() > level) {
            m_builder.closeTo(m_lists.takeLast().depthBefore);
        }
        if (m_lists.size() == level && m_lists.last().list != list) {
            m_builder.closeTo(m_lists.takeLast().depthBefore);
        } else if (m_lists.size() == level) {
            m_builder.closeTo(m_lists.last().depthBefore + 1); // the item before ends
        }
        while (m_lists.size() < level) {
            const QTextListFormat::Style style = list->format().style();
            const bool ordered = style == QTextListFormat::ListDecimal ||
                                 style == QTextListFormat::ListLowerAlpha ||
                                 style == QTextListFormat::ListUpperAlpha ||
                                 style == QTextListFormat::ListLowerRoman ||
                                 style == QTextListFormat::ListUpperRoman;
            m_lists.append({m_builder.depth(), list});
            m_builder.open(ordered ? QStringLiteral("ol") : QStringLiteral("ul"));
            if (m_lists.size() < level) {
                m_builder.open(QStringLiteral("li"));
            }
        }
        m_builder.open(QStringLiteral("li"));
        if (format.marker() == QTextBlockFormat::MarkerType::Checked) {
            m_builder.text(QStringLiteral("\u2612 "));
        } else if (format.marker() == QTextBlockFormat::MarkerType::Unchecked) {
            m_builder.text(QStringLiteral("\u2610 "));
        }
        writeFragments(block);
        return;
    }
    if (!m_lists.isEmpty() && format.indent() > 0) {
        // A further paragraph of the list item above.
        m_builder.element(QStringLiteral("br"));
        writeFragments(block);
        return;
    }
    closeLists();
    if (block.length() <= 1) {
        return; // the empty block Qt leaves after a table
    }
    if (atTop()) {
        m_builder.splitIfLarger(ChapterBuilder::HardChapterSize);
    }
    ChapterBuilder::Attributes attributes;
    if (block.blockFormat().alignment() & Qt::AlignHCenter) {
        attributes.append({QStringLiteral("align"), QStringLiteral("center")});
    } else if (block.blockFormat().alignment() & Qt::AlignRight) {
        attributes.append({QStringLiteral("align"), QStringLiteral("right")});
    }
    m_builder.open(QStringLiteral("p"), attributes);
    backLink();
    writeFragments(block);
    m_builder.close();
}

void Writer::writeFragments(const QTextBlock& block)
{
    const int before = m_builder.depth();
    QString openHref;
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        const QTextCharFormat format = fragment.charFormat();
        const QString href = format.isAnchor() ? format.anchorHref() : QString();
        if (href != openHref) {
            m_builder.closeTo(before);
            openHref = href;
            if (href.startsWith(QLatin1Char('#'))) {
                m_builder.openInternalLink(QStringLiteral("md:") +
                                           QUrl::fromPercentEncoding(href.mid(1).toUtf8()));
            } else if (!href.isEmpty()) {
                m_builder.openLink(href);
            }
        }
        if (format.isImageFormat()) {
            picture(format.toImageFormat());
            continue;
        }
        Books::InlineFormat inline_;
        inline_.bold = format.fontWeight() >= QFont::DemiBold;
        inline_.italic = format.fontItalic();
        inline_.strike = format.fontStrikeOut();
        inline_.monospace =
            format.fontFixedPitch() ||
            format.fontFamilies().toStringList().contains(QLatin1String("monospace"));
        inline_.underline = format.fontUnderline() && !format.isAnchor();
        inline_.vertical = format.verticalAlignment() == QTextCharFormat::AlignSuperScript ? 1
                           : format.verticalAlignment() == QTextCharFormat::AlignSubScript ? -1
                                                                                           : 0;
        const QStringList lines = fragment.text().split(QChar::LineSeparator);
        for (int i = 0; i < lines.size(); ++i) {
            if (i > 0) {
                m_builder.element(QStringLiteral("br"));
            }
            writeText(lines.at(i), inline_);
        }
    }
    m_builder.closeTo(before);
}

void Writer::picture(const QTextImageFormat& format)
{
    const QString alt = format.stringProperty(QTextFormat::ImageAltText);
    const QUrl url(format.name());
    auto describe = [&] {
        if (!alt.isEmpty()) {
            m_builder.text(QStringLiteral("[%1]").arg(alt));
        }
    };
    if (!url.isRelative() && !url.isLocalFile()) {
        describe(); // never fetched from the web
        return;
    }
    const QString relative = url.isLocalFile() ? url.toLocalFile() : url.path(QUrl::FullyDecoded);
    if (relative.isEmpty() || QDir::isAbsolutePath(relative)) {
        describe();
        return;
    }
    const QString file = QDir::cleanPath(QDir(m_folder).absoluteFilePath(relative));
    QString name = m_pictures.value(file);
    if (name.isEmpty()) {
        QFile picture(file);
        if (m_pictures.size() >= MaxPictures || !picture.open(QIODevice::ReadOnly) ||
            picture.size() > MaxPictureFileSize) {
            describe();
            return;
        }
        const QByteArray bytes = picture.readAll();
        QString why;
        if (!Books::PictureLimits::acceptable(bytes, &why)) {
            m_book->warnings.append(tr("The picture %1 is not shown: %2.").arg(relative, why));
            describe();
            return;
        }
        QString suffix = QFileInfo(file).suffix().toLower();
        if (suffix.size() > 5 || !std::all_of(suffix.cbegin(), suffix.cend(), [](QChar c) {
                return c.isLetterOrNumber() && c.unicode() < 128;
            })) {
            suffix = QStringLiteral("bin");
        }
        name = QStringLiteral("images/%1.%2").arg(m_pictures.size() + 1).arg(suffix);
        m_pictures.insert(file, name);
        m_book->addResource(name, bytes);
    }
    m_builder.element(QStringLiteral("img"),
                      {{QStringLiteral("src"), name}, {QStringLiteral("alt"), alt}});
}

} // namespace

QString headingSlug(const QString& text)
{
    QString slug;
    for (const QChar c : text.trimmed().toLower()) {
        if (c.isLetterOrNumber() || c == QLatin1Char('-') || c == QLatin1Char('_')) {
            slug += c;
        } else if (c.isSpace()) {
            slug += QLatin1Char('-');
        }
    }
    return slug;
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
        return fail(tr("The file cannot be opened: %1.").arg(file.errorString()));
    }
    if (file.size() > MaxFileSize) {
        return fail(tr("The file is far too large to be read as Markdown."));
    }
    const PlainText::Book decoded = PlainText::decodeBook(file.readAll());
    if (decoded.binary) {
        return fail(tr("It is not a Markdown text but a binary file%1.")
                        .arg(decoded.binaryKind.isEmpty()
                                 ? QString()
                                 : QStringLiteral(" (%1)").arg(decoded.binaryKind)));
    }
    QString text = decoded.text;
    const FrontMatter matter = takeFrontMatter(&text);
    const Footnotes footnotes = takeFootnotes(&text);
    QTextDocument document;
    document.setMarkdown(text, QTextDocument::MarkdownDialectGitHub);
    Writer writer(book, QFileInfo(path).absolutePath());
    writer.writeFrame(document.rootFrame());
    writer.writeNotes(footnotes);
    if (!writer.finish()) {
        return fail(tr("The file holds no text."));
    }
    book->title = !matter.title.isEmpty()     ? matter.title
                  : !book->contents.isEmpty() ? book->contents.first().title
                                              : QFileInfo(path).completeBaseName();
    book->author = matter.author;
    book->language = matter.language;
    return true;
}

} // namespace Markdown
