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
