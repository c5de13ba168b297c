// Reading records of EPUB books: found again after a rename or a move, carried over to an
// edited re-export with marks re-placed by their snippets, never joined on the identifier
// alone, and never losing a mark.
#include "formats/epub/ChapterConverter.h"
#include "formats/epub/EpubBook.h"
#include "formats/epub/ReadingRecord.h"
#include "support/TestMain.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextDocument>
#include <memory>

namespace {

QString dataBook(const QString& name)
{
    return QStringLiteral(QUILLMERE_TEST_DATA "/epub/") + name;
}

// The chapters' texts as the reading view counts them.
struct ChapterTexts
{
    explicit ChapterTexts(const QString& path)
    {
        if (book.open(path) != Epub::Book::OpenResult::Opened) {
            return;
        }
        Epub::ChapterConverter converter(book);
        for (int chapter = 0; chapter < book.chapters().size(); ++chapter) {
            QTextDocument document;
            converter.convert(chapter, &document);
            texts.append(document.toRawText());
        }
    }
    Epub::Book book;
    QStringList texts;

    Epub::Mark mark(const QString& passage) const
    {
        for (int chapter = 0; chapter < texts.size(); ++chapter) {
            const int at = texts.at(chapter).indexOf(passage);
            if (at >= 0) {
                return {Epub::TextAnchor::at(chapter, texts.at(chapter), at), int(passage.size()),
                        passage};
            }
        }
        return {};
    }
    QString at(const Epub::TextAnchor& anchor, int length) const
    {
        return texts.value(anchor.chapter).mid(anchor.offset, length);
    }
};

} // namespace

class EpubRecordTest : public QObject
{
    Q_OBJECT

private slots:
    // Every test starts with no records at all.
    void init()
    {
        m_temporary = std::make_unique<QTemporaryDir>();
        QVERIFY(m_temporary->isValid());
    }

    // Saved, then found by fingerprint after the book was renamed and moved to another folder;
    // the record keeps every name and path it was seen under.
    void renamedAndMovedBookKeepsItsRecord()
    {
        const QString records = folder().filePath(QStringLiteral("records"));
        const QString original = folder().filePath(QStringLiteral("keeper.epub"));
        QVERIFY(QFile::copy(dataBook(QStringLiteral("pandoc-epub3.epub")), original));
        const ChapterTexts texts(original);
        const Epub::Mark mark = texts.mark(QStringLiteral("He counted one hundred"));
        QVERIFY(!mark.text.isEmpty());

        Epub::ReadingRecord record = Epub::ReadingRecord::find(
            records, original, texts.book.identifier(), texts.book.title());
        QCOMPARE(record.match(), Epub::ReadingRecord::Match::New);
        record.position =
            Epub::TextAnchor::at(mark.start.chapter, texts.texts.at(mark.start.chapter), 40);
        record.bookmark = mark.start;
        record.marks.append(mark);
        QString error;
        QVERIFY2(record.save(&error), qPrintable(error));

        QVERIFY(folder().mkdir(QStringLiteral("moved")));
        const QString moved = folder().filePath(QStringLiteral("moved/Keeper (renamed).epub"));
        QVERIFY(QFile::rename(original, moved));
        const Epub::ReadingRecord found =
            Epub::ReadingRecord::find(records, moved, texts.book.identifier(), texts.book.title());
        QCOMPARE(found.match(), Epub::ReadingRecord::Match::SameFile);
        QCOMPARE(found.marks, record.marks);
        QCOMPARE(found.position, record.position);
        QCOMPARE(found.bookmark, record.bookmark);
        QCOMPARE(found.names(), QStringList({QStringLiteral("keeper.epub"),
                                             QStringLiteral("Keeper (renamed).epub")}));
        QCOMPARE(found.paths().size(), 2);
    }

