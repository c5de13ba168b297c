#pragma once

// What every fuzz target of the other formats' readers asks of the package a reader made:
// each chapter is XHTML the chapter converter reads to its end (a reader's one promise), and a
// few chapters convert, lay out and take a new width as the reading view shows them.

#include "formats/epub/ChapterConverter.h"
#include "formats/epub/EpubBook.h"
#include "formats/package/BookPackage.h"
#include "formats/package/PackageEpub.h"

#include <QTextDocument>
#include <QXmlStreamReader>
#include <cstdio>

namespace FuzzPackage {

inline void check(const Books::BookPackage& package, const QString& scratchEpub)
{
    for (const QString& chapter : package.chapters()) {
        QByteArray xhtml;
        if (!package.read(chapter, &xhtml)) {
            qFatal("chapter %s cannot be read", qPrintable(chapter));
        }
        QXmlStreamReader xml(xhtml);
        while (!xml.atEnd()) {
            xml.readNext();
        }
        if (xml.hasError()) {
            std::fprintf(stderr, "%s\n", xhtml.constData());
            qFatal("chapter %s is not well-formed: %s", qPrintable(chapter),
                   qPrintable(xml.errorString()));
        }
    }
    for (const Epub::ContentsEntry& entry : package.contents) {
        if (entry.chapter < 0 || entry.chapter >= package.chapters().size()) {
            qFatal("a contents entry leads to no chapter");
        }
    }
    if (!Books::PackageEpub::write(package, scratchEpub)) {
        return;
    }
    Epub::Book book;
    if (book.open(scratchEpub) != Epub::Book::OpenResult::Opened) {
        qFatal("the package cannot be opened as a book");
    }
    Epub::ChapterConverter converter(book);
    converter.setMaxPictureWidth(300);
    // A few chapters are enough to reach every kind of content; more only slow the run.
    const int chapters = int(qMin<qsizetype>(book.chapters().size(), 3));
    for (int chapter = 0; chapter < chapters; ++chapter) {
        QTextDocument document;
        if (converter.convert(chapter, &document)) {
            document.setTextWidth(400);
            document.size();
        }
    }
}

} // namespace FuzzPackage

#include <QDir>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <functional>

#include "FuzzInput.h"

namespace FuzzPackage {

using Reader = std::function<bool(const QString&, Books::BookPackage*, QString*)>;

// The body of a reader's fuzz target: the input is written as fileName (see FuzzInput.h),
// read, and the package checked. Returns what libFuzzer expects.
inline int runReader(const char* target, const uint8_t* data, size_t size, const QString& fileName,
                     const Reader& read,
                     const std::function<void(const Books::BookPackage&)>& more = {})
{
    static int argc = 3;
    static char arg1[] = "-platform";
    static char arg2[] = "offscreen";
    static char* argv[] = {const_cast<char*>(target), arg1, arg2, nullptr};
    static QGuiApplication app(argc, argv);
    static QTemporaryDir folder(QDir::tempPath() +
                                QStringLiteral("/%1-XXXXXX").arg(QLatin1String(target)));
    const QString path = folder.filePath(fileName);
    if (!FuzzInput::write(data, size, path)) {
        return 0;
    }
    Books::BookPackage book;
    QString error;
    if (!read(path, &book, &error)) {
        if (error.isEmpty()) {
            qFatal("a book was refused without a message");
        }
        return 0;
    }
    check(book, folder.filePath(QStringLiteral("package.epub")));
    if (more) {
        more(book);
    }
    return 0;
}

} // namespace FuzzPackage
