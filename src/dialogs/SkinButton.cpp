#include "dialogs/SkinButton.h"

#include "dialogs/SkinElement.h"
#include "dialogs/SkinForm.h"

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
