#include "views/WidgetBuilding.h"

#include "formats/Twips.h"

#include <QIcon>
#include <QListWidget>
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

namespace {
// The size a list box needs to show every line whole, its frame included.
QSize linesSize(const QListWidget* list)
{
    QSize lines(0, 0);
    for (int row = 0; row < list->count(); ++row) {
        const QSize line = list->sizeHintForIndex(list->model()->index(row, 0));
        lines.setWidth(qMax(lines.width(), line.width()));
        lines.setHeight(lines.height() + line.height());
    }
    const int frame = 2 * list->frameWidth();
    return lines + QSize(frame, frame);
}
} // namespace

void WidgetBuilding::fitToLines(QListWidget* list, int rightLimit, int bottomLimit)
{
    const QSize room(rightLimit - list->x(), bottomLimit - list->y());
    QSize needed = linesSize(list);
    QFont font = list->font();
    while ((needed.width() > room.width() || needed.height() > room.height()) &&
           font.pointSizeF() > MinimumCaptionPoints) {
        font.setPointSizeF(font.pointSizeF() - 0.5);
        list->setFont(font);
        needed = linesSize(list);
    }
    list->resize(list->size().expandedTo(needed.boundedTo(room)));
}
