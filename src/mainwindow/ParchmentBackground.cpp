#include "mainwindow/ParchmentBackground.h"

#include <QPainter>

ParchmentBackground::ParchmentBackground(QWidget* parent)
    : QWidget(parent), m_texture(QStringLiteral(":/images/parchment.png"))
{
}

void ParchmentBackground::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_texture);
}
