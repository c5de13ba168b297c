#pragma once

#include <QTextFormat>

// Format properties the chapter converter sets for what Qt's formats cannot say, and the book
// view lays out and draws: drawings, floating pictures, ruby, and the boxes (borders, padding)
// the book's style draws around paragraphs.
namespace Epub::ChapterFormats {

inline constexpr int Base = QTextFormat::UserProperty + 0x4500;

// ---- picture (image) formats
// QString: the words an SVG drawing shows, which the drawing itself holds, not the text.
inline constexpr int PictureTextProperty = Base + 0;
// QVariantList: how an SVG drawing is sized against the page (SvgDrawing::Box).
inline constexpr int DrawingBoxProperty = Base + 1;
// bool: the picture is never taller than the page (covers, drawings that are a page).
inline constexpr int FitsPageProperty = Base + 2;
// double in (0, 1]: the picture is at most this part of the page's width (a width in %).
inline constexpr int WidthFractionProperty = Base + 3;
// int, Qt::AlignLeft or Qt::AlignRight: the picture floats to that side, the paragraph's lines
// and the next paragraphs' flowing beside it.
inline constexpr int FloatProperty = Base + 4;

// ---- character formats
// QString: ruby, the annotation shown in small type above these characters.
inline constexpr int RubyProperty = Base + 8;

// ---- block formats
// bool: the paragraph holds a floating picture.
inline constexpr int HoldsFloatProperty = Base + 12;
// bool: the paragraph holds ruby, so its lines need room above them.
inline constexpr int HoldsRubyProperty = Base + 13;
// int, Qt::AlignLeft, Qt::AlignRight or both: the paragraph starts below the floats on those
// sides (clear).
inline constexpr int ClearProperty = Base + 14;

// A box: the borders and padding around one paragraph or a run of them (a bordered heading, a
// boxed note). Each paragraph of the box holds the box's sides; the first one draws its top,
// the last one its bottom. Sides are in the order top, right, bottom, left.
// bool: the paragraph is in a box; its first or last paragraph.
inline constexpr int BoxProperty = Base + 16;
inline constexpr int BoxFirstProperty = Base + 17;
inline constexpr int BoxLastProperty = Base + 18;
// double: a side's border width in pixels (0 for none).
inline constexpr int BoxBorderWidthProperty = Base + 20; // + side
// int (QTextFrameFormat::BorderStyle): a side's border style.
inline constexpr int BoxBorderStyleProperty = Base + 24; // + side
// QColor: a side's border colour; none given draws in the text's colour.
inline constexpr int BoxBorderColorProperty = Base + 28; // + side
// double: the padding between a side's border and the text, in pixels.
inline constexpr int BoxPaddingProperty = Base + 32; // + side
// QBrush: the box's background, under its padding too.
inline constexpr int BoxBackgroundProperty = Base + 36;

enum Side
{
    Top = 0,
    Right = 1,
    Bottom = 2,
    Left = 3
};

} // namespace Epub::ChapterFormats
