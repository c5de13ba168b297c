#include "views/PrintDialog.h"

#include <QPrintDialog>
#include <QPrinter>
#include <QStringList>

namespace {
bool s_testMode = false;
QStringList s_answers;
int s_shown = 0;
bool s_lastSelectionRange = false;
} // namespace

bool PrintDialog::exec(QWidget* parent, QPrinter* printer, bool selectionRange)
{
    printer->setPrintRange(selectionRange ? QPrinter::Selection : QPrinter::AllPages);
    if (s_testMode) {
        ++s_shown;
        s_lastSelectionRange = selectionRange;
        const QString file = s_answers.isEmpty() ? QString() : s_answers.takeFirst();
        if (file.isEmpty()) {
            return false;
        }
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(file);
        return true;
    }
    QPrintDialog dialog(printer, parent);
    dialog.setObjectName(QStringLiteral("printDialog"));
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
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

void PrintDialog::setNextAnswer(const QString& pdfFile)
{
    s_answers.append(pdfFile);
}

int PrintDialog::shownCount()
{
    return s_shown;
}

bool PrintDialog::lastSelectionRange()
{
    return s_lastSelectionRange;
}
