#include "support/ManualAnimationClock.h"

#include <algorithm>

ManualAnimationClock::ManualAnimationClock()
{
    AnimationClock::setShared(this);
}

ManualAnimationClock::~ManualAnimationClock()
{
    AnimationClock::setShared(nullptr);
}

void ManualAnimationClock::advance(qint64 ms, qint64 stepMs)
{
    while (ms > 0) {
        const qint64 step = std::min(ms, stepMs);
        m_now += step;
        ms -= step;
        emit ticked();
    }
}
