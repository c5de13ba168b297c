#include "formats/package/InlineFormat.h"

#include <QColor>
#include <QRegularExpression>

namespace Books {

QString InlineFormat::cssColor(const QString& value)
{
    const QString trimmed = value.trimmed();
    static const QRegularExpression hex(QStringLiteral("^#?([0-9A-Fa-f]{6})$"));
    if (const QRegularExpressionMatch match = hex.match(trimmed); match.hasMatch()) {
        return QLatin1Char('#') + match.captured(1).toLower();
    }
    // Named colours (Word's highlight names among them); never a whole style text, so nothing
    // but a colour reaches the style attribute.
    static const QRegularExpression name(QStringLiteral("^[A-Za-z]{3,20}$"));
    if (!name.match(trimmed).hasMatch()) {
        return {};
    }
    const QString lower = trimmed.toLower();
    if (lower == QLatin1String("auto") || lower == QLatin1String("transparent") ||
        lower == QLatin1String("none")) {
        return {};
    }
    // Word's highlight colours that are not CSS names.
    static const QHash<QString, QString> word = {
        {QStringLiteral("darkyellow"), QStringLiteral("#808000")},
        {QStringLiteral("darkmagenta"), QStringLiteral("#800080")},
        {QStringLiteral("lightgray"), QStringLiteral("#c0c0c0")},
        {QStringLiteral("darkgray"), QStringLiteral("#808080")}};
    if (const auto it = word.constFind(lower); it != word.cend()) {
        return *it;
    }
    const QColor color = QColor::fromString(lower);
    return color.isValid() ? color.name() : QString();
}

} // namespace Books
