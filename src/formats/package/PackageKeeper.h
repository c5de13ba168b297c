#pragma once

#include "formats/package/PackageStore.h"

#include <QString>
#include <QThreadPool>
#include <memory>

namespace Books {

class BookPackage;

// The package store as the reading view uses it: a book read for the first time is shown at
// once, and its package is written into the store afterwards, on a thread of its own, so the
// reader never waits for the write. Writes go one after the other; the keeper waits for the
// one under way when it goes.
class PackageKeeper
{
public:
    explicit PackageKeeper(const QString& folder, qint64 capacity = PackageStore::DefaultCapacity);
    ~PackageKeeper();
    PackageKeeper(const PackageKeeper&) = delete;
    PackageKeeper& operator=(const PackageKeeper&) = delete;

    QString folder() const { return m_folder; }
    // The package kept for the book at path (see PackageStore::load); a package still being
    // written is not kept yet.
    bool load(const QString& path, const QString& fingerprint, BookPackage* book);
    // Keeps the package of a book read as it was when fingerprint and modified were taken,
    // once the writes asked for before are done. The package is shared, never changed.
    void keepLater(const QString& fingerprint, qint64 modified,
                   std::shared_ptr<const BookPackage> book);
    // Waits until every write asked for is done.
    void waitForWrites();

private:
    QString m_folder;
    qint64 m_capacity;
    QThreadPool m_writer;
};

} // namespace Books
