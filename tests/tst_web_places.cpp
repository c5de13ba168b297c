// An HTML book reopened where it was left, and its headings in the side panel: the page is
// shown by the web engine, so these run on a real display.
#include "core/ReadingHistory.h"
#include "mainwindow/frmMain.h"
#include "support/MainWindowDriver.h"
#include "support/TestAppFolder.h"
#include "support/TestMain.h"
#include "ui/BookSidePanel.h"
#include "views/PlaceKeeper.h"
#include "views/ReadingPane.h"
#include "views/WebView.h"

#include <QAction>
#include <QSignalSpy>
#include <QTreeWidget>

namespace {
QByteArray longPage()
{
    QByteArray page = "<html><head><title>Shore</title></head><body>";
    for (int part = 1; part <= 4; ++part) {
        page += "<h1 id=\"part-" + QByteArray::number(part) + "\">Part " +
                QByteArray::number(part) + "</h1>";
        for (int n = 1; n <= 150; ++n) {
            page += "<p>Line " + QByteArray::number(n) + " of part " + QByteArray::number(part) +
                    ", where the water meets the sand.</p>";
        }
    }
    return page + "</body></html>";
}

bool openPage(frmMain& window, const QString& name)
{
    QSignalSpy arrived(window.wbBook, &WebView::NavigateComplete2);
    return Driver::clickNode(window, name) && (arrived.wait(20000) || arrived.size() > 0);
}
} // namespace

class WebPlacesTest : public QObject
{
    Q_OBJECT

private slots:
    void anHtmlBookReopensWhereItWasLeft()
    {
        TestAppFolder app;
        app.addBook(QStringLiteral("shore.htm"), longPage());
        app.addBook(QStringLiteral("Other.txt"), "Another book.\n");
        ReadingHistory::setRememberPlace(true);
        {
            frmMain window(app.path());
            window.resize(900, 600);
            window.show();
            QVERIFY(openPage(window, QStringLiteral("shore.htm")));
            QSignalSpy moved(window.pane()->places(), &PlaceKeeper::moved);
            window.wbBook->scrollToFraction(0.6);
            QTRY_VERIFY_WITH_TIMEOUT(window.wbBook->scrollFraction() > 0.5, 10000);
            // The page is looked at every second: the move is noticed, and written down when
            // another book opens.
            QTRY_VERIFY_WITH_TIMEOUT(!moved.isEmpty(), 5000);
            QVERIFY(Driver::clickNode(window, QStringLiteral("Other.txt")));
        }
        frmMain window(app.path());
        window.resize(900, 600);
        window.show();
        QVERIFY(openPage(window, QStringLiteral("shore.htm")));
        QTRY_VERIFY_WITH_TIMEOUT(qAbs(window.wbBook->scrollFraction() - 0.6) < 0.05, 10000);

        // Its headings are its contents, and one goes to its part.
        window.mnuViewContents->trigger();
        QTreeWidget* tree = window.sidePanel()->contentsTree();
        QTRY_COMPARE(tree->topLevelItemCount(), 4);
        QCOMPARE(tree->topLevelItem(1)->text(0), QStringLiteral("Part 2"));
        emit tree->itemClicked(tree->topLevelItem(1), 0);
        QTRY_VERIFY_WITH_TIMEOUT(
            window.wbBook->scrollFraction() > 0.2 && window.wbBook->scrollFraction() < 0.3, 10000);
    }
};

QUILLMERE_TEST_MAIN(WebPlacesTest)
#include "tst_web_places.moc"
