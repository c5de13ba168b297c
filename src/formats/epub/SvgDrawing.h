#pragma once

#include <QByteArray>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QVariantList>

namespace Epub {

class Entries;
struct Node;

// An SVG drawing of a book (inline in a chapter, a picture file, a chapter of its own), written
// anew from what a renderer may safely be given: the elements a drawing is made of, never a
// script, an event handler or a reference outside the drawing. Pictures it shows are taken from
// the book and put inside it; anything else it names (a web address, a file of the computer) is
// dropped, never fetched. What it may cost to draw is bounded: its elements, their depth, the
// bytes of its source and of its pictures, and the elements a renderer draws once every <use>
// is followed (a few nested uses can multiply into billions).
class SvgDrawing
{
public:
    static constexpr int MaxElements = 20000;
    static constexpr int MaxDepth = 64;
    static constexpr qint64 MaxDrawnElements = 100000;
    static constexpr qsizetype MaxSourceBytes = 2 * 1024 * 1024;
    static constexpr qsizetype MaxPictureBytes = 8 * 1024 * 1024;

    // How the drawing is sized: a width and height in pixels, or a part of the page's (100%),
    // or neither; and the shape of its view box, when it has one.
    struct Box
    {
        qreal width = -1; // pixels; -1 when not given
        qreal height = -1;
        qreal widthFraction = 0; // of the page; 0 when not given so
        qreal heightFraction = 0;
        qreal aspect = 0; // width / height of the view box; 0 without one
        QVariantList toVariant() const;
        static Box fromVariant(const QVariantList& list);
        // The size shown on a page of this size: never wider than the page, and never taller
        // where fitsPage.
        QSizeF shownSize(const QSizeF& page, bool fitsPage) const;
    };

    // The drawing of an svg element; base is the entry its references are relative to.
    static SvgDrawing fromNode(const Node& svg, const Entries& archive, const QString& base);
    // The drawing of an SVG file of the book (an empty drawing when it holds none).
    static SvgDrawing fromFile(const QByteArray& data, const Entries& archive,
                               const QString& entry);
    // Whether an entry's bytes are an SVG document rather than a picture.
    static bool isSvg(const QString& entry, const QByteArray& data);

    // The drawing as SVG for a renderer; empty when there is nothing to draw.
    QByteArray source() const { return m_source; }
    Box box() const { return m_box; }
    // The words the drawing shows, in order, one space between its texts.
    QString text() const { return m_text; }
    // A drawing that only shows one picture of the book (as cover pages are made): its entry.
    QString pictureEntry() const { return m_pictureEntry; }
    // Something was left out: a limit was reached.
    bool cut() const { return m_cut; }
    // The size the chapter gives the drawing wins over its own.
    void setWidth(qreal pixels)
    {
        m_box.width = pixels;
        m_box.widthFraction = 0;
    }
    void setHeight(qreal pixels)
    {
        m_box.height = pixels;
        m_box.heightFraction = 0;
    }

private:
    friend class SvgWriter;
    QByteArray m_source;
    Box m_box;
    QString m_text;
    QString m_pictureEntry;
    bool m_cut = false;
};

} // namespace Epub
