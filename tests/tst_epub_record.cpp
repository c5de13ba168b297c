// Reading records of EPUB books: found again after a rename or a move, carried over to an
// edited re-export with marks re-placed by their snippets, never joined on the identifier
// alone, and never losing a mark.
#include "formats/AtomicFile.h"
#include "formats/epub/ChapterConverter.h"
#include "formats/epub/EpubBook.h"
#include "formats/epub/ReadingRecord.h"
#include "support/FileBytes.h"
#include "support/FullDisk.h"
#include "support/TestMain.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTextDocument>
#include <memory>
#include <quazip/quazip.h>
#include <quazip/quazipfile.h>
#include <quazip/quazipnewinfo.h>

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

bool addEntry(QuaZip& zip, const QString& name, const QByteArray& bytes)
{
    QuaZipFile file(&zip);
    // One fixed time for every entry: twins written across a second's turn must still agree
    // byte for byte wherever their contents do.
    QuaZipNewInfo info(name);
    info.dateTime = QDateTime(QDate(2020, 1, 1), QTime(12, 0));
    if (!file.open(QIODevice::WriteOnly, info, nullptr, 0, 0, 0)) {
        return false;
    }
    const bool written = file.write(bytes) == bytes.size();
    file.close();
    return written && file.getZipError() == ZIP_OK;
}

// A book of one chapter and, after a filler of fillerSize bytes, a part holding note, then
// `parts` small parts with long names: with many parts, the zip's directory runs past the last
// 64 KiB, so a note that differs changes neither end of the file. Everything is stored as it
// is, so two books with notes of one length have one size.
bool writeTwin(const QString& path, int fillerSize, int parts, const QByteArray& note)
{
    QuaZip zip(path);
    if (!zip.open(QuaZip::mdCreate)) {
        return false;
    }
    QString manifest;
    bool ok =
        addEntry(zip, QStringLiteral("mimetype"), "application/epub+zip") &&
        addEntry(zip, QStringLiteral("META-INF/container.xml"),
                 "<?xml version=\"1.0\"?><container version=\"1.0\" xmlns=\"urn:oasis:names:tc:"
                 "opendocument:xmlns:container\"><rootfiles><rootfile full-path=\"content.opf\" "
                 "media-type=\"application/oebps-package+xml\"/></rootfiles></container>") &&
        addEntry(zip, QStringLiteral("chapter.xhtml"),
                 "<?xml version=\"1.0\"?><html xmlns=\"http://www.w3.org/1999/xhtml\"><head>"
                 "<title>Twin</title></head><body><p>The twins looked alike from either end."
                 "</p></body></html>") &&
        addEntry(zip, QStringLiteral("filler.bin"), QByteArray(fillerSize, 'f')) &&
        addEntry(zip, QStringLiteral("note.bin"), note);
    for (int i = 0; i < parts; ++i) {
        const QString name =
            QStringLiteral("parts/a-part-with-a-long-name-so-the-directory-grows-%1.bin").arg(i);
        ok = ok && addEntry(zip, name, QByteArray::number(i));
        manifest += QStringLiteral("<item id=\"p%1\" href=\"%2\" media-type=\"application/"
                                   "octet-stream\"/>")
                        .arg(i)
                        .arg(name);
    }
    ok = ok &&
         addEntry(zip, QStringLiteral("content.opf"),
                  QStringLiteral("<?xml version=\"1.0\"?><package xmlns=\"http://www.idpf.org/"
                                 "2007/opf\" version=\"3.0\" unique-identifier=\"u\"><metadata "
                                 "xmlns:dc=\"http://purl.org/dc/elements/1.1/\"><dc:identifier "
                                 "id=\"u\">urn:quillmere:twin</dc:identifier><dc:title>Twin"
                                 "</dc:title></metadata><manifest><item id=\"c\" "
                                 "href=\"chapter.xhtml\" media-type=\"application/xhtml+xml\"/>%1"
                                 "</manifest><spine><itemref idref=\"c\"/></spine></package>")
                      .arg(manifest)
                      .toUtf8());
    zip.close();
    return ok && zip.getZipError() == ZIP_OK;
}

