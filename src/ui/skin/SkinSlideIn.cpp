#include "ui/skin/SkinSlideIn.h"

#include "ui/skin/SkinButton.h"
#include "ui/skin/SkinElement.h"

QString SkinAnimation::verticalScript(int vertical)
{
    return QStringLiteral("wait 500; moveto - ") + QString::number(vertical) +
           QStringLiteral("   - -   - -  1000 decel");
}

QString SkinAnimation::horizontalScript(int horizontal)
{
    return QStringLiteral("wait 500; moveto ") + QString::number(horizontal) +
           QStringLiteral("   - - -   - -  1000 decel");
}

void SkinAnimation::slideIn(SkinButton* button, Direction direction)
{
    SkinElement* element = button ? button->element() : nullptr;
    if (!element) {
        return;
    }
    // A slide still under way (the window was left and entered again quickly) ends first, so
    // the position read below is the button's place and not a point on the way back to it.
    element->finishScript();
    if (direction == Direction::Vertical) {
        const int p = element->vertical();
        element->setVertical(QString::number(p + 60));
        element->RunScript(verticalScript(p));
    } else {
        const int x = element->horizontal();
        element->setHorizontal(QString::number(x - 60));
        element->RunScript(horizontalScript(x));
    }
}

void SkinAnimation::AnimateButtons(std::initializer_list<SkinButton*> buttons, Direction direction)
{
    for (SkinButton* button : buttons) {
        slideIn(button, direction);
    }
}
