#include "formats/epub/ChapterText.h"

#include "formats/epub/ChapterFormats.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>

namespace Epub {

QString readableText(const QTextDocument& document)
{
    QString text;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (block != document.begin()) {
            text += QLatin1Char('\n');
        }
        QString ruby; // the annotation of the run of ruby being written
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QTextCharFormat format = fragment.charFormat();
            const QString annotation = format.stringProperty(ChapterFormats::RubyProperty);
            if (annotation != ruby && !ruby.isEmpty()) {
                text += QStringLiteral("(%1)").arg(ruby);
            }
            ruby = annotation;
            const QString words = format.stringProperty(ChapterFormats::PictureTextProperty);
            if (format.isImageFormat() && !words.isEmpty()) {
                for (int i = 0; i < fragment.length(); ++i) {
                    text += QStringLiteral("[%1]").arg(words);
                }
            } else {
                text += fragment.text();
            }
        }
        if (!ruby.isEmpty()) {
            text += QStringLiteral("(%1)").arg(ruby);
        }
    }
    // Line breaks inside a paragraph are ends of lines too.
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    return text;
}

} // namespace Epub
