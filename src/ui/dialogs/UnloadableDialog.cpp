#include "ui/dialogs/UnloadableDialog.h"

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
    if (m_running > 0) {
        event->ignore();
        m_unloadWaiting = true;
        return;
    }
    event->accept();
    unload();
}

UnloadableDialog::OwnCodeRunning::~OwnCodeRunning()
{
    if (--m_dialog.m_running == 0 && m_dialog.m_unloadWaiting) {
        m_dialog.m_unloadWaiting = false;
        m_dialog.unload();
    }
}

void UnloadableDialog::unload()
{
    if (m_unloaded) {
        return;
    }
    // The dialog stays as it is until its code has ended: hiding it would hide the message
    // that code waits for along with it.
    if (m_running > 0) {
        m_unloadWaiting = true;
        return;
    }
    m_unloaded = true;
    hide();
    deleteLater();
}
