#pragma once

#include "formats/epub/EpubBook.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <memory>

namespace Books {

// A book read from a format other than EPUB, in the shape the EPUB reader works with: a
// package of named entries. Chapters are XHTML in UTF-8, well-formed, using only what the
// chapter converter shows (headings, paragraphs, emphasis, coloured spans, quotes, lists,
// tables, pictures by entry name, links to "#id" or "other.xhtml#id", footnote links marked
// epub:type="noteref" with the note's text in an element marked epub:type="footnote"); other
// entries are pictures and style sheets. Entries are read through read(), as the EPUB reader
// reads the entries of its zip, so the same chapter conversion can show either (see openBook).
class BookPackage : public Epub::Entries
{
public:
    QString title;
    QString author;
    QString language;
    QString identifier; // the format's own identifier of the book, when it has one
    QList<Epub::ContentsEntry> contents;
    // A picture book (a comic): each chapter is one page holding one picture, and
    // pagePictures names that picture's entry for each page, for a view that shows the
    // pictures themselves.
    bool pictureBook = false;
    QStringList pagePictures;
    // Problems met while reading a book that still opened (damaged parts, refused pictures).
    QStringList warnings;

    // Entry names of the chapters, in reading order.
    QStringList chapters() const { return m_chapters; }
    int chapterOf(const QString& name) const { return m_chapters.indexOf(name); }

    void addChapter(const QString& name, const QByteArray& xhtml);
    // A chapter left in a zip (a package kept on disk), read only when asked for.
    void addArchiveChapter(const QString& name, std::shared_ptr<const Epub::Archive> archive,
                           const QString& entry);
    void addResource(const QString& name, const QByteArray& bytes);
    // A resource left in the zip it came from, read only when asked for: a comic's pages are
    // never all in memory at once.
    void addArchiveResource(const QString& name, std::shared_ptr<const Epub::Archive> archive,
                            const QString& entry);

    bool contains(const QString& name) const override;
    QStringList entryNames() const override;
    qint64 declaredSize(const QString& name) const override;
    // The entry's bytes; false with an error for a missing or unreadable entry.
    bool read(const QString& name, QByteArray* data, QString* error = nullptr) const override;
    bool readStart(const QString& name, qint64 limit, QByteArray* data, bool* truncated,
                   QString* error = nullptr) const override;
    // Entries held in memory were read within the readers' caps already; entries left in a zip
    // keep the zip's caps.
    qint64 entryCap() const override;
    qint64 totalCap() const override;
    // Bytes held in memory by the package, for the caps on what a book may unpack to.
    qint64 heldBytes() const { return m_heldBytes; }

private:
    struct ArchiveEntry
    {
        std::shared_ptr<const Epub::Archive> archive;
        QString entry;
    };
    QStringList m_chapters;
    QHash<QString, QByteArray> m_bytes;
    QHash<QString, ArchiveEntry> m_archiveEntries;
    qint64 m_heldBytes = 0;
};

// The package as a book the EPUB reader's chapter conversion shows: its chapters, contents and
// metadata, its entries read from the package. The book shares the package, so it lives as
// long as either. Null when the package has no chapter.
std::shared_ptr<Epub::Book> openBook(std::shared_ptr<const BookPackage> package);

} // namespace Books
