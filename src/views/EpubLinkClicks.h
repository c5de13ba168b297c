#pragma once

#include <QObject>
#include <QTextCharFormat>
#include <functional>

class RichTextView;

// Links and notes in the text of an EPUB book: a click on a link follows it, and a click on a
// note's mark, or pointing at it, shows the note. The whole mark answers, with a few pixels
// around it, however small it is.
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
    // Pixels around a character's box that still count as the character.
    static constexpr int MarkSlack = 4;
    // The format of the link or note mark at the point of the viewport, or an empty format.
    QTextCharFormat markAt(const QPoint& point) const;

    RichTextView* m_view;
    std::function<bool(const QString&)> m_follow;
    bool m_active = false;
};
