#include "formats/Twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <cmath>

double Twips::pixelsPerInch()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInchX() : 96.0;
    return dpi > 0 ? dpi : 96.0;
}

int Twips::toPixels(double twips)
{
    return static_cast<int>(std::lround(twips * pixelsPerInch() / 1440.0));
}

float Twips::fromPixels(int pixels)
{
    return static_cast<float>(pixels * 1440.0 / pixelsPerInch());
}

QRect Twips::rect(double left, double top, double width, double height)
{
    return QRect(toPixels(left), toPixels(top), toPixels(width), toPixels(height));
}
