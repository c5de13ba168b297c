#include "ui/skin/SkinLabel.h"

#include "ui/skin/SkinForm.h"

SkinLabel::SkinLabel(const QString& text, QWidget* parent) : QLabel(text, parent)
{
    setAccessibleName(text);
}

void SkinLabel::bind(SkinForm* skin)
{
    if (!skin) {
        return;
    }
    m_skin = skin;
    skin->bindControl(this, "Label");
}

void SkinLabel::fitText()
{
    if (wordWrap()) {
        if (const int needed = heightForWidth(width()); needed > height()) {
            resize(width(), needed);
        }
        return;
    }
    if (sizeHint().width() > width()) {
        resize(sizeHint().width(), height());
    }
}
