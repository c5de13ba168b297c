#pragma once

class QWidget;

// Shows a window and brings it to the front: restored first when it is minimized (maximized
// again when restoreMaximized), then raised and activated. Every window that brings itself or
// another one forward goes through here.
void showOrRaise(QWidget* window, bool restoreMaximized = false);
