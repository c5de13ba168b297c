#pragma once

#include <QObject>
#include <QPointer>

class QWidget;

// The skin: our own small replacement for a skinning library, giving every window of the
// program the same warm parchment look.
//
// How a window uses it:
//   - hold one SkinForm (named SkinForm1) made with the window; it dresses the window at once;
//   - make the skinned controls SkinButton, SkinLabel and SkinPanel, and bind each of them to
//     SkinForm1 in the window's activation handler (binding again is harmless);
//   - after binding, slide buttons in with SkinAnimation::AnimateButtons (SkinSlideIn.h);
//     a window that slides in only once per opening keeps its own flag for it.
class SkinForm : public QObject
{
    Q_OBJECT
public:
    explicit SkinForm(QWidget* window);

    QWidget* window() const { return m_window; }

    // Gives the control the skin's look for the skin class ("Button", "Label" or "Panel").
    void bindControl(QWidget* control, const char* skinClass);

    // The one style sheet of the skin.
    static QString styleSheet();

private:
    QPointer<QWidget> m_window;
};
