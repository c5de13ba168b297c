// EPUB books read as pages in the web view: a fixed-layout book opens that way, with its
// pages (each a frame of the size it asks for, pictures and style sheets from inside the
// book) one after the other, and the Contents menu switches between pages and text.
#include "mainwindow/frmMain.h"
#include "support/EpubFiles.h"
#include "support/MainWindowDriver.h"
#include "support/PdfText.h"
#include "support/TestAppFolder.h"
#include "support/TestMain.h"
#include "views/EpubSession.h"
#include "views/RichTextView.h"
#include "views/WebView.h"

#include <QAction>
#include <QDesktopServices>
#include <QFile>
#include <QMenu>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QUrl>
#include <functional>

namespace {
const QString FixedLayout =
    QStringLiteral("<meta property=\"rendition:layout\">pre-paginated</meta>");

QStringList albumPages()
{
    return {QStringLiteral("<p class=\"caption\">First page of the album.</p>"),
            QStringLiteral("<p class=\"caption\">Second page of the album.</p>")};
}

QAction* pagesAction(frmMain& window)
{
    return window.mnuContents->findChild<QAction*>(QStringLiteral("mnuContentsPages"));
}

QAction* entryAction(frmMain& window, const QString& title)
{
    for (QAction* action : window.mnuContents->actions()) {
        if (action->text().trimmed() == title) {
            return action;
        }
    }
    return nullptr;
}

// A page of the album that is one big link, so a click anywhere on the page follows it.
QString pageLink(const QString& href, const QString& caption)
{
    return QStringLiteral("<p><a href=\"%1\" target=\"_top\" style=\"display: block; height: "
                          "600px\">%2</a></p>")
        .arg(href.toHtmlEscaped(), caption);
}

// Clicks the engine's page at point, as the user does, until done() holds: the page takes
// clicks only once it is laid out, and each click follows the link once.
bool clickPageUntil(frmMain& window, const QPoint& point, const std::function<bool()>& done)
{
    QWidget* engine = window.wbBook->findChild<QWidget*>(QStringLiteral("webEngineView"));
    QWidget* target = engine && engine->focusProxy() ? engine->focusProxy() : engine;
    for (int attempt = 0; target && attempt < 40; ++attempt) {
        QTest::mouseClick(target, Qt::LeftButton, {}, point);
        if (QTest::qWaitFor(done, 500)) {
            return true;
        }
    }
    return false;
}

// Stands in for the user's web browser: receives what the program hands it.
class BrowserStandIn : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl& url) { opened.append(url); }
};
} // namespace

class WebEpubPagesTest : public QObject
{
    Q_OBJECT
private slots:
    void init() { MessageBox::clearShown(); }

