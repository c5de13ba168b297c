#include "formats/epub/ChapterText.h"

#include "formats/epub/ChapterFormats.h"

#include <QTextBlock>
#include <QTextCursor>
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

void spellOutRuby(QTextDocument* document)
{
    // The ends of the runs of ruby, found first and written last to first, so that writing
    // moves no place still to come.
    QList<std::pair<int, QTextCharFormat>> ends;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        QString ruby;
        QTextCharFormat format;
        int end = 0;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QString annotation =
                fragment.charFormat().stringProperty(ChapterFormats::RubyProperty);
            if (annotation != ruby && !ruby.isEmpty()) {
                ends.append({end, format});
            }
            ruby = annotation;
            format = fragment.charFormat();
            end = fragment.position() + fragment.length();
        }
        if (!ruby.isEmpty()) {
            ends.append({end, format});
        }
    }
    QTextCursor cursor(document);
    cursor.beginEditBlock();
    for (auto it = ends.crbegin(); it != ends.crend(); ++it) {
        QTextCharFormat small = it->second;
        const QString annotation = small.stringProperty(ChapterFormats::RubyProperty);
        small.clearProperty(ChapterFormats::RubyProperty);
        const qreal points = small.fontPointSize() > 0 ? small.fontPointSize()
                                                       : document->defaultFont().pointSizeF();
        small.setFontPointSize(qMax<qreal>(1, points * 0.6));
        cursor.setPosition(it->first);
        cursor.insertText(QStringLiteral("(%1)").arg(annotation), small);
    }
    cursor.endEditBlock();
}

} // namespace Epub
