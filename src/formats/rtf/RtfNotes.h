#pragma once

#include <QTextFormat>

namespace Rtf {

// A footnote or endnote stays in the running text as its reference mark, a superscript
// character (or characters) whose character format holds the note's own text (a QString,
// paragraphs separated by "\n") under this property, so that the view can show it.
constexpr int NoteTextProperty = QTextFormat::UserProperty + 0x4E4F;

} // namespace Rtf
