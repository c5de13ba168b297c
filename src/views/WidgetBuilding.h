#pragma once

#include <QString>
#include <initializer_list>

class QListWidget;
class QToolButton;
class QWidget;

// Small helpers the windows share to build their controls at designed places (in twips).
namespace WidgetBuilding {
// Gives the widget the control's name, so tests and automation find it.
template <typename T> T* named(T* widget, const char* name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

void place(QWidget* widget, double left, double top, double width, double height);

// A picture-only toolbar button: the icon from the resources, the caption as its tooltip and
// accessible name.
QToolButton* pictureButton(QWidget* parent, const char* name, const char* icon,
                           const QString& caption, double left, double top, double width,
                           double height);

// A row of picture buttons of one size at one height, each stored into its member.
struct PictureButton
{
    QToolButton** member;
    const char* name;
    const char* icon;
    QString caption;
    double left;
};
void pictureButtonRow(QWidget* parent, std::initializer_list<PictureButton> buttons, double top,
                      double width, double height);

// The smallest size fitToText shrinks a caption's font to, in points.
inline constexpr double MinimumCaptionPoints = 6.5;
// Widens (never narrows) a captioned control so its whole text shows, up to rightLimit (in its
// parent's pixels); a text still too long there gets a smaller font. Call after placing it.
void fitToText(QWidget* widget, int rightLimit);
// Grows (never shrinks) a list box so each of its lines shows whole and none is scrolled out of
// sight, up to rightLimit and bottomLimit (in its parent's pixels); lines still too long or too
// many there get a smaller font. Call after placing it and filling it.
void fitToLines(QListWidget* list, int rightLimit, int bottomLimit);
} // namespace WidgetBuilding
