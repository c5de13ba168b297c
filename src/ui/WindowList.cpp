#include "ui/WindowList.h"

void WindowList::add(QWidget* window)
{
    m_windows.removeAll(window);
    m_windows.append(window);
}

QList<QWidget*> WindowList::open() const
{
    QList<QWidget*> result;
    for (const QPointer<QWidget>& w : m_windows) {
        if (w && w->isVisible()) {
            result.append(w);
        }
    }
    return result;
}

void WindowList::closeAll()
{
    const QList<QWidget*> windows = open();
    for (auto it = windows.crbegin(); it != windows.crend(); ++it) {
        (*it)->close();
    }
}
