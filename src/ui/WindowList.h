#pragma once

#include <QList>
#include <QPointer>
#include <QWidget>

// The windows that close with the main window. A window listed again moves to the end, so the
// list runs from the least to the most recently opened.
class WindowList
{
public:
    void add(QWidget* window);
    // The listed windows still open, in the list's order.
    QList<QWidget*> open() const;
    // Closes the open ones, the most recently opened first.
    void closeAll();

private:
    QList<QPointer<QWidget>> m_windows;
};
