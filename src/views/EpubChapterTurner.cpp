#include "views/EpubChapterTurner.h"

#include "views/RichTextView.h"

#include <QKeyEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <QWheelEvent>
#include <utility>

namespace {
// Chapters are turned by scrolling on past an end; a burst of wheel steps turns one chapter.
constexpr int TurnPauseMs = 400;
} // namespace

EpubChapterTurner::EpubChapterTurner(RichTextView* view, std::function<bool(bool forward)> turn,
                                     QObject* parent)
    : QObject(parent), m_view(view), m_turn(std::move(turn))
{
    m_view->installEventFilter(this);
    m_view->viewport()->installEventFilter(this);
}

// At an end when the first or last line of the chapter is in view (the scroll bar of a view
// that lays out as it goes may stop short of its maximum). Asked only by the keys and the
// wheel, never on the paints and moves that pass through here far more often.
bool EpubChapterTurner::atEnd() const
{
    QTextCursor last(m_view->document());
    last.movePosition(QTextCursor::End);
    return m_view->cursorRect(last).bottom() <= m_view->viewport()->height();
}

bool EpubChapterTurner::atStart() const
{
    return m_view->cursorRect(QTextCursor(m_view->document())).top() >= 0;
}

bool EpubChapterTurner::turn(bool forward)
{
    if (m_turning) {
        return true;
    }
    m_turning = true;
    if (!m_turn(forward)) {
        m_turning = false;
        return false;
    }
    QTimer::singleShot(TurnPauseMs, this, [this] { m_turning = false; });
    return true;
}

bool EpubChapterTurner::eventFilter(QObject* watched, QEvent* event)
{
    if (!m_active) {
        return QObject::eventFilter(watched, event);
    }
    switch (event->type()) {
    case QEvent::KeyPress: {
        if (watched != m_view) {
            break;
        }
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() != Qt::NoModifier) {
            break;
        }
        // Arrow keys turn only from the first or last line, so the caret can still move
        // through the last screen of a chapter.
        const QTextBlock caret = m_view->textCursor().block();
        const bool lastLine = caret == m_view->document()->lastBlock();
        const bool firstLine = caret == m_view->document()->firstBlock();
        if ((key->key() == Qt::Key_PageDown || (key->key() == Qt::Key_Down && lastLine)) &&
            atEnd()) {
            return turn(true);
        }
        if ((key->key() == Qt::Key_PageUp || (key->key() == Qt::Key_Up && firstLine)) &&
            atStart()) {
            return turn(false);
        }
        break;
    }
    case QEvent::Wheel: {
        if (watched != m_view->viewport()) {
            break;
        }
        const int delta = static_cast<QWheelEvent*>(event)->angleDelta().y();
        if ((delta < 0 && atEnd()) || (delta > 0 && atStart())) {
            return turn(delta < 0) || QObject::eventFilter(watched, event);
        }
        break;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
