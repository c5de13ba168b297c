#include "core/ResponsiveWait.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>

ResponsiveWait::ResponsiveWait(QObject* asker) : m_asker(asker), m_hadAsker(asker != nullptr)
{
    if (asker) {
        asker->installEventFilter(this);
        connect(asker, &QObject::destroyed, this, [this] {
            m_askerLeaving = true;
            m_loop.quit();
        });
    }
}

ResponsiveWait::~ResponsiveWait()
{
    if (!m_asker) {
        return;
    }
    m_asker->removeEventFilter(this);
    if (m_deletionHeld) {
        // Posted anew rather than through deleteLater(), which Qt may take as already done.
        // NOLINTNEXTLINE(bugprone-unhandled-exception-at-new): out of memory ends the program.
        QCoreApplication::postEvent(m_asker, new QDeferredDeleteEvent());
    }
}

void ResponsiveWait::finish()
{
    m_finished = true;
    m_loop.quit();
}

ResponsiveWait::Outcome ResponsiveWait::wait(std::chrono::milliseconds limit,
                                             QEventLoop::ProcessEventsFlags flags)
{
    const auto outcome = [this] {
        if (m_askerLeaving || (m_hadAsker && !m_asker)) {
            return Outcome::AskerGone;
        }
        return m_finished ? Outcome::Finished : Outcome::TimedOut;
    };
    if (m_finished || m_askerLeaving) {
        return outcome();
    }
    QTimer limitTimer;
    limitTimer.setSingleShot(true);
    connect(&limitTimer, &QTimer::timeout, &m_loop, &QEventLoop::quit);
    limitTimer.start(limit);
    m_loop.exec(flags);
    return outcome();
}

bool ResponsiveWait::eventFilter(QObject* watched, QEvent* event)
{
    // The asker closed itself to go away (a window deleted on closing): the wait ends, and the
    // deletion waits until the code that waited on its behalf has left.
    if (watched == m_asker && event->type() == QEvent::DeferredDelete) {
        m_deletionHeld = true;
        m_askerLeaving = true;
        m_loop.quit();
        return true;
    }
    return QObject::eventFilter(watched, event);
}
