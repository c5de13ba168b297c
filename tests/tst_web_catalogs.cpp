// OPDS catalogs in the find-a-book window, against real servers on 127.0.0.1: calibre's
// content server (an open library, and one that asks for a password) and the project's own
// HTTP server for pages no honest catalog sends. Browsing, pages of long lists, search,
// downloads into the library and opening them, passwords, and everything refused cleanly.
#include "core/AppSettings.h"
#include "core/Catalog.h"
#include "core/CatalogClient.h"
#include "core/CatalogPassword.h"
#include "core/MailPassword.h"
#include "core/NetworkLimits.h"
#include "formats/opds/OpdsReader.h"
#include "mainwindow/frmMain.h"
#include "support/CalibreTestServer.h"
#include "support/CatalogPages.h"
#include "support/HttpTestServer.h"
#include "support/MainWindowDriver.h"
#include "support/TestAppFolder.h"
#include "support/TestMain.h"
#include "ui/skin/SkinButton.h"
#include "ui/web/CatalogPane.h"
#include "ui/web/CatalogSwitch.h"
#include "ui/web/dlgCatalog.h"
#include "ui/web/frmBrowser1.h"
#include "views/WebView.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>

using CatalogPages::atomEntry;
using CatalogPages::atomFeed;

namespace {
QByteArray fetch(const QString& url)
{
    QNetworkAccessManager network;
    QNetworkReply* reply = network.get(QNetworkRequest(QUrl(url)));
    QSignalSpy done(reply, &QNetworkReply::finished);
    done.wait(20000);
    const QByteArray data = reply->readAll();
    delete reply;
    return data;
}

QStringList titles(const CatalogPane* pane)
{
    QStringList list;
    for (const Opds::Entry& entry : pane->entries()) {
        list << entry.title;
    }
    return list;
}

int rowOf(const CatalogPane* pane, const QString& title)
{
    return int(titles(pane).indexOf(title));
}

} // namespace

class TestWebCatalogs : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    CalibreTestServer m_calibre; // open, its lists in pages of two
    CalibreTestServer m_private; // asks for a user name and password
    QTemporaryDir m_served;
    HttpTestServer m_http;
    QString m_acquisition; // the relation calibre marks a book's files with

    // The find-a-book window of a main window, with its catalogs shown.
    CatalogPane* showCatalogs(frmMain& window)
    {
        window.ShowFindABook();
        auto* finder = Driver::topLevel<frmBrowser1>();
        if (!finder) {
            return nullptr;
        }
        // Nothing goes out before the reader asks for the catalogs.
        if (finder->catalogPane->isLoading() || !finder->catalogPane->entries().isEmpty()) {
            return nullptr;
        }
        QTest::mouseClick(finder->catalogSwitch->button(), Qt::LeftButton);
        return finder->catalogPane;
    }

    static bool pageShown(CatalogPane* pane, const QString& title)
    {
        return QTest::qWaitFor([&] { return !pane->isLoading() && titles(pane).contains(title); },
                               30000);
    }

    // Downloads the chosen book's EPUB; the name it was saved under, or empty.
    static QString downloadChosen(CatalogPane* pane)
    {
        QPushButton* button = pane->downloadButton(QStringLiteral("epub"));
        if (!button) {
            return QString();
        }
        QSignalSpy saved(pane, &CatalogPane::bookSaved);
        QTest::mouseClick(button, Qt::LeftButton);
        return saved.wait(30000) ? saved.first().first().toString() : QString();
    }

