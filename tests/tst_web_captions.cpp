// Every caption of every window shows whole at the fonts the program runs with: no button,
// label, check box or list box is smaller than its text.
#include "mainwindow/frmMain.h"
#include "support/EveryWindow.h"
#include "support/MainWindowDriver.h"
#include "support/TestAppFolder.h"
#include "support/TestMain.h"

#include <QAbstractButton>
#include <QLabel>
#include <QListWidget>
#include <QTextDocument>

namespace {
QString describe(QWidget* w, const QString& text, QSize size, QSize needed)
{
    return QStringLiteral("%1 %2 \"%3\": %4x%5, needs %6x%7")
        .arg(w->window()->objectName(), w->objectName(), text.left(40))
        .arg(size.width())
        .arg(size.height())
        .arg(needed.width())
        .arg(needed.height());
}

// The room a caption needs: a button or a label its size hint (a wrapping label the height of
// its text at its width), a list box every line whole inside its frame.
QSize needed(QWidget* w)
{
    if (auto* list = qobject_cast<QListWidget*>(w)) {
        int width = 0;
        int height = 0;
        for (int row = 0; row < list->count(); ++row) {
            const QSize item = list->sizeHintForIndex(list->model()->index(row, 0));
            width = qMax(width, item.width());
            height += item.height();
        }
        const int frame = 2 * list->frameWidth();
        return {width + frame, height + frame};
    }
    if (auto* label = qobject_cast<QLabel*>(w); label && label->wordWrap()) {
        return {0, label->heightForWidth(label->width())};
    }
    return w->sizeHint();
}

QString captionOf(QWidget* w)
{
    if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        return button->text();
    }
    if (auto* label = qobject_cast<QLabel*>(w)) {
        return label->text();
    }
    if (auto* list = qobject_cast<QListWidget*>(w)) {
        return list->count() > 0 ? list->item(0)->text() : QString();
    }
    return {};
}

QStringList cutCaptions(QWidget* window)
{
    QStringList cut;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisible() || w->objectName().startsWith(QLatin1String("qt_"))) {
            continue;
        }
        const QString text = captionOf(w);
        if (text.isEmpty()) {
            continue;
        }
        const QSize need = needed(w);
        if (w->width() < need.width() || w->height() < need.height()) {
            cut << describe(w, text, w->size(), need);
        }
    }
    return cut;
}
} // namespace

class TestCaptions : public QObject
{
    Q_OBJECT
private slots:
    void everyCaptionShowsWhole()
    {
        TestAppFolder app("\"no\",12,\"no\"\r\n");
        app.addBook(QStringLiteral("a.txt"), "A short book.");
        frmMain window(app.path());
        window.show();
        QVERIFY(Driver::clickNode(window, QStringLiteral("a.txt")));
        const QList<QWidget*> windows = openEveryWindow(window);
        QVERIFY2(windows.size() >= 9, qPrintable(QString::number(windows.size())));
        QStringList cut;
        for (QWidget* w : windows) {
            QVERIFY2(QTest::qWaitForWindowExposed(w), qPrintable(w->objectName()));
        }
        // Each window as it looks once activated (its skin bound); the windows opened just
        // before may still be taking the focus, so activation is asked for until it holds.
        for (QWidget* w : windows) {
            QTRY_VERIFY2((w->activateWindow(), w->isActiveWindow()), qPrintable(w->objectName()));
            cut << cutCaptions(w);
        }
        QVERIFY2(cut.isEmpty(), qPrintable(cut.join(QLatin1Char('\n'))));
        window.close();
    }
};

QUILLMERE_TEST_MAIN(TestCaptions)
#include "tst_web_captions.moc"
