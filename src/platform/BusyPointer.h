#pragma once

#include <QCursor>
#include <QGuiApplication>

// The busy pointer for the whole application while long work runs; it can be lifted early.
class BusyPointer
{
public:
    BusyPointer() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyPointer() { release(); }
    void release()
    {
        if (m_on) {
            QGuiApplication::restoreOverrideCursor();
            m_on = false;
        }
    }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;

private:
    bool m_on = true;
};
