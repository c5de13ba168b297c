#include "support/KjvBook.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdio>

namespace {

QString fromEnvironment(const char* name, const QString& fallback)
{
    const QString value = qEnvironmentVariable(name);
    return value.isEmpty() ? fallback : value;
}

} // namespace

QString KjvBook::path()
{
    const QString book = fromEnvironment("QUILLMERE_KJV", QStringLiteral("/tmp/kjv.txt"));
    if (QFileInfo(book).size() > 0) {
        return book;
    }
    const QString tool =
        fromEnvironment("QUILLMERE_KJV_TOOL", QStringLiteral("/work/shared/tools/kjv-book"));
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(tool, {book});
    if (!process.waitForFinished(300000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0 || QFileInfo(book).size() == 0) {
        std::fprintf(stderr,
                     "The King James Bible is missing: %s does not exist and '%s %s' did not "
                     "write it. Set QUILLMERE_KJV to the book or QUILLMERE_KJV_TOOL to the tool.\n",
                     qPrintable(book), qPrintable(tool), qPrintable(book));
        return {};
    }
    return book;
}

QByteArray KjvBook::readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString KjvBook::libreOfficeRtf(const QString& bookPath)
{
    const QFileInfo book(bookPath);
    const QString cached = book.dir().filePath(book.completeBaseName() + "-libreoffice.rtf");
    if (QFileInfo(cached).size() > 0) {
        return cached;
    }
    const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (soffice.isEmpty()) {
        return {};
    }
    QTemporaryDir work;
    QFile::copy(bookPath, work.filePath(QStringLiteral("book.txt")));
    QProcess process;
    process.setWorkingDirectory(work.path());
    process.start(
        soffice,
        {QStringLiteral("-env:UserInstallation=file://") + work.filePath(QStringLiteral("profile")),
         QStringLiteral("--headless"), QStringLiteral("--infilter=Text (encoded):UTF8,LF,,,"),
         QStringLiteral("--convert-to"), QStringLiteral("rtf"), QStringLiteral("--outdir"),
         work.path(), work.filePath(QStringLiteral("book.txt"))});
    if (!process.waitForFinished(600000) ||
        !QFile::copy(work.filePath(QStringLiteral("book.rtf")), cached)) {
        std::fprintf(stderr, "LibreOffice could not convert %s to RTF.\n", qPrintable(bookPath));
        return {};
    }
    return cached;
}
