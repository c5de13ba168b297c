// libFuzzer target for EPUB books: any input must open or be refused, never crash, hang or
// leak, and every chapter of a book that opens must convert, lay out and take a new width;
// unpacked for the web view, it must write nothing outside its folder.
// Run: fuzz_epub_book WORKDIR fuzz/corpus-epub -max_total_time=600 -rss_limit_mb=2048 -timeout=10
// (the first folder collects new inputs; the others are the seeds).
//
// An input is read in one of two ways:
// - as the bytes of an .epub file (the zip, its entry names and sizes, damaged archives);
// - when it starts with "=== ", as a book written out as text: each part starts on a line
//   "=== NAME" and runs to the next such line. It is packed into a sound zip first, so the
//   mutations reach the container, package, contents and chapters rather than being stopped
//   at the zip's checksums.
#include "formats/epub/ChapterConverter.h"
#include "formats/epub/EpubBook.h"
#include "formats/epub/PageFolder.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTextDocument>
#include <quazip/quazip.h>
#include <quazip/quazipfile.h>
#include <quazip/quazipnewinfo.h>

namespace {

const QByteArray PartMark = QByteArrayLiteral("=== ");

// Packs "=== NAME\n<bytes>" parts into a zip at path (stored, not compressed: it is fast and
// the reader's inflating is reached through the other kind of input).
bool packParts(const QByteArray& text, const QString& path)
{
    QuaZip zip(path);
    if (!zip.open(QuaZip::mdCreate)) {
        return false;
    }
    qsizetype start = 0;
    while (start < text.size()) {
        const qsizetype lineEnd = text.indexOf('\n', start);
        const qsizetype nameStart = start + PartMark.size();
        const QByteArray name = text.mid(nameStart, lineEnd < 0 ? -1 : lineEnd - nameStart);
        const qsizetype bodyStart = lineEnd < 0 ? text.size() : lineEnd + 1;
        qsizetype next = text.indexOf("\n" + PartMark, bodyStart);
        const qsizetype bodyEnd = next < 0 ? text.size() : next;
        next = next < 0 ? text.size() : next + 1;
        QuaZipFile file(&zip);
        if (file.open(QIODevice::WriteOnly, QuaZipNewInfo(QString::fromUtf8(name)), nullptr, 0, 0,
                      0)) {
            file.write(text.constData() + bodyStart, bodyEnd - bodyStart);
            file.close();
        }
        start = next;
    }
    zip.close();
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static int argc = 3;
    static char arg0[] = "fuzz_epub_book";
    static char arg1[] = "-platform";
    static char arg2[] = "offscreen";
    static char* argv[] = {arg0, arg1, arg2, nullptr};
    static QGuiApplication app(argc, argv);
    static QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/fuzz_epub_book-XXXXXX"));
    const QString path = folder.filePath(QStringLiteral("book.epub"));

    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QFile::remove(path);
    if (bytes.startsWith(PartMark)) {
        if (!packParts(bytes, path)) {
            return 0;
        }
    } else {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
            return 0;
        }
    }

    Epub::Book book;
    if (book.open(path) != Epub::Book::OpenResult::Opened) {
        return 0;
    }
    Epub::ChapterConverter converter(book);
    converter.setMaxPictureWidth(300);
    // A few chapters are enough to reach every kind of content; more only slow the run.
    const int chapters = int(qMin<qsizetype>(book.chapters().size(), 4));
    for (int chapter = 0; chapter < chapters; ++chapter) {
        QTextDocument document;
        if (converter.convert(chapter, &document)) {
            document.setTextWidth(400);
            document.size(); // lays the chapter out
            // The window made narrower: the pictures are decoded again at the new width.
            Epub::ChapterConverter::fitPictures(book, &document, 120);
            document.setTextWidth(200);
            document.size();
        }
    }

    // Unpacked for the web view, the book writes inside its folder and nowhere else: the
    // folder sits two levels down, and nothing may appear beside it.
    const QString outer = folder.filePath(QStringLiteral("outer"));
    QDir(outer).removeRecursively();
    const QString pages = outer + QStringLiteral("/a/pages");
    QDir().mkpath(pages);
    Epub::PageFolder::write(book, pages);
    QDirIterator written(outer, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (written.hasNext()) {
        if (!written.next().startsWith(pages + QLatin1Char('/'))) {
            qFatal("a part of the book was written outside its folder: %s",
                   qPrintable(written.filePath()));
        }
    }
    return 0;
}
