#pragma once

#include "views/BookLook.h"

#include <QAbstractTextDocumentLayout>

#include <memory>

class QTextFrame;
class QTextTable;

// The book view's layout. A whole book must open at its bookmark at once, so only what is
// shown (and what the caret passes) is laid out; the height of every other paragraph and table
// is estimated from its length. Paragraphs are drawn with their formats (alignment, indents,
// spacing, line spacing, page breaks as a rule, list markers, background), tables as grids with
// nested tables in their cells, pictures scaled down to the width.
//
// Each text layout sits at its place in document coordinates, so the caret, hit tests and the
// accessible character extents come straight from Qt's line geometry. When a paragraph above
// the shown text becomes exact, heightChangedAbove lets the view keep its text still.
class BookDocumentLayout : public QAbstractTextDocumentLayout
{
    Q_OBJECT
public:
    explicit BookDocumentLayout(QTextDocument* document);
    ~BookDocumentLayout() override;

    void draw(QPainter* painter, const PaintContext& context) override;
    int hitTest(const QPointF& point, Qt::HitTestAccuracy accuracy) const override;
    int pageCount() const override { return 1; }
    QSizeF documentSize() const override;
    QRectF frameBoundingRect(QTextFrame* frame) const override;
    // Lays the block's paragraph or table out first when it is still estimated.
    QRectF blockBoundingRect(const QTextBlock& block) const override;

    // Lays out what is still estimated between the two y positions, from the top down, so that
    // nothing above top moves.
    void layoutRange(qreal top, qreal bottom) const;
    // Lays out the paragraphs just above the block's, until `height` pixels above it are exact.
    void layoutAbove(const QTextBlock& block, qreal height) const;
    // The top of the line holding the position, in document coordinates (lays it out).
    qreal lineTop(int position) const;

    // The zoom, line spacing and colours the book is drawn with; a change lays everything out
    // anew (heightsReset follows).
    void setLook(const BookLook& look);
    const BookLook& look() const;

    // Paragraphs and tables at the top level of the document, and how many are laid out.
    int itemCount() const;
    int laidOutItemCount() const;

signals:
    // A paragraph or table that ended at or above y (before the change) changed height by
    // delta; a view whose top is at or below y scrolls by delta to keep its text still.
    void heightChangedAbove(qreal y, qreal delta);
    // Every height went back to an estimate (a new width or font, or paragraphs added or
    // removed); a view puts its remembered text back at the top.
    void heightsReset();

protected:
    void documentChanged(int from, int charsRemoved, int charsAdded) override;
    void resizeInlineObject(QTextInlineObject item, int position,
                            const QTextFormat& format) override;

private:
    struct Private;
    std::unique_ptr<Private> d;
};
