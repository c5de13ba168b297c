#pragma once

#include <QElapsedTimer>
#include <QObject>

class QTimer;

// The time base of skin animations. Scripts read the time from a clock and move on each tick;
// the program uses the steady system clock, tests install a clock they advance by hand.
class AnimationClock : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // Milliseconds since some fixed point; never goes backwards.
    virtual qint64 nowMs() const = 0;
    // A script that is playing holds a claim, so the clock ticks only while something moves.
    virtual void claim() {}
    virtual void release() {}

    // The clock every skin element uses: the system clock unless another was installed.
    static AnimationClock* shared();
    // Installs a clock (nullptr restores the system clock); the caller keeps ownership.
    static void setShared(AnimationClock* clock);

signals:
    void ticked();
};

// The steady system clock, ticking about sixty times a second while claimed.
class SystemAnimationClock : public AnimationClock
{
    Q_OBJECT
public:
    explicit SystemAnimationClock(QObject* parent = nullptr);

    qint64 nowMs() const override;
    void claim() override;
    void release() override;

private:
    QElapsedTimer m_elapsed;
    QTimer* m_timer = nullptr;
    int m_claims = 0;
};
