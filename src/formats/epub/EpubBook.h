#pragma once

#include "formats/epub/EpubArchive.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <memory>

namespace Epub {

// One entry of the book's table of contents.
struct ContentsEntry
{
    QString title;
    int chapter = -1; // spine index
    QString anchor;   // element id inside the chapter, or empty for its start
    int depth = 0;    // 0 for top-level entries
};

struct ManifestItem
{
    QString id;
    QString path; // entry name in the archive
    QString mediaType;
    QString properties;
};

// What a reader of another format found in a book it read into parts of its own: the same
// facts an EPUB's package document and navigation give.
struct Description
{
    QString identifier;
    QString title;
    QString author;
    QString language;
    QStringList chapters; // part names, in reading order
    QList<ContentsEntry> contents;
    QStringList warnings;
};

// An EPUB 2 or 3 book: its container, package document (metadata, manifest, spine) and
// table of contents (navigation document, else NCX, else the chapters' h1-h3 headings). A
// book of another format is a Book too, over the parts its reader made (openEntries), so the
// chapter conversion, contents and pages serve every format alike.
class Book
{
public:
    enum class OpenResult
    {
        Opened,
        NotEpub,   // not a zip, or no readable package document
        Protected, // content is encrypted (DRM)
    };

    Book();

    OpenResult open(const QString& path, QString* error = nullptr);
    // The book made of parts read from another format, as described. Chapters that name no
    // part are left out; the contents' chapter numbers count the chapters described, and
    // entries of chapters left out are dropped too. False when no chapter is left.
    bool openEntries(std::shared_ptr<const Entries> entries, const Description& description);

    // The parts of the book, read by name.
    const Entries& archive() const { return *m_entries; }
    QString identifier() const { return m_identifier; }
    QString title() const { return m_title; }
    QString author() const { return m_author; }
    QString language() const { return m_language; }
    // "2.0", "3.0", ... as the package document states it.
    QString version() const { return m_version; }
    // Pre-paginated (fixed-layout) books are laid out as pages, not as flowing text.
    bool isFixedLayout() const { return m_fixedLayout; }

    // Entry names of the spine's chapters, in reading order.
    QStringList chapters() const { return m_chapters; }
    // Spine index of an entry, or -1 when it is no chapter.
    int chapterOf(const QString& entryName) const { return m_chapterIndex.value(entryName, -1); }
    QList<ContentsEntry> contents() const { return m_contents; }
    // Problems met while reading a book that still opened (broken contents, missing parts).
    QStringList warnings() const { return m_warnings; }

private:
    bool readPackage(const QString& packagePath, const QByteArray& data, QString* error);
    void readNavigation(const QString& path);
    void readNcx(const QString& path);
    void readHeadings();
    bool contentIsEncrypted();

    // Never null: an empty archive until the book is opened.
    std::shared_ptr<const Entries> m_entries;
    QString m_identifier;
    QString m_title;
    QString m_author;
    QString m_language;
    QString m_version;
    bool m_fixedLayout = false;
    QList<ManifestItem> m_manifest;
    QStringList m_chapters;
    // Entry name -> spine index: links and contents entries are looked up by name, and a book
    // may have tens of thousands of chapters.
    QHash<QString, int> m_chapterIndex;
    QList<ContentsEntry> m_contents;
    QStringList m_warnings;
};

} // namespace Epub
