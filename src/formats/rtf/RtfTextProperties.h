#pragma once

#include <QTextFormat>

namespace Rtf {

// A double underline: the reader sets it on a character format together with the ordinary
// single underline, so that a view that knows it draws a second line under the first.
constexpr int DoubleUnderlineProperty = QTextFormat::UserProperty + 0x4455;

} // namespace Rtf
