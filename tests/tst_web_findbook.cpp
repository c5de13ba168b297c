// The find-a-book window against a real HTTP server on 127.0.0.1: the index search, the book
// sites, the address history, saving a book into the library and the window's layout rule.
#include "core/AppSettings.h"
#include "core/BookAddresses.h"
#include "core/BookKinds.h"
#include "core/Hosts.h"
#include "formats/Twips.h"
#include "mainwindow/frmMain.h"
#include "support/HttpTestServer.h"
#include "support/MainWindowDriver.h"
#include "support/TestAppFolder.h"
#include "support/TestMain.h"
#include "ui/skin/SkinButton.h"
#include "ui/skin/SkinLabel.h"
#include "ui/skin/SkinPanel.h"
#include "ui/web/frmBrowser1.h"
#include "views/WebView.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QToolButton>
#include <QTreeWidget>
#include <QWebEngineView>
#include <memory>

namespace {
const QByteArray Fable = "The Fox and the Grapes\n\nA hungry fox saw some fine bunches of grapes "
                         "hanging from a vine.\n";

QByteArray essay()
{
    // Long enough that half of it is clearly not the whole book.
    QByteArray body = "{\\rtf1\\ansi{\\fonttbl{\\f0 Times;}}\\f0 ";
    for (int i = 0; i < 400; ++i) {
        body += "On reading slowly, paragraph " + QByteArray::number(i) + ".\\par ";
    }
    return body + "}";
}

const QByteArray Catalogue =
    "<html><head><title>Catalogue</title></head><body>"
    "<a id='txt' href='/books/fable.txt'>The Fox and the Grapes</a>"
    "<a id='rtf' href='/books/essay.rtf'>On Reading</a>"
    "<a id='broken' href='/interrupt/books/essay.rtf'>On Reading (broken link)</a>"
    "</body></html>";

QByteArray page(const char* title)
{
    return QByteArray("<html><head><title>") + title + "</title></head><body>" + title +
           "</body></html>";
}

QStringList addressList(const frmBrowser1* w)
{
    QStringList list;
    for (int i = 0; i < w->cboAddress->count(); ++i) {
        list << w->cboAddress->itemText(i);
    }
    return list;
}

// Every entry of the books folder, hidden ones (downloads under way) included.
QStringList folderEntries(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
}

// Opens a combo box's list and picks an entry with the keyboard, as a user does.
bool chooseFromList(QComboBox* box, int row)
{
    box->showPopup();
    QAbstractItemView* view = box->view();
    if (!QTest::qWaitForWindowExposed(view->window())) {
        return false;
    }
    QTest::keyClick(view, Qt::Key_Home);
    for (int i = 0; i < row; ++i) {
        QTest::keyClick(view, Qt::Key_Down);
    }
    if (view->currentIndex().row() != row) {
        return false;
    }
    QTest::keyClick(view, Qt::Key_Return);
    return !view->window()->isVisible();
}

bool waitCursorShown()
{
    const QCursor* cursor = QGuiApplication::overrideCursor();
    return cursor && cursor->shape() == Qt::WaitCursor;
}
} // namespace

class TestFindBook : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_site;
    std::unique_ptr<HttpTestServer> m_server;
    std::unique_ptr<TestAppFolder> m_app;
    std::unique_ptr<frmMain> m_main;
    QPointer<frmBrowser1> m_window;

    // Opens the window from the main window's button and waits for its blank start page.
    frmBrowser1* openWindow()
    {
        QTest::mouseClick(m_main->btnFind, Qt::LeftButton);
        auto* w = Driver::topLevel<frmBrowser1>();
        if (!w) {
            return nullptr;
        }
        m_window = w;
        if (!QTest::qWaitFor(
                [w] {
                    return w->brwWebBrowser->LocationURL().endsWith(QLatin1String("blank.htm")) &&
                           !w->brwWebBrowser->Busy();
                },
                20000)) {
            return nullptr;
        }
        return w;
    }

    // Runs action and waits until the web view reports a finished navigation.
    bool navigated(const std::function<void()>& action)
    {
        QSignalSpy spy(m_window->brwWebBrowser, &WebView::NavigateComplete2);
        action();
        // A local page may arrive while the action still runs (a closing list plays its effect).
        return !spy.isEmpty() || spy.wait(20000);
    }

    // For every page load the engine starts, whether the wait pointer was up at that moment.
    QList<bool> m_pointerAtLoad;

    void watchLoads(frmBrowser1* w)
    {
        auto* engine = w->brwWebBrowser->findChild<QWebEngineView*>();
        QVERIFY(engine);
        connect(engine, &QWebEngineView::loadStarted, this,
                [this] { m_pointerAtLoad << waitCursorShown(); });
        m_pointerAtLoad.clear();
    }

    QString url(const QString& path) const { return m_server->url(path); }

