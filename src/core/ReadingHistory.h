#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

class Library;

// What the reader remembers between runs about its reading, in the settings store's group
// "Reading": whether books open where the reader stopped ("RememberPlace", off unless the user
// turns it on in Options), and the books read last ("RecentBooks": each book's path, size and
// time, newest first). A book renamed in the library since is found again by its size and
// time, which a rename keeps; books of another library (another application folder) are
// never offered.
class ReadingHistory
{
public:
    static constexpr int MostBooks = 10;

    static bool rememberPlace();
    static void setRememberPlace(bool on);

    // The book at path was read: it goes first in the list, which keeps MostBooks books.
    static void noteRead(const QString& path);
    // Takes the book at path off the list.
    static void forget(const QString& path);

    // The library's books on the list, newest first, as indexes of the library.
    static QList<int> recentBooks(const Library& library);
    // The book read last, or -1 when it is not in the library.
    static int lastBook(const Library& library);

private:
    struct Entry
    {
        QString path;
        qint64 size = -1;
        QDateTime modified;
    };
    static QList<Entry> entries();
    static void store(const QList<Entry>& list);
    static int find(const Library& library, const Entry& entry);
};
