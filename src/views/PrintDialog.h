#pragma once

#include <QString>

class QPrinter;
class QWidget;

// The print dialog goes through here, so tests can answer it and print into a PDF file.
class PrintDialog
{
public:
    // Shows the print dialog for printer with the page-range choice disabled and the selection
    // range preselected when selectionRange is set (otherwise the whole document). Returns true
    // when the user chose to print.
    static bool exec(QWidget* parent, QPrinter* printer, bool selectionRange);

    // Test hooks: in test mode no dialog is shown; the next queued answer is used (a
    // PDF file to print into, or an empty text for Cancel; Cancel when none is queued), and the
    // range preselected in each call is recorded.
    static void setTestMode(bool on);
    static void setNextAnswer(const QString& pdfFile);
    static int shownCount();
    static bool lastSelectionRange();
};
