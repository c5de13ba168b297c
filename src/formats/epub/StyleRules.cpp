#include "formats/epub/StyleRules.h"

#include <QRegularExpression>

namespace Epub {

QHash<QString, QString> StyleRules::declarations(const QString& style)
{
    QHash<QString, QString> result;
    for (const QString& declaration : style.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const int colon = declaration.indexOf(QLatin1Char(':'));
        if (colon <= 0) {
            continue;
        }
        QString value = declaration.mid(colon + 1).trimmed();
        value.remove(QStringLiteral("!important"));
        result.insert(declaration.left(colon).trimmed().toLower(), value.trimmed());
    }
    return result;
}

void StyleRules::addStyleSheet(const QString& cssText)
{
    static const QRegularExpression comments(QStringLiteral("/\\*.*?\\*/"),
                                             QRegularExpression::DotMatchesEverythingOption);
    QString css = cssText;
    css.remove(comments);
    // At-rules with blocks (@media, @font-face, @page) are skipped with their blocks.
    static const QRegularExpression atBlock(
        QStringLiteral("@[^{;]*\\{([^{}]*\\{[^}]*\\})*[^}]*\\}"));
    css.remove(atBlock);
    static const QRegularExpression rule(QStringLiteral("([^{}]+)\\{([^}]*)\\}"));
    static const QRegularExpression compound(
        QStringLiteral("^([a-zA-Z][a-zA-Z0-9]*|\\*)?((?:\\.[a-zA-Z0-9_-]+)*)(#[a-zA-Z0-9_-]+)?$"));
    for (auto it = rule.globalMatch(css); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        const QHash<QString, QString> values = declarations(match.captured(2));
        if (values.isEmpty()) {
            continue;
        }
        for (const QString& selectorText : match.captured(1).split(QLatin1Char(','))) {
            const QRegularExpressionMatch selector = compound.match(selectorText.trimmed());
            if (!selector.hasMatch() || selectorText.trimmed().isEmpty()) {
                continue;
            }
            Rule parsed;
            parsed.tag = selector.captured(1) == QLatin1String("*")
                             ? QString()
                             : selector.captured(1).toLower();
            parsed.classes = selector.captured(2).split(QLatin1Char('.'), Qt::SkipEmptyParts);
            parsed.id = selector.captured(3).mid(1);
            parsed.specificity = (parsed.id.isEmpty() ? 0 : 100) + 10 * int(parsed.classes.size()) +
                                 (parsed.tag.isEmpty() ? 0 : 1);
            parsed.order = int(m_rules.size());
            parsed.declarations = values;
            m_rules.append(parsed);
        }
    }
}

QString StyleRules::value(const QString& property, const QString& tag, const QStringList& classes,
                          const QString& id, const QString& inlineStyle) const
{
    if (!inlineStyle.isEmpty()) {
        const QHash<QString, QString> inlineValues = declarations(inlineStyle);
        if (inlineValues.contains(property)) {
            return inlineValues.value(property);
        }
    }
    const Rule* best = nullptr;
    for (const Rule& rule : m_rules) {
        if (!rule.declarations.contains(property) || (!rule.tag.isEmpty() && rule.tag != tag) ||
            (!rule.id.isEmpty() && rule.id != id)) {
            continue;
        }
        bool allClasses = true;
        for (const QString& cls : rule.classes) {
            allClasses = allClasses && classes.contains(cls);
        }
        if (allClasses && (!best || rule.specificity >= best->specificity)) {
            best = &rule;
        }
    }
    return best ? best->declarations.value(property) : QString();
}

qreal StyleRules::fontPoints(const QString& valueText, qreal parentPoints, qreal rootPoints)
{
    const QString value = valueText.trimmed().toLower();
    static const QHash<QString, qreal> keywords = {
        {QStringLiteral("xx-small"), 0.6}, {QStringLiteral("x-small"), 0.75},
        {QStringLiteral("small"), 0.89},   {QStringLiteral("medium"), 1.0},
        {QStringLiteral("large"), 1.2},    {QStringLiteral("x-large"), 1.5},
        {QStringLiteral("xx-large"), 2.0}};
    if (keywords.contains(value)) {
        return rootPoints * keywords.value(value);
    }
    if (value == QLatin1String("smaller")) {
        return parentPoints / 1.2;
    }
    if (value == QLatin1String("larger")) {
        return parentPoints * 1.2;
    }
    static const QRegularExpression length(
        QStringLiteral("^(-?[0-9]*\\.?[0-9]+)\\s*(pt|px|em|rem|%|ex|pc|in|cm|mm)?$"));
    const QRegularExpressionMatch match = length.match(value);
    if (!match.hasMatch()) {
        return parentPoints;
    }
    const qreal number = match.captured(1).toDouble();
    const QString unit = match.captured(2);
    qreal points = parentPoints;
    if (unit == QLatin1String("pt")) {
        points = number;
    } else if (unit == QLatin1String("px")) {
        points = number * 0.75;
    } else if (unit == QLatin1String("em")) {
        points = number * parentPoints;
    } else if (unit == QLatin1String("rem")) {
        points = number * rootPoints;
    } else if (unit == QLatin1String("%")) {
        points = number * parentPoints / 100.0;
    } else if (unit == QLatin1String("ex")) {
        points = number * parentPoints / 2.0;
    } else if (unit == QLatin1String("pc")) {
        points = number * 12.0;
    } else if (unit == QLatin1String("in")) {
        points = number * 72.0;
    } else if (unit == QLatin1String("cm")) {
        points = number * 72.0 / 2.54;
    } else if (unit == QLatin1String("mm")) {
        points = number * 72.0 / 25.4;
    }
    // A size of nothing, or a giant one, would make the text unreadable.
    return qBound<qreal>(1.0, points, 400.0);
}

} // namespace Epub
