#pragma once

#include "formats/epub/EpubEntries.h"

#include <QByteArray>
#include <QHash>
#include <QMutex>
#include <QString>
#include <QStringList>
#include <memory>

class QuaZip;

namespace Epub {

// The zip container of an EPUB book, read one entry at a time so a big book never sits in
// memory whole. Entry names are normalised ("a/./b" -> "a/b"); a name that is absolute or
// climbs out of the book with "../" is left out and can never be read. An entry whose
// unpacked size is out of proportion to the book (a zip bomb) is refused, and reading stops
// at that cap whatever the entry's header claims. Once open, an archive may be read from
// several threads.
class Archive : public Entries
{
public:
    Archive();
    ~Archive() override;
    Archive(const Archive&) = delete;
    Archive& operator=(const Archive&) = delete;

    // False with a readable error when the file cannot be opened as a zip.
    bool open(const QString& path, QString* error = nullptr);
    bool contains(const QString& name) const override;
    QStringList entryNames() const override;
    // Unpacked size the entry declares, or -1 when there is no such entry.
    qint64 declaredSize(const QString& name) const override;
    bool read(const QString& name, QByteArray* data, QString* error = nullptr) const override;
    bool readStart(const QString& name, qint64 limit, QByteArray* data, bool* truncated,
                   QString* error = nullptr) const override;
    // An entry may unpack to a set multiple of the whole book, and the book as a whole to
    // twice its size or one entry's cap.
    qint64 entryCap() const override { return m_entryCap; }
    qint64 totalCap() const override { return m_totalCap; }

    // Normalises a name inside the book; empty when it is absolute or climbs out of it.
    static QString normalisedName(const QString& name);
    // Resolves href (a path relative to the entry base, without its #fragment) to an entry
    // name; empty when it leaves the book or is not a path inside it.
    static QString resolve(const QString& base, const QString& href);

private:
    std::unique_ptr<QuaZip> m_zip;
    QHash<QString, QString> m_entries; // normalised name -> name as stored in the zip
    QHash<QString, qint64> m_sizes;
    qint64 m_entryCap = 0;
    qint64 m_totalCap = 0;
    qint64 m_fileSize = 0;
    mutable QMutex m_readLock;
};

} // namespace Epub
