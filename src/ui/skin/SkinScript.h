#pragma once

#include <QEasingCurve>
#include <QList>
#include <QString>
#include <array>
#include <optional>

// The skin's animation scripts: statements separated by ";".
//   wait MS                          rest for MS milliseconds
//   moveto X Y W H S1 S2 MS [EASE]   move to the given place in MS milliseconds
// In moveto, "-" leaves a coordinate unchanged; X and Y are the horizontal and vertical
// position, W and H the width and height, and the two spare slots S1 and S2 must be "-".
// EASE is "decel" (slows down as it arrives), "accel" or "linear" (the default).
struct SkinScript
{
    struct Step
    {
        enum Kind
        {
            Wait,
            MoveTo
        };
        Kind kind = Wait;
        int durationMs = 0;
        // x, y, width, height; empty where the script says "-".
        std::array<std::optional<int>, 4> target;
        QEasingCurve::Type easing = QEasingCurve::Linear;
    };

    QList<Step> steps;

    // Total length of the script in milliseconds.
    qint64 durationMs() const;

    // Reads a script; on a mistake returns nothing and says where in error.
    static std::optional<SkinScript> parse(const QString& text, QString* error = nullptr);
};
