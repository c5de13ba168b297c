#pragma once

#include <QEventLoop>
#include <QObject>
#include <QPointer>

#include <chrono>

// Waits for work outside the program's own code (a converter process, a mail server's reply,
// the keyring) while the windows keep answering, up to a time limit. The window that asked may
// be closed meanwhile: if it deletes itself on closing, the wait ends at once, and its deletion
// is held back until the wait has returned, so the code that waited can still see that it was
// closed and leave without touching anything else of it.
class ResponsiveWait : public QObject
{
    Q_OBJECT
public:
    enum class Outcome
    {
        Finished,
        TimedOut,
        // The asking window was closed to go away, or destroyed outright.
        AskerGone
    };

    // asker: the window (or other object) on whose behalf the caller waits; may be null.
    explicit ResponsiveWait(QObject* asker = nullptr);
    // A deletion of the asker held back during the wait goes ahead once control is back in the
    // event loop.
    ~ResponsiveWait() override;
    ResponsiveWait(const ResponsiveWait&) = delete;
    ResponsiveWait& operator=(const ResponsiveWait&) = delete;

    // Ends the wait when sender emits signal (also before wait() starts).
    template <typename Sender, typename Signal> void endOn(const Sender* sender, Signal signal)
    {
        connect(sender, signal, this, &ResponsiveWait::finish);
    }
    // Ends the wait; called on the waiting thread (a worker thread's end is reached through a
    // signal, as endOn does).
    void finish();
    bool finished() const { return m_finished; }

    // Runs until the work finishes, the limit passes or the asker is gone. flags can hold back
    // the user's input (QEventLoop::ExcludeUserInputEvents) where the work cannot be cancelled.
    Outcome wait(std::chrono::milliseconds limit,
                 QEventLoop::ProcessEventsFlags flags = QEventLoop::AllEvents);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QEventLoop m_loop;
    QPointer<QObject> m_asker;
    bool m_hadAsker = false;
    bool m_finished = false;
    bool m_askerLeaving = false;
    bool m_deletionHeld = false;
};
