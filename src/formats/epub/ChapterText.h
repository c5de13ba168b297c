#pragma once

#include <QString>

class QTextDocument;

namespace Epub {

// The text of a converted chapter as a reader reads it aloud or copies it out: paragraphs (and
// table cells) one a line; an SVG drawing gives the words it shows, in brackets, where its
// picture stands (a drawing without words stays one object character, as pictures do); ruby
// follows the characters it reads, in parentheses, as a reader without ruby shows it.
QString readableText(const QTextDocument& document);

} // namespace Epub
