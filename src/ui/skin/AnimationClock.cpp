#include "ui/skin/AnimationClock.h"

#include <QPointer>
#include <QTimer>

namespace {
QPointer<AnimationClock> s_installed;
} // namespace

AnimationClock* AnimationClock::shared()
{
    if (s_installed) {
        return s_installed;
    }
    static SystemAnimationClock* system = new SystemAnimationClock;
    return system;
}

void AnimationClock::setShared(AnimationClock* clock)
{
    s_installed = clock;
}

SystemAnimationClock::SystemAnimationClock(QObject* parent)
    : AnimationClock(parent), m_timer(new QTimer(this))
{
    m_elapsed.start();
    m_timer->setTimerType(Qt::PreciseTimer);
    m_timer->setInterval(16);
    connect(m_timer, &QTimer::timeout, this, &AnimationClock::ticked);
}

qint64 SystemAnimationClock::nowMs() const
{
    return m_elapsed.elapsed();
}

void SystemAnimationClock::claim()
{
    if (m_claims++ == 0) {
        m_timer->start();
    }
}

void SystemAnimationClock::release()
{
    if (m_claims > 0 && --m_claims == 0) {
        m_timer->stop();
    }
}
