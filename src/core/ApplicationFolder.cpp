#include "core/ApplicationFolder.h"

#include "formats/AtomicFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace {
QString tr(const char* text)
{
    return QCoreApplication::translate("ApplicationFolder", text);
}

QString withSlash(const QString& folder)
{
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}
} // namespace

QString ApplicationFolder::userDataFolder()
{
    return withSlash(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                     QStringLiteral("/Quillmere"));
}

QString ApplicationFolder::bundledFolder(const QString& executableFolder)
{
    return withSlash(
        QDir::cleanPath(executableFolder + QStringLiteral("/../share/quillmere/appdata")));
}

bool ApplicationFolder::isOwnFolder(const QString& executableFolder)
{
    // A folder holding a books folder is an application folder the program was built or
    // unpacked into. A system folder such as /usr/bin is never one, even for root, who may
    // write it.
    const QFileInfo folder(executableFolder);
    return folder.isDir() && folder.isWritable() &&
           QFileInfo(withSlash(executableFolder) + QStringLiteral("books")).isDir();
}

namespace {
// Copies one file unless the target has one of that name already.
bool copyMissing(const QString& path, const QString& copy, QString* error)
{
    // What the user has (a changed options file, a marked book) is never replaced; a dangling
    // link counts as something the user has, too.
    if (QFileInfo::exists(copy) || QFileInfo(copy).isSymLink()) {
        return true;
    }
    QDir().mkpath(QFileInfo(copy).absolutePath());
    const auto failed = [&](const QString& reason) {
        if (error) {
            *error = tr("\"%1\" could not be copied to \"%2\": %3").arg(path, copy, reason);
        }
        return false;
    };
    QFile source(path);
    if (!source.open(QIODevice::ReadOnly)) {
        return failed(source.errorString());
    }
    // The copy is written under a hidden temporary name and takes its own only once it is
    // whole on the disk, so a full disk leaves no file cut short.
    QTemporaryFile target(QFileInfo(copy).absolutePath() + QStringLiteral("/.seed-XXXXXX"));
    if (!target.open()) {
        return failed(target.errorString());
    }
    QByteArray chunk;
    while (!(chunk = source.read(1 << 16)).isEmpty()) {
        if (!writeWhole(target, chunk)) {
            return failed(target.errorString());
        }
    }
    if (source.error() != QFileDevice::NoError) {
        return failed(source.errorString());
    }
    QString reason;
    if (!flushToDisk(target, &reason)) {
        return failed(reason);
    }
    // Installed files are read-only; the user's copies must take options and marks.
    target.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                          QFile::ReadOther);
    target.close();
    // rename() never replaces a file that appeared meanwhile.
    if (!target.rename(copy)) {
        return failed(target.errorString());
    }
    target.setAutoRemove(false);
    return true;
}

// The files directly in from (not its folders).
bool seedFiles(const QString& from, const QString& to, QString* error)
{
    if (!QDir().mkpath(to)) {
        if (error) {
            *error = tr("The folder \"%1\" could not be made.").arg(to);
        }
        return false;
    }
    bool ok = true;
    const QDir source(from);
    for (const QString& name : source.entryList(QDir::Files | QDir::Hidden)) {
        ok = copyMissing(source.filePath(name), withSlash(to) + name, error) && ok;
    }
    return ok;
}
} // namespace

ApplicationFolder::Choice ApplicationFolder::locate(const QString& executableFolder,
                                                    const QString& userFolder,
                                                    const QString& bundled)
{
    Choice choice;
    if (isOwnFolder(executableFolder)) {
        choice.folder = withSlash(executableFolder);
        return choice;
    }
    choice.folder = withSlash(userFolder);
    choice.perUser = true;
    const QString books = choice.folder + QStringLiteral("books");
    // The sample books and the manual come only with the first start: a book the user has
    // deleted since stays deleted. The program's own files come back whenever one is missing.
    const bool firstStart = !QFileInfo(books).isDir();
    if (!seedFiles(bundled, choice.folder, &choice.error) ||
        (firstStart && !seed(bundled + QStringLiteral("books"), books, &choice.error))) {
        return choice;
    }
    // Without any bundled books the library still needs its folder.
    if (!QDir().mkpath(books)) {
        choice.error = tr("The folder \"%1\" could not be made.").arg(books);
    }
    return choice;
}

bool ApplicationFolder::seed(const QString& from, const QString& to, QString* error)
{
    const QString target = withSlash(to);
    if (!QDir().mkpath(target)) {
        if (error) {
            *error = tr("The folder \"%1\" could not be made.").arg(target);
        }
        return false;
    }
    const QString source = withSlash(from);
    if (!QFileInfo(source).isDir()) {
        return true;
    }
    bool ok = true;
    QDirIterator it(source, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString relative = path.mid(source.size());
        const QString copy = target + relative;
        const QFileInfo info = it.fileInfo();
        if (info.isDir()) {
            if (!QDir().mkpath(copy)) {
                ok = false;
                if (error) {
                    *error = tr("The folder \"%1\" could not be made.").arg(copy);
                }
            }
            continue;
        }
        ok = copyMissing(path, copy, error) && ok;
    }
    return ok;
}
