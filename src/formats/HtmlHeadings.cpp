#include "formats/HtmlHeadings.h"

#include <QRegularExpression>
#include <QStringDecoder>
#include <QTextDocumentFragment>

QList<HtmlHeadings::Heading> HtmlHeadings::read(const QByteArray& html)
{
    QStringDecoder decoder = QStringDecoder::decoderForHtml(html);
    const QString page = decoder.isValid() ? decoder.decode(html) : QString::fromUtf8(html);
    static const QRegularExpression heading(QStringLiteral("<h([1-6])(\\s[^>]*)?>(.*?)</h\\1\\s*>"),
                                            QRegularExpression::CaseInsensitiveOption |
                                                QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression idAttribute(
        QStringLiteral("\\bid\\s*=\\s*(?:\"([^\"]*)\"|'([^']*)'|([^\\s>]+))"),
        QRegularExpression::CaseInsensitiveOption);
    QList<Heading> headings;
    int shallowest = 6;
    int index = 0;
    for (auto it = heading.globalMatch(page); it.hasNext(); ++index) {
        const QRegularExpressionMatch match = it.next();
        const QString title =
            QTextDocumentFragment::fromHtml(match.captured(3)).toPlainText().simplified();
        if (title.isEmpty()) {
            continue;
        }
        Heading entry;
        entry.title = title;
        entry.depth = match.captured(1).toInt();
        entry.index = index;
        const QRegularExpressionMatch id = idAttribute.match(match.captured(2));
        if (id.hasMatch()) {
            for (int group = 1; group <= 3; ++group) {
                if (!id.captured(group).isEmpty()) {
                    entry.id = id.captured(group);
                }
            }
        }
        shallowest = qMin(shallowest, entry.depth);
        headings.append(entry);
    }
    for (Heading& entry : headings) {
        entry.depth -= shallowest;
    }
    return headings;
}
