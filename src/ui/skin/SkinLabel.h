#pragma once

#include <QLabel>
#include <QPointer>

#include "ui/skin/SkinForm.h"

// A skinned caption: a label that takes the skin's look once bound.
class SkinLabel : public QLabel
{
    Q_OBJECT
public:
    explicit SkinLabel(const QString& text = QString(), QWidget* parent = nullptr);

    void bind(SkinForm* skin);
    bool isBound() const { return m_skin != nullptr; }
    // Widens the caption where its designed width would cut the text off; a caption that wraps
    // keeps its width and grows downwards until all its lines show.
    void fitText();

private:
    QPointer<SkinForm> m_skin;
};
