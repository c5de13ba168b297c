#include "views/WidgetBuilding.h"

#include "formats/Twips.h"

#include <QIcon>
#include <QToolButton>
#include <QWidget>

void WidgetBuilding::place(QWidget* widget, double left, double top, double width, double height)
{
    widget->setGeometry(Twips::rect(left, top, width, height));
}

QToolButton* WidgetBuilding::pictureButton(QWidget* parent, const char* name, const char* icon,
                                           const QString& caption, double left, double top,
                                           double width, double height)
{
    auto* button = named(new QToolButton(parent), name);
    button->setIcon(QIcon(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(icon))));
    button->setToolTip(caption);
    button->setAccessibleName(caption);
    button->setAutoRaise(true);
    place(button, left, top, width, height);
    // A little margin keeps the picture clear of the button's edge.
    button->setIconSize(button->size() - QSize(4, 4));
    return button;
}

void WidgetBuilding::pictureButtonRow(QWidget* parent, std::initializer_list<PictureButton> buttons,
                                      double top, double width, double height)
{
    for (const PictureButton& b : buttons) {
        *b.member = pictureButton(parent, b.name, b.icon, b.caption, b.left, top, width, height);
    }
}

void WidgetBuilding::fitToText(QWidget* widget, int rightLimit)
{
    const int room = rightLimit - widget->x();
    QSize hint = widget->sizeHint();
    // Our fonts run wider than the ones the places were drawn for: the control grows to its
    // text, and where the room ends the text gets a little smaller instead of being cut.
    QFont font = widget->font();
    while (hint.width() > room && font.pointSizeF() > MinimumCaptionPoints) {
        font.setPointSizeF(font.pointSizeF() - 0.5);
        widget->setFont(font);
        hint = widget->sizeHint();
    }
    widget->resize(qMax(widget->width(), qMin(hint.width(), room)),
                   qMax(widget->height(), hint.height()));
}
