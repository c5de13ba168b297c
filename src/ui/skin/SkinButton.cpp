#include "ui/skin/SkinButton.h"

#include "ui/skin/SkinElement.h"
#include "ui/skin/SkinForm.h"

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
    if (!m_element) {
        m_element = new SkinElement(this);
    }
}
