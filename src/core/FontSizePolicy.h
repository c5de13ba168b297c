#pragma once

#include <algorithm>

// The sizes a book's text is shown at, in points. The options dialog accepts these, the view
// clamps to them, and a size the options file leaves out (0 or nothing) means the default.
namespace FontSizePolicy {
inline constexpr int Smallest = 1;
inline constexpr int Largest = 400;
inline constexpr int Default = 12;

constexpr int effective(int points)
{
    return points <= 0 ? Default : std::min(points, Largest);
}
} // namespace FontSizePolicy
