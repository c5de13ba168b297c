#pragma once

class QWidget;

// Places a top-level window in twips: left and top of its frame, and its outer size (frame
// included, as far as the window system tells the frame's size).
namespace WindowGeometry {
void setOuterGeometry(QWidget* window, double left, double top, double width, double height);
} // namespace WindowGeometry
