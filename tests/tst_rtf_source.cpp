// Marks and bookmarks saved into RTF books from real producers: the saved file is the book's
// own bytes with only our groups added, reads back with the marks and pictures where they
// were set, and LibreOffice reads the same text from it as from the original.
#include "formats/rtf/RtfReader.h"
#include "formats/rtf/RtfSourceBook.h"
#include "formats/rtf/RtfWriter.h"
#include "support/FileBytes.h"
#include "support/TestMain.h"
#include "views/RichTextView.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QUrl>

#include <cctype>

namespace {

const QColor kMark(128, 0, 0); // the red pen's colour
const QString kPicture = QStringLiteral(QUILLMERE_APPDATA "/bookmark.bmp");

QStringList books()
{
    QStringList paths;
    for (const char* folder : {"/rtf-books", "/rtf"}) {
        const QDir dir(QStringLiteral(QUILLMERE_TEST_DATA) + QLatin1String(folder));
        for (const QString& name : dir.entryList({QStringLiteral("*.rtf")}, QDir::Files)) {
            paths.append(dir.filePath(name));
        }
    }
    return paths;
}

// Text, colour and pictures of every character, as the view shows them.
QStringList shown(const QTextDocument& document)
{
    QStringList out;
    QTextCursor cursor(const_cast<QTextDocument*>(&document));
    for (int i = 0; i < document.characterCount() - 1; ++i) {
        cursor.setPosition(i + 1);
        const QTextCharFormat format = cursor.charFormat();
        const QChar c = document.characterAt(i);
        QString item = c;
        // Paragraph ends and table boundaries show no colour.
        const bool boundary =
            c == QChar::ParagraphSeparator || c == QChar(0xFDD0) || c == QChar(0xFDD1);
        if (boundary) {
        } else if (format.isImageFormat()) {
            item += format.toImageFormat().name();
        } else {
            // Text without a colour of its own shows black: an erased mark may leave either.
            if (format.hasProperty(QTextFormat::ForegroundBrush) &&
                format.foreground().color() != Qt::black) {
                item += format.foreground().color().name();
            }
            if (format.fontUnderline()) {
                item += QStringLiteral("_");
            }
        }
        out.append(item);
    }
    return out;
}

// The bytes without what the program adds and takes out: the braces and controls of mark
// groups ({\cfN ...}, {\ul ...}, {\ulnone ...}, the book's own groups of that form too, since a
// mark over them may take their place), its pictures, and the colour table (given apart).
QByteArray withoutMarks(const QByteArray& bytes, QByteArray* colorTable)
{
    static const QRegularExpression opening(QStringLiteral(R"(^\{\\(cf\d+|ul|ulnone) )"));
    const QByteArray picture = "{\\pict{\\*\\quillmereimage ";
    QByteArray out;
    std::vector<bool> marks; // for each open group: whether it is a mark group
    for (qsizetype i = 0; i < bytes.size();) {
        const QByteArrayView rest = QByteArrayView(bytes).sliced(i);
        if (rest.startsWith(picture)) {
            const qsizetype nameEnd = bytes.indexOf('}', i + picture.size());
            const qsizetype end = nameEnd < 0 ? -1 : bytes.indexOf('}', nameEnd + 1);
            i = end < 0 ? bytes.size() : end + 1;
        } else if (rest.startsWith("{}")) {
            i += 2; // ends a \uN's fallback where a mark group did before
        } else if (rest.startsWith("{\\colortbl")) {
            const qsizetype end = bytes.indexOf('}', i);
            *colorTable = bytes.mid(i, end - i);
            i = end + 1;
        } else if (bytes[i] == '\\' && i + 1 < bytes.size() && std::isalpha(uchar(bytes[i + 1]))) {
            // A control word, without its delimiter: where a mark group went, one is added.
            qsizetype end = i + 1;
            while (end < bytes.size() && std::isalpha(uchar(bytes[end]))) {
                ++end;
            }
            if (end + 1 < bytes.size() && bytes[end] == '-' &&
                std::isdigit(uchar(bytes[end + 1]))) {
                ++end;
            }
            while (end < bytes.size() && std::isdigit(uchar(bytes[end]))) {
                ++end;
            }
            out.append(bytes.mid(i, end - i));
            i = end < bytes.size() && bytes[end] == ' ' ? end + 1 : end;
        } else if (bytes[i] == '\\' && i + 1 < bytes.size()) {
            out.append(rest.first(2));
            i += 2;
        } else if (const auto match = opening.match(
                       QString::fromLatin1(rest.first(std::min<qsizetype>(rest.size(), 12))));
                   match.hasMatch()) {
            marks.push_back(true);
            i += match.capturedLength();
        } else {
            if (bytes[i] == '{') {
                marks.push_back(false);
            } else if (bytes[i] == '}' && !marks.empty()) {
                const bool mark = marks.back();
                marks.pop_back();
                if (mark) {
                    ++i;
                    continue;
                }
            }
            out.append(bytes[i++]);
        }
    }
    return out;
}

// True when after is before with only mark groups, colour table entries and our pictures
// changed.
bool onlyOurChanges(const QByteArray& before, const QByteArray& after, QString* why)
{
    QByteArray tableBefore;
    QByteArray tableAfter;
    const QByteArray a = withoutMarks(before, &tableBefore);
    const QByteArray b = withoutMarks(after, &tableAfter);
    if (!tableAfter.startsWith(tableBefore)) {
        *why = QStringLiteral("the colour table %1 became %2")
                   .arg(QString::fromLatin1(tableBefore), QString::fromLatin1(tableAfter));
        return false;
    }
    if (a != b) {
        qsizetype i = 0;
        while (i < a.size() && i < b.size() && a[i] == b[i]) {
            ++i;
        }
        *why = QStringLiteral("differs: ...%1... against ...%2...")
                   .arg(QString::fromLatin1(b.mid(i - 30, 60)),
                        QString::fromLatin1(a.mid(i - 30, 60)));
        return false;
    }
    return true;
}

void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

// The most mark groups ({\cfN ...}, {\ul ...}, {\ulnone ...}) that hold one another directly.
int markNesting(const QByteArray& bytes)
{
    static const QRegularExpression opening(QStringLiteral(R"(^\{\\(cf\d+|ul|ulnone) )"));
    std::vector<int> chain{0}; // for each open group: the mark groups it closes a chain of
    int most = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\\') {
            ++i;
        } else if (bytes[i] == '{') {
            const QByteArrayView rest = QByteArrayView(bytes).sliced(i);
            const bool mark =
                opening.match(QString::fromLatin1(rest.first(std::min<qsizetype>(rest.size(), 12))))
                    .hasMatch();
            chain.push_back(mark ? chain.back() + 1 : 0);
            most = std::max(most, chain.back());
        } else if (bytes[i] == '}' && chain.size() > 1) {
            chain.pop_back();
        }
    }
    return most;
}

