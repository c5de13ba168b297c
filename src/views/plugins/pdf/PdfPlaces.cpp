#include "views/plugins/pdf/PdfPlaces.h"

#include <QGuiApplication>
#include <QPdfBookmarkModel>
#include <QPdfDocument>
#include <QPdfPageNavigator>
#include <QPdfView>
#include <QScreen>
#include <QScrollBar>

namespace {
QSize pageSize(const QPdfView& view, int page)
{
    const QPdfDocument* document = view.document();
    const qreal resolution = QGuiApplication::primaryScreen()->logicalDotsPerInch() / 72.0;
    const QSizeF points = document->pagePointSize(page);
    const QMargins margins = view.documentMargins();
    switch (view.zoomMode()) {
    case QPdfView::ZoomMode::Custom:
        return QSizeF(points * resolution * view.zoomFactor()).toSize();
    case QPdfView::ZoomMode::FitToWidth: {
        QSize size = QSizeF(points * resolution).toSize();
        if (size.width() <= 0) {
            return size;
        }
        size *= qreal(view.viewport()->width() - margins.left() - margins.right()) /
                qreal(size.width());
        return size;
    }
    case QPdfView::ZoomMode::FitInView: {
        const QSize room =
            view.viewport()->size() + QSize(-margins.left() - margins.right(), -view.pageSpacing());
        return QSizeF(points * resolution).toSize().scaled(room, Qt::KeepAspectRatio);
    }
    }
    return {};
}
} // namespace

QList<QRect> PdfPlaces::pageRects(const QPdfView& view)
{
    QList<QRect> rects;
    const QPdfDocument* document = view.document();
    if (!document || document->pageCount() <= 0) {
        return rects;
    }
    const bool single = view.pageMode() == QPdfView::PageMode::SinglePage;
    const int current = view.pageNavigator()->currentPage();
    int y = view.documentMargins().top();
    for (int page = 0; page < document->pageCount(); ++page) {
        if (single && page != current) {
            rects.append(QRect());
            continue;
        }
        const QSize size = pageSize(view, page);
        rects.append(QRect(QPoint(0, y), size));
        y += size.height() + view.pageSpacing();
    }
    return rects;
}

int PdfPlaces::pageAtTop(const QPdfView& view, double* top)
{
    *top = 0;
    const QList<QRect> rects = pageRects(view);
    const int y = view.verticalScrollBar()->value();
    int last = -1;
    for (int page = 0; page < rects.size(); ++page) {
        const QRect& rect = rects.at(page);
        if (rect.isNull()) {
            continue;
        }
        last = page;
        if (y < rect.top()) {
            return page;
        }
        if (y <= rect.bottom()) {
            *top = rect.height() > 0 ? double(y - rect.top()) / rect.height() : 0.0;
            return page;
        }
    }
    return qMax(0, last);
}

void PdfPlaces::showPlace(QPdfView& view, int page, double top)
{
    const QPdfDocument* document = view.document();
    if (!document || page < 0 || page >= document->pageCount()) {
        return;
    }
    if (view.pageMode() == QPdfView::PageMode::SinglePage) {
        view.pageNavigator()->jump(page, {}, view.zoomFactor());
    }
    const QList<QRect> rects = pageRects(view);
    const QRect rect = rects.value(page);
    view.verticalScrollBar()->setValue(rect.top() + qRound(qBound(0.0, top, 1.0) * rect.height()));
}

QList<PdfOutlineEntry> PdfPlaces::outline(QPdfDocument* document)
{
    QList<PdfOutlineEntry> entries;
    if (!document) {
        return entries;
    }
    QPdfBookmarkModel model;
    model.setDocument(document);
    // Depth first, so the entries come in the order the outline lists them.
    const auto walk = [&](auto&& self, const QModelIndex& parent, int depth) -> void {
        for (int row = 0; row < model.rowCount(parent); ++row) {
            const QModelIndex index = model.index(row, 0, parent);
            PdfOutlineEntry entry;
            entry.title = index.data(int(QPdfBookmarkModel::Role::Title)).toString().simplified();
            entry.depth = depth;
            entry.page = index.data(int(QPdfBookmarkModel::Role::Page)).toInt();
            const QPointF location = index.data(int(QPdfBookmarkModel::Role::Location)).toPointF();
            const double height = document->pagePointSize(entry.page).height();
            entry.top = height > 0 ? qBound(0.0, location.y() / height, 1.0) : 0.0;
            entries.append(entry);
            self(self, index, depth + 1);
        }
    };
    walk(walk, QModelIndex(), 0);
    return entries;
}