Epub::TextAnchor anchorAt(int offset)
{
    return Epub::TextAnchor{0, offset, QStringLiteral("before"), QStringLiteral("after")};
}

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

    // Two different books whose first and last 64 KiB agree, and whose size is the same (a
    // small one damaged in the middle; a big one whose zip directory is longer than 64 KiB):
    // each keeps its own record, and a bookmark set in one never replaces the other's.
    void booksAlikeAtBothEndsKeepTheirOwnRecords_data()
    {
        QTest::addColumn<int>("fillerSize");
        QTest::addColumn<int>("parts");
        QTest::addColumn<bool>("damageInTheMiddle");
        QTest::newRow("small book, damaged in the middle") << 300 * 1024 << 0 << true;
        QTest::newRow("big book of many parts") << 4600 * 1024 << 1500 << false;
    }

    void booksAlikeAtBothEndsKeepTheirOwnRecords()
    {
        QFETCH(int, fillerSize);
        QFETCH(int, parts);
        QFETCH(bool, damageInTheMiddle);
        const QString records = folder().filePath(QStringLiteral("records"));
        const QString one = folder().filePath(QStringLiteral("one.epub"));
        const QString two = folder().filePath(QStringLiteral("two.epub"));
        QVERIFY(writeTwin(one, fillerSize, parts, "first note"));
        if (damageInTheMiddle) {
            QByteArray bytes = fileBytes(one);
            bytes[bytes.size() / 2] = 'x';
            QFile file(two);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(bytes);
        } else {
            QVERIFY(writeTwin(two, fillerSize, parts, "other note"));
        }
        // The two are alike where earlier fingerprints looked, and both open.
        QCOMPARE(QFileInfo(one).size(), QFileInfo(two).size());
        QCOMPARE(Epub::legacyFingerprint(one), Epub::legacyFingerprint(two));
        QVERIFY(Epub::fileFingerprint(one) != Epub::fileFingerprint(two));
        Epub::Book book;
        QCOMPARE(book.open(two), Epub::Book::OpenResult::Opened);

        Epub::ReadingRecord first =
            Epub::ReadingRecord::find(records, one, book.identifier(), book.title());
        first.bookmark = anchorAt(4);
        QVERIFY(first.save());
        Epub::ReadingRecord second =
            Epub::ReadingRecord::find(records, two, book.identifier(), book.title());
        QVERIFY(second.match() != Epub::ReadingRecord::Match::SameFile);
        second.bookmark = anchorAt(9);
        QVERIFY(second.save());

        const auto firstAgain =
            Epub::ReadingRecord::find(records, one, book.identifier(), book.title());
        QCOMPARE(firstAgain.match(), Epub::ReadingRecord::Match::SameFile);
        QCOMPARE(firstAgain.bookmark, anchorAt(4));
        const auto secondAgain =
            Epub::ReadingRecord::find(records, two, book.identifier(), book.title());
        QCOMPARE(secondAgain.match(), Epub::ReadingRecord::Match::SameFile);
        QCOMPARE(secondAgain.bookmark, anchorAt(9));
    }

    // A record kept under the fingerprint of earlier versions is found for its own book and
    // moved under the new one at the next save; a book that only shares that fingerprint
    // leaves it to the book it names.
    void recordsOfEarlierVersionsAreTakenOver()
    {
        const QString records = folder().filePath(QStringLiteral("records"));
        QVERIFY(QDir().mkpath(records));
        const QString one = folder().filePath(QStringLiteral("one.epub"));
        const QString two = folder().filePath(QStringLiteral("two.epub"));
        QVERIFY(writeTwin(one, 300 * 1024, 0, "a note"));
        QByteArray bytes = fileBytes(one);
        bytes[bytes.size() / 2] = 'x';
        QFile copy(two);
        QVERIFY(copy.open(QIODevice::WriteOnly));
        copy.write(bytes);
        copy.close();
        const QString legacy = Epub::legacyFingerprint(one);
        QVERIFY(legacy != Epub::fileFingerprint(one));
        const QString legacyFile = QDir(records).filePath(legacy + QStringLiteral(".json"));
        QFile old(legacyFile);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write(QJsonDocument(QJsonObject{{QStringLiteral("fingerprint"), legacy},
                                            {QStringLiteral("names"), QJsonArray{"one.epub"}},
                                            {QStringLiteral("paths"), QJsonArray{one}},
                                            {QStringLiteral("bookmark"), anchorAt(7).toJson()}})
                      .toJson());
        old.close();

        Epub::ReadingRecord other =
            Epub::ReadingRecord::find(records, two, QString(), QStringLiteral("Twin"));
        QCOMPARE(other.match(), Epub::ReadingRecord::Match::New);
        QVERIFY(other.save());
        QVERIFY(QFile::exists(legacyFile));

        Epub::ReadingRecord own =
            Epub::ReadingRecord::find(records, one, QString(), QStringLiteral("Twin"));
        QCOMPARE(own.match(), Epub::ReadingRecord::Match::SameFile);
        QCOMPARE(own.bookmark, anchorAt(7));
        QVERIFY(own.save());
        QVERIFY(!QFile::exists(legacyFile));
        QVERIFY(QFile::exists(own.filePath()));
        QCOMPARE(
            Epub::ReadingRecord::find(records, one, QString(), QStringLiteral("Twin")).bookmark,
            anchorAt(7));
    }

    // A record that cannot be written (the disk is full) is reported, and the one on disk
    // stays as it was, byte for byte.
    void aFullDiskKeepsTheRecord()
    {
        FullDisk disk;
        REQUIRE_FULL_DISK(disk);
        const QString records = disk.path() + QStringLiteral("/records");
        const QString book = dataBook(QStringLiteral("pandoc-epub3.epub"));
        Epub::ReadingRecord record =
            Epub::ReadingRecord::find(records, book, QString(), QStringLiteral("Keeper"));
        record.bookmark = anchorAt(3);
        QVERIFY(record.save());
        const QByteArray before = fileBytes(record.filePath());
        QVERIFY(disk.fill());
        QString probeError;
        if (writeFileAtomically(disk.path() + QStringLiteral("/probe"), QByteArray(300, 'p'),
                                &probeError)) {
            QSKIP("the shared writer does not yet see a full disk");
        }
        record.bookmark = anchorAt(30);
        record.marks.append({anchorAt(30), 5, QStringLiteral("after")});
        QString error;
        QVERIFY(!record.save(&error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(fileBytes(record.filePath()), before);
        disk.drain();
        QVERIFY2(record.save(&error), qPrintable(error));
        QCOMPARE(Epub::ReadingRecord::find(records, book, QString(), QStringLiteral("Keeper"))
                     .marks.size(),
                 1);
    }

    // A damaged record cannot give a mark a length past its own text, or a negative one.
    void damagedMarksAreClampedWhenRead()
    {
        const QString records = folder().filePath(QStringLiteral("records"));
        const QString book = dataBook(QStringLiteral("pandoc-epub3.epub"));
        Epub::ReadingRecord record =
            Epub::ReadingRecord::find(records, book, QString(), QStringLiteral("Keeper"));
        record.marks = {{anchorAt(5), 2147483647, QStringLiteral("twelve")},
                        {anchorAt(5), -40, QStringLiteral("steps")}};
        QVERIFY(record.save());
        const auto reread =
            Epub::ReadingRecord::find(records, book, QString(), QStringLiteral("Keeper"));
        QCOMPARE(reread.marks.size(), 2);
        QCOMPARE(reread.marks.at(0).length, 6);
        QCOMPARE(reread.marks.at(1).length, 0);
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
