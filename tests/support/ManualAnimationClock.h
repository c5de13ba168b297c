#pragma once

#include "ui/skin/AnimationClock.h"

// An animation clock that moves only when the test advances it; installed as the shared clock
// for its lifetime.
class ManualAnimationClock : public AnimationClock
{
    Q_OBJECT
public:
    ManualAnimationClock();
    ~ManualAnimationClock() override;

    qint64 nowMs() const override { return m_now; }
    void claim() override { ++m_claims; }
    void release() override { --m_claims; }
    // Scripts that are playing now.
    int claims() const { return m_claims; }

    // Moves time forward in steps of at most stepMs, ticking after each step.
    void advance(qint64 ms, qint64 stepMs = 10);

private:
    qint64 m_now = 100000;
    int m_claims = 0;
};
