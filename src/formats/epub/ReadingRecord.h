#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace Epub {

// A place in a book that survives the book being edited: the chapter (spine index), the
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
    QJsonObject toJson() const;
    static TextAnchor fromJson(const QJsonObject& object);
    bool operator==(const TextAnchor&) const = default;
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

// Everything the reader keeps about one EPUB book, outside the book: where it was last read,
// its bookmark and its marks. Kept as one JSON file per book in a folder of records and
// written atomically. A book is found by fingerprint; a changed book (same file name, or same
// identifier and title) finds the record it had before, and its marks are then re-placed by
// their snippets; a mark that cannot be placed is kept as unplaced, never dropped.
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

    // Finds the record of the book at path in folder. identifier and title come from the
    // book's package document. fingerprint, when given, is the file's (fileFingerprint), taken
    // already by whoever read the book.
    static ReadingRecord find(const QString& folder, const QString& path, const QString& identifier,
                              const QString& title, const QString& fingerprint = {});

    Match match() const { return m_match; }
    QString fingerprint() const { return m_fingerprint; }
    QStringList names() const { return m_names; }
    QStringList paths() const { return m_paths; }
    QString identifier() const { return m_identifier; }
    QString title() const { return m_title; }

    std::optional<TextAnchor> position;
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
    QString filePath() const;

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

} // namespace Epub
