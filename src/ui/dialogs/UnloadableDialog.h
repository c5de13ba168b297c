#pragma once

#include <QDialog>

// A modeless dialog that runs its activation sequence every time it is activated and is
// unloaded (hidden, then deleted) when it closes, so the next opening starts afresh.
class UnloadableDialog : public QDialog
{
    Q_OBJECT
public:
    using QDialog::QDialog;

    // The window's own activation sequence (skin binding, placement, slide-in).
    virtual void Form_Activate() = 0;
    bool isUnloaded() const { return m_unloaded; }
    // Hides the dialog and deletes it once control returns to the event loop; once only. While
    // the dialog's own code runs (see OwnCodeRunning), the unloading waits until it has ended.
    void unload();

protected:
    // Marks a stretch of the dialog's own code that may wait in a nested event loop (a message
    // it shows): a Cancel or close that arrives meanwhile, from assistive technology for
    // instance, must not delete the dialog under that code.
    class OwnCodeRunning
    {
    public:
        explicit OwnCodeRunning(UnloadableDialog& dialog) : m_dialog(dialog)
        {
            ++m_dialog.m_running;
        }
        ~OwnCodeRunning();
        OwnCodeRunning(const OwnCodeRunning&) = delete;
        OwnCodeRunning& operator=(const OwnCodeRunning&) = delete;

    private:
        UnloadableDialog& m_dialog;
    };

    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    bool m_unloaded = false;
    int m_running = 0;
    bool m_unloadWaiting = false;
};
