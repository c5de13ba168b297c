#include "formats/package/PackageKeeper.h"

#include "formats/package/BookPackage.h"

namespace Books {

PackageKeeper::PackageKeeper(const QString& folder, qint64 capacity)
    : m_folder(folder), m_capacity(capacity)
{
    // One writer: two writes of one book never meet in the same file, and pruning sees every
    // package written before it.
    m_writer.setMaxThreadCount(1);
}

PackageKeeper::~PackageKeeper()
{
    waitForWrites();
}

bool PackageKeeper::load(const QString& path, const QString& fingerprint, BookPackage* book)
{
    return PackageStore(m_folder, m_capacity).load(path, fingerprint, book);
}

void PackageKeeper::keepLater(const QString& fingerprint, qint64 modified,
                              std::shared_ptr<const BookPackage> book)
{
    if (fingerprint.isEmpty() || !book || book->pictureBook) {
        return;
    }
    m_writer.start(
        [folder = m_folder, capacity = m_capacity, fingerprint, modified, book = std::move(book)] {
            PackageStore(folder, capacity).keep(fingerprint, modified, *book);
        });
}

void PackageKeeper::waitForWrites()
{
    m_writer.waitForDone();
}

} // namespace Books
