#pragma once

#include <QRect>

// Window geometry is designed in twips (1/1440 inch); the screen's logical DPI turns them into
// pixels (15 twips a pixel at 96 DPI).
namespace Twips {
double pixelsPerInch();
int toPixels(double twips);
float fromPixels(int pixels);
QRect rect(double left, double top, double width, double height);
} // namespace Twips
