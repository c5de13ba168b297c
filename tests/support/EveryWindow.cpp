#include "support/EveryWindow.h"

#include "mainwindow/frmMain.h"
#include "ui/dialogs/frmAcrobat.h"
#include "views/RichTextView.h"

#include <QApplication>

QList<QWidget*> openEveryWindow(frmMain& window)
{
    window.ShowSearch();
    window.ShowShare();
    window.ShowOptions();
    window.ShowMailAccount();
    window.ShowDefinitions();
    window.ShowAbout();
    window.ShowFindABook();
    window.txtBook->setSelStart(0);
    window.GetDefinition();
    auto* notice = new frmAcrobat(window.state(), &window);
    window.registerWindow(notice);
    notice->show();

    QList<QWidget*> windows = {&window};
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w != &window && w->isVisible() && !w->objectName().isEmpty()) {
            windows << w;
        }
    }
    return windows;
}
