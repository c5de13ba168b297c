#include "ui/skin/SkinScript.h"

#include <QRegularExpression>
#include <QStringList>

namespace {
bool readNumber(const QString& word, int* value)
{
    bool ok = false;
    const int n = word.toInt(&ok);
    if (ok) {
        *value = n;
    }
    return ok;
}

bool fail(QString* error, const QString& text)
{
    if (error) {
        *error = text;
    }
    return false;
}

bool readWait(const QStringList& words, SkinScript::Step* step, QString* error)
{
    int ms = 0;
    if (words.size() != 2 || !readNumber(words[1], &ms) || ms < 0) {
        return fail(error, QStringLiteral("wait takes one duration in milliseconds"));
    }
    step->kind = SkinScript::Step::Wait;
    step->durationMs = ms;
    return true;
}

bool readMoveTo(const QStringList& words, SkinScript::Step* step, QString* error)
{
    // moveto, six coordinate slots, the duration and an optional easing.
    if (words.size() != 8 && words.size() != 9) {
        return fail(error, QStringLiteral("moveto takes six coordinates and a duration"));
    }
    step->kind = SkinScript::Step::MoveTo;
    for (int slot = 0; slot < 6; ++slot) {
        const QString& word = words[1 + slot];
        if (word == QLatin1String("-")) {
            continue;
        }
        int value = 0;
        if (slot >= 4 || !readNumber(word, &value)) {
            return fail(
                error,
                QStringLiteral("moveto coordinate %1 is not usable: %2").arg(slot + 1).arg(word));
        }
        if (slot >= 2 && value < 0) {
            return fail(error, QStringLiteral("a size cannot be negative: %1").arg(word));
        }
        step->target[slot] = value;
    }
    if (!readNumber(words[7], &step->durationMs) || step->durationMs < 0) {
        return fail(error, QStringLiteral("moveto duration is not a number: %1").arg(words[7]));
    }
    if (words.size() == 9) {
        const QString ease = words[8].toLower();
        if (ease == QLatin1String("decel")) {
            step->easing = QEasingCurve::OutCubic;
        } else if (ease == QLatin1String("accel")) {
            step->easing = QEasingCurve::InCubic;
        } else if (ease == QLatin1String("linear")) {
            step->easing = QEasingCurve::Linear;
        } else {
            return fail(error, QStringLiteral("unknown easing: %1").arg(words[8]));
        }
    }
    return true;
}
} // namespace

qint64 SkinScript::durationMs() const
{
    qint64 total = 0;
    for (const Step& step : steps) {
        total += step.durationMs;
    }
    return total;
}

std::optional<SkinScript> SkinScript::parse(const QString& text, QString* error)
{
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    SkinScript script;
    const QStringList statements = text.split(QLatin1Char(';'));
    for (const QString& statement : statements) {
        const QStringList words = statement.split(blanks, Qt::SkipEmptyParts);
        if (words.isEmpty()) {
            continue;
        }
        Step step;
        const QString verb = words[0].toLower();
        bool ok = false;
        if (verb == QLatin1String("wait")) {
            ok = readWait(words, &step, error);
        } else if (verb == QLatin1String("moveto")) {
            ok = readMoveTo(words, &step, error);
        } else {
            fail(error, QStringLiteral("unknown statement: %1").arg(words[0]));
        }
        if (!ok) {
            return std::nullopt;
        }
        script.steps.append(step);
    }
    return script;
}