// The bookmark picture as the program writes it into a book.
QByteArray ourPicture()
{
    return Rtf::pictureGroup(QImage(kPicture),
                             RichTextView::PictureNamePrefix + QStringLiteral("bookmark.bmp"));
}

// A small red picture as the hex of its PNG.
QByteArray pngHex()
{
    QImage image(4, 3, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png.toHex();
}

int offsetOf(const RichTextView& view, const QString& text)
{
    return int(view.text().indexOf(text));
}

class SavedBook
{
public:
    explicit SavedBook(const QString& original) : m_path(m_dir.filePath(QStringLiteral("b.rtf")))
    {
        QFile::copy(original, m_path);
        m_bytes = fileBytes(m_path);
        m_view.resize(600, 400);
    }
    bool load() { return m_view.LoadFile(m_path, RichTextView::LoadRtf); }
    RichTextView& view() { return m_view; }

    // As the red pen marks (mark) and the eraser erases.
    void mark(int start, int end, bool mark = true)
    {
        m_view.setSelStart(start);
        m_view.setSelLength(end - start);
        if (mark) {
            m_view.setSelColor(kMark);
            m_view.setSelUnderline(true);
        } else {
            m_view.setSelUnderline(false);
            m_view.setSelColor(Qt::black);
        }
    }
    // As the bookmark command does it: the old picture out, the new one in, at the offset
    // it returns.
    int bookmark(int oldOffset, int offset)
    {
        if (oldOffset >= 0 && m_view.isPictureAt(oldOffset)) {
            m_view.setSelStart(oldOffset);
            m_view.setSelLength(1);
            if (!m_view.setSelText(QString())) {
                return -1;
            }
            offset -= oldOffset < offset ? 1 : 0;
        }
        m_view.setSelStart(offset);
        return m_view.AddPicture(kPicture) ? offset : -1;
    }

    // Saves and checks the file against the view and against the bytes before.
    void saveAndCheck(const char* step)
    {
        QString error;
        QVERIFY2(m_view.SaveFile(m_path, &error), qPrintable(error));
        const QByteArray saved = fileBytes(m_path);
        QString why;
        QVERIFY2(onlyOurChanges(m_bytes, saved, &why), qPrintable(step + (u' ' + why)));
        QTextDocument again;
        QVERIFY(Rtf::read(saved, &again));
        QCOMPARE(shown(again), shown(*m_view.document()));
        m_bytes = saved;
    }
    QString path() const { return m_path; }

private:
    QTemporaryDir m_dir;
    QString m_path;
    QByteArray m_bytes;
    RichTextView m_view;
};

// Runs LibreOffice without a window, with a profile of its own in folder.
void runLibreOffice(const QStringList& arguments, const QString& folder)
{
    QProcess office;
    office.start(QStandardPaths::findExecutable(QStringLiteral("soffice")),
                 QStringList{QStringLiteral("-env:UserInstallation=file://") + folder +
                                 QStringLiteral("/profile"),
                             QStringLiteral("--headless")} +
                     arguments);
    office.waitForFinished(300000);
}

// LibreOffice's reading of each file as UTF-8 text (pictures and page furniture left out).
QStringList libreOfficeText(const QStringList& paths, const QString& folder)
{
    runLibreOffice(QStringList{QStringLiteral("--convert-to"),
                               QStringLiteral("txt:Text (encoded):UTF8"),
                               QStringLiteral("--outdir"), folder} +
                       paths,
                   folder);
    QStringList texts;
    for (const QString& path : paths) {
        QString text = QString::fromUtf8(
            fileBytes(folder + u'/' + QFileInfo(path).completeBaseName() + QStringLiteral(".txt")));
        texts.append(text.remove(QChar(0xFEFF)));
    }
    return texts;
}

// The group that starts at bytes[at], to its closing brace.
QByteArray groupAt(const QByteArray& bytes, qsizetype at)
{
    int depth = 0;
    for (qsizetype i = at; i >= 0 && i < bytes.size(); ++i) {
        if (bytes[i] == '\\') {
            ++i;
        } else if (bytes[i] == '{') {
            ++depth;
        } else if (bytes[i] == '}' && --depth == 0) {
            return bytes.mid(at, i + 1 - at);
        }
    }
    return {};
}

QColor pictureColor(const QTextDocument& document, int offset)
{
    QTextCursor cursor(const_cast<QTextDocument*>(&document));
    cursor.setPosition(offset + 1);
    const QString name = cursor.charFormat().toImageFormat().name();
    const QImage image =
        document.resource(QTextDocument::ImageResource, QUrl(name)).value<QImage>();
    return image.isNull() ? QColor() : QColor(image.pixel(image.width() / 2, image.height() / 2));
}

} // namespace

