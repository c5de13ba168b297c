#pragma once

#include <QList>
#include <QString>
#include <QStringView>
#include <utility>

namespace Epub {

// The few steps the reading view takes over a book's CSS, each one pass over the text, so no
// style sheet, however odd (a run of 200,000 digits, an unclosed comment or brace), costs more
// than its length.
namespace CssText {

// The text without its comments; an unclosed comment runs to the end.
QString withoutComments(QStringView css);

// The text without its @import statements (the book's own sheets are read by the converter).
QString withoutImports(QStringView css);

// The rules of a style sheet (comments already removed), as selector text and declaration
// text, in order. At-rules (@media, @font-face, @import) are passed over with their blocks;
// quoted strings may hold braces; an unclosed block runs to the end.
QList<std::pair<QString, QString>> rules(QStringView css);

// A CSS number with its unit ("12.5pt", "-1em", ".5", "120%"), the unit in lower case. False
// when text holds anything else.
bool parseLength(QStringView text, double* number, QString* unit);

// The CSS with every length in em or rem that is not a font size turned into pixels against
// basePoints (Qt's HTML reader takes em as points); font sizes are left as they are.
QString emToPixels(QStringView css, qreal basePoints);

} // namespace CssText
} // namespace Epub
