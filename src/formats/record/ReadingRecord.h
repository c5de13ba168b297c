#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace Reading {

// A place in a book's text that survives the book being edited and a change of font size or
// window width: the chapter (an EPUB book's spine index; 0 for a book that is one text), the
// character offset in that chapter's text and about 32 characters quoted either side.
struct TextAnchor
{
    int chapter = 0;
    int offset = 0;
    QString before;
    QString after;

    static constexpr int SnippetLength = 32;
    // The anchor at offset in a chapter's text, snippets taken from that text.
    static TextAnchor at(int chapter, const QString& chapterText, int offset);
    // The same from a piece of the text alone, which begins at offset windowStart of the
    // chapter: a long book need not be copied whole to say where the reader is.
    static TextAnchor within(int chapter, const QString& window, int windowStart, int offset);
    QJsonObject toJson() const;
    static TextAnchor fromJson(const QJsonObject& object);
    bool operator==(const TextAnchor&) const = default;
};

// A place on a book's pages (a PDF book's page, a web page shown whole as page 0): the page and
// how far down it the view's top edge is, as a fraction of its height, so the place holds at
// any zoom.
struct PagePlace
{
    int page = 0;
    double top = 0;
    QJsonObject toJson() const;
    static PagePlace fromJson(const QJsonObject& object);
    bool operator==(const PagePlace&) const = default;
};

// A passage marked with the red pen.
struct Mark
{
    TextAnchor start;
    int length = 0;
    QString text; // the marked text as it was
    bool operator==(const Mark&) const = default;
};

// Identifies a file by content, so a renamed or moved book is still known: its size and a
// SHA-256 of the whole file, or for a big book of its first and last 64 KiB and its zip
// directory (every entry's name, size and checksum). Empty when the file cannot be read.
QString fileFingerprint(const QString& path);
// The fingerprint records were kept under before: the size and a SHA-256 of the first and
// last 64 KiB only, which two different books can share.
QString legacyFingerprint(const QString& path);

// Where the anchor lies in a chapter's text as it is now: the offset when the snippets still
// match there, else the place where the snippets match that lies closest to it; nothing when
// the text around it is gone.
std::optional<int> placeAnchor(const TextAnchor& anchor, const QString& chapterText);
// Where the mark lies now (its marked text, found nearest its old place and preferring the
// place whose snippet before still matches); nothing when the text is gone.
std::optional<int> placeMark(const Mark& mark, const QString& chapterText);

// Everything the reader keeps about one book outside the book: where it was last read, and for
// a book whose marks never go into its file (EPUB) its bookmark and its marks. Kept as one JSON
// file per book in a folder of records and written atomically. A book is found by fingerprint; a
// changed book (same file name, or same identifier and title) finds the record it had before, and
// its marks are then re-placed by their snippets; a mark that cannot be placed is kept as unplaced,
// never dropped.
class ReadingRecord
{
public:
    // How the record was found for a book.
    enum class Match
    {
        New,        // no record: a fresh one
        SameFile,   // same fingerprint (perhaps renamed or moved)
        ChangedBook // the file changed: positions and marks need re-placing
    };

    // How a save reaches the disk. A record holding marks waits until the device has it; one
    // whose only news is the place read may skip that wait (a place lost with the power is
    // not a lost mark). Both replace the old file whole only once the new one is written, so
    // no save ever leaves an empty or half record.
    enum class Durability
    {
        Synced,
        Unsynced
    };

    // Finds the record of the book at path in folder. identifier and title come from the
    // book's package document (empty for books without one). fingerprint, when given, is the
    // book's as fileFingerprint() gives it, worked out before.
    static ReadingRecord find(const QString& folder, const QString& path, const QString& identifier,
                              const QString& title, const QString& fingerprint = QString());

    Match match() const { return m_match; }
    QString fingerprint() const { return m_fingerprint; }
    QStringList names() const { return m_names; }
    QStringList paths() const { return m_paths; }
    QString identifier() const { return m_identifier; }
    QString title() const { return m_title; }

    std::optional<TextAnchor> position;
    // Where a book shown as pages was last read.
    std::optional<PagePlace> pagePlace;
    std::optional<TextAnchor> bookmark;
    QList<Mark> marks;
    QList<Mark> unplacedMarks;

    // After the book changed: re-places the position, bookmark and marks by their snippets in
    // the chapters' texts as they are now (chapterText gives chapter n's text, empty past the
    // last), first in their own chapter, then in the others nearest to it. A mark that is
    // found nowhere moves to unplacedMarks; one that is found again moves back.
    void relocate(int chapterCount, const std::function<QString(int)>& chapterText);

    // Writes the record atomically under the book's fingerprint; on failure the record on disk
    // stays as it was and error says why. The record a changed book came from is left as it
    // was, so the earlier file keeps its own marks.
    bool save(QString* error = nullptr);
    bool save(Durability durability, QString* error = nullptr);
    QString filePath() const;
    // The book's file was written anew (marks saved into it, a plain-text book saved as RTF):
    // the record is kept under the new file's fingerprint from now on, with its name and path,
    // and written there at once when it was kept before.
    bool follow(const QString& newPath, QString* error = nullptr);

private:
    QJsonObject toJson() const;
    void readJson(const QJsonObject& object);

    QString m_folder;
    QString m_fingerprint;
    // The record file under the book's former fingerprint this record was read from, removed
    // once the record is saved under its own.
    QString m_legacyFile;
    Match m_match = Match::New;
    QStringList m_names;
    QStringList m_paths;
    QString m_identifier;
    QString m_title;
};

} // namespace Reading