class TestRtfSource : public QObject
{
    Q_OBJECT
private slots:
    void marksAndBookmarksAddOnlyOurGroups_data()
    {
        QTest::addColumn<QString>("path");
        const QStringList paths = books();
        QVERIFY(paths.size() >= 13);
        for (const QString& path : paths) {
            QTest::newRow(qPrintable(QFileInfo(path).fileName())) << path;
        }
    }

    // Mark, erase inside the mark, bookmark, bookmark again elsewhere: four saves in a row.
    void marksAndBookmarksAddOnlyOurGroups()
    {
        QFETCH(QString, path);
        SavedBook book(path);
        QVERIFY(book.load());
        const int n = book.view().characterCount();
        QVERIFY(n > 10);
        book.mark(n / 5, n / 5 + n / 2);
        book.saveAndCheck("mark");
        book.mark(n / 5 + 2, n / 5 + 7, false);
        book.saveAndCheck("erase");
        QCOMPARE(book.bookmark(-1, n / 2), n / 2);
        book.saveAndCheck("bookmark");
        QCOMPARE(book.bookmark(n / 2, n / 3), n / 3);
        book.saveAndCheck("bookmark again");
        QVERIFY(book.view().isPictureAt(n / 3));
        QVERIFY(!book.view().isPictureAt(n / 2 + 1));
    }

