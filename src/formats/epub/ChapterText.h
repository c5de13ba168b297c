#pragma once

#include <QString>

class QTextDocument;

namespace Epub {

// The text of a converted chapter as a reader reads it aloud or copies it out: paragraphs (and
// table cells) one a line; an SVG drawing gives the words it shows, in brackets, where its
// picture stands (a drawing without words stays one object character, as pictures do); ruby
// follows the characters it reads, in parentheses, as a reader without ruby shows it.
QString readableText(const QTextDocument& document);

// Writes each ruby annotation into the text after the characters it reads, in parentheses and
// smaller type, for a layout that cannot draw ruby above them (printing). Offsets change, so
// this is for a document only drawn, never one marks and bookmarks point into.
void spellOutRuby(QTextDocument* document);

} // namespace Epub
