#include "ui/skin/SkinElement.h"

#include "ui/skin/AnimationClock.h"

#include <QPropertyAnimation>
#include <QWidget>
#include <algorithm>

SkinElement::SkinElement(QWidget* control)
    : QObject(control), m_control(control), m_move(new QPropertyAnimation(this, "geometry", this))
{
}

SkinElement::~SkinElement()
{
    stopPlaying();
}

int SkinElement::horizontal() const
{
    return m_control ? m_control->x() : 0;
}

int SkinElement::vertical() const
{
    return m_control ? m_control->y() : 0;
}

void SkinElement::setHorizontal(const QString& text)
{
    bool ok = false;
    const int x = text.trimmed().toInt(&ok);
    if (ok && m_control) {
        m_control->move(x, m_control->y());
    }
}

void SkinElement::setVertical(const QString& text)
{
    bool ok = false;
    const int y = text.trimmed().toInt(&ok);
    if (ok && m_control) {
        m_control->move(m_control->x(), y);
    }
}

QRect SkinElement::geometry() const
{
    return m_control ? m_control->geometry() : QRect();
}

void SkinElement::setGeometry(const QRect& rect)
{
    if (m_control) {
        m_control->setGeometry(rect);
    }
}

bool SkinElement::RunScript(const QString& script)
{
    std::optional<SkinScript> parsed = SkinScript::parse(script);
    if (!parsed) {
        return false;
    }
    stopPlaying();
    m_script = *parsed;
    m_clock = AnimationClock::shared();
    m_playing = true;
    m_clock->claim();
    connect(m_clock, &AnimationClock::ticked, this, &SkinElement::advance);
    m_step = 0;
    beginStep(m_clock->nowMs());
    advance();
    return true;
}

void SkinElement::beginStep(qint64 startMs)
{
    m_stepStart = startMs;
    if (m_step >= m_script.steps.size()) {
        return;
    }
    const SkinScript::Step& step = m_script.steps[m_step];
    if (step.kind != SkinScript::Step::MoveTo) {
        return;
    }
    // The move starts from wherever the element stands when its turn comes.
    const QRect from = geometry();
    QRect to = from;
    if (step.target[0]) {
        to.moveLeft(*step.target[0]);
    }
    if (step.target[1]) {
        to.moveTop(*step.target[1]);
    }
    if (step.target[2]) {
        to.setWidth(*step.target[2]);
    }
    if (step.target[3]) {
        to.setHeight(*step.target[3]);
    }
    m_move->stop();
    if (step.durationMs == 0) {
        setGeometry(to);
        return;
    }
    m_move->setDuration(step.durationMs);
    m_move->setEasingCurve(step.easing);
    m_move->setStartValue(from);
    m_move->setEndValue(to);
    // Paused, the animation takes its time from our clock through setCurrentTime only.
    m_move->start();
    m_move->pause();
}

void SkinElement::advance()
{
    if (!m_playing || !m_clock) {
        return;
    }
    const qint64 now = m_clock->nowMs();
    while (m_step < m_script.steps.size()) {
        const SkinScript::Step& step = m_script.steps[m_step];
        const qint64 elapsed = now - m_stepStart;
        const bool moving = step.kind == SkinScript::Step::MoveTo && step.durationMs > 0;
        if (moving) {
            m_move->setCurrentTime(int(std::clamp<qint64>(elapsed, 0, step.durationMs)));
        }
        if (elapsed < step.durationMs) {
            return;
        }
        if (moving) {
            m_move->stop();
        }
        ++m_step;
        beginStep(m_stepStart + step.durationMs);
    }
    stopPlaying();
}

void SkinElement::finishScript()
{
    if (!m_playing) {
        return;
    }
    while (m_step < m_script.steps.size()) {
        const SkinScript::Step& step = m_script.steps[m_step];
        if (step.kind == SkinScript::Step::MoveTo && step.durationMs > 0) {
            m_move->setCurrentTime(step.durationMs);
            m_move->stop();
        }
        ++m_step;
        beginStep(m_stepStart + step.durationMs);
    }
    stopPlaying();
}

void SkinElement::stopPlaying()
{
    if (m_move) {
        m_move->stop();
    }
    if (!m_playing) {
        return;
    }
    m_playing = false;
    if (m_clock) {
        disconnect(m_clock, &AnimationClock::ticked, this, &SkinElement::advance);
        m_clock->release();
    }
}
