#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace Epub {

// Where a book's parts are read from by name: the zip of an EPUB file (Archive), or the
// package a reader of another format filled. The book, its chapter conversion and its pages
// read every part through this, so either shows the same way. Once filled, the parts may be
// read from several threads.
class Entries
{
public:
    virtual ~Entries() = default;

    virtual bool contains(const QString& name) const = 0;
    // Every part's name, sorted.
    virtual QStringList entryNames() const = 0;
    // Size of the part's bytes as the source declares it, or -1 when there is no such part.
    virtual qint64 declaredSize(const QString& name) const = 0;
    // The part's bytes; false with an error for a missing, refused or damaged part.
    virtual bool read(const QString& name, QByteArray* data, QString* error = nullptr) const = 0;
    // The first limit bytes of the part at most; truncated tells whether it holds more.
    virtual bool readStart(const QString& name, qint64 limit, QByteArray* data, bool* truncated,
                           QString* error = nullptr) const = 0;
    // Largest part accepted for this book.
    virtual qint64 entryCap() const = 0;
    // Largest total of parts accepted when the whole book is unpacked (its pages for the web
    // view): a book of many parts, each within the part cap, must not fill a disk either.
    virtual qint64 totalCap() const = 0;
};

} // namespace Epub
