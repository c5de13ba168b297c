#include "core/LibraryImport.h"

#include "formats/AtomicFile.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

namespace {
QString tr(const char* text)
{
    return QCoreApplication::translate("LibraryImport", text);
}

bool fail(QString* error, const QString& text)
{
    if (error) {
        *error = text;
    }
    return false;
}

QByteArray digestOf(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(&file);
    return hash.result();
}

bool sameContent(const QString& a, const QString& b)
{
    const QFileInfo first(a);
    const QFileInfo second(b);
    if (!first.isFile() || !second.isFile() || first.size() != second.size()) {
        return false;
    }
    const QByteArray digest = digestOf(a);
    return !digest.isEmpty() && digest == digestOf(b);
}
} // namespace

QString LibraryImport::freeName(const QString& name, int n)
{
    if (n <= 1) {
        return name;
    }
    const QFileInfo info(name);
    const QString suffix = info.suffix();
    const QString stem = info.completeBaseName();
    if (stem.isEmpty() || suffix.isEmpty()) {
        return QStringLiteral("%1 (%2)").arg(name).arg(n);
    }
    return QStringLiteral("%1 (%2).%3").arg(stem).arg(n).arg(suffix);
}

bool LibraryImport::add(const QString& booksFolder, const QString& path, QString* bookName,
                        QString* error)
{
    const QFileInfo source(path);
    if (!source.exists()) {
        return fail(error, tr("The file \"%1\" does not exist.").arg(path));
    }
    if (source.isDir()) {
        return fail(error, tr("\"%1\" is a folder, not a book.").arg(path));
    }
    QFile in(source.absoluteFilePath());
    if (!source.isFile() || !in.open(QIODevice::ReadOnly)) {
        return fail(error, tr("The file \"%1\" cannot be read.").arg(path));
    }

    // A book of the library opened from a file manager is simply opened.
    const QString library = QFileInfo(booksFolder).canonicalFilePath();
    if (!library.isEmpty() && source.canonicalPath() == library &&
        !source.fileName().startsWith(QLatin1Char('.'))) {
        *bookName = source.fileName();
        return true;
    }
    if (!QDir().mkpath(booksFolder)) {
        return fail(error, tr("The library folder \"%1\" cannot be made.").arg(booksFolder));
    }

    // The library does not list hidden files, so the copy is given a visible name.
    QString name = source.fileName();
    while (name.startsWith(QLatin1Char('.'))) {
        name.remove(0, 1);
    }
    if (name.isEmpty()) {
        name = QStringLiteral("book");
    }
    for (int n = 1; n < 10000; ++n) {
        const QString candidate = freeName(name, n);
        if (!QFileInfo::exists(booksFolder + candidate)) {
            break;
        }
        if (sameContent(booksFolder + candidate, source.absoluteFilePath())) {
            *bookName = candidate;
            return true;
        }
    }

    // The copy is written under a hidden name and then given its own, which never replaces a
    // file: a half-written copy never shows in the library.
    QTemporaryFile copy(booksFolder + QStringLiteral(".import-XXXXXX.part"));
    if (!copy.open()) {
        return fail(
            error,
            tr("The book cannot be written into \"%1\": %2").arg(booksFolder, copy.errorString()));
    }
    QByteArray chunk;
    while (!(chunk = in.read(1 << 16)).isEmpty()) {
        if (!writeWhole(copy, chunk)) {
            return fail(error, tr("The book cannot be written into \"%1\": %2")
                                   .arg(booksFolder, copy.errorString()));
        }
    }
    // Only a copy known to be whole on the disk is given the book's name.
    QString reason;
    if (in.error() == QFileDevice::NoError && !flushToDisk(copy, &reason)) {
        return fail(error,
                    tr("The book cannot be written into \"%1\": %2").arg(booksFolder, reason));
    }
    if (in.error() != QFileDevice::NoError || !copy.flush()) {
        return fail(error, tr("The file \"%1\" cannot be read.").arg(path));
    }
    copy.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    copy.close();
    for (int n = 1; n < 10000; ++n) {
        const QString candidate = freeName(name, n);
        if (QFileInfo::exists(booksFolder + candidate) ||
            QFileInfo(booksFolder + candidate).isSymLink()) {
            continue;
        }
        // rename() refuses a name that has meanwhile been taken; the next one is then tried.
        if (copy.rename(booksFolder + candidate)) {
            copy.setAutoRemove(false);
            *bookName = candidate;
            return true;
        }
    }
    return fail(
        error,
        tr("The book cannot be written into \"%1\": %2").arg(booksFolder, copy.errorString()));
}
