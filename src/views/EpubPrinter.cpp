#include "views/EpubPrinter.h"

#include "formats/epub/ChapterConverter.h"
#include "formats/epub/EpubBook.h"

#include <QAbstractTextDocumentLayout>
#include <QCoreApplication>
#include <QPainter>
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
    auto fail = [&](const QString& text) {
        if (error) {
            *error = text;
        }
        return Result::Failed;
    };
    if (!printer || !printer->isValid()) {
        return fail(tr("There is no printer to print on."));
    }
    const int chapters = int(book.chapters().size());
    if (progress && !progress(0, chapters)) {
        return Result::Cancelled;
    }
    QPainter painter;
    if (!painter.begin(printer)) {
        return fail(tr("The printer could not be started."));
    }
    // The painter's origin is the top left of the printable area. Each page keeps a margin of
    // 2 cm, as other printed documents of the program do; the page number stands in the foot.
    const QSizeF page = printer->pageRect(QPrinter::DevicePixel).size();
    const qreal margin = printer->logicalDpiY() * 2.0 / 2.54;
    const QRectF body(margin, margin, page.width() - 2 * margin, page.height() - 2 * margin);
    if (body.width() < margin || body.height() < margin) {
        painter.end();
        return fail(tr("The paper is too small to print on."));
    }
    const QFont numberFont(font, printer);
    const int pictureWidth =
        qMax(50, qRound(body.width() * ScreenDpi / qMax(1, printer->logicalDpiX())));
    Epub::ChapterConverter converter(book);
    converter.setMaxPictureWidth(pictureWidth);
    int printed = 0;
    for (int chapter = 0; chapter < chapters; ++chapter) {
        if (chapter > 0 && progress && !progress(chapter, chapters)) {
            painter.end();
            return Result::Cancelled;
        }
        QTextDocument document;
        document.setUndoRedoEnabled(false);
        document.setDefaultFont(font);
        document.documentLayout()->setPaintDevice(printer);
        QString chapterError;
        if (!converter.convert(chapter, &document, &chapterError)) {
            document.setPlainText(
                tr("Chapter %1 cannot be printed: %2").arg(chapter + 1).arg(chapterError));
        }
        document.setPageSize(body.size());
        const int pages = document.pageCount();
        for (int index = 0; index < pages; ++index) {
            if (printed > 0 && !printer->newPage()) {
                painter.end();
                return fail(
                    tr("The printer stopped after %1 of %2 chapters.").arg(chapter).arg(chapters));
            }
            ++printed;
            const QRectF shown(0, index * body.height(), body.width(), body.height());
            painter.save();
            painter.setClipRect(body);
            painter.translate(body.left(), body.top() - shown.top());
            QAbstractTextDocumentLayout::PaintContext context;
            context.clip = shown;
            document.documentLayout()->draw(&painter, context);
            painter.restore();
            painter.setFont(numberFont);
            painter.drawText(QRectF(0, page.height() - margin, page.width(), margin),
                             Qt::AlignCenter, QString::number(printed));
        }
    }
    if (progress) {
        progress(chapters, chapters);
    }
    if (!painter.end()) {
        return fail(tr("The printer could not finish the book."));
    }
    return Result::Printed;
}
