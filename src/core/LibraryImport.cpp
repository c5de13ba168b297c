#include "core/LibraryImport.h"

#include "core/Library.h"
#include "formats/AtomicFile.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryFile>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

// Files are reached by their names' bytes: a name that is not UTF-8 would not survive Qt's
// decoding and encoding of names.
bool openForReading(QFile& file, const QByteArray& path)
{
    const int descriptor = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) {
        return false;
    }
    if (!file.open(descriptor, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(descriptor);
        return false;
    }
    return true;
}

// True when something, a dangling link included, has the name.
bool isTaken(const QByteArray& path)
{
    struct stat info;
    return ::lstat(path.constData(), &info) == 0;
}

QByteArray canonical(const QByteArray& path)
{
    char* resolved = ::realpath(path.constData(), nullptr);
    const QByteArray result(resolved);
    std::free(resolved);
    return result;
}

QByteArray digestOf(const QByteArray& path)
{
    QFile file;
    if (!openForReading(file, path)) {
        return {};
    }
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(&file);
    return hash.result();
}

bool sameContent(const QByteArray& a, const QByteArray& b)
{
    struct stat first;
    struct stat second;
    if (::stat(a.constData(), &first) != 0 || ::stat(b.constData(), &second) != 0 ||
        !S_ISREG(first.st_mode) || !S_ISREG(second.st_mode) || first.st_size != second.st_size) {
        return false;
    }
    const QByteArray digest = digestOf(a);
    return !digest.isEmpty() && digest == digestOf(b);
}

// The name of a book of the library with the same content as path (of that size), or empty.
// Only books of the same size are read, so a large library costs a listing and a stat each.
QByteArray sameBookIn(const QByteArray& books, const QByteArray& path, off_t size)
{
    DIR* dir = ::opendir(books.constData());
    if (!dir) {
        return {};
    }
    QByteArray found;
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        struct stat info;
        if (name.startsWith('.') || ::stat((books + name).constData(), &info) != 0 ||
            !S_ISREG(info.st_mode) || info.st_size != size) {
            continue;
        }
        if (sameContent(books + name, path)) {
            found = name;
            break;
        }
    }
    ::closedir(dir);
    return found;
}

// Gives the finished copy its name, never replacing a file that has meanwhile taken it
// (EEXIST then).
bool moveWithoutReplacing(const QByteArray& from, const QByteArray& to)
{
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0) {
        return true;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return false;
    }
    // A file system that cannot rename that way: a second link, then the first one goes.
    if (::link(from.constData(), to.constData()) != 0) {
        return false;
    }
    ::unlink(from.constData());
    return true;
}
} // namespace

bool LibraryImport::add(const QString& booksFolder, const QString& path, QString* bookName,
                        QString* error)
{
    QByteArray name;
    if (!add(booksFolder, QFile::encodeName(path), &name, error)) {
        return false;
    }
    *bookName = QFile::decodeName(name);
    return true;
}

bool LibraryImport::add(const QString& booksFolder, const QByteArray& path, QByteArray* bookName,
                        QString* error)
{
    // Messages show the name as well as it can be shown.
    const QString shown = QFile::decodeName(path);
    struct stat info;
    if (::stat(path.constData(), &info) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) {
            return fail(error, tr("The file \"%1\" does not exist.").arg(shown));
        }
        return fail(error, tr("The file \"%1\" cannot be read.").arg(shown));
    }
    if (S_ISDIR(info.st_mode)) {
        return fail(error, tr("\"%1\" is a folder, not a book.").arg(shown));
    }
    QFile in;
    if (!S_ISREG(info.st_mode) || !openForReading(in, path)) {
        return fail(error, tr("The file \"%1\" cannot be read.").arg(shown));
    }

    QByteArray books = QFile::encodeName(booksFolder);
    if (!books.endsWith('/')) {
        books += '/';
    }
    // A book of the library opened from a file manager is simply opened.
    const QByteArray real = canonical(path);
    const QByteArray realName = real.mid(real.lastIndexOf('/') + 1);
    const QByteArray library = canonical(books);
    if (!library.isEmpty() && real == library + '/' + realName && !realName.startsWith('.')) {
        *bookName = realName;
        return true;
    }
    if (!QDir().mkpath(booksFolder)) {
        return fail(error, tr("The library folder \"%1\" cannot be made.").arg(booksFolder));
    }

    // The same book, under its own name or another (renamed in the library), is opened, not
    // copied again.
    if (const QByteArray same = sameBookIn(books, path, info.st_size); !same.isEmpty()) {
        *bookName = same;
        return true;
    }

    // The library does not list hidden files, so the copy is given a visible name.
    QByteArray name = path.mid(path.lastIndexOf('/') + 1);
    while (name.startsWith('.')) {
        name.remove(0, 1);
    }
    if (name.isEmpty()) {
        name = "book";
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
        return fail(error, tr("The file \"%1\" cannot be read.").arg(shown));
    }
    copy.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    copy.close();
    const QByteArray written = QFile::encodeName(copy.fileName());
    for (int n = 1; n < 10000; ++n) {
        const QByteArray candidate = Library::numberedName(name, n);
        if (isTaken(books + candidate)) {
            continue;
        }
        if (moveWithoutReplacing(written, books + candidate)) {
            copy.setAutoRemove(false);
            *bookName = candidate;
            return true;
        }
        if (errno != EEXIST) {
            break;
        }
        // The name has been taken meanwhile; the next one is tried.
    }
    return fail(error, tr("The book cannot be written into \"%1\": %2")
                           .arg(booksFolder, QString::fromLocal8Bit(std::strerror(errno))));
}
