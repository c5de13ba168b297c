#pragma once

#include "formats/package/InlineFormat.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <utility>

namespace Books {

class BookPackage;

// Writes the chapters of a book as XHTML for a BookPackage while a reader walks its format.
// The builder keeps the output well-formed whatever the reader meets: text is escaped and
// characters XML cannot hold are dropped, elements nested deeper than MaxDepth are left out
// (their text kept), and a chapter ends with every element it opened closed.
//
// Places are named by keys of the reader's choosing (an FB2 id, a Word bookmark, a MOBI
// part and offset): links, notes and contents name a key, and finish() turns each into the
// chapter and element id where the key was placed, wherever that turned out to be, so a
// reader may link forward and split chapters where it likes.
//
// Notes: a reference is a link marked epub:type="noteref"; the note itself is an aside marked
// epub:type="footnote" wherever the reader writes it (usually a chapter of notes at the end).
// Each chapter that refers to a note elsewhere also gets a hidden copy of the note's text, so
// the converter can show it as the link's pop-up.
class ChapterBuilder
{
public:
    using Attributes = QList<std::pair<QString, QString>>;

    // A reader offers a split at each heading or section (splitIfLarger(SoftChapterSize)) and
    // at each paragraph (splitIfLarger(HardChapterSize)), so a chapter shown at once stays
    // small however the book is made.
    static constexpr qsizetype SoftChapterSize = 96 * 1024;
    static constexpr qsizetype HardChapterSize = 384 * 1024;
    static constexpr int MaxDepth = 64;
    static constexpr int MaxChapters = 20000;
    static constexpr int MaxNoteLength = 4000;

    explicit ChapterBuilder(BookPackage* package);

    // Text escaped for XML, without the characters XML cannot hold (control characters, lone
    // surrogates), for whatever else is written as XML beside the chapters.
    static QString escapedText(QStringView text);

    // Ends the chapter (when it holds anything) and starts the next; the elements open are
    // closed and opened again in the new chapter, without their ids.
    void startChapter();
    // Starts a new chapter when this one is over size; true when it did.
    bool splitIfLarger(qsizetype size);
    bool chapterIsEmpty() const { return !m_stream.hasContent; }
    qsizetype chapterSize() const { return m_stream.body.size(); }
    int chapterIndex() const { return int(m_chapters.size()); }
    // Style sheet entries the chapters started from now on link to.
    void setStyleSheets(const QStringList& entries) { m_styleSheets = entries; }

    void open(const QString& tag, const Attributes& attributes = {});
    void close();
    // Closes elements until depth() is depth.
    void closeTo(int depth);
    int depth() const { return int(m_stream.open.size()) + m_stream.flattened; }
    bool isOpen(const QString& tag) const;
    // An element without content (br, hr, img).
    void element(const QString& tag, const Attributes& attributes = {});
    void text(QStringView text, const InlineFormat& format = {});
    // Closes the elements of the current run of formatted text.
    void endRun();

    // The id for the element about to be opened that places key there; empty when the key
    // was already placed (the first place wins).
    QString anchorId(const QString& key);
    // Places key here, as an empty anchor element.
    void anchor(const QString& key);
    // Makes key a second name of placedKey (a heading that links name by its text).
    void alias(const QString& key, const QString& placedKey);
    // The key a heading was placed by, made up or given; set by openHeading.
    QString headingKey() const { return m_stream.headingKey; }
    // A link out of the book; schemes other than web and mail give a plain element.
    void openLink(const QString& href);
    void openInternalLink(const QString& key);
    // A link to a note, closed with close(); the reference itself can be linked back to
    // with referenceKey(noteKey).
    void openNoteReference(const QString& noteKey);
    static QString referenceKey(const QString& noteKey);

    // The note's own element (an aside, or the element the book gives it); its text (but what
    // is written while suspended) becomes the pop-up of the links to it.
    void openNote(const QString& noteKey, const QString& tag = QStringLiteral("aside"),
                  const Attributes& attributes = {});
    void closeNote();
    void suspendNoteText(bool suspended) { m_noteSuspended = suspended; }

    // A heading h1..h6 placing key (one is made up when empty); closeHeading ends it and,
    // when listed, adds its text to the contents at depth. Returns the heading's text.
    void openHeading(int level, const QString& key = {}, const Attributes& attributes = {});
    QString closeHeading(bool listed, int contentsDepth);
    // A contents entry for a key placed anywhere in the book.
    void addContents(const QString& title, int depth, const QString& key);
    bool hasContents() const { return !m_contents.isEmpty(); }

    // Writing aside: what is written between beginAside() and endAside() is kept apart from
    // the chapter (a note met inside a paragraph), and written into whatever chapter is open
    // when insertAside() is called.
    void beginAside();
    int endAside();
    void insertAside(int aside);

    // Writes the chapters and contents into the package; false when the book held nothing.
    bool finish();

private:
    struct Fixup
    {
        qsizetype offset;
        QString key;
    };
    struct OpenElement
    {
        QString tag;
        QString attributes; // as written, without the id
    };
    struct Stream
    {
        QString body;
        QList<Fixup> fixups;
        QList<OpenElement> open;
        int flattened = 0;
        bool runOpen = false;
        int runElements = 0;
        InlineFormat run;
        QStringList anchors; // keys placed in this stream, when it is an aside
        QSet<QString> noteReferences;
        int headingDepth = -1;
        QString headingKey;
        QString headingText;
        bool hasContent = false;
    };
    struct Chapter
    {
        QString body;
        QList<Fixup> fixups;
        QSet<QString> noteReferences;
        QStringList styleSheets;
    };
    struct Target
    {
        int chapter = -1; // -1 while in an aside not yet inserted
        QString id;
    };
    struct PendingContents
    {
        QString title;
        int depth;
        QString key;
    };

    void openWithRaw(const QString& tag, const QString& attributes, const QString& reopened);
    void closeOne();
    void openRun(const InlineFormat& format);
    QString uniqueId(const QString& key);
    void placeKey(const QString& key, const QString& id);
    void endChapter();
    QString chapterName(int index) const;
    QString resolve(const QString& key, int fromChapter) const;
    Target target(const QString& key) const;

    BookPackage* m_package;
    Stream m_stream;
    QList<Stream> m_asides;
    QList<Stream> m_suspended; // the streams an aside interrupted
    QList<Chapter> m_chapters;
    QStringList m_styleSheets;
    QHash<QString, Target> m_targets;
    QHash<QString, QString> m_aliases;
    QSet<QString> m_usedIds;
    QList<PendingContents> m_contents;
    QHash<QString, QString> m_noteTexts;
    QString m_noteKey;
    QString m_noteText;
    int m_noteDepth = 0;
    bool m_noteSuspended = false;
    int m_madeUpKeys = 0;
};

} // namespace Books
