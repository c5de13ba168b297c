// The name a book downloaded into the library gets: it must say what the file is, since the
// library shows a book by the end of its name.
#include "core/BookFileKind.h"
#include "core/SavedBookName.h"
#include "support/TestMain.h"

class TestSavedBookName : public QObject
{
    Q_OBJECT
private slots:
    void fitted_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("fitted");
        QTest::newRow("page without extension") << "search"
                                                << "text/html"
                                                << "search.html";
        QTest::newRow("type with parameters") << "search"
                                              << "Text/HTML; charset=utf-8"
                                              << "search.html";
        QTest::newRow("htm already says HTML") << "index.htm"
                                               << "text/html"
                                               << "index.htm";
        QTest::newRow("XHTML page") << "chapter"
                                    << "application/xhtml+xml"
                                    << "chapter.html";
        QTest::newRow("script sending a PDF") << "get.php"
                                              << "application/pdf"
                                              << "get.php.pdf";
        QTest::newRow("dotted title of a page") << "Dr. Jekyll and Mr. Hyde"
                                                << "text/html"
                                                << "Dr. Jekyll and Mr. Hyde.html";
        QTest::newRow("Word document") << "story"
                                       << "application/msword"
                                       << "story.doc";
        QTest::newRow("EPUB book") << "pride"
                                   << "application/epub+zip"
                                   << "pride.epub";
        QTest::newRow("RTF as text/rtf") << "essay"
                                         << "text/rtf"
                                         << "essay.rtf";
        QTest::newRow("text without extension") << "1342"
                                                << "text/plain"
                                                << "1342.txt";
        QTest::newRow("text with an odd extension") << "1342.txt.utf-8"
                                                    << "text/plain"
                                                    << "1342.txt.utf-8";
        QTest::newRow("RTF sent as text") << "essay.rtf"
                                          << "text/plain"
                                          << "essay.rtf";
        QTest::newRow("bare bytes keep the name") << "essay.rtf"
                                                  << "application/octet-stream"
                                                  << "essay.rtf";
        QTest::newRow("no type, no extension") << "book"
                                               << ""
                                               << "book";
    }

    void fitted()
    {
        QFETCH(QString, name);
        QFETCH(QString, type);
        QFETCH(QString, fitted);
        QCOMPARE(SavedBookName::fitted(name, type), fitted);
        // Whatever the name, a type of book other than plain text opens in its own view.
        const QString extension = SavedBookName::extensionFor(type);
        if (!extension.isEmpty() && extension != QLatin1String("txt")) {
            QCOMPARE(bookKindOfFileName(fitted),
                     bookKindOfFileName(QStringLiteral("x.") + extension));
        }
    }
};

QUILLMERE_TEST_MAIN(TestSavedBookName)
#include "tst_saved_book_name.moc"
