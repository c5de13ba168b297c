#pragma once

#include <QPixmap>
#include <QWidget>

// The main window's client area: a small parchment texture drawn once at the top left corner,
// not tiled.
class ParchmentBackground : public QWidget
{
    Q_OBJECT
public:
    explicit ParchmentBackground(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap m_texture;
};
