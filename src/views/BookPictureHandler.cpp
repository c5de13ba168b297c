#include "views/BookPictureHandler.h"

#include "formats/epub/ChapterFormats.h"

#include <QAbstractTextDocumentLayout>
#include <QPaintDevice>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QUrl>

namespace {
// A picture whose data is missing still takes its one character of room and shows as a box,
// so the reader sees that something is there.
constexpr qreal MissingPictureSide = 16;
// Drawings drawn lately, at the size they were drawn, at most (bytes of their pictures).
constexpr qsizetype DrawnCacheBytes = 64 * 1024 * 1024;

bool isDrawing(const QTextFormat& format)
{
    return format.hasProperty(Epub::ChapterFormats::DrawingBoxProperty);
}
} // namespace

BookPictureHandler::BookPictureHandler(QObject* parent)
    : QObject(parent), m_drawn(int(DrawnCacheBytes / 1024))
{
}

void BookPictureHandler::install(QAbstractTextDocumentLayout* layout)
{
    layout->registerHandler(QTextFormat::ImageObject, new BookPictureHandler(layout));
}

QImage BookPictureHandler::imageOf(const QTextDocument* document, const QTextImageFormat& format)
{
    const QVariant data = document->resource(QTextDocument::ImageResource, QUrl(format.name()));
    switch (data.typeId()) {
    case QMetaType::QImage:
        return data.value<QImage>();
    case QMetaType::QPixmap:
        return data.value<QPixmap>().toImage();
    case QMetaType::QByteArray:
        // A drawing's source is drawn by drawObject, never decoded as a picture.
        return isDrawing(format) ? QImage() : QImage::fromData(data.toByteArray());
    default:
        return {};
    }
}

QSizeF BookPictureHandler::intrinsicSize(QTextDocument* document, int, const QTextFormat& format)
{
    const QTextImageFormat imageFormat = format.toImageFormat();
    const qreal width = imageFormat.width();
    const qreal height = imageFormat.height();
    // Sizes are in screen pixels; a printer's layout scales them to its resolution.
    qreal scale = 1;
    if (const QPaintDevice* device = document->documentLayout()->paintDevice()) {
        scale = device->logicalDpiY() / 96.0;
    }
    // A size given by the document wins; with one side given the other keeps the proportions.
    if (width > 0 && height > 0) {
        return QSizeF(width, height) * scale;
    }
    const QImage image = imageOf(document, imageFormat);
    QSizeF natural = image.isNull() ? QSizeF(MissingPictureSide, MissingPictureSide)
                                    : QSizeF(image.size()) / image.devicePixelRatio();
    if (width > 0 && natural.width() > 0) {
        natural = {width, natural.height() * width / natural.width()};
    } else if (height > 0 && natural.height() > 0) {
        natural = {natural.width() * height / natural.height(), height};
    }
    return natural * scale;
}

void BookPictureHandler::drawObject(QPainter* painter, const QRectF& rect, QTextDocument* document,
                                    int, const QTextFormat& format)
{
    if (rect.isEmpty()) {
        return;
    }
    const QTextImageFormat imageFormat = format.toImageFormat();
    if (isDrawing(format)) {
        const QImage drawn = drawing(document, imageFormat, rect.size(), painter);
        if (!drawn.isNull()) {
            painter->drawImage(rect, drawn);
            return;
        }
    }
    const QImage image = imageOf(document, imageFormat);
    if (image.isNull()) {
        painter->drawRect(rect.adjusted(0.5, 0.5, -0.5, -0.5));
        return;
    }
    painter->drawImage(rect, image);
}

QImage BookPictureHandler::drawing(const QTextDocument* document, const QTextImageFormat& format,
                                   const QSizeF& size, const QPainter* painter)
{
    // Drawn once at the size shown, in the device's pixels, and kept while it is shown so.
    const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    const qreal scale = ratio * painter->transform().m22();
    const QSize pixels = (size * qMax<qreal>(1, scale)).toSize().boundedTo(QSize(8192, 8192));
    if (pixels.isEmpty()) {
        return {};
    }
    const QString key =
        QStringLiteral("%1 %2x%3").arg(format.name()).arg(pixels.width()).arg(pixels.height());
    if (const QImage* known = m_drawn.object(key)) {
        return *known;
    }
    const QByteArray source =
        document->resource(QTextDocument::ImageResource, QUrl(format.name())).toByteArray();
    QSvgRenderer renderer(source);
    if (!renderer.isValid()) {
        return {};
    }
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter drawingPainter(&image);
    drawingPainter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&drawingPainter, QRectF(QPointF(), QSizeF(pixels)));
    drawingPainter.end();
    image.setDevicePixelRatio(qMax<qreal>(1, scale));
    m_drawn.insert(key, new QImage(image), int(qMax<qsizetype>(1, image.sizeInBytes() / 1024)));
    return image;
}
