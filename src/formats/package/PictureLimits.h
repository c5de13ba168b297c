#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

namespace Books {

// Pictures a book may hold. A picture's header can claim any size; one past these limits is
// refused from its header alone, before anything is decoded, so a few hostile bytes never
// make the reader ask for gigabytes.
namespace PictureLimits {

inline constexpr int MaxSide = 32767;
inline constexpr qint64 MaxPixels = qint64(1) << 25; // about 33 million, 128 MiB decoded

// True when data is a picture Qt can read whose size is within the limits; why says what is
// wrong otherwise.
bool acceptable(const QByteArray& data, QString* why = nullptr);
// True for a size within the limits (an unknown size is let through: the decoder's own
// allocation limit still holds).
bool acceptableSize(const QSize& size);

// The picture decoded to fit within box (never larger than it is), or a null image when it is
// not a picture or is past the limits.
QImage decodeToFit(const QByteArray& data, const QSize& box);

} // namespace PictureLimits
} // namespace Books
