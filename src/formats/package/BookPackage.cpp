#include "formats/package/BookPackage.h"

#include <QCoreApplication>
#include <QSet>

namespace Books {

void BookPackage::addChapter(const QString& name, const QByteArray& xhtml)
{
    if (!m_chapters.contains(name)) {
        m_chapters.append(name);
    }
    addResource(name, xhtml);
}

void BookPackage::addArchiveChapter(const QString& name,
                                    std::shared_ptr<const Epub::Archive> archive,
                                    const QString& entry)
{
    if (!m_chapters.contains(name)) {
        m_chapters.append(name);
    }
    addArchiveResource(name, std::move(archive), entry);
}

void BookPackage::addResource(const QString& name, const QByteArray& bytes)
{
    m_heldBytes += bytes.size() - m_bytes.value(name).size();
    m_archiveEntries.remove(name);
    m_bytes.insert(name, bytes);
}

void BookPackage::addArchiveResource(const QString& name,
                                     std::shared_ptr<const Epub::Archive> archive,
                                     const QString& entry)
{
    m_heldBytes -= m_bytes.value(name).size();
    m_bytes.remove(name);
    m_archiveEntries.insert(name, {std::move(archive), entry});
}

bool BookPackage::contains(const QString& name) const
{
    return m_bytes.contains(name) || m_archiveEntries.contains(name);
}

QStringList BookPackage::entryNames() const
{
    QStringList names = m_bytes.keys() + m_archiveEntries.keys();
    names.sort();
    return names;
}

qint64 BookPackage::declaredSize(const QString& name) const
{
    if (const auto bytes = m_bytes.constFind(name); bytes != m_bytes.cend()) {
        return bytes->size();
    }
    if (const auto entry = m_archiveEntries.constFind(name); entry != m_archiveEntries.cend()) {
        return entry->archive->declaredSize(entry->entry);
    }
    return -1;
}

bool BookPackage::readStart(const QString& name, qint64 limit, QByteArray* data, bool* truncated,
                            QString* error) const
{
    if (truncated) {
        *truncated = false;
    }
    if (const auto entry = m_archiveEntries.constFind(name); entry != m_archiveEntries.cend()) {
        return entry->archive->readStart(entry->entry, limit, data, truncated, error);
    }
    if (!read(name, data, error)) {
        return false;
    }
    if (limit >= 0 && data->size() > limit) {
        data->truncate(qsizetype(limit));
        if (truncated) {
            *truncated = true;
        }
    }
    return true;
}

qint64 BookPackage::entryCap() const
{
    qint64 cap = 0;
    for (const QByteArray& bytes : m_bytes) {
        cap = qMax<qint64>(cap, bytes.size());
    }
    for (const ArchiveEntry& entry : m_archiveEntries) {
        cap = qMax(cap, entry.archive->entryCap());
    }
    return cap;
}

qint64 BookPackage::totalCap() const
{
    qint64 cap = m_heldBytes;
    QSet<const Epub::Archive*> counted;
    for (const ArchiveEntry& entry : m_archiveEntries) {
        if (!counted.contains(entry.archive.get())) {
            counted.insert(entry.archive.get());
            cap += entry.archive->totalCap();
        }
    }
    return cap;
}

bool BookPackage::read(const QString& name, QByteArray* data, QString* error) const
{
    data->clear();
    if (const auto bytes = m_bytes.constFind(name); bytes != m_bytes.cend()) {
        *data = *bytes;
        return true;
    }
    if (const auto entry = m_archiveEntries.constFind(name); entry != m_archiveEntries.cend()) {
        return entry->archive->read(entry->entry, data, error);
    }
    if (error) {
        *error = QCoreApplication::translate("Books::BookPackage", "The book has no part named %1.")
                     .arg(name);
    }
    return false;
}

std::shared_ptr<Epub::Book> openBook(std::shared_ptr<const BookPackage> package)
{
    Epub::Description description;
    description.identifier = package->identifier;
    description.title = package->title;
    description.author = package->author;
    description.language = package->language;
    description.chapters = package->chapters();
    description.contents = package->contents;
    description.warnings = package->warnings;
    auto book = std::make_shared<Epub::Book>();
    if (!book->openEntries(std::move(package), description)) {
        return nullptr;
    }
    return book;
}

} // namespace Books
