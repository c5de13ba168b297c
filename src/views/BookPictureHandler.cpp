#include "views/BookPictureHandler.h"

#include <QAbstractTextDocumentLayout>
#include <QPainter>
#include <QPixmap>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QUrl>

namespace {
// A picture whose data is missing still takes its one character of room and shows as a box,
// so the reader sees that something is there.
constexpr qreal MissingPictureSide = 16;
} // namespace

BookPictureHandler::BookPictureHandler(QObject* parent) : QObject(parent) {}

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
        return QImage::fromData(data.toByteArray());
    default:
        return {};
    }
}

QSizeF BookPictureHandler::intrinsicSize(QTextDocument* document, int, const QTextFormat& format)
{
    const QTextImageFormat imageFormat = format.toImageFormat();
    const QImage image = imageOf(document, imageFormat);
    QSizeF natural = image.isNull() ? QSizeF(MissingPictureSide, MissingPictureSide)
                                    : QSizeF(image.size()) / image.devicePixelRatio();
    const qreal width = imageFormat.width();
    const qreal height = imageFormat.height();
    // A size given by the document wins; with one side given the other keeps the proportions.
    if (width > 0 && height > 0) {
        return {width, height};
    }
    if (width > 0 && natural.width() > 0) {
        return {width, natural.height() * width / natural.width()};
    }
    if (height > 0 && natural.height() > 0) {
        return {natural.width() * height / natural.height(), height};
    }
    return natural;
}

void BookPictureHandler::drawObject(QPainter* painter, const QRectF& rect, QTextDocument* document,
                                    int, const QTextFormat& format)
{
    const QImage image = imageOf(document, format.toImageFormat());
    if (image.isNull()) {
        painter->drawRect(rect.adjusted(0.5, 0.5, -0.5, -0.5));
        return;
    }
    painter->drawImage(rect, image);
}
