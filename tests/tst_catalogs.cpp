// Catalog pages and downloads that are not what they should be, against the project's own HTTP
// server on 127.0.0.1 and servers that never answer: each is refused with a reason, nothing
// hangs, and nothing but a whole book of its kind ever lands in the library, under a name of
// the library's own. Also the catalog list the settings keep.
#include "core/AppSettings.h"
#include "core/BookDownload.h"
#include "core/Catalog.h"
#include "core/CatalogClient.h"
#include "core/NetworkLimits.h"
#include "support/CatalogPages.h"
#include "support/FileBytes.h"
#include "support/HttpTestServer.h"
#include "support/ServerProcess.h"
#include "support/SilentServer.h"
#include "support/TestAppFolder.h"
#include "support/TestMain.h"

#include <QDir>
#include <QFile>
#include <QNetworkAccessManager>
#include <QSignalSpy>
#include <QTemporaryDir>

using CatalogPages::atomEntry;
using CatalogPages::atomFeed;

class TestCatalogs : public QObject
{
    Q_OBJECT

    QTemporaryDir m_served;
    HttpTestServer m_http;
    QByteArray m_lighthouse;

    Opds::Link bookLink(const QString& path, qint64 length = -1) const
    {
        return {m_http.url(path), QString(), QStringLiteral("application/epub+zip"), QString(),
                length};
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_http.start(m_served.path()));
        QFile book(testDataPath(QStringLiteral("epub/lighthouse-edited.epub")));
        QVERIFY(book.open(QIODevice::ReadOnly));
        m_lighthouse = book.readAll();
    }

    void init()
    {
        AppSettings::open()->clear();
        NetworkLimits::current() = NetworkLimits();
    }

    // The list the reader leaves is the list the next start shows, even an empty one; a list
    // never changed is the two public catalogs, and an entry that cannot be used is dropped.
    void catalogListIsKept()
    {
        QCOMPARE(Catalog::load().size(), 2);
        Catalog::save({});
        QCOMPARE(Catalog::load().size(), 0);
        const Catalog mine{QStringLiteral("Mine"), QStringLiteral("https://books.test/opds"),
                           QStringLiteral("reader")};
        Catalog::save({mine, {QStringLiteral("Bad"), QStringLiteral("file:///etc"), QString()}});
        const QList<Catalog> loaded = Catalog::load();
        QCOMPARE(loaded.size(), 1);
        QCOMPARE(loaded.first().address, mine.address);
        QCOMPARE(loaded.first().user, mine.user);
    }

    // Pages no catalog should send are refused with a reason, and nothing is shown of them.
    void hostilePagesAreRefused_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("reason");
        const QByteArray entries = atomEntry(QStringLiteral("A"), QByteArray()).repeated(2000);
        QTest::newRow("huge") << atomFeed(QByteArray(), entries) << "more than";
        const QByteArray whole =
            atomFeed(QByteArray(), atomEntry(QStringLiteral("A"), QByteArray()));
        QTest::newRow("cut short") << whole.left(whole.size() - 12) << "ends before";
        QTest::newRow("malformed")
            << QByteArray("<feed><entry><title>A</entry></feed>") << "not valid XML";
        QTest::newRow("entity bomb")
            << QByteArray("<?xml version='1.0'?><!DOCTYPE feed [<!ENTITY a 'aaaaaaaaaa'>"
                          "<!ENTITY b '&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;'><!ENTITY c "
                          "'&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;'>"
                          "<!ENTITY d '&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;'><!ENTITY e "
                          "'&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;'>]>"
                          "<feed><title>&e;&e;&e;&e;&e;&e;&e;&e;</title></feed>")
            << "not valid XML";
        QTest::newRow("web page") << QByteArray("<html><body><p>Hello</p></body></html>")
                                  << "web page";
        QTest::newRow("bad JSON") << QByteArray("{\"navigation\": [") << "not valid JSON";
        QTest::newRow("other JSON") << QByteArray("{\"weather\": \"fine\"}") << "not a catalog";
    }

    void hostilePagesAreRefused()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, reason);
        NetworkLimits::current().feedBytes = 64 * 1024;
        QVERIFY(m_http.addFile(QStringLiteral("hostile.xml"), content));
        CatalogClient client;
        const CatalogPages::Answer result =
            CatalogPages::open(client, m_http.url(QStringLiteral("/hostile.xml")));
        QVERIFY(!result.arrived);
        QVERIFY2(result.error.contains(reason), qPrintable(result.error));
    }

    // Without a network nothing hangs: a silent server is given up after the answer time.
    void unreachableServersAreReported_data()
    {
        QTest::addColumn<bool>("silent");
        QTest::addColumn<QString>("reason");
        QTest::newRow("silent") << true << "did not answer within 0.3 seconds";
        QTest::newRow("nobody listening") << false << "refused the connection";
    }

    void unreachableServersAreReported()
    {
        QFETCH(bool, silent);
        QFETCH(QString, reason);
        NetworkLimits::current().answerTimeoutMs = 300;
        SilentServer server;
        const quint16 port = silent ? server.serverPort() : ServerProcess::freePort();
        CatalogClient client;
        const CatalogPages::Answer result =
            CatalogPages::open(client, QStringLiteral("http://127.0.0.1:%1/opds").arg(port));
        QVERIFY(!result.arrived);
        QVERIFY2(result.error.contains(reason), qPrintable(result.error));
    }

    // A download that is not a whole book of its kind leaves nothing in the library.
    void hostileDownloadsLeaveNothing_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<qint64>("catalogLength");
        QTest::addColumn<QString>("reason");
        QTest::newRow("larger than the limit") << "/big.epub" << qint64(-1) << "more than";
        QTest::newRow("catalog says it is huge")
            << "/book.epub" << (qint64(10) << 30) << "more than";
        QTest::newRow("a web page instead") << "/page.epub" << qint64(-1) << "as EPUB";
        QTest::newRow("cut off") << "/interrupt/book.epub" << qint64(-1) << "closed the connection";
        QTest::newRow("cancelled") << "/slow/book.epub" << qint64(-1) << "cancelled";
    }

    void hostileDownloadsLeaveNothing()
    {
        QFETCH(QString, path);
        QFETCH(qint64, catalogLength);
        QFETCH(QString, reason);
        NetworkLimits::current().bookBytes = 256 * 1024;
        QVERIFY(
            m_http.addFile(QStringLiteral("big.epub"), "PK\x03\x04" + QByteArray(300 * 1024, 'x')));
        QVERIFY(m_http.addFile(QStringLiteral("book.epub"), m_lighthouse));
        QVERIFY(m_http.addFile(QStringLiteral("page.epub"),
                               "<html><body>Please sign in</body></html>"));
        TestAppFolder app;
        QNetworkAccessManager network;
        BookDownload download(&network, app.booksPath());
        QSignalSpy finished(&download, &BookDownload::finished);
        download.start(
            {bookLink(path, catalogLength), QStringLiteral("epub"), QStringLiteral("EPUB")},
            QStringLiteral("Book"), {});
        if (reason == QLatin1String("cancelled")) {
            QVERIFY(download.isRunning());
            download.cancel();
        }
        QVERIFY(!finished.isEmpty() || finished.wait(30000));
        QCOMPARE(finished.first().at(0).toBool(), false);
        QVERIFY2(finished.first().at(2).toString().contains(reason),
                 qPrintable(finished.first().at(2).toString()));
        QCOMPARE(app.booksFolderEntries(), QStringList());
        QVERIFY(!download.isRunning());
    }

    // Whatever name the catalog or the server gives, the book lands in the books folder as a
    // visible file of its kind, and nothing is written anywhere else.
    void downloadedBooksStayInTheLibrary_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("serverName");
        QTest::addColumn<QString>("saved");
        QTest::newRow("title climbing out") << "../../evil"
                                            << "x.epub"
                                            << "evil.epub";
        QTest::newRow("server name climbing out") << ""
                                                  << "../../evil.epub"
                                                  << "evil.epub";
        QTest::newRow("backslashes") << ""
                                     << "..\\..\\evil"
                                     << "evil.epub";
        QTest::newRow("hidden name") << ""
                                     << ".hidden.epub"
                                     << "hidden.epub";
        QTest::newRow("slash in a title") << "AC/DC\tLive\n"
                                          << ""
                                          << "AC-DC Live.epub";
        QTest::newRow("nothing usable") << "..."
                                        << "/"
                                        << "book.epub";
        QTest::newRow("long title")
            << QString(400, QLatin1Char('w')) << "" << QString(180, QLatin1Char('w')) + ".epub";
    }

    void downloadedBooksStayInTheLibrary()
    {
        QFETCH(QString, title);
        QFETCH(QString, serverName);
        QFETCH(QString, saved);
        QVERIFY(m_http.addFile(QStringLiteral("book.epub"), m_lighthouse));
        TestAppFolder app;
        const QStringList around =
            QDir(app.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        QNetworkAccessManager network;
        BookDownload download(&network, app.booksPath());
        QSignalSpy finished(&download, &BookDownload::finished);
        const QString path = QStringLiteral("/attach/book.epub?filename=") +
                             QString::fromLatin1(QUrl::toPercentEncoding(serverName));
        download.start({bookLink(path), QStringLiteral("epub"), QStringLiteral("EPUB")}, title, {});
        QVERIFY(finished.wait(30000));
        QVERIFY2(finished.first().at(0).toBool(), qPrintable(finished.first().at(2).toString()));
        QCOMPARE(finished.first().at(1).toString(), saved);
        QCOMPARE(app.booksFolderEntries(), QStringList{saved});
        QCOMPARE(app.readFile(app.booksPath() + saved), m_lighthouse);
        QCOMPARE(QDir(app.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), around);
    }
    // Catalogs offer books of every kind the library reads, the program's favourites first;
    // a download of one of them is kept only when it is a book of that kind, under its
    // kind's ending.
    void otherKindsAreOfferedAndChecked_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("data");  // a book of tests/data, or empty for a web page
        QTest::addColumn<QString>("saved"); // empty when refused
        QTest::newRow("FB2") << "application/x-fictionbook+xml"
                             << "books/calibre.fb2"
                             << "Tale.fb2";
        QTest::newRow("zipped FB2") << "application/fb2+zip"
                                    << "books/pandoc.fb2.zip"
                                    << "Tale.fb2.zip";
        QTest::newRow("AZW3") << "application/vnd.amazon.mobi8-ebook"
                              << "books/calibre.azw3"
                              << "Tale.azw3";
        QTest::newRow("FB2 in UTF-16") << "application/x-fictionbook+xml"
                                       << "utf16"
                                       << "Tale.fb2";
        QTest::newRow("MOBI as a web page") << "application/x-mobipocket-ebook"
                                            << ""
                                            << "";
        QTest::newRow("FB2 as a web page") << "application/x-fictionbook+xml"
                                           << ""
                                           << "";
        QTest::newRow("DOCX") << "application/vnd.openxmlformats-officedocument.wordprocessingml."
                                 "document"
                              << "books/pandoc.docx"
                              << "Tale.docx";
        QTest::newRow("ODT as a web page") << "application/vnd.oasis.opendocument.text"
                                           << ""
                                           << "";
    }

    void otherKindsAreOfferedAndChecked()
    {
        QFETCH(QString, type);
        QFETCH(QString, data);
        QFETCH(QString, saved);
        QByteArray content = "<html><body>Please sign in</body></html>";
        if (data == QLatin1String("utf16")) {
            const QString xml =
                QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-16\"?>"
                               "<FictionBook><body><p>Tale</p></body></FictionBook>");
            content = QByteArray("\xFF\xFE") +
                      QByteArray(reinterpret_cast<const char*>(xml.utf16()), xml.size() * 2);
        } else if (!data.isEmpty()) {
            content = fileBytes(testDataPath(data));
            QVERIFY(!content.isEmpty());
        }
        QVERIFY(m_http.addFile(QStringLiteral("tale.bin"), content));
        Opds::Entry entry;
        const Opds::Link link{m_http.url(QStringLiteral("/tale.bin")),
                              QStringLiteral("acquisition"), type, QString(), -1};
        entry.links = {{m_http.url(QStringLiteral("/t.pdf")), QStringLiteral("acquisition"),
                        QStringLiteral("application/pdf"), QString(), -1},
                       link};
        const QList<Opds::BookFile> files = entry.readableFiles();
        QCOMPARE(files.size(), 2);
        // Only Word documents come after a PDF.
        QCOMPARE(files.first().link.type == type, !type.contains(QLatin1String("document")));

        TestAppFolder app;
        QNetworkAccessManager network;
        BookDownload download(&network, app.booksPath());
        QSignalSpy finished(&download, &BookDownload::finished);
        download.start(*Opds::readableKind(link), QStringLiteral("Tale"), {});
        QVERIFY(finished.wait(30000));
        QCOMPARE(finished.first().at(0).toBool(), !saved.isEmpty());
        QCOMPARE(app.booksFolderEntries(), saved.isEmpty() ? QStringList() : QStringList{saved});
        if (!saved.isEmpty()) {
            QCOMPARE(app.readFile(app.booksPath() + saved), content);
        }
    }
};

QUILLMERE_TEST_MAIN(TestCatalogs)
#include "tst_catalogs.moc"
