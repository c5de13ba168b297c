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
    // Only the end of the whole path counts (tst_opening has the rows the window opens); a
    // book goes by mail as its kind, but a file that is plain text only because no kind claims
    // it is not called text.
    void kindAndMailType_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("mailType");
        QTest::newRow("txt") << "/books/Emma.TXT" << int(BookKind::PlainText) << "text/plain";
        QTest::newRow("rtf") << "b.rtf" << int(BookKind::Rtf) << "application/rtf";
        QTest::newRow("htm") << "e.htm" << int(BookKind::Html) << "text/html";
        QTest::newRow("doc") << "f.DOC" << int(BookKind::WordDocument) << "application/msword";
        QTest::newRow("epub") << "d.epub" << int(BookKind::Epub) << "application/epub+zip";
        QTest::newRow("docx")
            << "letter.docx" << int(BookKind::Docx)
            << "application/vnd.openxmlformats-officedocument.wordprocessingml.document";
        // A zipped FB2 book is not sent as the XML it holds, nor an AZW3 book as an old MOBI.
        QTest::newRow("fb2") << "a.fb2" << int(BookKind::Fb2) << "application/x-fictionbook+xml";
        QTest::newRow("fb2.zip") << "a.FB2.zip" << int(BookKind::Fb2)
                                 << "application/x-zip-compressed-fb2";
        QTest::newRow("plain zip")
            << "a.zip" << int(BookKind::PlainText) << "application/octet-stream";
        QTest::newRow("azw3") << "k.azw3" << int(BookKind::Mobi)
                              << "application/vnd.amazon.mobi8-ebook";
        QTest::newRow("mobi") << "k.mobi" << int(BookKind::Mobi)
                              << "application/x-mobipocket-ebook";
        QTest::newRow("fodt") << "o.fodt" << int(BookKind::Odt)
                              << "application/vnd.oasis.opendocument.text-flat-xml";
        QTest::newRow("md") << "notes.md" << int(BookKind::Markdown) << "text/markdown";
        QTest::newRow("cbz") << "c.CBZ" << int(BookKind::Comic) << "application/vnd.comicbook+zip";
        QTest::newRow("no extension")
            << "README" << int(BookKind::PlainText) << "application/octet-stream";
        QTest::newRow("folder named rtf")
            << "/home/rtf/notes" << int(BookKind::PlainText) << "application/octet-stream";
        QTest::newRow("inner ending") << "a.pdf.txt" << int(BookKind::PlainText) << "text/plain";
    }

    void kindAndMailType()
    {
        QFETCH(QString, path);
        QFETCH(int, kind);
        QFETCH(QString, mailType);
        QCOMPARE(int(BookKinds::kindOf(path)), kind);
        QCOMPARE(BookKinds::mailTypeOf(path), mailType);
    }

    // A downloaded book gets the extension of the kind its content type names, unless its
    // name already says that kind.
    void savedBookNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("saved");
        QTest::newRow("xhtml") << "fable"
                               << "application/xhtml+xml"
                               << "fable.html";
        QTest::newRow("htm kept") << "fable.htm"
                                  << "text/html; charset=utf-8"
                                  << "fable.htm";
        QTest::newRow("text/rtf") << "fable"
                                  << "TEXT/RTF"
                                  << "fable.rtf";
        QTest::newRow("pdf") << "paper.php"
                             << "application/pdf"
                             << "paper.php.pdf";
        QTest::newRow("epub") << "novel"
                              << "application/epub+zip"
                              << "novel.epub";
        QTest::newRow("zipped fb2") << "tale"
                                    << "application/x-zip-compressed-fb2"
                                    << "tale.fb2.zip";
        QTest::newRow("cbz alias") << "strip"
                                   << "application/x-cbz"
                                   << "strip.cbz";
        QTest::newRow("unknown type") << "song.mp3"
                                      << "audio/mpeg"
                                      << "song.mp3";
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
            for (const auto& [ending, type] : row.endingTypes) {
                QVERIFY2(types.contains(type), qPrintable(type));
            }
        }
    }
};

QUILLMERE_TEST_MAIN(TestBookKinds)
#include "tst_book_kinds.moc"
