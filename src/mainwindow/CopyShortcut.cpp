#include "mainwindow/CopyShortcut.h"

#include "mainwindow/frmMain.h"
#include "ui/LibraryTree.h"
#include "views/RichTextView.h"

#include <QAction>
#include <QKeyEvent>
#include <QMenu>

CopyShortcut::CopyShortcut(frmMain& main) : QObject(&main), m_main(main)
{
    setObjectName(QStringLiteral("copyShortcut"));
    m_main.txtBook->installEventFilter(this);
    m_main.TreeView1->installEventFilter(this);
}

bool CopyShortcut::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::ShortcutOverride && type != QEvent::KeyPress) {
        return QObject::eventFilter(watched, event);
    }
    auto* key = static_cast<QKeyEvent*>(event);
    if (!key->matches(QKeySequence::Copy)) {
        return QObject::eventFilter(watched, event);
    }
    if (type == QEvent::ShortcutOverride) {
        // Claim the key, so that it arrives here as a key press whether or not the menu entry
        // is enabled, and never reaches the widget's own copy.
        event->accept();
        return true;
    }
    if (m_main.mnuEdit->menuAction()->isEnabled() && m_main.mnuEditCopy->isEnabled()) {
        m_main.mnuEditCopy->trigger();
    }
    return true;
}
