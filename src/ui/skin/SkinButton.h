#pragma once

#include <QPointer>
#include <QPushButton>

class SkinElement;
#include "ui/skin/SkinForm.h"

// A skinned button. Bound to a window's skin it takes the skin's look and gains its element,
// the part the slide-in animation moves; an unbound button has no element. Its click is the
// plain clicked() signal. It keeps its designed size while its caption fits, and grows about
// its centre, within its window, where the caption in the skin's bold type would be cut off.
class SkinButton : public QPushButton
{
    Q_OBJECT
public:
    explicit SkinButton(const QString& text, QWidget* parent = nullptr);

    void bind(SkinForm* skin);
    bool isBound() const { return m_skin != nullptr; }
    // The element in the skin, or nullptr.
    SkinElement* element() const { return m_element; }

protected:
    void changeEvent(QEvent* event) override;

private:
    void fitCaption();

    QPointer<SkinForm> m_skin;
    SkinElement* m_element = nullptr;
};