    void marksInCellsFieldsAndAcrossParagraphs()
    {
        SavedBook book(QStringLiteral(QUILLMERE_TEST_DATA "/rtf-books/word-style-book.rtf"));
        QVERIFY(book.load());
        RichTextView& view = book.view();
        const int cell = offsetOf(view, QStringLiteral("Light the lamp"));
        const int link = offsetOf(view, QStringLiteral("harbour notice"));
        const int paragraphEnd = offsetOf(view, QStringLiteral("quay."));
        QVERIFY(cell > 0 && link > 0 && paragraphEnd > 0);
        book.mark(cell + 6, cell + 14);                 // the end of a cell's text
        book.mark(link - 4, link + 7);                  // into a field's result
        book.mark(paragraphEnd + 2, paragraphEnd + 12); // over a paragraph end
        book.saveAndCheck("marks");
        const QByteArray saved = fileBytes(book.path());
        // The document information, header, footer, note and styles are still there.
        for (const char* kept : {"{\\info{\\title The Lighthouse Keeper}", "{\\header ",
                                 "{\\footer ", "{\\footnote ", "{\\stylesheet", "\\page"}) {
            QVERIFY2(saved.contains(kept), kept);
        }
        QVERIFY(saved.contains("{\\cf3 {\\ul the }}{\\field"));
        // The link is underlined already: the mark needs only its colour there.
        QVERIFY(saved.contains("{\\fldrslt {\\cf2\\ul {\\cf3 harbour} notice}"));
        QVERIFY(saved.contains("Light {\\cf3 {\\ul the lamp}}\\cell"));
    }

