#pragma once

#include <QString>
#include <QTextFormat>

// Footnotes and endnotes: the reference mark in the text is a raised character whose format
// carries the note's text in this property. The view shows that text when the mark is pointed
// at or clicked.
namespace BookNotes {
inline constexpr int NoteTextProperty = QTextFormat::UserProperty + 0x4E4F;

// The note's text of the character format, or an empty string when it marks no note.
inline QString noteText(const QTextFormat& format)
{
    return format.property(NoteTextProperty).toString();
}
} // namespace BookNotes
