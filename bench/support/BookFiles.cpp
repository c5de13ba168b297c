#include "support/BookFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>

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

QByteArray BookFiles::kjvMarkdown(const QString& text)
{
    const QStringList lines = text.split(QLatin1Char('\n'));
    static const QRegularExpression firstChapter(QStringLiteral("^.+ 1$"));
    static const QRegularExpression chapter(QStringLiteral("^[0-9]? ?[A-Z][A-Za-z ]+ [0-9]+$"));
    QString markdown = QStringLiteral("---\ntitle: The Holy Bible\nlang: en\n"
                                      "identifier: urn:quillmere:bench:kjv\n---\n\n");
    for (int i = 3; i < lines.size(); ++i) {
        const QString line = lines.at(i).trimmed();
        if (line.isEmpty()) {
            continue;
        }
        if (i + 2 < lines.size() && line == line.toUpper() && line.at(0).isLetterOrNumber() &&
            !line.contains(QLatin1Char(':')) && firstChapter.match(lines.at(i + 2)).hasMatch()) {
            markdown += QStringLiteral("# %1\n\n").arg(line);
        } else if (chapter.match(line).hasMatch()) {
            markdown += QStringLiteral("## %1\n\n").arg(line);
        } else {
            markdown += line + QStringLiteral("\n\n");
        }
    }
    return markdown.toUtf8();
}
