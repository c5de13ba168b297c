#include "ui/web/StandIn.h"

#include <QEvent>
#include <QWidget>

StandIn::StandIn(QWidget* standIn, QWidget* original)
    : QObject(standIn), m_standIn(standIn), m_original(original)
{
    m_standIn->setGeometry(m_original->geometry());
    m_standIn->hide();
    m_original->installEventFilter(this);
}

void StandIn::show(bool standInShown)
{
    if (!m_standIn || !m_original) {
        return;
    }
    m_standIn->setGeometry(m_original->geometry());
    m_standIn->setVisible(standInShown);
    m_original->setVisible(!standInShown);
    if (standInShown) {
        m_standIn->raise();
    }
}

bool StandIn::isShown() const
{
    return m_standIn && !m_standIn->isHidden();
}

bool StandIn::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_original && m_standIn &&
        (event->type() == QEvent::Resize || event->type() == QEvent::Move)) {
        m_standIn->setGeometry(m_original->geometry());
    }
    return QObject::eventFilter(watched, event);
}
