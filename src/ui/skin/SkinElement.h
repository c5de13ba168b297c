#pragma once

#include "ui/skin/SkinScript.h"

#include <QObject>
#include <QPointer>
#include <QRect>

class AnimationClock;
class QPropertyAnimation;
class QWidget;

// A skinned button's element in the skin: the part that moves. Its positions are the button's
// place in its window in pixels; reading gives integers, writing takes decimal text, and a
// script moves the element on the shared animation clock.
class SkinElement : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QRect geometry READ geometry WRITE setGeometry)
public:
    explicit SkinElement(QWidget* control);
    ~SkinElement() override;

    int horizontal() const;
    int vertical() const;
    // Moves the element at once; text that is not a whole number is ignored.
    void setHorizontal(const QString& text);
    void setVertical(const QString& text);

    QRect geometry() const;
    void setGeometry(const QRect& rect);

    // Plays a script, replacing one still playing; false (nothing moves) when it cannot be read.
    bool RunScript(const QString& script);
    bool isPlaying() const { return m_playing; }
    // Jumps a playing script to its end, so the element stands where the script leaves it.
    void finishScript();

private:
    void advance();
    void beginStep(qint64 startMs);
    void stopPlaying();

    QPointer<QWidget> m_control;
    QPointer<AnimationClock> m_clock;
    SkinScript m_script;
    int m_step = 0;
    qint64 m_stepStart = 0;
    bool m_playing = false;
    QPropertyAnimation* m_move = nullptr;
};
