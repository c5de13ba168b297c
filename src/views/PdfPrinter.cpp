#include "views/PdfPrinter.h"

#include "core/BusyPointer.h"
#include "core/EngineInterfaces.h"

#include <QCoreApplication>
#include <QFontMetricsF>
#include <QPainter>
#include <QPrinter>

namespace {
// Pages are drawn at this many dots per inch at most: sharp on paper, a few megabytes each.
constexpr qreal PrintDpi = 200;

QString tr(const char* text)
{
    return QCoreApplication::translate("PdfPrinter", text);
}
} // namespace

bool PdfPrinter::print(PdfPagesEngine& pages, QPrinter* printer, QString* error)
{
    const int count = pages.pageCount();
    const bool ranged =
        printer->printRange() == QPrinter::PageRange && !printer->pageRanges().isEmpty();
    QList<int> wanted;
    for (int page = 0; page < count; ++page) {
        if (!ranged || printer->pageRanges().contains(page + 1)) {
            wanted.append(page);
        }
    }
    if (wanted.isEmpty()) {
        if (error) {
            *error = tr("The book has no pages in the range chosen.");
        }
        return false;
    }
    BusyPointer busy;
    // The printer is told not to choose the pages again: each page drawn is one wanted.
    printer->setPrintRange(QPrinter::AllPages);
    QPainter painter;
    if (!painter.begin(printer)) {
        if (error) {
            *error = tr("The printer could not be started.");
        }
        return false;
    }
    bool first = true;
    for (const int page : std::as_const(wanted)) {
        if (!first && !printer->newPage()) {
            break;
        }
        first = false;
        const QSizeF points = pages.pagePointSize(page);
        if (points.isEmpty()) {
            continue;
        }
        const QRectF paper = printer->pageLayout().paintRectPixels(printer->resolution());
        const qreal scale = qMin(paper.width() / points.width(), paper.height() / points.height());
        const QSizeF size = points * scale;
        const QRectF target(QPointF((paper.width() - size.width()) / 2, 0), size);
        const QSize pixels = (points * PrintDpi / 72).toSize();
        painter.drawImage(target, pages.renderPage(page, pixels));
        // The text unseen over the picture, each line in its box.
        painter.save();
        painter.translate(target.topLeft());
        painter.scale(scale, scale);
        painter.setPen(Qt::transparent);
        for (const PdfTextLine& line : pages.pageText(page)) {
            QFont font = painter.font();
            // Sized in the page's points, which the painter scales to the paper.
            font.setPointSizeF(
                qMax<qreal>(0.5, line.box.height() * 0.8 * 72 / printer->resolution()));
            painter.setFont(font);
            const qreal natural = QFontMetricsF(font, printer).horizontalAdvance(line.text);
            painter.save();
            painter.translate(line.box.bottomLeft());
            if (natural > 0) {
                painter.scale(line.box.width() / natural, 1);
            }
            painter.drawText(QPointF(0, -line.box.height() * 0.2), line.text);
            painter.restore();
        }
        painter.restore();
    }
    return painter.end();
}