    // A file cut short still holds every run where the reader found it: marks go into its own
    // bytes, and the header, note and styles before the cut stay.
    void aCutShortBookTakesMarksIntoItsOwnBytes()
    {
        const QByteArray whole =
            fileBytes(QStringLiteral(QUILLMERE_TEST_DATA "/rtf-books/word-style-book.rtf"));
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("cut.rtf"));
        writeAll(path, whole.left(whole.size() * 3 / 4));
        SavedBook book(path);
        QVERIFY(book.load());
        QVERIFY(book.view().marksRefusal().isEmpty());
        book.mark(3, 8);
        book.saveAndCheck("mark");
        const QByteArray saved = fileBytes(book.path());
        QVERIFY(saved.contains("{\\header ") && saved.contains("{\\stylesheet"));
    }

    // A book nested deeper than the reader follows takes no change at all: writing it whole
    // would lose its information and header. Marks, erasures and bookmarks are refused with
    // the reason, and a save writes the file as it was.
    void aBookThatCannotBeFollowedRefusesEveryChange()
    {
        QByteArray bytes = "{\\rtf1{\\info{\\title Deep}}{\\header Head}Top ";
        for (int i = 0; i < 600; ++i) {
            bytes += "{\\b ";
        }
        bytes += "deep" + QByteArray(600, '}') + "\\par End.}";
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("deep.rtf"));
        writeAll(path, bytes);
        RichTextView view;
        QVERIFY(view.LoadFile(path, RichTextView::LoadRtf));
        QVERIFY(view.marksRefusal().contains(QStringLiteral("cannot keep marks")));
        view.setSelStart(0);
        view.setSelLength(3);
        QVERIFY(!view.setSelColor(kMark));
        QVERIFY(!view.setSelUnderline(false));
        QCOMPARE(view.changeRefusal(), view.marksRefusal());
        view.setSelStart(1);
        QVERIFY(!view.AddPicture(kPicture));
        QVERIFY(!view.isPictureAt(1));
        QCOMPARE(shown(*view.document()).at(1), QStringLiteral("o"));
        QVERIFY(view.SaveFile(path));
        QCOMPARE(fileBytes(path), bytes);
    }

    // Changes other than marks (other formats) cannot be written into the book's own bytes:
    // they are refused and the book saves as it was.
    void otherEditsAreRefused()
    {
        SavedBook book(QStringLiteral(QUILLMERE_TEST_DATA "/rtf-books/pandoc-book.rtf"));
        QVERIFY(book.load());
        const QByteArray before = fileBytes(book.path());
        const int author = offsetOf(book.view(), QStringLiteral("Ada"));
        QVERIFY(author > 0);
        book.view().setSelStart(author);
        book.view().setSelLength(3);
        QVERIFY(!book.view().setSelBold(true));
        QVERIFY(book.view().changeRefusal().contains(QStringLiteral("\"b.rtf\"")));
        QTextCursor cursor(book.view().document());
        cursor.setPosition(author + 2);
        QVERIFY(cursor.charFormat().fontWeight() != QFont::Bold);
        QVERIFY(book.view().SaveFile(book.path()));
        QCOMPARE(fileBytes(book.path()), before);
        // A mark after the refusal is still written into the book's bytes.
        book.mark(author, author + 3);
        QVERIFY(book.view().changeRefusal().isEmpty());
        book.saveAndCheck("mark after a refused change");
    }

    // Marks (m), erasures (e), bookmark pictures set (p) and taken out (x) in small books, byte for
    // byte: a mark takes the place of the mark groups it covers, a group that changes nothing
    // is left out, and where a group after a control word or a cut \\uN goes, an empty group
    // keeps them apart from what follows.
    void changesGiveTheseBytes_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QString>("changes");
        QTest::addColumn<QByteArray>("expected");
        const QByteArray table =
            "{\\rtf1{\\colortbl;\\red128\\green0\\blue0;\\red0\\green0\\blue255;}";
        QTest::newRow("mark") << table + "abcdef}" << QStringLiteral("m1-4")
                              << table + "a{\\cf1 {\\ul bcd}}ef}";
        QTest::newRow("erase inside a mark") << table + "abcdef}" << QStringLiteral("m1-4 e2-3")
                                             << table + "a{\\cf1 {\\ul b}}c{\\cf1 {\\ul d}}ef}";
        QTest::newRow("overlapping marks") << table + "abcdef}" << QStringLiteral("m1-4 m2-5 m0-2")
                                           << table + "{\\cf1 {\\ul abcde}}f}";
        QTest::newRow("erasing all of it")
            << table + "abcdef}" << QStringLiteral("m1-4 m3-6 e0-6") << table + "abcdef}";
        QTest::newRow("the book's own colour, partly marked")
            << table + "{\\cf2 blue} text}" << QStringLiteral("m0-2")
            << table + "{\\cf1 {\\ul bl}}{\\cf2 ue} text}";
        QTest::newRow("underlined text takes only the colour")
            << table + "\\ul under\\ulnone  plain}" << QStringLiteral("m0-5 m6-8")
            << table + "\\ul {\\cf1 under}\\ulnone  {\\cf1 {\\ul pl}}ain}";
        QTest::newRow("erasing underlined text")
            << table + "\\ul under\\ulnone  plain}" << QStringLiteral("e1-3")
            << table + "\\ul u{\\ulnone nd}er\\ulnone  plain}";
        QTest::newRow("a control word before a group that goes")
            << table + "a\\emdash{\\cf1 {\\ul x}}y}" << QStringLiteral("e2-3")
            << table + "a\\emdash{}xy}";
        QTest::newRow("a control word at the end of a group that goes")
            << table + "{\\cf1 {\\ul \\emdash}}x}" << QStringLiteral("e0-1")
            << table + "\\emdash{}x}";
        QTest::newRow("a \\uN whose fallback a group ended")
            << table + "\\uc1\\u82{\\cf1 {\\ul 12}}x}" << QStringLiteral("e1-3")
            << table + "\\uc1\\u82{}12x}";
        QTest::newRow("a \\uN whose longer fallback a group cut short")
            << table + "\\uc2 {\\cf1 {\\ul x\\u8364\\'80}}kept}" << QStringLiteral("e0-2")
            << table + "\\uc2 x\\u8364\\'80{}kept}";
        QTest::newRow("an escape cut short before a group that goes")
            << table + "x\\'4{\\cf1 {\\ul 1}}y}" << QStringLiteral("e1-2") << table + "x\\'4{}1y}";
        QTest::newRow("a control word before a picture that goes")
            << table + "a\\emdash" + ourPicture() + "x}" << QStringLiteral("x2")
            << table + "a\\emdash{}x}";
        // A later row with more cells gives every row one more cell: what follows moves on.
        QTest::newRow("a row wider than the first")
            << table + "\\trowd\\cellx1000\\intbl one\\cell\\row\\trowd\\cellx1000\\cellx2000"
                       "\\intbl two\\cell three\\cell\\row\\pard after\\par}"
            << QStringLiteral("m1-4 m6-9 m10-15 m18-20")
            << table + "\\trowd\\cellx1000\\intbl {\\cf1 {\\ul one}}\\cell\\row\\trowd"
                       "\\cellx1000\\cellx2000\\intbl {\\cf1 {\\ul two}}\\cell {\\cf1 {\\ul three}}"
                       "\\cell\\row\\pard af{\\cf1 {\\ul te}}r\\par}";
        QTest::newRow("text over line ends") << table + "abc\r\ndef}" << QStringLiteral("m1-5")
                                             << table + "a{\\cf1 {\\ul bc\r\nde}}f}";
        QTest::newRow("a colour table made for the mark")
            << QByteArray("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}abc}") << QStringLiteral("m0-1")
            << QByteArray(
                   "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red128\\green0\\blue0;}"
                   "{\\cf1 {\\ul a}}bc}");
        QTest::newRow("a bookmark inside a mark stands outside the rewritten groups")
            << table + "abcdef}" << QStringLiteral("m0-6 p3 m0-7")
            << table + "{\\cf1 {\\ul abc}}@{\\cf1 {\\ul def}}}";
        // A picture in hidden text would be hidden when the book is read again.
        QTest::newRow("a bookmark before a paragraph end in hidden text")
            << QByteArray("{\\rtf1 ab\\v hidden\\par\\v0 c}") << QStringLiteral("p2")
            << QByteArray("{\\rtf1 ab@\\v hidden\\par\\v0 c}");
        QTest::newRow("a bookmark in an empty paragraph of hidden text")
            << QByteArray("{\\rtf1 a\\par\\v\\par\\v0 b}") << QStringLiteral("p2")
            << QByteArray("{\\rtf1 a\\par@\\v\\par\\v0 b}");
        QTest::newRow("a bookmark beside a picture and its fallback")
            << "{\\rtf1 a{\\*\\shppict{\\pict\\pngblip " + pngHex() +
                   "}}{\\nonshppict{\\pict\\wmetafile8 0100}}b}"
            << QStringLiteral("p1 p3")
            << "{\\rtf1 a@{\\*\\shppict{\\pict\\pngblip " + pngHex() +
                   "}}{\\nonshppict{\\pict\\wmetafile8 0100}}@b}";
    }

    void changesGiveTheseBytes()
    {
        QFETCH(QByteArray, rtf);
        QFETCH(QString, changes);
        QFETCH(QByteArray, expected);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("small.rtf"));
        writeAll(path, rtf);
        SavedBook book(path);
        QVERIFY(book.load());
        int bookmark = -1;
        for (const QString& change : changes.split(u' ')) {
            const QStringList range = change.mid(1).split(u'-');
            const int start = range[0].toInt();
            if (change.startsWith(u'p')) {
                bookmark = book.bookmark(-1, start);
                QCOMPARE(bookmark, start);
            } else if (change.startsWith(u'x')) {
                QVERIFY(book.view().isPictureAt(start));
                book.view().setSelStart(start);
                book.view().setSelLength(1);
                QVERIFY(book.view().setSelText(QString()));
            } else {
                book.mark(start, range[1].toInt(), change.startsWith(u'm'));
            }
            book.saveAndCheck(qPrintable(change));
        }
        // Each of our pictures stands for "@".
        QByteArray saved = fileBytes(book.path());
        saved.replace(ourPicture(), "@");
        QCOMPARE(saved, expected);
    }

    // Marking one passage again and again, with the book saved and opened again between the
    // marks, never grows it: a mark takes the place of the groups it covers. Erasing gives
    // the book's own bytes back, with only the new colour table entry left.
    void repeatedMarksStaySmallAndErasingGivesTheBookBack()
    {
        SavedBook book(QStringLiteral(QUILLMERE_TEST_DATA "/rtf-books/word-style-book.rtf"));
        QVERIFY(book.load());
        const QByteArray original = fileBytes(book.path());
        const int start = offsetOf(book.view(), QStringLiteral("keeper climbed"));
        QVERIFY(start > 0);
        qsizetype size = -1;
        for (int i = 0; i < 300; ++i) {
            book.mark(start, start + 20);
            book.saveAndCheck("mark");
            QVERIFY(book.load());
            QVERIFY(book.view().marksRefusal().isEmpty());
            const qsizetype now = fileBytes(book.path()).size();
            QVERIFY(size < 0 || now == size);
            size = now;
        }
        book.mark(start + 5, start + 25, false);
        book.mark(start - 3, start + 8, false);
        book.saveAndCheck("erase");
        QByteArray expected = original;
        expected.replace("\\blue255;}", "\\blue255;\\red128\\green0\\blue0;}");
        QCOMPARE(fileBytes(book.path()), expected);
    }

    // Earlier versions wrapped every mark of a passage in two more groups, past the nesting
    // the reader follows for other groups. Such a book opens with its mark and shrinks back
    // to one pair of groups when the passage is marked again, to none when it is erased.
    void deepMarksOfEarlierVersionsShrinkBack()
    {
        const QByteArray head = "{\\rtf1{\\colortbl;\\red128\\green0\\blue0;}"
                                "{\\info{\\title Old}}Before ";
        QByteArray bytes = head;
        for (int i = 0; i < 400; ++i) {
            bytes += "{\\cf1 {\\ul ";
        }
        bytes += "marked text" + QByteArray(800, '}') + " after.\\par}";
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("old.rtf"));
        writeAll(path, bytes);
        SavedBook book(path);
        QVERIFY(book.load());
        QVERIFY(book.view().marksRefusal().isEmpty());
        const int start = offsetOf(book.view(), QStringLiteral("marked"));
        QCOMPARE(shown(*book.view().document()).at(start + 1), QStringLiteral("a#800000_"));
        book.mark(start, start + 11);
        book.saveAndCheck("mark again");
        QCOMPARE(fileBytes(book.path()), head + "{\\cf1 {\\ul marked text}} after.\\par}");
        book.mark(start + 2, start + 4, false);
        book.saveAndCheck("erase");
        QCOMPARE(fileBytes(book.path()),
                 head + "{\\cf1 {\\ul ma}}rk{\\cf1 {\\ul ed text}} after.\\par}");
        book.mark(start, start + 11, false);
        book.saveAndCheck("erase all");
        QCOMPARE(fileBytes(book.path()), head + "marked text after.\\par}");
    }

    // Each step below marks, erases or bookmarks a random range and saves: the file always
    // reads back as the view shows it, changes nothing but marks, colours and pictures, and
    // no text is ever inside more than one colour and one underline group of this kind.
    void randomChangesKeepTheBookAndStayFlat_data() { marksAndBookmarksAddOnlyOurGroups_data(); }
    void randomChangesKeepTheBookAndStayFlat()
    {
        QFETCH(QString, path);
        SavedBook book(path);
        QVERIFY(book.load());
        const int n = book.view().characterCount();
        QRandomGenerator random(20240611);
        int bookmark = -1;
        for (int step = 0; step < 40 && !QTest::currentTestFailed(); ++step) {
            const int start = int(random.bounded(n));
            const int end = std::min(n, start + 1 + int(random.bounded(n / 3 + 1)));
            switch (random.bounded(3)) {
            case 0:
                book.mark(start, end);
                break;
            case 1:
                book.mark(start, end, false);
                break;
            default:
                bookmark = book.bookmark(bookmark, start);
                break;
            }
            book.saveAndCheck(qPrintable(QStringLiteral("step %1").arg(step)));
            QVERIFY2(markNesting(fileBytes(book.path())) <= 2, qPrintable(QString::number(step)));
            if (step % 8 == 7) {
                QVERIFY(book.load()); // the groups as the reader finds them in the file
            }
        }
    }

    // LibreOffice writes a picture in the text as {\\*\\shppict{\\pict ...}}{\\nonshppict{\\pict
    // ...}} and an anchored one as a shape of its own: each is shown once, as its picture, and
    // marks and bookmarks around them leave their bytes as LibreOffice wrote them.
    void libreOfficePicturesAreShownAndKept()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("soffice")).isEmpty()) {
            QSKIP("LibreOffice is not installed");
        }
        QTemporaryDir dir;
        for (const auto& [name, color] : {std::pair{"red.png", Qt::red}, {"blue.png", Qt::blue}}) {
            QImage image(24, 16, QImage::Format_RGB32);
            image.fill(color);
            QVERIFY(image.save(dir.filePath(QLatin1String(name)), "PNG"));
        }
        const QString page = dir.filePath(QStringLiteral("pictures.html"));
        writeAll(page, "<html><body><p>Inline <img src=\"red.png\"> picture.</p>"
                       "<p>Floating <img src=\"blue.png\" align=\"left\"> picture.</p>"
                       "<p>The end.</p></body></html>");
        runLibreOffice({QStringLiteral("--infilter=HTML (StarWriter)"),
                        QStringLiteral("--convert-to"), QStringLiteral("rtf"),
                        QStringLiteral("--outdir"), dir.path(), page},
                       dir.path());
        const QByteArray original = fileBytes(dir.filePath(QStringLiteral("pictures.rtf")));
        const qsizetype inlineAt = original.indexOf("{\\*\\shppict");
        const QByteArray inlinePicture = groupAt(original, inlineAt);
        const QByteArray fallback = groupAt(original, inlineAt + inlinePicture.size());
        const QByteArray shape = groupAt(original, original.indexOf("{\\shp{"));
        QVERIFY2(!inlinePicture.isEmpty() && fallback.startsWith("{\\nonshppict") &&
                     !shape.isEmpty(),
                 original.constData());

        SavedBook book(dir.filePath(QStringLiteral("pictures.rtf")));
        QVERIFY(book.load());
        RichTextView& view = book.view();
        QCOMPARE(view.text().count(QChar::ObjectReplacementCharacter), 2);
        const int red = offsetOf(view, QStringLiteral("Inline ")) + 7;
        const int blue = offsetOf(view, QStringLiteral("Floating")) + 8;
        QCOMPARE(pictureColor(*view.document(), red), QColor(Qt::red));
        QCOMPARE(pictureColor(*view.document(), blue), QColor(Qt::blue));

        book.mark(0, view.characterCount());
        book.saveAndCheck("mark over the pictures");
        int bookmark = book.bookmark(-1, red);
        book.saveAndCheck("bookmark before the picture");
        bookmark = book.bookmark(bookmark, red + 1);
        book.saveAndCheck("bookmark after the picture");
        bookmark = book.bookmark(bookmark, blue);
        book.saveAndCheck("bookmark before the shape");
        book.mark(red - 3, blue + 3, false);
        book.saveAndCheck("erase over the pictures");
        const QByteArray saved = fileBytes(book.path());
        QVERIFY(saved.contains(inlinePicture + fallback));
        QVERIFY(saved.contains(shape));
        QCOMPARE(saved.count("{\\*\\shppict"), 1);
        QCOMPARE(saved.count("{\\pict{\\*\\quillmereimage "), 1);
    }

    void libreOfficeReadsTheSameText()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("soffice")).isEmpty()) {
            QSKIP("LibreOffice is not installed");
        }
        QTemporaryDir dir;
        QStringList originals;
        QStringList changed;
        for (const QString& path : books()) {
            const QString name = QFileInfo(path).completeBaseName();
            originals.append(dir.filePath(name + QStringLiteral(".rtf")));
            QVERIFY(QFile::copy(path, originals.last()));
            changed.append(dir.filePath(name + QStringLiteral("-changed.rtf")));
            QVERIFY(QFile::copy(path, changed.last()));
            RichTextView view;
            QVERIFY(view.LoadFile(changed.last(), RichTextView::LoadRtf));
            const int n = view.characterCount();
            view.setSelStart(n / 4);
            view.setSelLength(n / 2);
            view.setSelColor(kMark);
            view.setSelUnderline(true);
            view.setSelStart(n / 2);
            QVERIFY(view.AddPicture(kPicture));
            QVERIFY(view.SaveFile(changed.last()));
        }
        const QStringList before = libreOfficeText(originals, dir.path());
        const QStringList after = libreOfficeText(changed, dir.path());
        for (qsizetype i = 0; i < before.size(); ++i) {
            QVERIFY2(!before[i].isEmpty(), qPrintable(originals[i]));
            QCOMPARE(after[i], before[i]);
        }
    }
};

QUILLMERE_TEST_MAIN(TestRtfSource)
#include "tst_rtf_source.moc"
