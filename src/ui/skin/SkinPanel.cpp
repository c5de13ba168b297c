#include "ui/skin/SkinPanel.h"

#include "ui/skin/SkinForm.h"

SkinPanel::SkinPanel(QWidget* parent) : QFrame(parent) {}

void SkinPanel::bind(SkinForm* skin)
{
    if (!skin) {
        return;
    }
    m_skin = skin;
    skin->bindControl(this, "Panel");
}
