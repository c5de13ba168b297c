// The optional engines (web, PDF, mail) as plugins: the program starts and reads text books
// without loading any of them, and a missing or broken plugin is explained where its kind of
// book is opened, without harm to the rest of the program. The order of the tests matters:
// engines once loaded stay loaded in the process, so the first test loads none.
#include "core/AppSettings.h"
#include "core/EngineLibrary.h"
#include "core/MailSession.h"
#include "mainwindow/frmMain.h"
#include "support/MainWindowDriver.h"
#include "support/SmtpTestServer.h"
#include "support/TestAppFolder.h"
#include "support/TestMain.h"
#include "ui/web/frmBrowser.h"
#include "ui/web/frmBrowser1.h"
#include "views/PdfView.h"
#include "views/RichTextView.h"
#include "views/WebView.h"

#include <QFile>
#include <QLabel>
#include <QPainter>
#include <QPdfWriter>
#include <QToolButton>

namespace {
using EngineLibrary::Engine;

// The shared libraries this process has mapped whose names contain one of the words.
QStringList mappedLibraries(const QStringList& words)
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    QStringList found;
    if (!maps.open(QIODevice::ReadOnly)) {
        return {QStringLiteral("(no /proc/self/maps)")};
    }
    const QString text = QString::fromLocal8Bit(maps.readAll());
    for (const QString& word : words) {
        if (text.contains(word)) {
            found << word;
        }
    }
    return found;
}

const QStringList EngineLibraries = {QStringLiteral("libQt6WebEngineCore"),
                                     QStringLiteral("libQt6Pdf"), QStringLiteral("libcurl"),
                                     QStringLiteral("libGLX_mesa"), QStringLiteral("libLLVM")};

void writePdf(const QString& path)
{
    QPdfWriter writer(path);
    QPainter painter(&writer);
    painter.drawText(100, 100, QStringLiteral("A page"));
}
} // namespace

class TestEngines : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_plugins;

