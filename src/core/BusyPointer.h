#pragma once

#include <QCursor>
#include <QGuiApplication>

// The busy pointer for the whole application while long work runs; it can be lifted early. Work
// during which the program still answers (a mail being sent) shows Qt::BusyCursor instead.
class BusyPointer
{
public:
    explicit BusyPointer(Qt::CursorShape shape = Qt::WaitCursor)
    {
        QGuiApplication::setOverrideCursor(shape);
    }
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