private slots:
    void init()
    {
        MessageBox::clearShown();
        FileDialog::setTestMode(true);
        m_site = std::make_unique<QTemporaryDir>();
        m_server = std::make_unique<HttpTestServer>();
        QVERIFY(m_server->start(m_site->path()));
        QVERIFY(m_server->addFile(QStringLiteral("webbin/book/search/index.html"), Catalogue));
        QVERIFY(m_server->addFile(QStringLiteral("books/fable.txt"), Fable));
        QVERIFY(m_server->addFile(QStringLiteral("books/essay.rtf"), essay()));
        QVERIFY(m_server->addFile(QStringLiteral("pages/a.html"), page("Page A")));
        QVERIFY(m_server->addFile(QStringLiteral("pages/b.html"), page("Page B")));
        QVERIFY(m_server->addFile(QStringLiteral("home.html"), page("Home")));
        const char* sitePaths[] = {"pg/index.html",         "reading/books/index.html",
                                   "poetry/index.html",     "eblist.htm",
                                   "philosophy/index.html", "halsall/sbook2.html"};
        for (const char* path : sitePaths) {
            QVERIFY(m_server->addFile(QLatin1String(path), page(path)));
        }

        auto settings = AppSettings::open();
        settings->clear();
        settings->beginGroup(QStringLiteral("Hosts"));
        for (const char* key :
             {Hosts::BooksIndex, Hosts::Gutenberg, Hosts::PublicLibrary, Hosts::Poetry,
              Hosts::ElectricBooks, Hosts::Medieval, Hosts::HistoricalDocs}) {
            settings->setValue(QLatin1String(key), m_server->hostAndPort());
        }
        settings->setValue(QLatin1String(Hosts::Home), url(QStringLiteral("/home.html")));
        settings->endGroup();
        settings->sync();

        m_app = std::make_unique<TestAppFolder>();
        m_main = std::make_unique<frmMain>(m_app->path());
        m_main->show();
        QVERIFY(openWindow());
        watchLoads(m_window);
        m_server->clearRequests();
    }

    void cleanup()
    {
        if (m_window) {
            m_window->close();
            QTRY_VERIFY(m_window.isNull());
        }
        m_main.reset();
        m_app.reset();
        m_server.reset();
        m_site.reset();
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
    }

    void windowAsTheUserSeesIt()
    {
        frmBrowser1* w = m_window;
        QCOMPARE(w->windowTitle(), QStringLiteral("Find a Book"));
        QVERIFY(w->isWindow());
        QCOMPARE(w->parentWidget(), nullptr);
        const Qt::WindowFlags flags = w->windowFlags();
        QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
        QVERIFY(w->isMaximized() ||
                w->geometry() == QGuiApplication::primaryScreen()->availableGeometry());

        QCOMPARE(w->lstReminder->count(), 3);
        QCOMPARE(w->lstReminder->item(0)->text(),
                 QStringLiteral("A: Find a book you like.  Right-click on the link.  From the "
                                "menu, click 'Save Target As'."));
        QCOMPARE(w->lstReminder->item(1)->text(),
                 QStringLiteral("Then, save to the Books subdirectory under Quillmere.    OR-->"));
        QCOMPARE(w->lstReminder->item(2)->text(),
                 QStringLiteral("B: Find a book you like.  Open it by clicking on the link.  "
                                "Then, click the 'Save Book' button."));
        QStringList sites;
        for (int i = 0; i < w->cboSites->count(); ++i) {
            sites << w->cboSites->itemText(i);
        }
        QCOMPARE(sites, (QStringList{"Project Gutenberg", "Internet Public Library", "-",
                                     "Popular Poetry", "Electric Books", "-", "Philosophic Texts",
                                     "Medieval Sourcebook", "US Historical Docs"}));
        QVERIFY(!w->cboSites->isEditable());
        QVERIFY(w->cboAddress->isEditable());
        QVERIFY(addressList(w).isEmpty());

        // Every caption shows whole with the fonts of this system, inside the search column.
        const QList<QWidget*> captions = {w->chkAuthorStart, w->chkTitleStart, w->labelAuthor,
                                          w->labelTitle};
        QList<QWidget*> all = captions;
        for (QLabel* label : w->findChildren<QLabel*>(Qt::FindChildrenRecursively)) {
            if (label->objectName().endsWith(QLatin1String("Caption"))) {
                all << label;
            }
        }
        QCOMPARE(all.size(), captions.size() + 3);
        for (QWidget* caption : all) {
            QVERIFY2(caption->width() >= caption->sizeHint().width(),
                     qPrintable(caption->objectName()));
            QVERIFY2(caption->height() >= caption->sizeHint().height(),
                     qPrintable(caption->objectName()));
        }
        for (QWidget* caption : captions) {
            QVERIFY2(caption->geometry().right() <= w->panelBackboard->geometry().right(),
                     qPrintable(caption->objectName()));
        }

        // Every control a user (or a screen reader) meets has its name.
        for (QWidget* child : w->findChildren<QWidget*>()) {
            if (child->isVisibleTo(w) && !child->objectName().isEmpty() &&
                !child->objectName().startsWith(QLatin1String("qt_"))) {
                QVERIFY2(!child->accessibleName().isEmpty(), qPrintable(child->objectName()));
            }
        }
        QCOMPARE(w->brwWebBrowser->saveFolder(), m_main->state().BooksFolder);

        // A second request brings the same window forward; closing the main window closes it.
        m_main->ShowFindABook();
        QCOMPARE(Driver::topLevel<frmBrowser1>(), w);
        m_main->close();
        QTRY_VERIFY(m_window.isNull());
    }

    void searchAddress_data()
    {
        QTest::addColumn<QString>("author");
        QTest::addColumn<bool>("authorStart");
        QTest::addColumn<QString>("title");
        QTest::addColumn<bool>("titleStart");
        QTest::addColumn<QString>("trigger");
        QTest::addColumn<QString>("address");  // as given to the web view
        QTest::addColumn<QString>("received"); // as the server receives it

        const QString base = QStringLiteral("/webbin/book/search");
        QTest::newRow("empty boxes") << "" << false << "" << false << "OK"
                                     << "?author=&amode=words&title=&tmode=words"
                                     << "?author=&amode=words&title=&tmode=words";
        QTest::newRow("comma and blank kept")
            << "ab, cd" << true << "" << false << "OK"
            << "?author=ab%2C%20cd&amode=start&title=&tmode=words"
            << "?author=ab%2C%20cd&amode=start&title=&tmode=words";
        QTest::newRow("enter in author box, empty title")
            << "Austen, Jane" << false << "" << false << "author"
            << "?author=Austen%2C%20Jane&amode=words&title=&tmode=words"
            << "?author=Austen%2C%20Jane&amode=words&title=&tmode=words";
        // Address characters stay inside their value: no cut word, no stray parameter, no
        // page anchor, and the search modes still arrive.
        QTest::newRow("address characters")
            << "Smith & Sons #2" << true << "50% + more=less" << false << "OK"
            << "?author=Smith%20%26%20Sons%20%232&amode=start&title=50%25%20%2B%20more%3Dless"
               "&tmode=words"
            << "?author=Smith%20%26%20Sons%20%232&amode=start&title=50%25%20%2B%20more%3Dless"
               "&tmode=words";
        QTest::newRow("enter in title box, empty author")
            << "" << false << "Emma" << true << "title"
            << "?author=&amode=words&title=Emma&tmode=start"
            << "?author=&amode=words&title=Emma&tmode=start";
    }

    void searchAddress()
    {
        QFETCH(QString, author);
        QFETCH(bool, authorStart);
        QFETCH(QString, title);
        QFETCH(bool, titleStart);
        QFETCH(QString, trigger);
        QFETCH(QString, address);
        QFETCH(QString, received);
        frmBrowser1* w = m_window;
        const QString base = QStringLiteral("/webbin/book/search");

        QCOMPARE(BookAddresses::search(author, authorStart, title, titleStart),
                 QStringLiteral("http://") + m_server->hostAndPort() + base + address);

        QTest::keyClicks(w->txtAuthor, author);
        QTest::keyClicks(w->txtTitle, title);
        w->chkAuthorStart->setChecked(authorStart);
        w->chkTitleStart->setChecked(titleStart);
        QVERIFY(navigated([&] {
            if (trigger == QLatin1String("OK")) {
                QTest::mouseClick(w->btnOK, Qt::LeftButton);
            } else {
                QTest::keyClick(trigger == QLatin1String("author") ? w->txtAuthor : w->txtTitle,
                                Qt::Key_Return);
            }
            // The location read right after the request heads the list at once.
            QCOMPARE(w->cboAddress->count(), 1);
        }));
        QCOMPARE(m_server->waitForRequest(base), base + received);
        QCOMPARE(m_server->requestTargets().filter(base).size(), 1);
        QCOMPARE(w->cboAddress->itemText(0), w->brwWebBrowser->LocationURL());
        QVERIFY(w->brwWebBrowser->LocationName().contains(QLatin1String("Catalogue")));
    }

    void sites_data()
    {
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("address"); // after "scheme://host"
        QTest::newRow("Project Gutenberg") << 0 << "/pg/index.html";
        QTest::newRow("Internet Public Library") << 1 << "/reading/books";
        QTest::newRow("Popular Poetry") << 3 << "/poetry/";
        QTest::newRow("Electric Books") << 4 << "/eblist.htm";
        QTest::newRow("Philosophic Texts") << 6 << "/philosophy/";
        QTest::newRow("Medieval Sourcebook") << 7 << "/halsall/sbook2.html";
    }

    void sites()
    {
        QFETCH(int, position);
        QFETCH(QString, address);
        frmBrowser1* w = m_window;
        const QString full = url(address);

        // Chosen twice: the second choice appends the address again.
        for (int round = 1; round <= 2; ++round) {
            m_server->clearRequests();
            QVERIFY(navigated([&] {
                QVERIFY(chooseFromList(w->cboSites, position));
                QCOMPARE(w->cboAddress->count(), round);
                QCOMPARE(w->cboAddress->itemText(round - 1), full);
                QCOMPARE(w->cboAddress->currentText(), full);
                QVERIFY(w->brwWebBrowser->isAncestorOf(w->focusWidget()) ||
                        w->focusWidget() == w->brwWebBrowser);
            }));
            QCOMPARE(m_server->waitForRequest(address), address);
            // The wait pointer was up while the site loaded, and is back to normal now.
            QCOMPARE(m_pointerAtLoad, QList<bool>(round, true));
            QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
        }
        QCOMPARE(addressList(w), (QStringList{full, full}));
    }

    void gopherSiteIsPassedAsGiven()
    {
        frmBrowser1* w = m_window;
        const QString gopher = QStringLiteral("gopher://") + m_server->hostAndPort() +
                               QStringLiteral("/11/Gov/US-History%09%09%2B");
        QCOMPARE(BookAddresses::siteAddress(8), gopher);
        QVERIFY(chooseFromList(w->cboSites, 8));
        QCOMPARE(addressList(w), QStringList{gopher});
        QCOMPARE(w->cboAddress->currentText(), gopher);
        // Whatever the engine makes of the address, the wait pointer does not stay up forever.
        QTRY_COMPARE_WITH_TIMEOUT(QGuiApplication::overrideCursor(), nullptr, 20000);
    }

    void separatorsAndTypingDoNothing()
    {
        frmBrowser1* w = m_window;
        const QString before = w->brwWebBrowser->LocationURL();
        for (int separator : {2, 5}) {
            QVERIFY(chooseFromList(w->cboSites, separator));
            QCOMPARE(w->cboSites->currentIndex(), separator);
            QVERIFY(!waitCursorShown());
            QVERIFY(!w->brwWebBrowser->Busy());
            QVERIFY(addressList(w).isEmpty());
        }
        w->cboSites->setFocus();
        QTest::keyClicks(w->cboSites, QStringLiteral("Popular"));
        QCOMPARE(w->cboSites->currentIndex(), 5);
        QVERIFY(!waitCursorShown());
        QVERIFY(addressList(w).isEmpty());
        QVERIFY(m_pointerAtLoad.isEmpty());

        // A real choice afterwards is the first thing the server hears of.
        QVERIFY(navigated([&] { QVERIFY(chooseFromList(w->cboSites, 0)); }));
        QCOMPARE(m_server->waitForRequest(QStringLiteral("/pg/")),
                 QStringLiteral("/pg/index.html"));
        QCOMPARE(m_server->requestTargets(), QStringList{QStringLiteral("/pg/index.html")});
        QVERIFY(before.endsWith(QLatin1String("blank.htm")));
    }

    void historyKeepsEachAddressOnceAndNeverTheBlankPage()
    {
        frmBrowser1* w = m_window;
        const QString a = url(QStringLiteral("/pages/a.html"));
        const QString b = url(QStringLiteral("/pages/b.html"));
        auto typeAddress = [&](const QString& address) {
            w->cboAddress->lineEdit()->clear();
            QTest::keyClicks(w->cboAddress->lineEdit(), address);
            QTest::keyClick(w->cboAddress->lineEdit(), Qt::Key_Return);
        };

        m_server->clearRequests();
        QVERIFY(navigated([&] { typeAddress(a); }));
        // One press of Enter is one navigation.
        QTest::qWait(300);
        QCOMPARE(m_server->requestTargets().filter(QStringLiteral("/pages/a.html")).size(), 1);
        QVERIFY(navigated([&] { typeAddress(b); }));
        QVERIFY(navigated([&] { typeAddress(a); }));
        QCOMPARE(addressList(w), (QStringList{a, b}));
        QCOMPARE(w->cboAddress->currentText(), a);
        QVERIFY(!w->addressListUpdating());

        // Back through the view's history down to the blank start page.
        QVERIFY(navigated([&] { QTest::mouseClick(w->btnBack, Qt::LeftButton); }));
        QCOMPARE(addressList(w), (QStringList{b, a}));
        QVERIFY(navigated([&] { QTest::mouseClick(w->btnBack, Qt::LeftButton); }));
        QVERIFY(navigated([&] { QTest::mouseClick(w->btnBack, Qt::LeftButton); }));
        QVERIFY(w->brwWebBrowser->LocationURL().endsWith(QLatin1String("blank.htm")));
        QCOMPARE(addressList(w), (QStringList{a, b}));
        // At the start of the history Back does nothing at all.
        QTest::mouseClick(w->btnBack, Qt::LeftButton);
        QVERIFY(!w->brwWebBrowser->Busy());
        QVERIFY(navigated([&] { QTest::mouseClick(w->btnForward, Qt::LeftButton); }));
        QCOMPARE(w->brwWebBrowser->LocationURL(), a);

        // Choosing an entry of the address list goes there; so do Refresh and the home button.
        m_server->clearRequests();
        QVERIFY(navigated([&] { QVERIFY(chooseFromList(w->cboAddress, 1)); }));
        QCOMPARE(m_server->waitForRequest(QStringLiteral("/pages/")),
                 QStringLiteral("/pages/b.html"));
        QCOMPARE(addressList(w), (QStringList{b, a}));
        m_server->clearRequests();
        QVERIFY(navigated([&] { QTest::mouseClick(w->btnRefresh, Qt::LeftButton); }));
        QCOMPARE(m_server->waitForRequest(QStringLiteral("/pages/")),
                 QStringLiteral("/pages/b.html"));
        QVERIFY(navigated([&] { QTest::mouseClick(w->btnHome, Qt::LeftButton); }));
        QCOMPARE(m_server->waitForRequest(QStringLiteral("/home")), QStringLiteral("/home.html"));
        QCOMPARE(addressList(w), (QStringList{url(QStringLiteral("/home.html")), b, a}));
    }

    void savedBooksJoinTheLibrary()
    {
        frmBrowser1* w = m_window;
        const QString books = m_app->booksPath();
        QVERIFY(navigated([&] { QTest::mouseClick(w->btnOK, Qt::LeftButton); }));
        QSignalSpy saved(w->brwWebBrowser, &WebView::downloadFinished);

        // B: open the book, then "Save Book".
        QVERIFY(navigated([&] {
            w->brwWebBrowser->runJavaScript(
                QStringLiteral("document.getElementById('txt').click()"));
        }));
        QVERIFY(w->brwWebBrowser->LocationURL().endsWith(QLatin1String("/books/fable.txt")));
        FileDialog::setNextFileName(books + QStringLiteral("fable.txt"));
        QTest::mouseClick(w->btnSave, Qt::LeftButton);
        QTRY_VERIFY(FileDialog::lastProposedPath().startsWith(books));
        QTRY_COMPARE_WITH_TIMEOUT(saved.count(), 1, 20000);
        QCOMPARE(saved.at(0).at(0).toBool(), true);

        // A: a link the browser saves rather than shows (an RTF book).
        QVERIFY(navigated([&] { QTest::mouseClick(w->btnOK, Qt::LeftButton); }));
        FileDialog::setNextFileName(books + QStringLiteral("essay.rtf"));
        w->brwWebBrowser->runJavaScript(QStringLiteral("document.getElementById('rtf').click()"));
        QTRY_COMPARE_WITH_TIMEOUT(saved.count(), 2, 20000);
        QCOMPARE(saved.at(1).at(0).toBool(), true);

        QCOMPARE(m_app->readFile(books + QStringLiteral("fable.txt")), Fable);
        QCOMPARE(m_app->readFile(books + QStringLiteral("essay.rtf")), essay());
        QCOMPARE(folderEntries(books), (QStringList{"essay.rtf", "fable.txt"}));
        // The tree shows them while the window is still open, and after it closes.
        QTRY_COMPARE(Driver::treeBooks(*m_main), (QStringList{"essay.rtf", "fable.txt"}));
        w->close();
        QTRY_VERIFY(m_window.isNull());
        QCOMPARE(Driver::treeBooks(*m_main), (QStringList{"essay.rtf", "fable.txt"}));

        // The next request opens a fresh window: empty list, blank start page.
        frmBrowser1* again = openWindow();
        QVERIFY(again);
        QVERIFY(addressList(again).isEmpty());
    }

    // A saved book is named for what it is, so the library shows it in the right view: the
    // content type the server sends decides, and a link's name that already says so stays.
    void savedBooksAreNamedForWhatTheyAre_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("saved");
        QTest::addColumn<int>("kind");
        const QString search = QStringLiteral("/webbin/book/search?author=&amode=words");
        QTest::newRow("search results page")
            << search << QString() << "search.html" << int(BookKind::Html);
        QTest::newRow("text without an extension")
            << "/books/fable?type=.txt" << QString() << "fable.txt" << int(BookKind::PlainText);
        QTest::newRow("RTF sent as text keeps its name")
            << "/books/essay.rtf?type=.txt" << QString() << "essay.rtf" << int(BookKind::Rtf);
        QTest::newRow("name typed without an extension") << search << "Found"
                                                         << "Found.html" << int(BookKind::Html);
    }

    void savedBooksAreNamedForWhatTheyAre()
    {
        QFETCH(QString, path);
        QFETCH(QString, typed);
        QFETCH(QString, saved);
        QFETCH(int, kind);
        QVERIFY(m_server->addFile(QStringLiteral("books/fable"), Fable));
        frmBrowser1* w = m_window;
        const QString books = m_app->booksPath();
        QVERIFY(navigated([&] { w->brwWebBrowser->Navigate(url(path)); }));
        QSignalSpy downloads(w->brwWebBrowser, &WebView::downloadFinished);
        if (typed.isEmpty()) {
            FileDialog::acceptNextProposal();
        } else {
            FileDialog::setNextFileName(books + typed);
        }
        QTest::mouseClick(w->btnSave, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(downloads.count(), 1, 20000);
        QVERIFY2(downloads.at(0).at(0).toBool(), qPrintable(downloads.at(0).at(2).toString()));
        if (typed.isEmpty()) {
            QCOMPARE(FileDialog::lastProposedPath(), books + saved);
        }
        QCOMPARE(folderEntries(books), QStringList{saved});
        QCOMPARE(int(BookKinds::kindOf(saved)), kind);
        if (saved == QLatin1String("fable.txt")) {
            QCOMPARE(m_app->readFile(books + saved), Fable);
        }
        QVERIFY(MessageBox::shown().isEmpty());
    }

    // Only a page that arrived is a book: the engine's page for a server it cannot reach, or a
    // server's "not found", is never offered for saving, and the user is told why.
    void errorPagesAreNotSaved_data()
    {
        QTest::addColumn<bool>("unreachable");
        QTest::newRow("no connection") << true;
        QTest::newRow("not found") << false;
    }

    void errorPagesAreNotSaved()
    {
        QFETCH(bool, unreachable);
        QString address = url(QStringLiteral("/books/missing.txt"));
        if (unreachable) {
            // A port nobody listens on any more.
            QTcpServer closed;
            QVERIFY(closed.listen(QHostAddress::LocalHost));
            address = QStringLiteral("http://127.0.0.1:%1/webbin/book/search?author=")
                          .arg(closed.serverPort());
        }
        frmBrowser1* w = m_window;
        QSignalSpy ended(w->brwWebBrowser, &WebView::DownloadComplete);
        w->cboAddress->setEditText(address);
        QTest::keyClick(w->cboAddress->lineEdit(), Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT(!ended.isEmpty() && !w->brwWebBrowser->Busy(), 20000);

        QTest::mouseClick(w->btnSave, Qt::LeftButton);
        QCOMPARE(MessageBox::shown().size(), 1);
        QVERIFY2(MessageBox::shown().at(0).text.contains(QStringLiteral("did not load")),
                 qPrintable(MessageBox::shown().at(0).text));
        QVERIFY(FileDialog::lastProposedPath().isEmpty());
        QCOMPARE(w->brwWebBrowser->activeDownloads(), 0);
        QVERIFY(folderEntries(m_app->booksPath()).isEmpty());
    }

    void interruptedDownloadLeavesNoFile()
    {
        frmBrowser1* w = m_window;
        const QString books = m_app->booksPath();
        QVERIFY(navigated([&] { QTest::mouseClick(w->btnOK, Qt::LeftButton); }));
        QSignalSpy saved(w->brwWebBrowser, &WebView::downloadFinished);
        FileDialog::setNextFileName(books + QStringLiteral("essay.rtf"));
        m_server->clearRequests();
        w->brwWebBrowser->runJavaScript(
            QStringLiteral("document.getElementById('broken').click()"));
        QCOMPARE(m_server->waitForRequest(QStringLiteral("/interrupt/")),
                 QStringLiteral("/interrupt/books/essay.rtf"));
        QTRY_VERIFY_WITH_TIMEOUT(saved.count() > 0 || w->brwWebBrowser->activeDownloads() > 0,
                                 20000);
        // Give the engine time to see the connection close; half a book must never show up
        // under the chosen name.
        QTest::qWait(3000);
        QVERIFY(!QFile::exists(books + QStringLiteral("essay.rtf")));
        if (!saved.isEmpty()) {
            QCOMPARE(saved.at(0).at(0).toBool(), false);
        }
        // Closing the window abandons whatever is left of the download.
        w->close();
        QTRY_VERIFY(m_window.isNull());
        QTRY_VERIFY(folderEntries(books).isEmpty());
        QVERIFY(Driver::treeBooks(*m_main).isEmpty());
    }

    void webViewFollowsTheWindowSize()
    {
        frmBrowser1* w = m_window;
        w->showNormal();
        w->setGeometry(40, 40, 900, 700);
        QTRY_COMPARE(w->frameGeometry().size(), QSize(900, 700));
        // What the window keeps around the page; the page grows and shrinks with the window.
        const int widthMargin = 900 - w->brwWebBrowser->width();
        const int heightMargin = 700 - w->brwWebBrowser->height();
        QVERIFY(widthMargin > 0 && heightMargin > 0);
        w->resize(960, 740);
        QTRY_COMPARE(w->brwWebBrowser->size(), QSize(960 - widthMargin, 740 - heightMargin));

        // Too narrow for the view: the height still follows.
        w->resize(widthMargin - 20, 500);
        QTRY_COMPARE(w->brwWebBrowser->height(), 500 - heightMargin);
        QCOMPARE(w->brwWebBrowser->width(), 960 - widthMargin);

        // Too low: nothing follows, silently.
        w->resize(800, heightMargin - 20);
        QTRY_COMPARE(w->height(), heightMargin - 20);
        QCOMPARE(w->brwWebBrowser->size(), QSize(960 - widthMargin, 500 - heightMargin));
        QVERIFY(MessageBox::shown().isEmpty());

        // On activation the toolbar panel reaches to just short of the right edge.
        w->resize(1000, 700);
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w));
        QTRY_VERIFY(w->panelToolbar->geometry().right() < w->width() &&
                    w->panelToolbar->geometry().right() >= w->width() - 4);
        for (SkinPanel* panel :
             {w->panelBackboard, w->panelAuthor, w->panelSites, w->panelToolbar}) {
            QVERIFY2(panel->isBound(), qPrintable(panel->objectName()));
        }
        QVERIFY(w->btnOK->isBound() && w->btnSave->isBound());
        QVERIFY(w->labelAuthor->isBound() && w->labelTitle->isBound());
    }
};

QUILLMERE_TEST_MAIN(TestFindBook)
#include "tst_web_findbook.moc"
