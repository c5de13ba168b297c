// Marks and bookmarks saved into RTF books from real producers: the saved file is the book's
// own bytes with only our groups added, reads back with the marks and pictures where they
// were set, and LibreOffice reads the same text from it as from the original.
#include "formats/rtf/RtfReader.h"
#include "formats/rtf/RtfSourceBook.h"
#include "formats/rtf/RtfWriter.h"
#include "support/TestMain.h"
#include "views/RichTextView.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>

namespace {

const QColor kMark(128, 0, 0); // the red pen's colour
const QString kPicture = QStringLiteral(QUILLMERE_APPDATA "/bookmark.bmp");

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

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
            if (format.hasProperty(QTextFormat::ForegroundBrush)) {
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

// True when after is before with only what the program adds: colour groups and their closing
// braces, colour table entries, picture groups; and picture groups of ours taken out.
bool onlyOurChanges(const QByteArray& before, const QByteArray& after, QString* why)
{
    static const QRegularExpression added(QStringLiteral(
        R"(^(\{\\cf\d+ |\{\\ul |\{\\ulnone |\}|\\red\d+\\green\d+\\blue\d+;|\{\\colortbl;\\red\d+\\green\d+\\blue\d+;\}))"));
    const QByteArray picture = "{\\pict{\\*\\quillmereimage ";
    const auto pictureEnd = [](const QByteArray& bytes, qsizetype at) {
        const qsizetype nameEnd = bytes.indexOf('}', at + 25);
        const qsizetype end = nameEnd < 0 ? -1 : bytes.indexOf('}', nameEnd + 1);
        return end < 0 ? bytes.size() : end + 1;
    };
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < before.size() || j < after.size()) {
        const QByteArrayView rest = QByteArrayView(after).sliced(j);
        const QByteArrayView old = QByteArrayView(before).sliced(i);
        if (rest.startsWith(picture) && !old.startsWith(picture)) {
            j = pictureEnd(after, j);
            continue;
        }
        const auto match =
            added.match(QString::fromLatin1(rest.first(std::min<qsizetype>(rest.size(), 64))));
        if (match.hasMatch() && !old.startsWith(match.captured(1).toLatin1())) {
            j += match.capturedLength(1);
            continue;
        }
        if (i < before.size() && j < after.size() && before[i] == after[j]) {
            ++i;
            ++j;
            continue;
        }
        if (old.startsWith(picture)) {
            i = pictureEnd(before, i);
            continue;
        }
        *why = QStringLiteral("differs at byte %1: ...%2... against ...%3...")
                   .arg(j)
                   .arg(QString::fromLatin1(after.mid(j - 20, 60)),
                        QString::fromLatin1(before.mid(i - 20, 60)));
        return false;
    }
    return true;
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
        m_bytes = readAll(m_path);
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
    // As the bookmark command does it: the old picture out, the new one in.
    void bookmark(int oldOffset, int offset)
    {
        if (oldOffset >= 0 && m_view.isPictureAt(oldOffset)) {
            m_view.setSelStart(oldOffset);
            m_view.setSelLength(1);
            m_view.setSelText(QString());
            offset -= oldOffset < offset ? 1 : 0;
        }
        m_view.setSelStart(offset);
        QVERIFY(m_view.AddPicture(kPicture));
    }

    // Saves and checks the file against the view and against the bytes before.
    void saveAndCheck(const char* step)
    {
        QString error;
        QVERIFY2(m_view.SaveFile(m_path, &error), qPrintable(error));
        const QByteArray saved = readAll(m_path);
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

// LibreOffice's reading of each file as UTF-8 text (pictures and page furniture left out).
QStringList libreOfficeText(const QStringList& paths, const QString& folder)
{
    const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    QStringList arguments{QStringLiteral("-env:UserInstallation=file://") + folder +
                              QStringLiteral("/profile"),
                          QStringLiteral("--headless"),
                          QStringLiteral("--convert-to"),
                          QStringLiteral("txt:Text (encoded):UTF8"),
                          QStringLiteral("--outdir"),
                          folder};
    QProcess office;
    office.start(soffice, arguments + paths);
    office.waitForFinished(300000);
    QStringList texts;
    for (const QString& path : paths) {
        QString text = QString::fromUtf8(
            readAll(folder + u'/' + QFileInfo(path).completeBaseName() + QStringLiteral(".txt")));
        texts.append(text.remove(QChar(0xFEFF)));
    }
    return texts;
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
        book.bookmark(-1, n / 2);
        book.saveAndCheck("bookmark");
        book.bookmark(n / 2, n / 3);
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
        const QByteArray saved = readAll(book.path());
        // The document information, header, footer, note and styles are still there.
        for (const char* kept : {"{\\info{\\title The Lighthouse Keeper}", "{\\header ",
                                 "{\\footer ", "{\\footnote ", "{\\stylesheet", "\\page"}) {
            QVERIFY2(saved.contains(kept), kept);
        }
        QVERIFY(saved.contains("{\\cf3 {\\ul the }}{\\field"));
        QVERIFY(saved.contains("{\\fldrslt {\\cf2\\ul {\\cf3 {\\ul harbour}}"));
        QVERIFY(saved.contains("Light {\\cf3 {\\ul the lamp}}\\cell"));
    }

    // A file the reader only partly recovered is written whole, with the mark.
    void damagedBookFallsBackToTheFullWriter()
    {
        const QByteArray whole =
            readAll(QStringLiteral(QUILLMERE_TEST_DATA "/rtf-books/word-style-book.rtf"));
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("cut.rtf"));
        QFile cut(path);
        QVERIFY(cut.open(QIODevice::WriteOnly));
        cut.write(whole.left(whole.size() * 3 / 4));
        cut.close();
        RichTextView view;
        QVERIFY(view.LoadFile(path, RichTextView::LoadRtf));
        view.setSelStart(3);
        view.setSelLength(5);
        view.setSelColor(kMark);
        QVERIFY(view.SaveFile(path));
        const QByteArray saved = readAll(path);
        QCOMPARE(saved, Rtf::write(view.document()));
        QTextDocument again;
        QVERIFY(Rtf::read(saved, &again));
        QCOMPARE(shown(again).mid(0, 10), shown(*view.document()).mid(0, 10));
        QVERIFY(shown(again).at(4).endsWith(kMark.name()));
    }

    // Changes the source cannot follow (other formats, typed text) fall back as a whole.
    void otherEditsFallBackToTheFullWriter()
    {
        SavedBook book(QStringLiteral(QUILLMERE_TEST_DATA "/rtf-books/pandoc-book.rtf"));
        QVERIFY(book.load());
        book.view().setSelStart(2);
        book.view().setSelLength(3);
        book.view().setSelBold(true);
        QVERIFY(book.view().SaveFile(book.path()));
        QCOMPARE(readAll(book.path()), Rtf::write(book.view().document()));
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
