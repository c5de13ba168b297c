#pragma once

#include <QString>
#include <functional>

namespace Books {

class BookPackage;

// Keeps the package of each book read once, so that opening the book again costs what opening
// an EPUB costs, however long its format takes to read: a book's whole text is read once, on
// its first opening. Each package is an EPUB (see PackageEpub) in a folder of the program's
// own, named by the fingerprint of the book's file, so a renamed or moved book finds its
// package; a book that changed (its fingerprint, or its time of change) is read afresh. The
// least recently opened packages go when the folder outgrows its capacity. Comics are never
// kept: their pages stay in their own zip and reading one costs nothing.
class PackageStore
{
public:
    using Reader = std::function<bool(const QString& path, BookPackage* book, QString* error)>;
    enum class Source
    {
        Store, // the package kept from an earlier reading
        Reader // read now (and kept, when the store could write it)
    };

    static constexpr qint64 DefaultCapacity = qint64(512) * 1024 * 1024;

    explicit PackageStore(const QString& folder, qint64 capacity = DefaultCapacity);

    // The package of the book at path: the one kept, or what reader reads (then kept). False
    // with the reader's error when the book cannot be read.
    bool read(const QString& path, const Reader& reader, BookPackage* book,
              QString* error = nullptr, Source* source = nullptr);
    // The package kept for the book at path, whose fingerprint (Epub::fileFingerprint) the
    // caller took; false when none is kept for the book as it is now.
    bool load(const QString& path, const QString& fingerprint, BookPackage* book);
    // Keeps the package read from a book as it was when its fingerprint and modified (its
    // time of change, in ms since the epoch) were taken; then prunes the folder. False
    // when it could not be written (nothing is lost: the book is read again next time). Comics
    // are never kept.
    bool keep(const QString& fingerprint, qint64 modified, const BookPackage& book);
    // The EPUB the package of the book at path is kept in; empty when none is kept.
    QString keptPath(const QString& path) const;
    // Removes the packages opened least recently until the folder holds no more than its
    // capacity; the package at keep (the one just written) stays whatever its size.
    void prune(const QString& keep = {});
    QString folder() const { return m_folder; }

    // The time of change of the file at path, as the store compares it.
    static qint64 modifiedTime(const QString& path);

private:
    QString storePath(const QString& fingerprint) const;
    bool loadFile(const QString& stored, const QString& fingerprint, qint64 modified,
                  BookPackage* book) const;

    QString m_folder;
    qint64 m_capacity;
};

} // namespace Books
