#include "ui/skin/SkinButton.h"

#include "ui/skin/SkinElement.h"
#include "ui/skin/SkinForm.h"

#include <QEvent>

SkinButton::SkinButton(const QString& text, QWidget* parent) : QPushButton(text, parent)
{
    setAccessibleName(text);
}

void SkinButton::bind(SkinForm* skin)
{
    if (!skin) {
        return;
    }
    m_skin = skin;
    skin->bindControl(this, "Button");
    fitCaption();
    if (!m_element) {
        m_element = new SkinElement(this);
    }
}

void SkinButton::changeEvent(QEvent* event)
{
    QPushButton::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        fitCaption();
    }
}

void SkinButton::fitCaption()
{
    const QSize hint = sizeHint();
    if (hint.width() <= width() && hint.height() <= height()) {
        return;
    }
    QRect place = geometry();
    const QPoint centre = place.center();
    place.setSize(size().expandedTo(hint));
    place.moveCenter(centre);
    // The grown button stays inside its window.
    if (const QWidget* parent = parentWidget()) {
        place.moveLeft(qBound(0, place.left(), qMax(0, parent->width() - place.width())));
        place.moveTop(qBound(0, place.top(), qMax(0, parent->height() - place.height())));
    }
    setGeometry(place);
}