    void fixedLayoutBookOpensAsPages()
    {
        TestAppFolder app;
        QVERIFY(EpubFiles::write(app.booksPath() + QStringLiteral("album.epub"),
                                 QStringLiteral("Album"), albumPages(), {}, FixedLayout));
        frmMain window(app.path());
        window.show();
        QSignalSpy arrived(window.wbBook, &WebView::NavigateComplete2);
        QVERIFY(Driver::clickNode(window, QStringLiteral("album.epub")));
        QCOMPARE(window.state().Kind, BookKind::EpubPages);
        QVERIFY(window.wbBook->isVisibleTo(&window));
        QVERIFY(!window.txtBook->isVisibleTo(&window));
        QVERIFY(arrived.wait(20000) || arrived.size() > 0);
        QVERIFY(MessageBox::shown().isEmpty());
        QAction* pages = pagesAction(window);
        QVERIFY(pages);
        QVERIFY(pages->isChecked());
        QVERIFY(window.mnuContents->menuAction()->isVisible());
        // A contents entry brings its page into view; turning chapters waits for the text.
        QAction* second = nullptr;
        for (QAction* action : window.mnuContents->actions()) {
            second = action->text().trimmed() == QStringLiteral("Chapter 2") ? action : second;
        }
        QVERIFY(second && second->isEnabled());
        QVERIFY(!window.mnuContents->findChild<QAction*>(QStringLiteral("mnuContentsNext"))
                     ->isEnabled());
        second->trigger();
        QTRY_VERIFY(window.wbBook->LocationURL().endsWith(QStringLiteral("#chapter-2")));
        QVERIFY(second->isChecked());

        // Both pages are shown, in order, by printing what the web view shows.
        const QString pdf = app.path() + QStringLiteral("album.pdf");
        WebView::setNextPrintFile(pdf);
        QSignalSpy printed(window.wbBook, &WebView::printFinished);
        window.PrintBook();
        QVERIFY(printed.wait(30000));
        const QString text = pdfText(pdf).simplified();
        const qsizetype first = text.indexOf(QStringLiteral("First page of the album."));
        QVERIFY2(first >= 0, qPrintable(text));
        QVERIFY2(text.indexOf(QStringLiteral("Second page of the album.")) > first,
                 qPrintable(text));

        // The reader switches to the text and back.
        pages->trigger();
        QCOMPARE(window.state().Kind, BookKind::Epub);
        QVERIFY(window.txtBook->isVisibleTo(&window));
        QVERIFY(!window.wbBook->isVisibleTo(&window));
        QVERIFY(window.txtBook->text().contains(QStringLiteral("First page of the album.")));
        QVERIFY(!pages->isChecked());
        pages->trigger();
        QCOMPARE(window.state().Kind, BookKind::EpubPages);
        QVERIFY(window.wbBook->isVisibleTo(&window));

        // Another book leaves the pages behind.
        app.addBook(QStringLiteral("plain.txt"), "Plain words.");
        window.SetNodesList();
        QVERIFY(Driver::clickNode(window, QStringLiteral("plain.txt")));
        QCOMPARE(window.state().Kind, BookKind::PlainText);
        QVERIFY(!window.epubSession()->showsPages());
    }

    // A book's pages go nowhere outside the book: a link to another file of the user's (the
    // mail password in ~/.netrc) is not followed and the user is told; a web link is offered
    // to the web browser and opened there only when the user agrees; links inside the book
    // still work.
    void pagesGoNowhereOutsideTheBook()
    {
        TestAppFolder app;
        const QString secret = app.path() + QStringLiteral("netrc-secret.txt");
        QFile file(secret);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("machine mail.example.net login reader password hunter2\n");
        file.close();
        const QString web = QStringLiteral("http://127.0.0.1:9/outside.html");
        QVERIFY(EpubFiles::write(
            app.booksPath() + QStringLiteral("album.epub"), QStringLiteral("Album"),
            {pageLink(QUrl::fromLocalFile(secret).toString(), QStringLiteral("The secret")),
             pageLink(web, QStringLiteral("The web")),
             pageLink(QStringLiteral("chapter1.xhtml"), QStringLiteral("Back to the start"))},
            {}, FixedLayout));
        frmMain window(app.path());
        window.resize(1000, 1000);
        window.show();
        QSignalSpy arrived(window.wbBook, &WebView::NavigateComplete2);
        QVERIFY(Driver::clickNode(window, QStringLiteral("album.epub")));
        QCOMPARE(window.state().Kind, BookKind::EpubPages);
        QVERIFY(arrived.wait(20000) || arrived.size() > 0);
        const QString pages = window.wbBook->LocationURL();
        QVERIFY(pages.endsWith(QStringLiteral(".html")));
        const QPoint onPage(window.wbBook->width() / 2, 150);
        QSignalSpy refused(window.wbBook, &WebView::linkRefused);

        QVERIFY(clickPageUntil(window, onPage, [&] { return !refused.isEmpty(); }));
        QCOMPARE(QUrl(refused.first().first().toString()).toLocalFile(), secret);
        QVERIFY(window.wbBook->LocationURL().startsWith(pages));
        QVERIFY(!MessageBox::shown().isEmpty());
        QVERIFY(MessageBox::shown().last().text.contains(QStringLiteral("not followed")));
        QVERIFY(MessageBox::shown().last().text.contains(QStringLiteral("netrc-secret.txt")));

        BrowserStandIn browser;
        QDesktopServices::setUrlHandler(QStringLiteral("http"), &browser, "open");
        const auto unset =
            qScopeGuard([] { QDesktopServices::unsetUrlHandler(QStringLiteral("http")); });
        entryAction(window, QStringLiteral("Chapter 2"))->trigger();
        QTRY_VERIFY(window.wbBook->LocationURL().endsWith(QStringLiteral("#chapter-2")));
        refused.clear();
        MessageBox::clearShown();
        MessageBox::setNextAnswer(QMessageBox::No);
        QVERIFY(clickPageUntil(window, onPage, [&] { return !refused.isEmpty(); }));
        QCOMPARE(refused.first().first().toString(), web);
        QCOMPARE(MessageBox::shown().size(), 1);
        QVERIFY(MessageBox::shown().first().text.contains(web));
        QVERIFY(browser.opened.isEmpty());
        refused.clear();
        MessageBox::setNextAnswer(QMessageBox::Yes);
        QVERIFY(clickPageUntil(window, onPage, [&] { return !refused.isEmpty(); }));
        QCOMPARE(browser.opened, QList<QUrl>{QUrl(web)});
        QVERIFY(window.wbBook->LocationURL().endsWith(QStringLiteral("#chapter-2")));

        // A link to another page of the book is followed.
        entryAction(window, QStringLiteral("Chapter 3"))->trigger();
        QTRY_VERIFY(window.wbBook->LocationURL().endsWith(QStringLiteral("#chapter-3")));
        // The page takes clicks by now; a second click would start the load again.
        QVERIFY(clickPageUntil(window, onPage, [&] { return window.wbBook->Busy(); }));
        QTRY_VERIFY_WITH_TIMEOUT(
            window.wbBook->LocationURL().endsWith(QStringLiteral("/chapter1.xhtml")), 20000);
        QVERIFY(refused.size() == 1);
    }

