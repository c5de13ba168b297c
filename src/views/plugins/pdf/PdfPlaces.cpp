#include "views/plugins/pdf/PdfPlaces.h"

#include <QPdfBookmarkModel>
#include <QPdfDocument>

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
