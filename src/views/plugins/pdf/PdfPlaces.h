#pragma once

#include "core/EngineInterfaces.h"

#include <QList>
#include <QRect>

class QPdfDocument;
class QPdfView;

// Places in a PDF book shown by QPdfView: where its pages lie in the view (QPdfView says so of
// none of them, so the layout it makes is worked out again from its own settings: the pages
// one under the other, each fitted to the width or zoomed, between its margins and spacing),
// and the book's outline.
namespace PdfPlaces {

// The pages' rectangles in the view's scrolled area; in the one-page mode only the current
// page has one.
QList<QRect> pageRects(const QPdfView& view);
// The page at the view's top edge and how far down it the edge is, as a fraction of its
// height (a gap between pages counts as the top of the page after it).
int pageAtTop(const QPdfView& view, double* top);
// Scrolls the view so the given fraction of page lies at its top edge.
void showPlace(QPdfView& view, int page, double top);
// The outline of the book, in reading order.
QList<PdfOutlineEntry> outline(QPdfDocument* document);

} // namespace PdfPlaces
