#include "support/PdfText.h"

#include <QProcess>
#include <QStringList>

QString pdfText(const QString& pdfPath)
{
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {pdfPath, QStringLiteral("-")});
    if (!process.waitForFinished(30000)) {
        return QStringLiteral("<pdftotext did not finish>");
    }
    return QString::fromUtf8(process.readAllStandardOutput());
}

QStringList pdfPageTexts(const QString& pdfPath)
{
    // pdftotext ends every page with a form feed.
    QStringList pages = pdfText(pdfPath).split(QLatin1Char('\f'));
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty()) {
        pages.removeLast();
    }
    for (QString& page : pages) {
        page = page.simplified();
    }
    return pages;
}
