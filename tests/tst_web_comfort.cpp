// Reading comfort in web books: the theme laid over the page, zoom, and the find bar through
// the engine's own search, on a real HTML book in a real web view.
#include "core/ViewSettings.h"
#include "support/TestMain.h"
#include "views/FindBar.h"
#include "views/ReadingLook.h"
#include "views/ReadingPane.h"
#include "views/WebView.h"

#include <QFile>
#include <QScreen>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QWidget>

namespace {
constexpr int LoadTimeout = 30000;

// The share of dark pixels in the middle of a widget as the screen shows it.
double darkShare(QWidget* widget)
{
    const QRect area = widget->rect().adjusted(20, 20, -20, -20);
    const QImage image = widget->screen()
                             ->grabWindow(widget->window()->winId(),
                                          widget->mapTo(widget->window(), area.topLeft()).x(),
                                          widget->mapTo(widget->window(), area.topLeft()).y(),
                                          area.width(), area.height())
                             .toImage();
    qint64 dark = 0;
    for (int y = 0; y < image.height(); y += 2) {
        for (int x = 0; x < image.width(); x += 2) {
            dark += image.pixelColor(x, y).lightness() < 80;
        }
    }
    return dark / qMax(1.0, double(image.width() / 2) * (image.height() / 2));
}
} // namespace

class TestWebComfort : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void themeAndFindInAnHtmlBook()
    {
        QSettings().remove(QStringLiteral("View"));
        const QString book = m_dir.filePath(QStringLiteral("orchard.html"));
        QFile file(book);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QByteArray body;
        for (int i = 1; i <= 40; ++i) {
            body += "<p style=\"color:#000;background:#fff\">Row " + QByteArray::number(i) +
                    (i % 8 == 0 ? " of the apple orchard" : " of the orchard") + "</p>";
        }
        file.write("<html><head><title>Orchard</title></head><body style=\"background:white\">" +
                   body + "</body></html>");
        file.close();

        QWidget client;
        client.resize(900, 700);
        ReaderState state;
        ReadingPane pane(state, &client);
        ReadingLook look(pane, ViewSettings::load());
        FindBar bar(pane, &client);
        client.show();
        pane.fitToClient();
        QVERIFY(QTest::qWaitForWindowExposed(&client));
        QSignalSpy loaded(pane.web(), &WebView::DownloadComplete);
        QString error;
        QVERIFY(pane.open(book, BookKind::Html, &error));
        QVERIFY(loaded.wait(LoadTimeout));

        QTRY_VERIFY(darkShare(pane.web()) < 0.2);
        look.setTheme(ReadingTheme::Night);
        // The page's own white gives way to the theme's dark background.
        QTRY_VERIFY_WITH_TIMEOUT(darkShare(pane.web()) > 0.8, 10000);
        // A page loaded later takes it too.
        loaded.clear();
        QVERIFY(pane.open(book, BookKind::Html, &error));
        QVERIFY(loaded.wait(LoadTimeout));
        QTRY_VERIFY_WITH_TIMEOUT(darkShare(pane.web()) > 0.8, 10000);

        look.zoomIn();
        QCOMPARE(pane.web()->zoomFactor(), 1.1);
        QCOMPARE(ViewSettings::load().zoom(BookKind::Html), 110);

        bar.open();
        bar.setText(QStringLiteral("apple"));
        QTRY_COMPARE(bar.countText(), QStringLiteral("1 of 5"));
        bar.findNext();
        QTRY_COMPARE(bar.countText(), QStringLiteral("2 of 5"));
        bar.findPrevious();
        bar.findPrevious();
        QTRY_COMPARE(bar.countText(), QStringLiteral("5 of 5"));
    }
};

QUILLMERE_TEST_MAIN(TestWebComfort)
#include "tst_web_comfort.moc"
