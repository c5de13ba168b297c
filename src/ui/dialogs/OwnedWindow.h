#pragma once

#include <QPointer>
#include <QWidget>

// A window the main window opens at most once at a time. It has no owner on screen (it is a
// top-level window of its own) but is destroyed with the main window at the latest, also when
// it was only hidden.
class OwnedWindow
{
public:
    OwnedWindow() = default;
    ~OwnedWindow() { delete m_window.data(); }
    OwnedWindow(const OwnedWindow&) = delete;
    OwnedWindow& operator=(const OwnedWindow&) = delete;

    QWidget* get() const { return m_window.data(); }
    void set(QWidget* window) { m_window = window; }
    // Forgets the window without destroying it (it is already on its way out).
    void release() { m_window.clear(); }

private:
    QPointer<QWidget> m_window;
};
