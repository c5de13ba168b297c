#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// A page of an OPDS catalog as the program uses it, whatever the catalog wrote it in (an Atom
// feed or OPDS 2 JSON). Every address is absolute, resolved against the page's own address.
namespace Opds {

struct Link
{
    QString href;
    QString rel;
    QString type;
    QString title;
    qint64 length = -1; // bytes, where the catalog says
};

// A book the program can read, offered by an acquisition link: its kind of file and the
// extension the library gives it (the extension decides the view a book opens in).
struct BookFile
{
    Link link;
    QString extension; // "epub", "fb2", "fb2.zip", "azw3", "mobi", "pdf", "txt", ..., "doc"
    QString label;     // "EPUB", "PDF", "Text", ...
};

struct Entry
{
    QString id;
    QString title;
    QStringList authors;
    QString summary; // plain text
    QList<Link> links;

    // The page the entry leads to, for an entry of a navigation page.
    std::optional<Link> subsection() const;
    // The files of this book the program can read, EPUB first; a link to a kind the program
    // cannot open (Kindle, comics, a shop) is left out.
    QList<BookFile> readableFiles() const;
    // True when the entry offers files at all, readable or not: it is a book, not a section.
    bool isBook() const;
    // The small picture of the cover, or the cover itself when there is no small one.
    QString thumbnailHref() const;
    QString coverHref() const;
};

struct Feed
{
    QString title;
    QList<Entry> entries;
    QString nextHref;              // the next page of the same list
    QString startHref;             // the catalog's first page
    QString searchHref;            // an OpenSearch description, or a search template
    bool searchIsTemplate = false; // searchHref holds "{searchTerms}" itself
};

// Relations are compared by their path: catalogs name them with addresses under one host
// ("http://host/acquisition/open-access"), or with short registered names ("next").
QString relationName(const QString& rel);
// The kind of book file a media type names, or nothing when the program cannot read it.
std::optional<BookFile> readableKind(const Link& link);
} // namespace Opds
