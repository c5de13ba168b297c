#include "formats/package/BookPackage.h"

#include <QCoreApplication>

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

} // namespace Books
