#include "ui/dialogs/WindowGeometry.h"

#include "formats/Twips.h"

#include <QWidget>
#include <algorithm>

void WindowGeometry::setOuterGeometry(QWidget* window, double left, double top, double width,
                                      double height)
{
    const QRect frame = window->frameGeometry();
    const QRect client = window->geometry();
    const int frameWidth = std::max(0, frame.width() - client.width());
    const int frameHeight = std::max(0, frame.height() - client.height());
    window->move(Twips::toPixels(left), Twips::toPixels(top));
    window->resize(std::max(1, Twips::toPixels(width) - frameWidth),
                   std::max(1, Twips::toPixels(height) - frameHeight));
}
