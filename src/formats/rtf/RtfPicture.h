#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

namespace Rtf {

// One \pict group as read: its kind, sizes and data. Bitmaps and PNG/JPEG pictures turn into
// images; metafiles have none (the reader shows their fallback instead).
struct RtfPicture
{
    enum Kind
    {
        Unknown,
        Png,
        Jpeg,
        Dib,
        DeviceBitmap,
        Metafile
    };
    Kind kind = Unknown;
    QByteArray data;
    QString name;
    int width = 0;      // \picw
    int height = 0;     // \pich
    int goalWidth = 0;  // twips
    int goalHeight = 0; // twips
    int scaleX = 100;
    int scaleY = 100;
    int bitsPerPixel = 1;
    int widthBytes = 0;
    // A hex digit waiting for its partner.
    int pendingNibble = -1;

    void appendHex(QByteArrayView text);
    QImage toImage() const;
};

} // namespace Rtf
