// The lookup window against a real HTTP server on 127.0.0.1 standing in for the dictionary and
// the picture search: the addresses it asks for, its icon, caption, address list and toolbar,
// and how the main window's lookup commands open it.
#include "core/AppSettings.h"
#include "formats/Twips.h"
#include "mainwindow/frmMain.h"
#include "support/HttpTestServer.h"
#include "support/MainWindowDriver.h"
#include "support/TestAppFolder.h"
#include "support/TestMain.h"
#include "ui/skin/SkinPanel.h"
#include "ui/web/frmBrowser.h"
#include "views/RichTextView.h"
#include "views/WebView.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>

namespace {
const QString DictionaryPath = QStringLiteral("/cgi-bin/dict.pl?term=");
const QString PicturePath = QStringLiteral("/Searching/Search_Results.asp?id=&st=basic&ap=1&ss=");

QByteArray page(const char* title)
{
    return QByteArray("<html><head><title>") + title + "</title></head><body><p>" + title +
           "</p></body></html>";
}

QStringList addresses(const QComboBox* box)
{
    QStringList list;
    for (int i = 0; i < box->count(); ++i) {
        list << box->itemText(i);
    }
    return list;
}
} // namespace

class TestWebLookup : public QObject
{
    Q_OBJECT

    QTemporaryDir m_settings;
    QTemporaryDir m_served;
    HttpTestServer m_server;

    // A main window over a book whose text is the test's, with the caret at caret.
    std::unique_ptr<frmMain> mainWindow(TestAppFolder& app, const QByteArray& text, int caret)
    {
        app.addBook("book.txt", text);
        auto window = std::make_unique<frmMain>(app.path());
        if (!Driver::clickNode(*window, QStringLiteral("book.txt"))) {
            return nullptr;
        }
        window->txtBook->setSelStart(caret);
        return window;
    }

