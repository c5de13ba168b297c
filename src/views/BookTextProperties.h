#pragma once

#include "formats/rtf/RtfNotes.h"
#include "formats/rtf/RtfTextProperties.h"

#include <QString>
#include <QTextFormat>

// Character format properties that a book's reader sets and the book view draws, beyond what
// Qt's formats hold.
namespace BookText {
// A footnote or endnote reference mark: the raised mark's format carries the note's text. The
// view shows that text when the mark is pointed at or clicked.
inline constexpr int NoteTextProperty = Rtf::NoteTextProperty;
// A double underline (set together with the ordinary underline): the view draws a second line
// under the first.
inline constexpr int DoubleUnderlineProperty = Rtf::DoubleUnderlineProperty;

// The note's text of the character format, or an empty string when it marks no note.
inline QString noteText(const QTextFormat& format)
{
    return format.property(NoteTextProperty).toString();
}
} // namespace BookText
