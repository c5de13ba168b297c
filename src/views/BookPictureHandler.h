#pragma once

#include <QCache>
#include <QImage>
#include <QObject>
#include <QTextObjectInterface>

class QAbstractTextDocumentLayout;
class QTextImageFormat;

// Draws the pictures of a document shown in the book layout, which (unlike the full document
// layout) has no picture drawing of its own. Pictures are image resources of the document,
// named by their image format. An SVG drawing of an EPUB book is held as its source (made safe
// by the reader) and drawn by Qt SVG at the size shown, sharp at any size.
class BookPictureHandler : public QObject, public QTextObjectInterface
{
    Q_OBJECT
    Q_INTERFACES(QTextObjectInterface)
public:
    explicit BookPictureHandler(QObject* parent = nullptr);

    // Registers a handler, owned by the layout, for the layout's pictures.
    static void install(QAbstractTextDocumentLayout* layout);
    // The picture a format names, or a null image when the document does not hold it.
    static QImage imageOf(const QTextDocument* document, const QTextImageFormat& format);

    QSizeF intrinsicSize(QTextDocument* document, int position, const QTextFormat& format) override;
    void drawObject(QPainter* painter, const QRectF& rect, QTextDocument* document, int position,
                    const QTextFormat& format) override;

private:
    // The drawing a format names, drawn at size for the painter's device.
    QImage drawing(const QTextDocument* document, const QTextImageFormat& format,
                   const QSizeF& size, const QPainter* painter);

    QCache<QString, QImage> m_drawn; // drawings by name and size, costed in kilobytes
};