    // A flowing book opens as text, and can be shown as pages on request.
    void flowingBookOpensAsText()
    {
        TestAppFolder app;
        QVERIFY(EpubFiles::write(app.booksPath() + QStringLiteral("story.epub"),
                                 QStringLiteral("Story"), albumPages()));
        frmMain window(app.path());
        window.show();
        QVERIFY(Driver::clickNode(window, QStringLiteral("story.epub")));
        QCOMPARE(window.state().Kind, BookKind::Epub);
        QAction* pages = pagesAction(window);
        QVERIFY(pages && pages->isEnabled() && !pages->isChecked());
        QSignalSpy arrived(window.wbBook, &WebView::NavigateComplete2);
        pages->trigger();
        QCOMPARE(window.state().Kind, BookKind::EpubPages);
        QVERIFY(arrived.wait(20000) || arrived.size() > 0);
        QVERIFY(window.wbBook->LocationURL().endsWith(QStringLiteral(".html")));
    }

    // Pages that cannot be unpacked (the temporary folder is not a folder) are refused with a
    // message, and the book stays as text with the menu saying so.
    void pagesThatCannotBeUnpackedSaySo()
    {
        TestAppFolder app;
        QVERIFY(EpubFiles::write(app.booksPath() + QStringLiteral("story.epub"),
                                 QStringLiteral("Story"), albumPages()));
        frmMain window(app.path());
        window.show();
        QVERIFY(Driver::clickNode(window, QStringLiteral("story.epub")));
        QAction* pages = pagesAction(window);
        QVERIFY(pages && pages->isEnabled());
        const QByteArray temp = qgetenv("TMPDIR");
        const auto restore = qScopeGuard([&] { qputenv("TMPDIR", temp); });
        qputenv("TMPDIR", QFile::encodeName(app.booksPath() + QStringLiteral("story.epub")));
        pages->trigger();
        QCOMPARE(MessageBox::shown().size(), 1);
        QVERIFY(MessageBox::shown().constFirst().text.startsWith(
            QStringLiteral("The book cannot be shown as pages:")));
        QCOMPARE(window.state().Kind, BookKind::Epub);
        QVERIFY(!pages->isChecked());
        QVERIFY(window.txtBook->isVisibleTo(&window));
    }
};

QUILLMERE_TEST_MAIN(WebEpubPagesTest)
#include "tst_web_epub_pages.moc"
