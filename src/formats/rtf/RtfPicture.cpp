#include "formats/rtf/RtfPicture.h"

#include "formats/rtf/HexDigit.h"

#include <QtEndian>

namespace Rtf {

namespace {

constexpr int kMaxSide = 32768;

using Rtf::hexValue;

// A packed DIB becomes a BMP file by putting the file header in front of it.
QImage imageFromDib(const QByteArray& dib)
{
    if (dib.size() < 16) {
        return {};
    }
    const uchar* d = reinterpret_cast<const uchar*>(dib.constData());
    const quint32 headerSize = qFromLittleEndian<quint32>(d);
    if (headerSize < 12 || headerSize > quint32(dib.size())) {
        return {};
    }
    quint32 colours = 0;
    quint32 masks = 0;
    if (headerSize >= 40) {
        const quint16 bitCount = qFromLittleEndian<quint16>(d + 14);
        const quint32 compression = qFromLittleEndian<quint32>(d + 16);
        const quint32 used = qFromLittleEndian<quint32>(d + 32);
        colours = used ? std::min<quint32>(used, 256) : (bitCount <= 8 ? 1u << bitCount : 0);
        if (headerSize == 40 && (compression == 3 || compression == 6)) {
            masks = compression == 3 ? 12 : 16;
        }
        colours *= 4;
    } else {
        const quint16 bitCount = qFromLittleEndian<quint16>(d + 10);
        colours = bitCount <= 8 ? (1u << bitCount) * 3 : 0;
    }
    QByteArray file;
    file.reserve(dib.size() + 14);
    uchar header[14] = {'B', 'M'};
    qToLittleEndian<quint32>(quint32(dib.size() + 14), header + 2);
    qToLittleEndian<quint32>(14 + headerSize + masks + colours, header + 10);
    file.append(reinterpret_cast<const char*>(header), 14);
    file.append(dib);
    return QImage::fromData(file, "BMP");
}

// Device-dependent bitmaps carry bare rows; the common depths are enough for old files.
QImage imageFromDeviceBitmap(const RtfPicture& picture)
{
    const int w = picture.width;
    const int h = picture.height;
    if (w <= 0 || h <= 0 || w > kMaxSide || h > kMaxSide) {
        return {};
    }
    QImage::Format format;
    int minimumRow;
    switch (picture.bitsPerPixel) {
    case 1:
        format = QImage::Format_Mono;
        minimumRow = (w + 7) / 8;
        break;
    case 24:
        format = QImage::Format_BGR888;
        minimumRow = w * 3;
        break;
    case 32:
        format = QImage::Format_RGB32;
        minimumRow = w * 4;
        break;
    default:
        return {};
    }
    const int rowBytes = picture.widthBytes > 0 ? picture.widthBytes : minimumRow;
    if (rowBytes < minimumRow || qint64(rowBytes) * h > picture.data.size()) {
        return {};
    }
    QImage image(w, h, format);
    if (image.isNull()) {
        return {};
    }
    if (format == QImage::Format_Mono) {
        image.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    }
    for (int y = 0; y < h; ++y) {
        memcpy(image.scanLine(y), picture.data.constData() + qsizetype(y) * rowBytes,
               size_t(minimumRow));
    }
    return image;
}

} // namespace

void RtfPicture::appendHex(QByteArrayView text)
{
    for (const char c : text) {
        const int value = hexValue(c);
        if (value < 0) {
            continue;
        }
        if (pendingNibble < 0) {
            pendingNibble = value;
        } else {
            data.append(char(pendingNibble * 16 + value));
            pendingNibble = -1;
        }
    }
}

QImage RtfPicture::toImage() const
{
    switch (kind) {
    case Png:
    case Jpeg:
    case Unknown:
        return QImage::fromData(data);
    case Dib:
        return imageFromDib(data);
    case DeviceBitmap:
        return imageFromDeviceBitmap(*this);
    case Metafile:
        return {};
    }
    return {};
}

} // namespace Rtf
