// The main window's commands on an HTML book: printing through the web view's own print into a
// PDF file, Back and Forward without history, and copy doing nothing.
#include "mainwindow/frmMain.h"
#include "support/MainWindowDriver.h"
#include "support/PdfText.h"
#include "support/TestAppFolder.h"
#include "support/TestMain.h"
#include "views/PrintDialog.h"
#include "views/RichTextView.h"
#include "views/WebView.h"

#include <QClipboard>
#include <QProcess>
#include <QSignalSpy>
#include <QToolButton>

namespace {
const QByteArray Poems = "<html><head><title>Short poems</title></head><body>"
                         "<p>The moon is a lantern.</p></body></html>";
} // namespace

class TestWebBookCommands : public QObject
{
    Q_OBJECT
private slots:
    void init() { MessageBox::clearShown(); }

    void printHtmlBook()
    {
        TestAppFolder app;
        app.addBook("poems.htm", Poems);
        frmMain window(app.path());
        QSignalSpy arrived(window.wbBook, &WebView::NavigateComplete2);
        QVERIFY(Driver::clickNode(window, QStringLiteral("poems.htm")));
        QCOMPARE(window.state().Kind, BookKind::Html);
        QVERIFY(arrived.wait(20000) || arrived.size() > 0);

        const QString pdf = app.path() + "poems.pdf";
        WebView::setNextPrintFile(pdf);
        QSignalSpy printed(window.wbBook, &WebView::printFinished);
        QTest::mouseClick(window.btnPrint, Qt::LeftButton);
        QVERIFY(printed.wait(30000));
        QCOMPARE(printed.first().first().toBool(), true);
        QVERIFY2(pdfText(pdf).contains("The moon is a lantern."), qPrintable(pdfText(pdf)));
        // The web view prints with its own dialog; ours is not involved.
        QCOMPARE(PrintDialog::shownCount(), 0);
        QVERIFY(MessageBox::shown().isEmpty());
    }

    void printWhileTheWebViewCannot()
    {
        TestAppFolder app;
        frmMain window(app.path());
        // An HTML book whose page has not arrived: the view's print command is not available.
        window.state().Kind = BookKind::Html;
        window.PrintBook();
        QCOMPARE(MessageBox::shown().size(), 1);
        QCOMPARE(MessageBox::shown().first().text,
                 QStringLiteral("The Print command is currently disabled."));
        QCOMPARE(MessageBox::shown().first().title, QStringLiteral("Quillmere"));
        QCOMPARE(MessageBox::shown().first().buttons,
                 QMessageBox::StandardButtons(QMessageBox::Ok));
    }

    void backForwardAndCopyOnAnHtmlBook()
    {
        TestAppFolder app;
        app.addBook("poems.htm", Poems);
        frmMain window(app.path());
        QSignalSpy arrived(window.wbBook, &WebView::NavigateComplete2);
        QVERIFY(Driver::clickNode(window, QStringLiteral("poems.htm")));
        QVERIFY(arrived.wait(20000) || arrived.size() > 0);
        QVERIFY(window.btnBack->isVisible());
        const QString location = window.wbBook->LocationURL();
        QTest::mouseClick(window.btnBack, Qt::LeftButton);
        QTest::mouseClick(window.btnForward, Qt::LeftButton);
        QTest::qWait(300);
        QCOMPARE(window.wbBook->LocationURL(), location);
        QVERIFY(MessageBox::shown().isEmpty());

        QApplication::clipboard()->setText(QStringLiteral("before"));
        window.CopySelection();
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("before"));
        QVERIFY(!window.mnuEditCopy->isEnabled());
    }
};

QUILLMERE_TEST_MAIN(TestWebBookCommands)
#include "tst_web_bookcommands.moc"