private slots:
    void initTestCase()
    {
        // A home of our own (~/.netrc) and no session bus, hence no keyring.
        qputenv("HOME", m_home.path().toUtf8());
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/quillmere-test-bus");
        const QStringList books = {testDataPath(QStringLiteral("epub/lighthouse-edited.epub")),
                                   testDataPath(QStringLiteral("epub/long-shore.epub")),
                                   testDataPath(QStringLiteral("epub/styled.epub"))};
        QVERIFY2(m_calibre.start({books, QString(), QString(), 2}), qPrintable(m_calibre.error()));
        QVERIFY2(
            m_private.start({books, QStringLiteral("reader"), QStringLiteral("s3cret pass"), 0}),
            qPrintable(m_private.error()));
        QVERIFY(m_http.start(m_served.path()));

        const QByteArray byTitle =
            fetch(m_calibre.url(QStringLiteral("/opds/navcatalog/4f7469746c65")));
        const QRegularExpressionMatch rel =
            QRegularExpression(QStringLiteral("rel=\"([^\"]*/acquisition)\""))
                .match(QString::fromUtf8(byTitle));
        QVERIFY2(rel.hasMatch(), byTitle.constData());
        m_acquisition = rel.captured(1);
    }

    void init()
    {
        AppSettings::open()->clear();
        NetworkLimits::current() = NetworkLimits();
        MessageBox::clearShown();
        QFile::remove(MailPassword::netrcPath());
    }

    // The whole way from a catalog to a book being read: sections, the pages of a long list,
    // a download into the library (twice: the second never replaces the first), opening it,
    // Back, and the catalog's search.
    void browseDownloadAndOpen()
    {
        Catalog::save({{QStringLiteral("Test Library"), m_calibre.url(), QString()}});
        TestAppFolder app;
        frmMain window(app.path());
        CatalogPane* pane = showCatalogs(window);
        QVERIFY(pane);
        QVERIFY(pane->isVisible());
        QVERIFY(!Driver::topLevel<frmBrowser1>()->brwWebBrowser->isVisible());
        QVERIFY(pageShown(pane, QStringLiteral("By Title")));

        pane->lstEntries->setCurrentRow(rowOf(pane, QStringLiteral("By Title")));
        QTest::mouseClick(pane->btnOpenSection, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(pane->entries().size(), 2, 30000);
        QVERIFY(pane->btnMore->isVisible());
        QTest::mouseClick(pane->btnMore, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(pane->entries().size(), 3, 30000);
        QVERIFY(!pane->btnMore->isVisible());
        QStringList all = titles(pane);
        all.sort();
        QCOMPARE(all, (QStringList{"Styled Pages", "The Lighthouse Keeper", "The Long Shore"}));

        pane->lstEntries->setCurrentRow(rowOf(pane, QStringLiteral("The Lighthouse Keeper")));
        QCOMPARE(pane->lblEntryAuthors->text(), QStringLiteral("Ada Marlowe"));
        const QString first = downloadChosen(pane);
        QCOMPARE(first, QStringLiteral("The Lighthouse Keeper - Ada Marlowe.epub"));
        const QString served =
            pane->entries().at(pane->lstEntries->currentRow()).readableFiles().first().link.href;
        const QByteArray original = fetch(served);
        QVERIFY(original.startsWith("PK"));
        QCOMPARE(app.readFile(app.booksPath() + first), original);
        QVERIFY(Driver::treeBooks(window).contains(first));

        QCOMPARE(downloadChosen(pane),
                 QStringLiteral("The Lighthouse Keeper - Ada Marlowe (2).epub"));
        QCOMPARE(app.readFile(app.booksPath() + first), original);
        QCOMPARE(app.booksFolderEntries().size(), 2); // no temporary file left behind

        QVERIFY(pane->btnOpenBook->isVisible());
        QTest::mouseClick(pane->btnOpenBook, Qt::LeftButton);
        QTRY_COMPARE(window.state().CurrentBookName,
                     QStringLiteral("The Lighthouse Keeper - Ada Marlowe (2).epub"));
        QCOMPARE(window.state().Kind, BookKind::Epub);

        QTest::mouseClick(pane->btnCatalogBack, Qt::LeftButton);
        QVERIFY(pageShown(pane, QStringLiteral("By Newest")));
        QVERIFY(!pane->btnCatalogBack->isEnabled());

        QTest::keyClicks(pane->txtCatalogSearch, QStringLiteral("shore"));
        QTest::keyClick(pane->txtCatalogSearch, Qt::Key_Return);
        QTRY_COMPARE_WITH_TIMEOUT(titles(pane), QStringList{QStringLiteral("The Long Shore")},
                                  30000);
        // calibre answers a search without results with "not found".
        pane->txtCatalogSearch->setText(QStringLiteral("zzqq"));
        QTest::keyClick(pane->txtCatalogSearch, Qt::Key_Return);
        QTRY_COMPARE_WITH_TIMEOUT(pane->lblStatus->text(),
                                  QString::fromUtf8("The catalog found nothing for “zzqq”."),
                                  30000);

        // The web page comes back with the button, or with a search of the books index.
        auto* finder = Driver::topLevel<frmBrowser1>();
        QTest::mouseClick(finder->catalogSwitch->button(), Qt::LeftButton);
        QVERIFY(finder->brwWebBrowser->isVisible());
        QVERIFY(!pane->isVisible());
    }

    // A private catalog: asked for, the password goes into ~/.netrc (no keyring runs here),
    // never into the settings, and a refused one is asked for again.
    void privateCatalogAsksForThePassword()
    {
        Catalog::save({{QStringLiteral("Private"), m_private.url(), QString()}});
        TestAppFolder app;
        frmMain window(app.path());
        CatalogPane* pane = showCatalogs(window);
        QVERIFY(pane);
        for (const QString& password : {QStringLiteral("wrong"), QStringLiteral("s3cret pass")}) {
            QTRY_VERIFY_WITH_TIMEOUT(pane->catalogDialog() && pane->catalogDialog()->isVisible(),
                                     30000);
            dlgCatalog* dialog = pane->catalogDialog();
            dialog->txtUser->setText(QStringLiteral("reader"));
            dialog->txtPassword->setText(password);
            QTest::mouseClick(dialog->btnOK, Qt::LeftButton);
            QTRY_VERIFY(!pane->catalogDialog());
        }
        QVERIFY(pageShown(pane, QStringLiteral("By Title")));

        const Catalog kept = Catalog::load().first();
        QCOMPARE(kept.user, QStringLiteral("reader"));
        QCOMPARE(CatalogPassword::read(kept), QStringLiteral("s3cret pass"));
        bool found = false;
        QCOMPARE(MailPassword::readNetrc(MailPassword::netrcPath(), "127.0.0.1", "reader", &found),
                 QStringLiteral("s3cret pass"));
        QVERIFY(found);
        auto settings = AppSettings::open();
        settings->sync();
        QFile file(settings->fileName());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(!file.readAll().contains("s3cret"));

        // Books come from the private server the same way.
        pane->lstEntries->setCurrentRow(rowOf(pane, QStringLiteral("By Title")));
        QTest::mouseClick(pane->btnOpenSection, Qt::LeftButton);
        QVERIFY(pageShown(pane, QStringLiteral("The Long Shore")));
        pane->lstEntries->setCurrentRow(rowOf(pane, QStringLiteral("The Long Shore")));
        QCOMPARE(downloadChosen(pane), QStringLiteral("The Long Shore - Ada Marlowe.epub"));
    }

    // The password is offered to the catalog's own server only: a page that links to another
    // server which asks for one gets nothing.
    void passwordStaysWithItsServer()
    {
        CatalogClient client;
        const Catalog own{QStringLiteral("Own"), m_http.url(QStringLiteral("/")),
                          QStringLiteral("reader")};
        client.setCatalog(own, QStringLiteral("s3cret pass"));
        const CatalogPages::Answer other = CatalogPages::open(client, m_private.url());
        QVERIFY(!other.arrived);
        QVERIFY2(other.error.contains(QLatin1String("user name and password")),
                 qPrintable(other.error));

        client.setCatalog({QStringLiteral("Private"), m_private.url(), QStringLiteral("reader")},
                          QStringLiteral("s3cret pass"));
        QVERIFY(CatalogPages::open(client, m_private.url()).arrived);
    }

    // An OPDS 2 page and links that lead out of the web.
    void jsonPagesAndForeignLinks()
    {
        const QByteArray json =
            "{\"metadata\": {\"title\": \"Shelf\"}, \"links\": [{\"rel\": \"next\", \"href\": "
            "\"page2.json\"},"
            " {\"rel\": \"search\", \"href\": \"/search{?query}\", \"templated\": true}],"
            " \"navigation\": [{\"title\": \"Poetry\", \"href\": \"/poetry.json\", \"type\": "
            "\"application/opds+json\"}],"
            " \"publications\": [{\"metadata\": {\"title\": {\"fr\": \"Les Mis\\u00e9rables\"}, "
            "\"author\": [{\"name\": \"Victor Hugo\"}], \"description\": \"<p>A <b>long</b> "
            "book</p>\"},"
            " \"links\": [{\"rel\": \"" +
            m_acquisition.toUtf8() +
            "\", \"href\": \"/m.pdf\", \"type\": "
            "\"application/pdf\"}, {\"rel\": \"" +
            m_acquisition.toUtf8() +
            "\", \"href\": \"/m.azw3\", "
            "\"type\": \"application/vnd.amazon.ebook\"}, {\"rel\": \"" +
            m_acquisition.toUtf8() +
            "\", \"href\": \"/m.epub\", \"type\": \"application/epub+zip\"}],"
            " \"images\": [{\"href\": \"/m.jpg\", \"type\": \"image/jpeg\"}]}]}";
        Opds::Feed feed;
        QString error;
        QVERIFY2(
            Opds::readFeed(json, QUrl(QStringLiteral("http://books.test/shelf/")), &feed, &error),
            qPrintable(error));
        QCOMPARE(feed.title, QStringLiteral("Shelf"));
        QCOMPARE(feed.nextHref, QStringLiteral("http://books.test/shelf/page2.json"));
        QCOMPARE(Opds::searchAddress(feed.searchHref, QStringLiteral("red & fox")),
                 QUrl(QStringLiteral("http://books.test/search?query=red%20%26%20fox")));
        QCOMPARE(feed.entries.size(), 2);
        QCOMPARE(feed.entries[0].subsection()->href,
                 QStringLiteral("http://books.test/poetry.json"));
        const Opds::Entry& book = feed.entries[1];
        QCOMPARE(book.title, QString::fromUtf8("Les Misérables"));
        QCOMPARE(book.authors, QStringList{QStringLiteral("Victor Hugo")});
        QCOMPARE(book.summary, QStringLiteral("A long book"));
        QCOMPARE(book.coverHref(), QStringLiteral("http://books.test/m.jpg"));
        const QList<Opds::BookFile> files = book.readableFiles();
        QCOMPARE(files.size(), 2); // the Kindle file is of no use here
        QCOMPARE(files[0].extension, QStringLiteral("epub"));
        QCOMPARE(files[1].extension, QStringLiteral("pdf"));

        // Links to a script, a local file or nowhere never get into the page.
        const QByteArray atom =
            atomFeed("<link rel='next' href='file:///etc/passwd'/>",
                     atomEntry(QStringLiteral("Trap"),
                               "<link rel='" + m_acquisition.toUtf8() +
                                   "' type='application/epub+zip' href='javascript:alert(1)'/>"
                                   "<link rel='" +
                                   m_acquisition.toUtf8() +
                                   "' type='application/epub+zip' href='file:///etc/passwd'/>"));
        QVERIFY(Opds::readFeed(atom, QUrl(QStringLiteral("http://books.test/")), &feed, &error));
        QVERIFY(feed.nextHref.isEmpty());
        QVERIFY(feed.entries.first().links.isEmpty());
    }

    // A list whose next page leads back to its first stops there; a search through an
    // OpenSearch description asks the template's address with the terms encoded.
    void pagesThatLoopAndOpenSearch()
    {
        const QByteArray book = "<link rel='" + m_acquisition.toUtf8() +
                                "' type='application/epub+zip' href='/book.epub'/>";
        QVERIFY(m_http.addFile(
            QStringLiteral("loop/one.xml"),
            atomFeed("<link rel='next' href='two.xml'/><link rel='search' "
                     "type='application/opensearchdescription+xml' href='/search.xml'/>",
                     atomEntry(QStringLiteral("One"), book))));
        QVERIFY(m_http.addFile(
            QStringLiteral("loop/two.xml"),
            atomFeed("<link rel='next' href='one.xml'/>", atomEntry(QStringLiteral("Two"), book))));
        QVERIFY(m_http.addFile(QStringLiteral("search.xml"),
                               "<?xml version='1.0'?><OpenSearchDescription><Url type='text/html' "
                               "template='/web?q={searchTerms}'/><Url type='application/atom+xml' "
                               "template='/found.xml?q={searchTerms}&amp;page={startPage?}'/></"
                               "OpenSearchDescription>"));
        QVERIFY(m_http.addFile(QStringLiteral("found.xml"),
                               atomFeed(QByteArray(), atomEntry(QStringLiteral("Found"), book))));

        Catalog::save(
            {{QStringLiteral("Loop"), m_http.url(QStringLiteral("/loop/one.xml")), QString()}});
        TestAppFolder app;
        frmMain window(app.path());
        CatalogPane* pane = showCatalogs(window);
        QVERIFY(pane);
        QVERIFY(pageShown(pane, QStringLiteral("One")));
        QTest::mouseClick(pane->btnMore, Qt::LeftButton);
        QVERIFY(pageShown(pane, QStringLiteral("Two")));
        QVERIFY(!pane->btnMore->isVisible());
        QCOMPARE(titles(pane), (QStringList{"One", "Two"}));

        m_http.clearRequests();
        QTest::keyClicks(pane->txtCatalogSearch, QStringLiteral("red fox"));
        QTest::mouseClick(pane->btnCatalogSearch, Qt::LeftButton);
        QVERIFY(pageShown(pane, QStringLiteral("Found")));
        QCOMPARE(m_http.waitForRequest(QStringLiteral("/found.xml")),
                 QStringLiteral("/found.xml?q=red%20fox&page="));
    }
};

QUILLMERE_TEST_MAIN(TestWebCatalogs)
#include "tst_web_catalogs.moc"
