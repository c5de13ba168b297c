#include "dialogs/UnloadableDialog.h"

#include <QCloseEvent>

bool UnloadableDialog::event(QEvent* event)
{
    const bool handled = QDialog::event(event);
    if (event->type() == QEvent::WindowActivate) {
        Form_Activate();
    }
    return handled;
}

void UnloadableDialog::closeEvent(QCloseEvent* event)
{
    event->accept();
    unload();
}

void UnloadableDialog::unload()
{
    if (m_unloaded) {
        return;
    }
    m_unloaded = true;
    hide();
    deleteLater();
}
