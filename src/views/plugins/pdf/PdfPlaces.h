#pragma once

#include "core/EngineInterfaces.h"

#include <QList>

class QPdfDocument;

// The outline of a PDF book (its bookmarks), as the side panel lists it.
namespace PdfPlaces {

// The outline of the book, in reading order.
QList<PdfOutlineEntry> outline(QPdfDocument* document);

} // namespace PdfPlaces
