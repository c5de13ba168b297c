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

bool EpubLinkClicks::eventFilter(QObject* watched, QEvent* event)
{
    if (!m_active || watched != m_view->viewport()) {
        return QObject::eventFilter(watched, event);
    }
    switch (event->type()) {
    case QEvent::MouseButtonRelease: {
        if (m_view->textCursor().hasSelection()) {
            break;
        }
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const int at = m_view->cursorForPosition(mouse->position().toPoint()).position();
        const QString href = formatAt(m_view->document(), at).anchorHref();
        if (mouse->button() == Qt::LeftButton && !href.isEmpty()) {
            m_follow(href);
        }
        break;
    }
    case QEvent::ToolTip: {
        const auto* help = static_cast<QHelpEvent*>(event);
        const int at = m_view->cursorForPosition(help->pos()).position();
        const QString note = formatAt(m_view->document(), at).toolTip();
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
