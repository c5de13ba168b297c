#pragma once

#include <QRect>

class QWidget;

// Keeps a window's title bar and edges on its screen. A window given the whole screen as its
// own size (where no window manager maximizes it, that is how it fills the screen) is larger
// than the screen once the window manager adds its frame: restored from maximized, its title
// bar would sit above the screen, out of reach.
namespace ScreenFit {
// The frame rectangle moved, and made smaller only where it must be, so that it lies within
// the available area.
QRect fitted(const QRect& frame, const QRect& available);

// Moves and sizes the window so that its frame lies within its screen's available area; a
// window that is maximized, full screen or minimized is left alone.
void fit(QWidget* window);

// From now on, each time the window returns to its normal placement (restored from maximized
// or full screen, or first shown that way), its frame is fitted into its screen.
void keepOnScreen(QWidget* window);

// Shows a main window maximized, its normal placement being its screen's available area with
// the frame inside it (the whole screen where no window manager maximizes), and keeps it on
// the screen.
void showMaximized(QWidget* window);
} // namespace ScreenFit
