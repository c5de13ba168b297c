#pragma once

#include <QObject>

class frmMain;

// Makes the copy keys (Ctrl+C and the platform's other copy keys) in the book view and the
// library tree run the main window's Copy command, exactly as its menu entry does, and nothing
// while that entry is disabled. Without it the view would copy the selection in its own
// formats and the tree would copy the node's name.
class CopyShortcut : public QObject
{
    Q_OBJECT
public:
    // Watches the main window's book view and library tree; owned by the main window.
    explicit CopyShortcut(frmMain& main);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    frmMain& m_main;
};
