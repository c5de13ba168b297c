#include "support/PdfBooks.h"

#include <QPainter>
#include <QPdfWriter>

bool writePdf(const QString& path, int pages)
{
    QPdfWriter writer(path);
    writer.setTitle(QStringLiteral("Test book"));
    QPainter painter;
    if (!painter.begin(&writer)) {
        return false;
    }
    for (int page = 1; page <= pages; ++page) {
        if (page > 1) {
            writer.newPage();
        }
        painter.drawText(QPointF(200, 400), QStringLiteral("Page %1 of the test book").arg(page));
    }
    return painter.end();
}