    // A re-export of the same book with a paragraph added: the record is found by identifier
    // and title, the marks and the position move with their text, and a mark whose passage
    // is gone is kept as unplaced, then placed again when the text comes back.
    void editedBookReplacesMarksBySnippet()
    {
        const QString records = folder().filePath(QStringLiteral("records"));
        const ChapterTexts before(dataBook(QStringLiteral("pandoc-epub3.epub")));
        const ChapterTexts after(dataBook(QStringLiteral("lighthouse-edited.epub")));
        QCOMPARE(before.book.identifier(), after.book.identifier());

        Epub::ReadingRecord record =
            Epub::ReadingRecord::find(records, dataBook(QStringLiteral("pandoc-epub3.epub")),
                                      before.book.identifier(), before.book.title());
        const Epub::Mark counted = before.mark(QStringLiteral("He counted one hundred"));
        const Epub::Mark storm = before.mark(QStringLiteral("the glass shook"));
        Epub::Mark gone = counted;
        gone.text = QStringLiteral("a passage no edition holds");
        record.marks = {counted, storm, gone};
        record.position = storm.start;
        QVERIFY(record.save());

        Epub::ReadingRecord edited =
            Epub::ReadingRecord::find(records, dataBook(QStringLiteral("lighthouse-edited.epub")),
                                      after.book.identifier(), after.book.title());
        QCOMPARE(edited.match(), Epub::ReadingRecord::Match::ChangedBook);
        edited.relocate(int(after.texts.size()),
                        [&](int chapter) { return after.texts.value(chapter); });
        QCOMPARE(edited.marks.size(), 2);
        // The added paragraph shifts the first mark; it still covers its passage.
        QVERIFY(edited.marks.at(0).start.offset > counted.start.offset);
        QCOMPARE(after.at(edited.marks.at(0).start, 22), QStringLiteral("He counted one hundred"));
        QCOMPARE(after.at(edited.marks.at(1).start, 15), QStringLiteral("the glass shook"));
        QCOMPARE(after.at(*edited.position, 15), QStringLiteral("the glass shook"));
        QCOMPARE(edited.unplacedMarks.size(), 1);
        QCOMPARE(edited.unplacedMarks.at(0).text, gone.text);

        // Saved under the new file's fingerprint; the unplaced mark survives the round trip,
        // and the original file still has its own record.
        QVERIFY(edited.save());
        const Epub::ReadingRecord reread =
            Epub::ReadingRecord::find(records, dataBook(QStringLiteral("lighthouse-edited.epub")),
                                      after.book.identifier(), after.book.title());
        QCOMPARE(reread.match(), Epub::ReadingRecord::Match::SameFile);
        QCOMPARE(reread.unplacedMarks, edited.unplacedMarks);
        const Epub::ReadingRecord originalAgain =
            Epub::ReadingRecord::find(records, dataBook(QStringLiteral("pandoc-epub3.epub")),
                                      before.book.identifier(), before.book.title());
        QCOMPARE(originalAgain.marks.size(), 3);
    }

    // Two different books that happen to share an identifier never share a record.
    void identifierAloneDoesNotJoinBooks()
    {
        const QString records = folder().filePath(QStringLiteral("records"));
        const QString first = folder().filePath(QStringLiteral("first.epub"));
        QVERIFY(QFile::copy(dataBook(QStringLiteral("pandoc-epub3.epub")), first));
        Epub::ReadingRecord record = Epub::ReadingRecord::find(
            records, first, QStringLiteral("urn:shared"), QStringLiteral("One Title"));
        record.marks.append({Epub::TextAnchor{0, 3, QStringLiteral("abc"), QStringLiteral("def")},
                             3, QStringLiteral("def")});
        QVERIFY(record.save());

        const QString second = folder().filePath(QStringLiteral("second.epub"));
        QVERIFY(QFile::copy(dataBook(QStringLiteral("styled.epub")), second));
        const Epub::ReadingRecord other = Epub::ReadingRecord::find(
            records, second, QStringLiteral("urn:shared"), QStringLiteral("Another Title"));
        QCOMPARE(other.match(), Epub::ReadingRecord::Match::New);
        QVERIFY(other.marks.isEmpty());
    }

    // Anchors: the snippet decides when the offset no longer fits, the nearest match wins
    // among repeats, and a vanished passage is not placed anywhere.
    void placingAnchors()
    {
        const QString text = QStringLiteral("The bell rang. The bell rang. The bell rang again.");
        const Epub::TextAnchor second = Epub::TextAnchor::at(0, text, 15);
        QCOMPARE(Epub::placeAnchor(second, text), 15);
        const QString shifted = QStringLiteral("Prologue. ") + text;
        QCOMPARE(Epub::placeAnchor(second, shifted), 25);
        QCOMPARE(Epub::placeAnchor(second, QStringLiteral("Nothing of the sort.")), std::nullopt);

        Epub::Mark repeated{second, 13, QStringLiteral("The bell rang")};
        QCOMPARE(Epub::placeMark(repeated, shifted), 25);
        repeated.text = QStringLiteral("silence");
        QCOMPARE(Epub::placeMark(repeated, shifted), std::nullopt);
    }

private:
    std::unique_ptr<QTemporaryDir> m_temporary;
    QDir folder() const { return QDir(m_temporary->path()); }
};

QUILLMERE_TEST_MAIN(EpubRecordTest)
#include "tst_epub_record.moc"
