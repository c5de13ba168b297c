#include "views/EpubLinkClicks.h"

#include "views/RichTextView.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <QToolTip>
#include <utility>

namespace {
QTextCharFormat formatAt(const QTextDocument* document, int position)
{
    const QTextBlock block = document->findBlock(position);
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        if (fragment.contains(position)) {
            return fragment.charFormat();
        }
    }
    return {};
}
} // namespace

EpubLinkClicks::EpubLinkClicks(RichTextView* view, std::function<bool(const QString& url)> follow,
                               QObject* parent)
    : QObject(parent), m_view(view), m_follow(std::move(follow))
{
    m_view->viewport()->installEventFilter(this);
}

QTextCharFormat EpubLinkClicks::markAt(const QPoint& point) const
{
    // The caret place nearest the point is past a one-letter mark once the point is in its
    // right half, so the characters on both sides are tried, each by its box and a few pixels
    // around it.
    const int at = m_view->cursorForPosition(point).position();
    QTextCharFormat found;
    for (const int offset : {at, at - 1}) {
        if (offset < 0 || offset >= m_view->characterCount()) {
            continue;
        }
        QTextCursor cursor(m_view->document());
        cursor.setPosition(offset);
        const QRect before = m_view->cursorRect(cursor);
        cursor.setPosition(offset + 1);
        const QRect after = m_view->cursorRect(cursor);
        if (before.top() != after.top()) {
            continue; // the character ends a line
        }
        const QRect box(QPoint(qMin(before.left(), after.left()), before.top()),
                        QPoint(qMax(before.left(), after.left()), before.bottom()));
        if (!box.adjusted(-MarkSlack, -MarkSlack, MarkSlack, MarkSlack).contains(point)) {
            continue;
        }
        const QTextCharFormat format = formatAt(m_view->document(), offset);
        if (format.isAnchor() || !format.toolTip().isEmpty()) {
            return format;
        }
    }
    return found;
}

bool EpubLinkClicks::eventFilter(QObject* watched, QEvent* event)
{
    if (!m_active || watched != m_view->viewport()) {
        return QObject::eventFilter(watched, event);
    }
    switch (event->type()) {
    case QEvent::MouseButtonRelease: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton || m_view->textCursor().hasSelection()) {
            break;
        }
        const QTextCharFormat mark = markAt(mouse->position().toPoint());
        if (!mark.toolTip().isEmpty()) {
            // A note answers a click where it is, as the notes of other books do.
            QToolTip::showText(mouse->globalPosition().toPoint(), mark.toolTip(),
                               m_view->viewport());
        } else if (!mark.anchorHref().isEmpty()) {
            m_follow(mark.anchorHref());
        }
        break;
    }
    case QEvent::ToolTip: {
        const auto* help = static_cast<QHelpEvent*>(event);
        const QString note = markAt(help->pos()).toolTip();
        if (!note.isEmpty()) {
            QToolTip::showText(help->globalPos(), note, m_view->viewport());
            return true;
        }
        QToolTip::hideText();
        break;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
