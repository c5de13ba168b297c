#pragma once

#include <QString>

class PdfPagesEngine;
class QPrinter;

// Prints a PDF book's own pages: each page of the range chosen in the print dialog (all of
// them when none was), drawn by the PDF engine and fitted to the paper, with the page's text
// laid over it unseen so that the printout can still be searched and copied from.
namespace PdfPrinter {
// False with the reason when nothing could be printed (no page in the range, no printer).
bool print(PdfPagesEngine& pages, QPrinter* printer, QString* error);
} // namespace PdfPrinter
