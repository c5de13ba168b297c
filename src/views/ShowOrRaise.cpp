#include "views/ShowOrRaise.h"

#include <QWidget>

void showOrRaise(QWidget* window, bool restoreMaximized)
{
    if (!window) {
        return;
    }
    if (window->isMinimized()) {
        if (restoreMaximized) {
            window->showMaximized();
        } else {
            window->showNormal();
        }
    }
    window->show();
    window->raise();
    window->activateWindow();
}
