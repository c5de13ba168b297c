#include "ui/LibrarySplitter.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>

LibrarySplitter::LibrarySplitter(QWidget* parent) : QWidget(parent)
{
    setCursor(Qt::SplitHCursor);
    setFocusPolicy(Qt::TabFocus);
    setAccessibleName(tr("Library width"));
    setToolTip(tr("Drag to widen or narrow the library"));
}

void LibrarySplitter::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        m_grab = qRound(event->position().x());
    }
}

void LibrarySplitter::mouseMoveEvent(QMouseEvent* event)
{
    if (m_grab >= 0) {
        emit widthWanted(mapToParent(event->position().toPoint()).x() - m_grab);
    }
}

void LibrarySplitter::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && m_grab >= 0) {
        m_grab = -1;
        emit widthSettled();
    }
}

void LibrarySplitter::keyPressEvent(QKeyEvent* event)
{
    const int step = event->key() == Qt::Key_Left    ? -KeyStep
                     : event->key() == Qt::Key_Right ? KeyStep
                                                     : 0;
    if (step == 0) {
        QWidget::keyPressEvent(event);
        return;
    }
    emit widthWanted(x() + step);
    emit widthSettled();
}

void LibrarySplitter::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QStyleOption option;
    option.initFrom(this);
    option.state |= QStyle::State_Horizontal;
    style()->drawControl(QStyle::CE_Splitter, &option, &painter, this);
    if (hasFocus()) {
        painter.fillRect(rect(), palette().highlight());
    }
}
