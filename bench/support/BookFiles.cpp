#include "support/BookFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>

QString BookFiles::kjvPlainText()
{
    const QString ready = qEnvironmentVariable("QUILLMERE_KJV_BOOK");
    if (!ready.isEmpty()) {
        return QFileInfo::exists(ready) ? ready : QString();
    }
    const QString folder = QDir::temp().filePath(QStringLiteral("quillmere-bench"));
    const QString path = QDir(folder).filePath(QStringLiteral("kjv.txt"));
    if (QFileInfo(path).size() > 4'000'000) {
        return path;
    }
    QDir().mkpath(folder);
    QString tool = qEnvironmentVariable("QUILLMERE_KJV_TOOL");
    if (tool.isEmpty()) {
        tool = QStringLiteral("/work/shared/tools/kjv-book");
    }
    QProcess process;
    process.start(tool, {path});
    if (!process.waitForFinished(120000) || process.exitCode() != 0) {
        return {};
    }
    return QFileInfo(path).size() > 4'000'000 ? path : QString();
}
