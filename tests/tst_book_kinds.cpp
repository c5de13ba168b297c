// The table of book kinds: which files are books of which kind, what they are sent by mail as,
// what a downloaded book is named, and that the desktop offers the program every kind it reads.
#include "core/BookKinds.h"
#include "core/SavedBookName.h"
#include "support/TestMain.h"

#include <QFile>

class TestBookKinds : public QObject
{
    Q_OBJECT
private slots:
    // Only the end of the full path counts, case ignored, and the first match wins.
    void kindFromTheEndOfThePath_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<BookKind>("kind");
        QTest::newRow("rtf") << "/books/Emma.rtf" << BookKind::Rtf;
        QTest::newRow("upper-case RTF") << "Emma.RTF" << BookKind::Rtf;
        QTest::newRow("rtf without a dot") << "storyrtf" << BookKind::Rtf;
        QTest::newRow("htm") << "page.htm" << BookKind::Html;
        QTest::newRow("html") << "page.HTML" << BookKind::Html;
        QTest::newRow("shtml") << "page.shtml" << BookKind::Html;
        QTest::newRow("pdf") << "paper.Pdf" << BookKind::Pdf;
        QTest::newRow("doc") << "letter.doc" << BookKind::WordDocument;
        QTest::newRow("docx is text") << "letter.docx" << BookKind::PlainText;
        QTest::newRow("epub") << "novel.EPUB" << BookKind::Epub;
        QTest::newRow("epub needs its dot") << "novelepub" << BookKind::PlainText;
        QTest::newRow("txt") << "Emma.txt" << BookKind::PlainText;
        QTest::newRow("no extension") << "README" << BookKind::PlainText;
        QTest::newRow("empty") << "" << BookKind::PlainText;
        // The folder's name plays no part, only the end of the whole path.
        QTest::newRow("folder named rtf") << "/home/rtf/notes" << BookKind::PlainText;
        QTest::newRow("last ending wins over an inner one") << "a.pdf.txt" << BookKind::PlainText;
    }

    void kindFromTheEndOfThePath()
    {
        QFETCH(QString, path);
        QFETCH(BookKind, kind);
        QCOMPARE(BookKinds::kindOf(path), kind);
    }

    // A book goes by mail as its kind; a file that is plain text only because no kind claims
    // it is not called text.
    void mailType_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("type");
        QTest::newRow("txt") << "Emma.TXT"
                             << "text/plain";
        QTest::newRow("rtf") << "/books/b.rtf"
                             << "application/rtf";
        QTest::newRow("htm") << "e.htm"
                             << "text/html";
        QTest::newRow("html") << "e.html"
                              << "text/html";
        QTest::newRow("pdf") << "c.pdf"
                             << "application/pdf";
        QTest::newRow("doc") << "f.DOC"
                             << "application/msword";
        QTest::newRow("epub") << "d.epub"
                              << "application/epub+zip";
        QTest::newRow("docx") << "letter.docx"
                              << "application/octet-stream";
        QTest::newRow("picture") << "photo.png"
                                 << "application/octet-stream";
        QTest::newRow("no extension") << "README"
                                      << "application/octet-stream";
    }

    void mailType()
    {
        QFETCH(QString, path);
        QFETCH(QString, type);
        QCOMPARE(BookKinds::mailTypeOf(path), type);
    }

    // A downloaded book gets the extension of the kind its content type names, unless its
    // name already says that kind.
    void savedBookNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("saved");
        QTest::newRow("html") << "fable"
                              << "text/html; charset=utf-8"
                              << "fable.html";
        QTest::newRow("xhtml") << "fable"
                               << "application/xhtml+xml"
                               << "fable.html";
        QTest::newRow("htm kept") << "fable.htm"
                                  << "text/html"
                                  << "fable.htm";
        QTest::newRow("text/rtf") << "fable"
                                  << "TEXT/RTF"
                                  << "fable.rtf";
        QTest::newRow("pdf") << "paper.php"
                             << "application/pdf"
                             << "paper.php.pdf";
        QTest::newRow("word") << "letter"
                              << "application/msword"
                              << "letter.doc";
        QTest::newRow("epub") << "novel"
                              << "application/epub+zip"
                              << "novel.epub";
        QTest::newRow("epub kept") << "novel.epub"
                                   << "application/epub+zip"
                                   << "novel.epub";
        QTest::newRow("text without extension") << "fable"
                                                << "text/plain"
                                                << "fable.txt";
        QTest::newRow("text keeps its extension") << "fable.asc"
                                                  << "text/plain"
                                                  << "fable.asc";
        QTest::newRow("unknown type") << "song.mp3"
                                      << "audio/mpeg"
                                      << "song.mp3";
        QTest::newRow("no type") << "fable"
                                 << ""
                                 << "fable";
    }

    void savedBookNames()
    {
        QFETCH(QString, name);
        QFETCH(QString, type);
        QFETCH(QString, saved);
        QCOMPARE(SavedBookName::fitted(name, type), saved);
    }

    // Every kind the library opens from a file is offered to the desktop's file managers
    // under the type it is sent by mail as, so "Open With" lists the program for it.
    void theDesktopEntryNamesEveryKind()
    {
        QFile entry(QStringLiteral(QUILLMERE_APPDATA "/../resources/desktop/"
                                                     "io.github.quillmere.Quillmere.desktop"));
        QVERIFY(entry.open(QIODevice::ReadOnly | QIODevice::Text));
        QStringList types;
        while (!entry.atEnd()) {
            const QString line = QString::fromUtf8(entry.readLine()).trimmed();
            if (line.startsWith(QLatin1String("MimeType="))) {
                types = line.mid(9).split(QLatin1Char(';'), Qt::SkipEmptyParts);
            }
        }
        for (const BookKinds::Row& row : BookKinds::all()) {
            if (!row.endings.isEmpty()) {
                QVERIFY2(types.contains(row.mailType), qPrintable(row.mailType));
            }
        }
    }
};

QUILLMERE_TEST_MAIN(TestBookKinds)
#include "tst_book_kinds.moc"
