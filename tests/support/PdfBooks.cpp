#include "support/PdfBooks.h"

#include <QPainter>
#include <QPdfWriter>

bool PdfBooks::write(const QString& path, const QStringList& pages)
{
    QPdfWriter writer(path);
    writer.setTitle(QStringLiteral("Test book"));
    QPainter painter;
    if (!painter.begin(&writer)) {
        return false;
    }
    for (int page = 0; page < pages.size(); ++page) {
        if (page > 0) {
            writer.newPage();
        }
        qreal y = 400;
        for (const QString& line : pages.at(page).split(QLatin1Char('\n'))) {
            painter.drawText(QPointF(200, y), line);
            y += 500;
        }
    }
    return painter.end();
}
