#include "views/EpubPrinter.h"

#include "formats/epub/ChapterConverter.h"
#include "formats/epub/ChapterText.h"
#include "formats/epub/EpubBook.h"
#include "views/BookPictureHandler.h"
#include "views/PrintedPages.h"

#include <QAbstractTextDocumentLayout>
#include <QCoreApplication>
#include <QPrinter>
#include <QTextDocument>

namespace {
QString tr(const char* text)
{
    return QCoreApplication::translate("EpubPrinter", text);
}

// Pictures are sized in screen pixels and the layout scales them by the printer's resolution.
constexpr qreal ScreenDpi = 96.0;
} // namespace

EpubPrinter::Result EpubPrinter::printBook(const Epub::Book& book, const QFont& font,
                                           QPrinter* printer,
                                           const std::function<bool(int, int)>& progress,
                                           QString* error)
{
    PrintedPages pages(printer, font);
    if (!pages.isUsable(error)) {
        return Result::Failed;
    }
    const int chapters = int(book.chapters().size());
    if (progress && !progress(0, chapters)) {
        return Result::Cancelled;
    }
    const int pictureWidth =
        qMax(50, qRound(pages.bodySize().width() * ScreenDpi / qMax(1, printer->logicalDpiX())));
    const int pictureHeight =
        qMax(50, qRound(pages.bodySize().height() * ScreenDpi / qMax(1, printer->logicalDpiY())));
    Epub::ChapterConverter converter(book);
    converter.setMaxPictureWidth(pictureWidth);
    converter.setMaxPictureHeight(pictureHeight);
    // Chapters after the last page of a chosen range are not even converted.
    for (int chapter = 0; chapter < chapters && !pages.rangeDone(); ++chapter) {
        if (chapter > 0 && progress && !progress(chapter, chapters)) {
            pages.finish(nullptr);
            return Result::Cancelled;
        }
        QTextDocument document;
        document.setUndoRedoEnabled(false);
        document.setDefaultFont(font);
        document.documentLayout()->setPaintDevice(printer);
        // Drawings are drawn at the printer's resolution.
        BookPictureHandler::install(document.documentLayout());
        QString chapterError;
        if (!converter.convert(chapter, &document, &chapterError)) {
            document.setPlainText(
                tr("Chapter %1 cannot be printed: %2").arg(chapter + 1).arg(chapterError));
        }
        // Paper has no room above the lines for ruby: it follows its characters.
        Epub::spellOutRuby(&document);
        pages.layOut(&document);
        if (!pages.print(&document, error)) {
            return Result::Failed;
        }
    }
    if (progress) {
        progress(chapters, chapters);
    }
    return pages.finish(error) ? Result::Printed : Result::Failed;
}
