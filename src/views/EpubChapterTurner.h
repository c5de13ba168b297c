#pragma once

#include <QObject>
#include <functional>

class RichTextView;

// Turns the chapters of an EPUB book shown in the text view: paging or scrolling on past the
// last line of a chapter turns to the next, past the first line to the one before. The view
// holds one chapter at a time, so without this the reader would stop at each chapter's end.
class EpubChapterTurner : public QObject
{
    Q_OBJECT
public:
    // turn(forward) shows the next or previous chapter; false when there is none.
    EpubChapterTurner(RichTextView* view, std::function<bool(bool forward)> turn,
                      QObject* parent = nullptr);

    // Nothing is turned while inactive (no book open).
    void setActive(bool active) { m_active = active; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool atEnd() const;
    bool atStart() const;
    bool turn(bool forward);

    RichTextView* m_view;
    std::function<bool(bool)> m_turn;
    bool m_active = false;
    bool m_turning = false;
};
