#include "views/PrintDialog.h"

#include <QList>
#include <QPrintDialog>
#include <QPrinter>

namespace {
struct Answer
{
    QString pdfFile;
    int firstPage = 0;
    int lastPage = 0;
};

bool s_testMode = false;
QList<Answer> s_answers;
int s_shown = 0;
bool s_lastSelectionRange = false;
} // namespace

bool PrintDialog::exec(QWidget* parent, QPrinter* printer, bool selectionRange)
{
    printer->setPrintRange(selectionRange ? QPrinter::Selection : QPrinter::AllPages);
    if (s_testMode) {
        ++s_shown;
        s_lastSelectionRange = selectionRange;
        const Answer answer = s_answers.isEmpty() ? Answer() : s_answers.takeFirst();
        if (answer.pdfFile.isEmpty()) {
            return false;
        }
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(answer.pdfFile);
        if (answer.firstPage > 0) {
            printer->setPrintRange(QPrinter::PageRange);
            printer->setFromTo(answer.firstPage, answer.lastPage);
        }
        return true;
    }
    QPrintDialog dialog(printer, parent);
    dialog.setObjectName(QStringLiteral("printDialog"));
    // Every printout honours a page range: a long book need not be printed whole.
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, selectionRange);
    return dialog.exec() == QDialog::Accepted;
}

void PrintDialog::setTestMode(bool on)
{
    s_testMode = on;
    s_answers.clear();
    s_shown = 0;
    s_lastSelectionRange = false;
}

void PrintDialog::setNextAnswer(const QString& pdfFile, int firstPage, int lastPage)
{
    s_answers.append({pdfFile, firstPage, lastPage});
}

int PrintDialog::shownCount()
{
    return s_shown;
}

bool PrintDialog::lastSelectionRange()
{
    return s_lastSelectionRange;
}
