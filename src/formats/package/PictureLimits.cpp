#include "formats/package/PictureLimits.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QImageReader>

namespace Books::PictureLimits {

namespace {
QString tr(const char* text)
{
    return QCoreApplication::translate("Books::PictureLimits", text);
}
} // namespace

bool acceptableSize(const QSize& size)
{
    if (!size.isValid()) {
        return true;
    }
    return size.width() <= MaxSide && size.height() <= MaxSide &&
           qint64(size.width()) * size.height() <= MaxPixels;
}

bool acceptable(const QByteArray& data, QString* why)
{
    QByteArray copy = data;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    if (!reader.canRead()) {
        if (why) {
            *why = tr("it is not a picture");
        }
        return false;
    }
    const QSize size = reader.size();
    if (!acceptableSize(size)) {
        if (why) {
            *why = tr("it claims to be %1 by %2 pixels").arg(size.width()).arg(size.height());
        }
        return false;
    }
    return true;
}

QImage decodeToFit(const QByteArray& data, const QSize& box)
{
    QByteArray copy = data;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    if (!reader.canRead() || !acceptableSize(size) || box.isEmpty()) {
        return {};
    }
    if (size.isValid() && (size.width() > box.width() || size.height() > box.height())) {
        // Decoded straight at the size shown: JPEG pages shrink while they are decoded.
        reader.setScaledSize(size.scaled(box, Qt::KeepAspectRatio).expandedTo(QSize(1, 1)));
    }
    return reader.read();
}

} // namespace Books::PictureLimits
