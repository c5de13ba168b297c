#pragma once

#include <algorithm>

namespace Rtf {

// What one file may ask of the reader, whatever its numbers say.
constexpr int kMaxTwips = 31680; // 22 inches
constexpr int kMaxColors = 4096;
constexpr int kMaxFonts = 4096; // also the most lists and list overrides

inline int clampTwips(int value)
{
    return std::clamp(value, -kMaxTwips, kMaxTwips);
}

} // namespace Rtf
