#pragma once

#include "core/ReaderState.h"

#include <QByteArray>
#include <QCollator>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>

class QFileSystemWatcher;
class QTimer;

// One book of the library: a regular file directly in the books folder.
struct LibraryBook
{
    QString name;       // as shown: bytes that are not UTF-8 become replacement characters
    QByteArray rawName; // the name's bytes on the disk
    QString path;       // the path that reaches the file (for a name that is not UTF-8, a link)
    BookKind kind = BookKind::PlainText;
    // False for a name that is not UTF-8: its file is read through a link, never written.
    bool nameIsExact() const { return name.toUtf8() == rawName; }
};

// The library: the regular files of the books folder (hidden ones left out), sorted by name
// ignoring case, since the file system gives no stable order. The tree draws it; the commands,
// sharing and the desktop's "Open with" find their books in it.
//
// A refresh changes the list step by step (books gone, then books new), announcing each step
// before and after it, so a model over the library always sees a list that matches what it was
// told; books that stay keep their entries.
class Library : public QObject
{
    Q_OBJECT
public:
    // booksFolder ends with "/" (one is added otherwise). The list stays empty until the first
    // refresh.
    explicit Library(const QString& booksFolder, QObject* parent = nullptr);
    ~Library() override;

    QString folder() const { return m_folder; }

    // Reads the folder again. A missing or unreadable folder gives an empty library.
    void refresh();

    int count() const { return static_cast<int>(m_books.size()); }
    const LibraryBook& at(int index) const { return m_books.at(index); }
    const QList<LibraryBook>& books() const { return m_books; }
    // The first book shown under name; -1 when there is none.
    int find(const QString& name) const;
    // The book whose name on the disk is rawName (two names that are not UTF-8 may be shown
    // alike); -1 when there is none.
    int findRaw(const QByteArray& rawName) const;

    // What identifies the book's content, as the EPUB reading records know it (a renamed book
    // keeps it). Worked out on the first question only, never for the whole library at once,
    // and again once the file's size or time changes; empty when the file cannot be read.
    QString fingerprint(int index) const;

    // While watching, files added, removed or renamed in the folder refresh the library by
    // themselves, a burst of changes at once.
    void setWatching(bool watching);
    bool isWatching() const { return m_watcher != nullptr; }

    // The free-name rule: a book saved into the library never replaces another file there.
    // A name's extension is its last dot and the 1 to 8 letters or digits after it, so the
    // dots of "Dr. Jekyll and Mr. Hyde.txt" or "St. Ives" belong to the title. The position
    // of that dot; the name's length when it has none.
    static qsizetype extensionStart(const QString& name);
    static qsizetype extensionStart(const QByteArray& name);
    // name for n <= 1, else with " (n)" before the extension: "Emma (2).txt", "St. Ives (2)".
    static QString numberedName(const QString& name, int n);
    static QByteArray numberedName(const QByteArray& name, int n);
    // The first of name, "name (2)", "name (3)", ... that nothing in folder (a dangling link
    // included) has; empty when none of the first 9,999 is free.
    static QString freeName(const QString& folder, const QString& name);
    static QByteArray freeName(const QByteArray& folder, const QByteArray& name);

signals:
    // Books first..last are about to leave the list / have left it.
    void aboutToRemove(int first, int last);
    void removed();
    // Books are about to be inserted at first..last / have been.
    void aboutToInsert(int first, int last);
    void inserted();
    // A refresh changed the list (after its steps).
    void changed();

private:
    QList<LibraryBook> listFolder() const;
    // The library's order: by name ignoring case (the file system gives no stable order).
    bool comesBefore(const LibraryBook& a, const LibraryBook& b) const;
    void replaceBooks(QList<LibraryBook> fresh);
    void watchFolder();

    struct Fingerprint
    {
        qint64 size = -1;
        QDateTime modified;
        QString value;
    };

    QString m_folder;
    QCollator m_collator;
    QList<LibraryBook> m_books;
    mutable QHash<QByteArray, Fingerprint> m_fingerprints;
    QFileSystemWatcher* m_watcher = nullptr;
    QTimer* m_settle = nullptr;
};
