#include "formats/record/RecordsFolder.h"

#include <QDir>

QString Reading::recordsFolder(const QString& appFolder)
{
    return QDir(appFolder).filePath(QStringLiteral("epub-records"));
}