    // Waits until the window's page has arrived (its address is in the list).
    static bool arrived(frmBrowser* browser, const QString& addressPart)
    {
        return QTest::qWaitFor(
            [&] {
                return browser->cboAddress->count() > 0 &&
                       browser->cboAddress->itemText(0).contains(addressPart) &&
                       !browser->brwWebBrowser->Busy();
            },
            20000);
    }

private slots:
    void initTestCase()
    {
        // Settings of our own: other test programs running at the same time point the hosts
        // at their own servers.
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settings.path());
        QVERIFY(m_server.start(m_served.path()));
        QVERIFY(m_server.addFile("first.htm", page("First page")));
        QVERIFY(m_server.addFile("second.htm", page("Second page")));
        auto settings = AppSettings::open();
        settings->beginGroup(QStringLiteral("Hosts"));
        settings->setValue(QStringLiteral("Dictionary"), m_server.hostAndPort());
        settings->setValue(QStringLiteral("PictureSearch"), m_server.hostAndPort());
        settings->setValue(QStringLiteral("Home"), m_server.url(QStringLiteral("/second.htm")));
    }

    void init()
    {
        MessageBox::clearShown();
        m_server.clearRequests();
    }

    void lookupAddresses_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("caret");
        QTest::addColumn<QString>("command");  // the control the reader uses
        QTest::addColumn<QString>("address");  // path and query of the address navigated to
        QTest::addColumn<QString>("received"); // the request target the server received
        QTest::addColumn<bool>("pictureIcon");

        const QString ab = DictionaryPath + QStringLiteral("ab");
        const QString pictures = PicturePath + QStringLiteral("ab&SearchType=picture");
        QTest::newRow("definition button")
            << QByteArray("an ab here") << 4 << "btnDef" << ab << ab << false;
        QTest::newRow("definition menu")
            << QByteArray("an ab here") << 4 << "mnuGetDefinition" << ab << ab << false;
        QTest::newRow("picture button")
            << QByteArray("an ab here") << 4 << "btnPicture" << pictures << pictures << true;
        QTest::newRow("picture menu")
            << QByteArray("an ab here") << 4 << "mnuGetPicture" << pictures << pictures << true;
        QTest::newRow("empty definition")
            << QByteArray("an  ab") << 3 << "btnDef" << DictionaryPath << DictionaryPath << false;
        const QString emptyPictures = PicturePath + QStringLiteral("&SearchType=picture");
        QTest::newRow("empty pictures")
            << QByteArray("an  ab") << 3 << "btnPicture" << emptyPictures << emptyPictures << true;
        // The word is encoded whole as a query value: the server receives exactly the word.
        QTest::newRow("blanks") << QByteArray("red pen") << -1 << "btnDef"
                                << DictionaryPath + QStringLiteral("red%20pen")
                                << DictionaryPath + QStringLiteral("red%20pen") << false;
        // A word at the start or end of a line goes without the line end.
        QTest::newRow("line start") << QByteArray("an\nab") << 3 << "btnDef" << ab << ab << false;
        QTest::newRow("line end, pictures")
            << QByteArray("ab\r\nan") << 1 << "btnPicture" << pictures << pictures << true;
        const QString salt =
            PicturePath + QStringLiteral("salt%20%26%20pepper%20%231&SearchType=picture");
        QTest::newRow("address characters, pictures")
            << QByteArray("salt & pepper #1") << -1 << "btnPicture" << salt << salt << true;
        const QString plus = DictionaryPath + QStringLiteral("a%2Bb%3Dc%2520d%20%C3%A9");
        QTest::newRow("address characters, definition")
            << QByteArray("a+b=c%20d \xc3\xa9") << -1 << "mnuGetDefinition" << plus << plus
            << false;
    }

    void lookupAddresses()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, caret);
        QFETCH(QString, command);
        QFETCH(QString, address);
        QFETCH(QString, received);
        QFETCH(bool, pictureIcon);
        TestAppFolder app;
        auto window = mainWindow(app, text, qMax(caret, 0));
        QVERIFY(window);
        if (caret < 0) {
            window->txtBook->setSelStart(0);
            window->txtBook->setSelLength(text.size());
        }
        if (auto* button = window->findChild<QToolButton*>(command)) {
            QTest::mouseClick(button, Qt::LeftButton);
        } else {
            window->findChild<QAction*>(command)->trigger();
        }
        frmBrowser* browser = window->lookupWindow();
        QVERIFY(browser);
        QVERIFY(browser->isVisible());
        QCOMPARE(window->lookup().lookupKind,
                 pictureIcon ? LookupKind::Picture : LookupKind::Definition);
        QCOMPARE(browser->lookupAddress(),
                 QStringLiteral("http://") + m_server.hostAndPort() + address);
        const QString target = m_server.waitForRequest(received.left(received.indexOf('?')));
        QCOMPARE(target, received);
        QCOMPARE(browser->windowIcon().cacheKey(),
                 (pictureIcon ? browser->imgPicture : browser->imgWord).cacheKey());
        QVERIFY(MessageBox::shown().isEmpty());
    }

    void windowBelongsToTheMainWindow()
    {
        TestAppFolder app;
        auto window = mainWindow(app, "the word", 5);
        QVERIFY(window);
        window->state().RecordedMainHeight = 9000;
        window->state().RecordedMainWidth = 13000;
        QTest::mouseClick(window->btnDef, Qt::LeftButton);
        frmBrowser* browser = window->lookupWindow();
        QVERIFY(browser);
        QCOMPARE(browser->windowTitle(), QStringLiteral("Get"));
        QCOMPARE(browser->lblAddress->text(), QStringLiteral("&Address:"));
        // No task-bar entry, no blocking.
        QCOMPARE(browser->parentWidget(), window.get());
        QVERIFY(browser->isWindow());
        QVERIFY(!browser->isModal());
        QVERIFY(arrived(browser, DictionaryPath));
        QTRY_COMPARE(browser->windowTitle(), QStringLiteral("Not Found"));

        // The main window stays usable; a new request goes to the same window.
        window->txtBook->setSelStart(1);
        QTest::mouseClick(window->btnPicture, Qt::LeftButton);
        QCOMPARE(window->lookupWindow(), browser);
        QCOMPARE(window->findChildren<frmBrowser*>().size(), 1);
        QCOMPARE(browser->windowIcon().cacheKey(), browser->imgPicture.cacheKey());
        QCOMPARE(m_server.waitForRequest(PicturePath.left(20)),
                 PicturePath + QStringLiteral("the&SearchType=picture"));

        // Resizing follows the window, but the toolbar panel waits for the next activation.
        const int toolbarWidth = browser->panelToolbar->width();
        const int addressWidth = browser->cboAddress->width();
        const QSize pageSize = browser->brwWebBrowser->size();
        browser->resize(browser->width() + 80, browser->height() + 60);
        QTRY_COMPARE(browser->cboAddress->width(), addressWidth + 80);
        QCOMPARE(browser->brwWebBrowser->size(), pageSize + QSize(80, 60));
        QCOMPARE(browser->panelToolbar->width(), toolbarWidth);
        window->activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), window.get());
        browser->activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), browser);
        // Activation stretches the toolbar across the window again.
        QTRY_VERIFY(qAbs(browser->panelToolbar->width() - browser->frameGeometry().width()) <= 1);
        QVERIFY(browser->panelToolbar->isBound());

        // Closing destroys it; the next request makes a new one.
        browser->close();
        QTRY_VERIFY(!window->lookupWindow());
        QTest::mouseClick(window->btnDef, Qt::LeftButton);
        QVERIFY(window->lookupWindow());
        QCOMPARE(window->lookupWindow()->cboAddress->count(), 0);
        QCOMPARE(window->lookupWindow()->windowTitle(), QStringLiteral("Get"));
        QVERIFY(MessageBox::shown().isEmpty());
    }

    void sensibleSizeWithoutARecordedSize()
    {
        TestAppFolder app;
        frmMain window(app.path());
        window.state().RecordedMainHeight.reset();
        window.state().RecordedMainWidth.reset();
        window.GetDefinition();
        frmBrowser* browser = window.lookupWindow();
        QVERIFY(browser);
        QVERIFY(browser->width() >= Twips::toPixels(5000));
        QVERIFY(browser->height() >= Twips::toPixels(3500));
        QVERIFY(browser->brwWebBrowser->height() > 0);
        browser->close();
    }

    void addressListAndToolbar()
    {
        TestAppFolder app;
        auto window = mainWindow(app, "ab", 0);
        QVERIFY(window);
        QTest::mouseClick(window->btnDef, Qt::LeftButton);
        frmBrowser* browser = window->lookupWindow();
        QVERIFY(browser);
        QVERIFY(arrived(browser, DictionaryPath));
        const QString lookup = browser->cboAddress->itemText(0);
        QCOMPARE(addresses(browser->cboAddress), QStringList{lookup});

        // Back on the first page: nothing happens, nothing is said.
        QTest::mouseClick(browser->btnBack, Qt::LeftButton);
        QTest::mouseClick(browser->btnForward, Qt::LeftButton);
        QTest::qWait(200);
        QCOMPARE(browser->brwWebBrowser->LocationURL(), lookup);
        QVERIFY(MessageBox::shown().isEmpty());

        // Typing an address and Enter: busy until the page is there, then its title.
        const QString slow = m_server.url(QStringLiteral("/slow/first.htm"));
        browser->cboAddress->lineEdit()->setText(slow);
        QTest::keyClick(browser->cboAddress->lineEdit(), Qt::Key_Return);
        QVERIFY(browser->timTimer->isActive());
        QTRY_COMPARE(browser->windowTitle(), QStringLiteral("Working..."));
        QTRY_COMPARE_WITH_TIMEOUT(browser->windowTitle(), QStringLiteral("First page"), 20000);
        QTRY_VERIFY(!browser->timTimer->isActive());
        QTRY_COMPARE(addresses(browser->cboAddress), (QStringList{slow, lookup}));
        // One press of Enter is one request.
        QCOMPARE(m_server.requestTargets().filter(QStringLiteral("/slow/first.htm")).size(), 1);

        // An older address chosen from the list goes to the top again, never twice.
        browser->cboAddress->setCurrentIndex(1);
        emit browser->cboAddress->activated(1);
        QTRY_COMPARE_WITH_TIMEOUT(addresses(browser->cboAddress), (QStringList{lookup, slow}),
                                  20000);
        // Back goes to the page before; its address moves up as well.
        QTest::mouseClick(browser->btnBack, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(addresses(browser->cboAddress), (QStringList{slow, lookup}),
                                  20000);
        // Search goes to the home page.
        QTest::mouseClick(browser->btnSearch, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(browser->windowTitle(), QStringLiteral("Second page"), 20000);
        QTRY_COMPARE(addresses(browser->cboAddress).size(), 3);
        QCOMPARE(addresses(browser->cboAddress).first(), m_server.url("/second.htm"));
        QCOMPARE(addresses(browser->cboAddress).removeDuplicates(), 0);
        // Stop ends the busy state with the page's title.
        browser->cboAddress->lineEdit()->setText(m_server.url(QStringLiteral("/slow/second.htm")));
        QTest::keyClick(browser->cboAddress->lineEdit(), Qt::Key_Return);
        QTRY_COMPARE(browser->windowTitle(), QStringLiteral("Working..."));
        QTest::mouseClick(browser->btnStop, Qt::LeftButton);
        QVERIFY(!browser->timTimer->isActive());
        QVERIFY(browser->windowTitle() != QStringLiteral("Working..."));
        QVERIFY(MessageBox::shown().isEmpty());
    }

    void rightClickPopsUpTheGetMenu()
    {
        TestAppFolder app;
        auto window = mainWindow(app, "the reading room", 0);
        QVERIFY(window);
        window->activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), window.get());
        const QRect caret = window->txtBook->cursorRect(window->txtBook->textCursor());
        // A left click does not pop it up.
        QTest::mouseClick(window->txtBook->viewport(), Qt::LeftButton, {}, caret.center());
        QVERIFY(!window->mnuGet->isVisible());
        window->txtBook->setSelStart(6);
        QTest::mousePress(window->txtBook->viewport(), Qt::RightButton, {},
                          window->txtBook->cursorRect().center());
        QTRY_VERIFY(window->mnuGet->isVisible());
        // Choosing Definition from it looks the word up as the button does.
        window->mnuGet->hide();
        window->mnuGetDefinition->trigger();
        QVERIFY(window->lookupWindow());
        QCOMPARE(window->lookup().lookupWord, QStringLiteral("reading"));
        QCOMPARE(m_server.waitForRequest(DictionaryPath.left(10)),
                 DictionaryPath + QStringLiteral("reading"));
    }
};

QUILLMERE_TEST_MAIN(TestWebLookup)
#include "tst_web_lookup.moc"
