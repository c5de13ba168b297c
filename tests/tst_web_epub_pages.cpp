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
#include <QMenu>
#include <QSignalSpy>

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
};

QUILLMERE_TEST_MAIN(WebEpubPagesTest)
#include "tst_web_epub_pages.moc"
