#pragma once

#include <QWidget>

// The handle between the library tree and the reading pane: dragged with the mouse, or moved
// with the arrow keys when it has the focus, it asks for a new width of the library.
class LibrarySplitter : public QWidget
{
    Q_OBJECT
public:
    static constexpr int Thickness = 6;
    static constexpr int KeyStep = 16;

    explicit LibrarySplitter(QWidget* parent = nullptr);

signals:
    // The handle's left edge should be at x in its parent (the library's width follows).
    void widthWanted(int x);
    // The drag or the key press ended: the width is worth keeping.
    void widthSettled();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    int m_grab = -1; // where in the handle the drag took hold; -1 when not dragging
};
