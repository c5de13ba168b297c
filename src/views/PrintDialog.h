#pragma once

#include <QString>

class QPrinter;
class QWidget;

// The print dialog goes through here, so tests can answer it and print into a PDF file.
class PrintDialog
{
public:
    // Shows the print dialog for printer with the selection range preselected when
    // selectionRange is set (otherwise the whole document); the user may choose pages from ...
    // to ... instead. Returns true when the user chose to print; the range chosen is the
    // printer's printRange() and pageRanges().
    static bool exec(QWidget* parent, QPrinter* printer, bool selectionRange);

    // Test hooks: in test mode no dialog is shown; the next queued answer is used (a
    // PDF file to print into, or an empty text for Cancel; Cancel when none is queued), and the
    // range preselected in each call is recorded. An answer with a first page chooses the pages
    // from firstPage to lastPage instead of the preselected range.
    static void setTestMode(bool on);
    static void setNextAnswer(const QString& pdfFile, int firstPage = 0, int lastPage = 0);
    static int shownCount();
    static bool lastSelectionRange();
};
