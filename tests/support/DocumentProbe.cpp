#include "support/DocumentProbe.h"

#include <QImage>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <QUrl>

namespace DocumentProbe {

namespace {
template <typename Visit> void eachFragment(const QTextDocument& document, Visit visit)
{
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            visit(it.fragment());
        }
    }
}
} // namespace

QTextCharFormat formatOf(const QTextDocument& document, const QString& needle)
{
    QTextCharFormat found;
    bool done = false;
    eachFragment(document, [&](const QTextFragment& fragment) {
        if (!done && fragment.text().contains(needle)) {
            found = fragment.charFormat();
            done = true;
        }
    });
    return found;
}

bool hasPicture(const QTextDocument& document)
{
    bool picture = false;
    eachFragment(document, [&](const QTextFragment& fragment) {
        const QTextCharFormat format = fragment.charFormat();
        if (format.isImageFormat()) {
            const QVariant image = document.resource(QTextDocument::ImageResource,
                                                     QUrl(format.toImageFormat().name()));
            picture = picture || (image.isValid() && !image.value<QImage>().isNull());
        }
    });
    return picture;
}

QStringList toolTips(const QTextDocument& document)
{
    QStringList tips;
    eachFragment(document, [&](const QTextFragment& fragment) {
        const QString tip = fragment.charFormat().toolTip();
        if (!tip.isEmpty()) {
            tips.append(tip);
        }
    });
    return tips;
}

int anchorPosition(const QTextDocument& document, const QString& name)
{
    int position = -1;
    eachFragment(document, [&](const QTextFragment& fragment) {
        if (position < 0 && fragment.charFormat().anchorNames().contains(name)) {
            position = fragment.position();
        }
    });
    return position;
}

QString missingInOrder(const QString& text, const QStringList& snippets)
{
    qsizetype from = 0;
    for (const QString& snippet : snippets) {
        const qsizetype at = text.indexOf(snippet, from);
        if (at < 0) {
            return snippet;
        }
        from = at + snippet.size();
    }
    return {};
}

} // namespace DocumentProbe
