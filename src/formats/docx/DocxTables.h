#pragma once

#include <QByteArray>
#include <QList>

namespace Docx {

// Word merges cells down a column by marking the first "restart" and those below it
// "continue"; HTML needs the first cell's row span instead, which only the rows below tell.
// This reads the document once for those spans: one value for each table cell that is not
// inside a paragraph, in document order (as the document reader meets them): the cell's row
// span, or 0 for a cell merged into the one above (it is left out; one holding text is kept
// and ends the merge instead).
QList<int> verticalSpans(const QByteArray& documentXml);

} // namespace Docx
