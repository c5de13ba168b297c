#include "views/DocumentPrinter.h"

#include "views/PrintedPages.h"

#include <QPrinter>
#include <QSet>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QUrl>

namespace {
// A document filled from a fragment has none of the source's image resources; hand over
// those its pictures name.
void copyPictures(const QTextDocument* source, QTextDocument* target)
{
    QSet<QString> copied;
    for (QTextBlock block = target->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            if (!format.isImageFormat()) {
                continue;
            }
            const QString name = format.toImageFormat().name();
            if (!copied.contains(name)) {
                copied.insert(name);
                target->addResource(QTextDocument::ImageResource, QUrl(name),
                                    source->resource(QTextDocument::ImageResource, QUrl(name)));
            }
        }
    }
}
} // namespace

bool DocumentPrinter::printRange(const QTextDocument* document, int start, int end,
                                 QPrinter* printer, QString* error)
{
    PrintedPages pages(printer, document->defaultFont());
    if (!pages.isUsable(error)) {
        return false;
    }
    QTextDocument page;
    page.setUndoRedoEnabled(false);
    page.setDefaultFont(document->defaultFont());
    QTextCursor range(const_cast<QTextDocument*>(document));
    range.setPosition(start);
    range.setPosition(end, QTextCursor::KeepAnchor);
    QTextCursor(&page).insertFragment(range.selection());
    copyPictures(document, &page);
    pages.layOut(&page);
    return pages.print(&page, error) && pages.finish(error);
}
