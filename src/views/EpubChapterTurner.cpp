#include "views/EpubChapterTurner.h"

#include "views/RichTextView.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <QWheelEvent>
#include <utility>

namespace {
bool isTurningKey(int key)
{
    return key == Qt::Key_PageDown || key == Qt::Key_PageUp || key == Qt::Key_Down ||
           key == Qt::Key_Up;
}

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

void EpubChapterTurner::setHolding(bool holding)
{
    m_holding = holding;
    if (holding) {
        return;
    }
    // Posted, not sent: each is read as the reader pressed it, after what is already queued.
    for (const int key : std::exchange(m_heldKeys, {})) {
        QCoreApplication::postEvent(m_view, new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier));
        QCoreApplication::postEvent(m_view, new QKeyEvent(QEvent::KeyRelease, key, Qt::NoModifier));
    }
}

bool EpubChapterTurner::turnByWheel(bool forward)
{
    if (m_wheelPause || (m_holding && forward)) {
        return true;
    }
    if (!m_turn(forward)) {
        return false;
    }
    m_wheelPause = true;
    QTimer::singleShot(TurnPauseMs, this, [this] { m_wheelPause = false; });
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
        if (!m_heldKeys.isEmpty() && isTurningKey(key->key())) {
            // Keys come in the order pressed: this one waits behind those held.
            m_heldKeys.append(key->key());
            return true;
        }
        // Arrow keys turn only from the first or last line, so the caret can still move
        // through the last screen of a chapter.
        const QTextBlock caret = m_view->textCursor().block();
        const bool lastLine = caret == m_view->document()->lastBlock();
        const bool firstLine = caret == m_view->document()->firstBlock();
        if ((key->key() == Qt::Key_PageDown || (key->key() == Qt::Key_Down && lastLine)) &&
            atEnd()) {
            if (m_holding) {
                // The end in view is only the end of the start shown: where this key leads
                // is known once the chapter is all there.
                m_heldKeys.append(key->key());
                return true;
            }
            return m_turn(true);
        }
        if ((key->key() == Qt::Key_PageUp || (key->key() == Qt::Key_Up && firstLine)) &&
            atStart()) {
            return m_turn(false);
        }
        break;
    }
    case QEvent::Wheel: {
        if (watched != m_view->viewport()) {
            break;
        }
        const int delta = static_cast<QWheelEvent*>(event)->angleDelta().y();
        if ((delta < 0 && atEnd()) || (delta > 0 && atStart())) {
            return turnByWheel(delta < 0) || QObject::eventFilter(watched, event);
        }
        break;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
