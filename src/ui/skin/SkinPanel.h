#pragma once

#include <QFrame>
#include <QPointer>

#include "ui/skin/SkinForm.h"

// A skinned panel: a plain area behind other controls that takes the skin's look once bound.
// Its place and size are the widget's own (windows set them in twips through Twips).
class SkinPanel : public QFrame
{
    Q_OBJECT
public:
    explicit SkinPanel(QWidget* parent = nullptr);

    void bind(SkinForm* skin);
    bool isBound() const { return m_skin != nullptr; }

private:
    QPointer<SkinForm> m_skin;
};
