#pragma once

#include <QObject>
#include <functional>

class RichTextView;

// Links and notes in the text of an EPUB book: a click on a link follows it, and pointing at a
// note's mark shows the note.
class EpubLinkClicks : public QObject
{
    Q_OBJECT
public:
    // follow(url) follows a link of the book's text.
    EpubLinkClicks(RichTextView* view, std::function<bool(const QString& url)> follow,
                   QObject* parent = nullptr);

    // Nothing is followed while inactive (no book open).
    void setActive(bool active) { m_active = active; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    RichTextView* m_view;
    std::function<bool(const QString&)> m_follow;
    bool m_active = false;
};
