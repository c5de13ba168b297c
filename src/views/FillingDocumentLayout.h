#pragma once

#include <QAbstractTextDocumentLayout>

// A layout that lays out nothing, held by a document while a book is read into it. Without
// it, a reader that asks the document for its layout would get Qt's full layout, which lays
// out every paragraph again after each insertion.
class FillingDocumentLayout : public QAbstractTextDocumentLayout
{
    Q_OBJECT
public:
    explicit FillingDocumentLayout(QTextDocument* document);

    void draw(QPainter*, const PaintContext&) override {}
    int hitTest(const QPointF&, Qt::HitTestAccuracy) const override { return -1; }
    int pageCount() const override { return 1; }
    QSizeF documentSize() const override { return {}; }
    QRectF frameBoundingRect(QTextFrame*) const override { return {}; }
    QRectF blockBoundingRect(const QTextBlock&) const override { return {}; }

protected:
    void documentChanged(int, int, int) override {}
};
