#pragma once

#include <QByteArrayView>

namespace Rtf {

// The control words the reader knows. Words of the same meaning share one value ("\ul" and
// "\ulw" are both Underline; every skipped destination is SkipDestination).
enum class RtfWord : int
{
    Unknown,
    // header and Unicode
    Ansi,
    Mac,
    Pc,
    Pca,
    AnsiCodePage,
    DefaultFont,
    UnicodeSkip,
    Unicode,
    Upr,
    Ud,
    // destinations
    FontTable,
    ColorTable,
    SkipDestination,
    Picture,
    FieldInstruction,
    FieldResult,
    Field,
    TextDestination,
    Shape,
    ShapeInstructions,
    ShapeProperty,
    ShapeName,
    ShapeValue,
    ShapeResult,
    ShapePicture,
    ShapePictureFallback,
    ListText,
    ListTable,
    ListOverrideTable,
    List,
    ListId,
    ListLevel,
    LevelNumbering,
    LevelText,
    ListOverride,
    ListNumber,
    ListItemLevel,
    PictureName,
    Footnote,
    FootnoteMark,
    // font and colour tables
    Font,
    FontCharset,
    CodePage,
    Red,
    Green,
    Blue,
    // character formats
    Plain,
    Bold,
    Italic,
    Underline,
    UnderlineDotted,
    UnderlineDash,
    UnderlineDashDot,
    UnderlineDashDotDot,
    UnderlineWave,
    UnderlineNone,
    UnderlineDouble,
    SmallCaps,
    Strike,
    Super,
    Sub,
    NoSuperSub,
    Up,
    Down,
    FontSize,
    Foreground,
    Background,
    Hidden,
    // paragraph formats
    Pard,
    AlignLeft,
    AlignCenter,
    AlignRight,
    AlignJustify,
    LeftIndent,
    RightIndent,
    FirstIndent,
    SpaceBefore,
    SpaceAfter,
    InTable,
    PageBreakBefore,
    // breaks and tables
    Par,
    Line,
    Tab,
    Page,
    Column,
    Sect,
    Cell,
    Row,
    NestCell,
    NestRow,
    RowDefaults,
    CellX,
    RowLeft,
    Binary,
    // characters
    Character,
    // picture properties
    PngBlip,
    JpegBlip,
    DibBitmap,
    DeviceBitmap,
    Metafile,
    PictureWidth,
    PictureHeight,
    GoalWidth,
    GoalHeight,
    ScaleX,
    ScaleY,
    BitsPerPixel,
    WidthBytes,
};

// Which part of the reader a word concerns where it stands in running text. Words that only
// the font, colour, list or picture groups read mean nothing there (None).
enum class WordGroup : unsigned char
{
    None,
    Document,    // the character set, the default font, Unicode characters
    Destination, // a group that is not running text, or a field, shape or note
    Character,   // character formats, and words that stand for one character
    Paragraph,   // paragraph formats and breaks
    Table        // rows and cells
};

struct WordInfo
{
    RtfWord word = RtfWord::Unknown;
    WordGroup group = WordGroup::None;
    char16_t character = 0; // what a Character word stands for
};

// The word named, without its backslash or parameter; Unknown when the reader does not know it.
WordInfo lookUpWord(QByteArrayView name);

} // namespace Rtf
