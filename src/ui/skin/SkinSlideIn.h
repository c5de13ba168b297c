#pragma once

#include <QString>
#include <initializer_list>

class SkinButton;

// The slide-in of skinned buttons that dialogs play on activation: the button shows 60 units
// (pixels) below or left of its place, rests 500 ms, then slides back in 1000 ms, slowing as it
// arrives. A button without an element is left where it is.
namespace SkinAnimation {
enum class Direction
{
    Vertical,  // every dialog but the about box
    Horizontal // the about box
};

QString verticalScript(int vertical);
QString horizontalScript(int horizontal);

void slideIn(SkinButton* button, Direction direction);
// Slides the buttons in, in the order given.
void AnimateButtons(std::initializer_list<SkinButton*> buttons, Direction direction);
} // namespace SkinAnimation
