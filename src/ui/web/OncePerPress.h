#pragma once

#include <QObject>
#include <QTimer>

// One key press can reach a window as several signals (Enter in an editable combo box is both
// its activation and its line edit's return). claim() is true for the first of them only; the
// next turn of the event loop takes the next press.
class OncePerPress
{
public:
    // context owns this object; the reset runs only while it lives.
    bool claim(QObject* context)
    {
        if (m_claimed) {
            return false;
        }
        m_claimed = true;
        QTimer::singleShot(0, context, [this] { m_claimed = false; });
        return true;
    }

private:
    bool m_claimed = false;
};
