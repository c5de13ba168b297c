// libFuzzer target for EPUB books: any input must open or be refused, never crash, hang or
// leak, and every chapter of a book that opens must convert, lay out and take a new width, and
// its SVG drawings, made safe, must draw;
// unpacked for the web view, it must write nothing outside its folder.
// Run: fuzz_epub_book WORKDIR fuzz/corpus-epub -max_total_time=600 -rss_limit_mb=2048 -timeout=10
// (the first folder collects new inputs; the others are the seeds).
//
// An input is the .epub file's bytes, or the book written out as text (see FuzzInput.h).
#include "FuzzInput.h"
#include "formats/epub/ChapterConverter.h"
#include "formats/epub/ChapterFormats.h"
#include "formats/epub/EpubBook.h"
#include "formats/epub/PageFolder.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QUrl>

// The book's SVG drawings, as made safe for the view, drawn as the view draws them.
static void drawDrawings(const QTextDocument& document)
{
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextImageFormat format = it.fragment().charFormat().toImageFormat();
            if (!format.hasProperty(Epub::ChapterFormats::DrawingBoxProperty)) {
                continue;
            }
            QSvgRenderer renderer(
                document.resource(QTextDocument::ImageResource, QUrl(format.name())).toByteArray());
            QImage image(64, 64, QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::transparent);
            QPainter painter(&image);
            renderer.render(&painter, QRectF(0, 0, 64, 64));
        }
    }
}

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

    if (!FuzzInput::write(data, size, path)) {
        return 0;
    }

    Epub::Book book;
    if (book.open(path) != Epub::Book::OpenResult::Opened) {
        return 0;
    }
    Epub::ChapterConverter converter(book);
    converter.setMaxPictureWidth(300);
    converter.setMaxPictureHeight(200);
    // A few chapters are enough to reach every kind of content; more only slow the run.
    const int chapters = int(qMin<qsizetype>(book.chapters().size(), 4));
    for (int chapter = 0; chapter < chapters; ++chapter) {
        QTextDocument document;
        if (converter.convert(chapter, &document)) {
            document.setTextWidth(400);
            document.size(); // lays the chapter out
            // The window made narrower: the pictures are decoded again at the new width.
            Epub::ChapterConverter::fitPictures(book, &document, QSize(120, 80));
            document.setTextWidth(200);
            document.size();
            drawDrawings(document);
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