private slots:
    void startsAndReadsTextBooksWithoutAnyEngine()
    {
        TestAppFolder app;
        app.addBook(QStringLiteral("Emma.txt"), "Emma Woodhouse, handsome, clever, and rich.");
        app.addBook(QStringLiteral("Page.htm"), "<p>A page</p>");
        frmMain window(app.path());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(Driver::clickNode(window, QStringLiteral("Emma.txt")));
        QVERIFY(window.txtBook->text().startsWith(QStringLiteral("Emma")));
        QCoreApplication::processEvents();

        QCOMPARE(mappedLibraries(EngineLibraries), QStringList());
        QVERIFY(!EngineLibrary::isLoaded(Engine::Web));
        QVERIFY(!EngineLibrary::isLoaded(Engine::Pdf));
        QVERIFY(!EngineLibrary::isLoaded(Engine::Mail));
        QVERIFY(!window.wbBook->engineStarted());
    }

    // From here on the plugins are looked for in a folder where the web and mail plugins are
    // missing and the PDF plugin is a damaged file.
    void useAFolderWithoutGoodPlugins()
    {
        QVERIFY(m_plugins.isValid());
        QFile broken(m_plugins.filePath(EngineLibrary::fileName(Engine::Pdf)));
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write("not a shared library\n");
        broken.close();
        qputenv("QUILLMERE_PLUGIN_PATH", QFile::encodeName(m_plugins.path()));
        QCOMPARE(EngineLibrary::searchFolders().value(0), m_plugins.path());
    }

    void missingOrBrokenEnginesAreExplainedWhereTheirBooksOpen()
    {
        TestAppFolder app;
        app.addBook(QStringLiteral("Emma.txt"), "Emma Woodhouse");
        app.addBook(QStringLiteral("Page.htm"), "<p>A page</p>");
        writePdf(app.booksPath() + QStringLiteral("Pages.pdf"));
        frmMain window(app.path());
        window.show();

        QVERIFY(Driver::clickNode(window, QStringLiteral("Page.htm")));
        QVERIFY(window.wbBook->isVisibleTo(&window));
        QVERIFY(!window.wbBook->engineStarted());
        QVERIFY(window.wbBook->explanation().contains(QStringLiteral("web engine")));
        QVERIFY(window.wbBook->explanation().contains(EngineLibrary::fileName(Engine::Web)));
        auto* webMessage = window.wbBook->findChild<QLabel*>(QStringLiteral("webMessage"));
        QVERIFY(webMessage && webMessage->isVisibleTo(window.wbBook));
        QVERIFY(!webMessage->accessibleName().isEmpty());
        // The commands of a web book find no page and do nothing.
        QVERIFY(!window.wbBook->GoBack());
        QCOMPARE(window.wbBook->QueryStatusWB(WebView::CommandPrint) & WebView::StatusEnabled, 0);
        QVERIFY(!window.wbBook->ExecWB(WebView::CommandPrint, WebView::PromptUser));

        QVERIFY(Driver::clickNode(window, QStringLiteral("Pages.pdf")));
        QVERIFY(window.pdfBook->isVisibleTo(&window));
        QCOMPARE(window.pdfBook->pageCount(), 0);
        QVERIFY(window.pdfBook->explanation().contains(QStringLiteral("Pages.pdf")));
        QVERIFY(window.pdfBook->explanation().contains(QStringLiteral("PDF engine")));

        // Text books still open, and the web view explains again when asked again.
        QVERIFY(Driver::clickNode(window, QStringLiteral("Emma.txt")));
        QCOMPARE(window.txtBook->text(), QStringLiteral("Emma Woodhouse"));
        QVERIFY(Driver::clickNode(window, QStringLiteral("Page.htm")));
        QVERIFY(!window.wbBook->explanation().isEmpty());
        QVERIFY(!EngineLibrary::isLoaded(Engine::Web));
        QVERIFY(!EngineLibrary::isLoaded(Engine::Pdf));
    }

    // The lookup and find-a-book windows open without the web engine and say why they show
    // no page; their buttons do nothing harmful.
    void browserWindowsExplainAMissingWebEngine()
    {
        TestAppFolder app;
        frmMain window(app.path());
        window.show();
        window.lookup() = {LookupKind::Definition, QStringLiteral("word")};
        auto* lookup = new frmBrowser(window.state(), window.lookup(), &window);
        QVERIFY(lookup->brwWebBrowser->explanation().contains(QStringLiteral("web engine")));
        lookup->brwWebBrowser->Refresh();
        lookup->brwWebBrowser->Stop();
        QVERIFY(!lookup->brwWebBrowser->Busy());
        lookup->close();

        QTest::mouseClick(window.btnFind, Qt::LeftButton);
        auto* find = Driver::topLevel<frmBrowser1>();
        QVERIFY(find);
        QVERIFY(find->brwWebBrowser->explanation().contains(QStringLiteral("web engine")));
        QVERIFY(find->brwWebBrowser->LocationURL().isEmpty());
        QVERIFY(!find->brwWebBrowser->ExecWB(WebView::CommandSaveAs, WebView::PromptUser));
        find->close();
        QVERIFY(!EngineLibrary::isLoaded(Engine::Web));
    }

    void aMissingMailLibraryFailsTheSendWithItsReason()
    {
        SmtpTestServer server;
        QVERIFY2(server.isReady(), qPrintable(server.error()));
        {
            auto settings = AppSettings::open();
            settings->beginGroup(QStringLiteral("Mail"));
            settings->setValue(QStringLiteral("Server"), server.url());
            settings->setValue(QStringLiteral("Sender"), QStringLiteral("reader@quillmere.test"));
            settings->endGroup();
        }
        TestAppFolder app;
        const QString book = app.addBook(QStringLiteral("Emma.txt"), "Emma");
        MailSession mail;
        QString error;
        QVERIFY(mail.SignOn(&error));
        QVERIFY(mail.Compose(mail.SessionID(), &error));
        mail.setRecipAddress(QStringLiteral("friend@example.org"));
        QVERIFY(mail.setAttachmentPathName(book, &error));
        QVERIFY(!mail.Send(&error));
        QVERIFY2(error.contains(QStringLiteral("mail library")), qPrintable(error));
        QVERIFY(server.messages().isEmpty());
        QVERIFY(!EngineLibrary::isLoaded(Engine::Mail));
    }
};

QUILLMERE_TEST_MAIN(TestEngines)
#include "tst_engines.moc"
