#pragma once

#include <QList>
#include <QObject>
#include <functional>

class RichTextView;

// Turns the chapters of an EPUB book shown in the text view: paging or scrolling on past the
// last line of a chapter turns to the next, past the first line to the one before. The view
// holds one chapter at a time, so without this the reader would stop at each chapter's end.
// Every key counts: a key pressed while the chapter is still being converted is held and
// applied once it is there. Only a burst of wheel steps turns one chapter.
class EpubChapterTurner : public QObject
{
    Q_OBJECT
public:
    // turn(forward) shows the next or previous chapter; false when there is none.
    EpubChapterTurner(RichTextView* view, std::function<bool(bool forward)> turn,
                      QObject* parent = nullptr);

    // Nothing is turned while inactive (no book open).
    void setActive(bool active) { m_active = active; }
    // While holding (the chapter shown is only its start), the keys that would turn on from
    // its end wait; they are applied, in order, when holding ends.
    void setHolding(bool holding);
    // Forgets the keys held (another chapter was chosen meanwhile).
    void dropHeldKeys() { m_heldKeys.clear(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool atEnd() const;
    bool atStart() const;
    bool turnByWheel(bool forward);

    RichTextView* m_view;
    std::function<bool(bool)> m_turn;
    bool m_active = false;
    bool m_holding = false;
    bool m_wheelPause = false;
    QList<int> m_heldKeys;
};
