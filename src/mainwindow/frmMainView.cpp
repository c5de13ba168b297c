// The View menu of the main window, shared by everything that adds to it.
#include "mainwindow/frmMain.h"

#include "views/WidgetBuilding.h"

#include <QMenu>
#include <QMenuBar>

QMenu* frmMain::viewMenu()
{
    if (!mnuView) {
        mnuView = WidgetBuilding::named(new QMenu(tr("&View"), this), "mnuView");
        // Between Edit and Get.
        menuBar()->insertMenu(mnuGet->menuAction(), mnuView);
    }
    return mnuView;
}
