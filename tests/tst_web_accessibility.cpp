// Every control of every window can be found by screen readers and automation: it has an
// accessible name (its caption or tooltip) and an object name.
#include "mainwindow/frmMain.h"
#include "support/MainWindowDriver.h"
#include "support/TestAppFolder.h"
#include "support/TestMain.h"
#include "ui/dialogs/frmAcrobat.h"
#include "views/RichTextView.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace {
// The controls a user can operate; labels and frames only carry text.
bool isControl(QWidget* w)
{
    if (qobject_cast<QAbstractSlider*>(w)) {
        return false; // scroll bars belong to their view
    }
    if (w->inherits("QComboBoxListView")) {
        return false; // the drop-down list a combo box makes for itself
    }
    if (w->parentWidget() && (qobject_cast<QComboBox*>(w->parentWidget()) ||
                              qobject_cast<QAbstractItemView*>(w->parentWidget()))) {
        return false; // a combo box's own line edit, an item view's inner widgets
    }
    return qobject_cast<QAbstractButton*>(w) || qobject_cast<QComboBox*>(w) ||
           qobject_cast<QLineEdit*>(w) || qobject_cast<QAbstractItemView*>(w) ||
           qobject_cast<QTextEdit*>(w) || qobject_cast<QPlainTextEdit*>(w);
}

QString name(QWidget* w)
{
    if (!w->accessibleName().isEmpty()) {
        return w->accessibleName();
    }
    if (auto* b = qobject_cast<QAbstractButton*>(w); b && !b->text().isEmpty()) {
        return b->text();
    }
    return w->toolTip();
}

QStringList unnamed(QWidget* window)
{
    QStringList missing;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!isControl(w) || w->objectName().startsWith(QLatin1String("qt_"))) {
            continue;
        }
        if (name(w).isEmpty() || w->objectName().isEmpty()) {
            missing << QStringLiteral("%1 (%2)").arg(w->objectName(),
                                                     QLatin1String(w->metaObject()->className()));
        }
    }
    return missing;
}
} // namespace

class TestAccessibility : public QObject
{
    Q_OBJECT
private slots:
    void everyWindowNamesItsControls()
    {
        TestAppFolder app("\"no\",12,\"no\"\r\n");
        app.addBook(QStringLiteral("a.txt"), "A short book.");
        frmMain window(app.path());
        QVERIFY(Driver::clickNode(window, QStringLiteral("a.txt")));
        window.ShowSearch();
        window.ShowShare();
        window.ShowOptions();
        window.ShowMailAccount();
        window.ShowDefinitions();
        window.ShowAbout();
        window.ShowFindABook();
        window.txtBook->setSelStart(0);
        window.GetDefinition();
        frmAcrobat notice(window.state(), &window);
        notice.show();

        QList<QWidget*> windows = {&window};
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w != &window && w->isVisible() && !w->objectName().isEmpty()) {
                windows << w;
            }
        }
        QVERIFY2(windows.size() >= 9, qPrintable(QString::number(windows.size())));
        for (QWidget* w : windows) {
            QVERIFY2(unnamed(w).isEmpty(),
                     qPrintable(w->objectName() + QStringLiteral(": ") + unnamed(w).join(", ")));
        }
        notice.close();
    }
};

QUILLMERE_TEST_MAIN(TestAccessibility)
#include "tst_web_accessibility.moc"
