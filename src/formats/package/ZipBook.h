#pragma once

#include "formats/epub/EpubArchive.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>

namespace Books {

// A zip the readers take a book's parts from (a DOCX, an ODT, a comic, a zipped FB2). The
// archive's own guards hold (names that climb out of the zip are never read, each entry is
// capped in proportion to the file), and everything a reader unpacks at opening shares one
// more cap of the same size, so a zip of many well-compressed parts is refused as surely as
// one huge part.
class ZipBook
{
public:
    // False with a readable error when the file is not a zip or the zip is damaged.
    bool open(const QString& path, QString* error = nullptr);
    std::shared_ptr<const Epub::Archive> archive() const { return m_archive; }
    bool contains(const QString& name) const { return m_archive && m_archive->contains(name); }
    QStringList entryNames() const { return m_archive ? m_archive->entryNames() : QStringList(); }
    // The entry's bytes, counted against the book's cap; false with an error for a missing,
    // refused or damaged entry.
    bool read(const QString& name, QByteArray* data, QString* error = nullptr);
    qint64 budget() const { return m_budget; }
    // True once a read was refused for the book's cap: the book must not be shown half read.
    bool exhausted() const { return m_exhausted; }
    QString exhaustedMessage() const;

private:
    std::shared_ptr<Epub::Archive> m_archive;
    qint64 m_budget = 0;
    qint64 m_used = 0;
    bool m_exhausted = false;
};

} // namespace Books
