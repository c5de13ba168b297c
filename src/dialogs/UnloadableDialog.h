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
    // Hides the dialog and deletes it once control returns to the event loop; once only.
    void unload();

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    bool m_unloaded = false;
};
