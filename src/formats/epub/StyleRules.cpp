#include "formats/epub/StyleRules.h"

#include "formats/epub/CssText.h"

#include <QSet>
#include <algorithm>

namespace Epub {

namespace {
bool isNameStart(QChar c)
{
    return c.isLetter() || c == QLatin1Char('_') || c == QLatin1Char('-') || c.unicode() > 127;
}

bool isNameChar(QChar c)
{
    return isNameStart(c) || c.isDigit();
}

// The name starting at i (a tag, class or id); returns its end.
qsizetype skipName(QStringView text, qsizetype i)
{
    while (i < text.size() && isNameChar(text.at(i))) {
        ++i;
    }
    return i;
}

// Each property once, where it was given last; the order of the rest is kept, since a
// shorthand (margin) and its parts (margin-left) override each other in order.
StyleRules::Declarations lastOfEach(const StyleRules::Declarations& list)
{
    QSet<QString> seen;
    StyleRules::Declarations unique;
    for (auto it = list.crbegin(); it != list.crend(); ++it) {
        if (!seen.contains(it->first)) {
            seen.insert(it->first);
            unique.append(*it);
        }
    }
    std::reverse(unique.begin(), unique.end());
    return unique;
}

// Selectors longer than this are not matched: no book needs them, and each part can cost a
// walk up the element's ancestors.
constexpr int MaxCompounds = 16;
} // namespace

StyleRules::Declarations StyleRules::declarations(const QString& style)
{
    Declarations list;
    for (const QString& declaration : style.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const qsizetype colon = declaration.indexOf(QLatin1Char(':'));
        if (colon <= 0) {
            continue;
        }
        QString value = declaration.mid(colon + 1).trimmed();
        value.remove(QStringLiteral("!important"), Qt::CaseInsensitive);
        const QString property = declaration.left(colon).trimmed().toLower();
        if (!property.isEmpty()) {
            list.append({property, value.trimmed()});
        }
    }
    return lastOfEach(list);
}

QString StyleRules::valueOf(const Declarations& declarations, const QString& property)
{
    for (auto it = declarations.crbegin(); it != declarations.crend(); ++it) {
        if (it->first == property) {
            return it->second;
        }
    }
    return {};
}

bool StyleRules::parseSelector(QStringView text, Rule* rule, bool* unsupported)
{
    *unsupported = false;
    qsizetype i = 0;
    auto skipSpace = [&] {
        const qsizetype from = i;
        while (i < text.size() && text.at(i).isSpace()) {
            ++i;
        }
        return i > from;
    };
    skipSpace();
    while (i < text.size()) {
        Compound compound;
        bool any = false;
        if (text.at(i) == QLatin1Char('*')) {
            ++i;
            any = true;
        } else if (isNameStart(text.at(i))) {
            const qsizetype end = skipName(text, i);
            compound.tag = text.mid(i, end - i).toString().toLower();
            i = end;
            any = true;
        }
        while (i < text.size() &&
               (text.at(i) == QLatin1Char('.') || text.at(i) == QLatin1Char('#'))) {
            const bool isClass = text.at(i) == QLatin1Char('.');
            const qsizetype end = skipName(text, i + 1);
            if (end == i + 1) {
                return false;
            }
            const QString name = text.mid(i + 1, end - i - 1).toString();
            if (isClass) {
                compound.classes.append(name);
            } else if (compound.id.isEmpty() || compound.id == name) {
                compound.id = name;
            } else {
                return false; // two ids: matches nothing
            }
            i = end;
            any = true;
        }
        if (i < text.size() && text.at(i) == QLatin1Char(':')) {
            // The first letter of an element (a drop cap) is matched here; other pseudo-classes
            // are left to Qt.
            QStringView rest = text.mid(i + 1).trimmed();
            if (rest.startsWith(QLatin1Char(':'))) {
                rest = rest.mid(1);
            }
            if (!any || rest.compare(QLatin1String("first-letter"), Qt::CaseInsensitive) != 0) {
                *unsupported = true;
                return false;
            }
            rule->firstLetter = true;
            i = text.size();
        }
        if (i < text.size() && text.at(i) == QLatin1Char('[')) {
            *unsupported = true;
            return false;
        }
        if (!any) {
            return false;
        }
        rule->compounds.append(compound);
        const bool spaced = skipSpace();
        if (i >= text.size()) {
            break;
        }
        const QChar c = text.at(i);
        if (c == QLatin1Char('~')) {
            *unsupported = true;
            return false;
        }
        if (c == QLatin1Char('>') || c == QLatin1Char('+')) {
            rule->combinators.append(c);
            ++i;
            skipSpace();
        } else if (spaced) {
            rule->combinators.append(QLatin1Char(' '));
        } else {
            return false;
        }
        if (rule->compounds.size() >= MaxCompounds) {
            return false;
        }
    }
    if (rule->compounds.isEmpty() || rule->combinators.size() != rule->compounds.size() - 1) {
        return false;
    }
    qint64 ids = 0;
    qint64 classes = 0;
    qint64 tags = 0;
    for (const Compound& compound : std::as_const(rule->compounds)) {
        ids += compound.id.isEmpty() ? 0 : 1;
        classes += compound.classes.size();
        tags += compound.tag.isEmpty() ? 0 : 1;
    }
    rule->specificity = (ids << 40) | (qMin<qint64>(classes, 0xfffff) << 20) | tags;
    return true;
}

void StyleRules::addStyleSheet(const QString& cssText)
{
    const QString css = CssText::withoutComments(cssText);
    for (const auto& [selectors, block] : CssText::rules(css)) {
        const Declarations values = declarations(block);
        if (values.isEmpty()) {
            continue;
        }
        for (const QString& selectorText : selectors.split(QLatin1Char(','))) {
            Rule rule;
            bool unsupported = false;
            if (!parseSelector(selectorText, &rule, &unsupported)) {
                if (unsupported && m_qtRules.size() < MaxQtRules) {
                    m_qtRules.append({selectorText.trimmed(), block});
                }
                continue;
            }
            rule.order = int(m_rules.size());
            rule.declarations = values;
            const Compound& last = rule.compounds.constLast();
            if (last.id.isEmpty() && last.classes.isEmpty() && last.tag.isEmpty() &&
                m_universal.size() >= MaxUniversalRules) {
                continue;
            }
            m_firstLetterRules += rule.firstLetter ? 1 : 0;
            m_rules.append(rule);
            file(rule.order);
        }
    }
}

void StyleRules::file(int index)
{
    const Compound& last = m_rules.at(index).compounds.constLast();
    if (!last.id.isEmpty()) {
        m_byId[last.id].append(index);
    } else if (!last.classes.isEmpty()) {
        m_byClass[last.classes.first()].append(index);
    } else if (!last.tag.isEmpty()) {
        m_byTag[last.tag].append(index);
    } else {
        m_universal.append(index);
    }
}

bool StyleRules::compoundMatches(const Compound& compound, const Element& element)
{
    if ((!compound.tag.isEmpty() && compound.tag != element.tag) ||
        (!compound.id.isEmpty() && compound.id != element.id)) {
        return false;
    }
    for (const QString& cls : compound.classes) {
        if (!element.classes.contains(cls)) {
            return false;
        }
    }
    return true;
}

bool StyleRules::matches(const Rule& rule, qsizetype index, const Element& element) const
{
    if (++m_steps > StepBudget || !compoundMatches(rule.compounds.at(index), element)) {
        return false;
    }
    if (index == 0) {
        return true;
    }
    switch (rule.combinators.at(index - 1).unicode()) {
    case '>':
        return element.parent && matches(rule, index - 1, *element.parent);
    case '+':
        return element.previous && matches(rule, index - 1, *element.previous);
    default:
        for (const Element* above = element.parent; above; above = above->parent) {
            if (matches(rule, index - 1, *above)) {
                return true;
            }
            if (m_steps > StepBudget) {
                return false;
            }
        }
        return false;
    }
}

StyleRules::Declarations StyleRules::declarationsFor(const Element& element, bool firstLetter) const
{
    if (m_rules.isEmpty() || exhausted() || (firstLetter && m_firstLetterRules == 0)) {
        return {};
    }
    QList<const Rule*> matched;
    auto consider = [&](const QList<int>& candidates) {
        for (int index : candidates) {
            const Rule& rule = m_rules.at(index);
            if (rule.firstLetter == firstLetter &&
                matches(rule, rule.compounds.size() - 1, element)) {
                matched.append(&rule);
            }
        }
    };
    if (!element.id.isEmpty()) {
        consider(m_byId.value(element.id));
    }
    // Each class of the element once; an element naming hundreds is looked up under its first.
    QSet<QString> classes;
    for (const QString& cls : element.classes) {
        if (classes.size() >= MaxElementClasses) {
            break;
        }
        if (!classes.contains(cls)) {
            classes.insert(cls);
            consider(m_byClass.value(cls));
        }
    }
    consider(m_byTag.value(element.tag));
    consider(m_universal);
    if (matched.isEmpty()) {
        return {};
    }
    std::sort(matched.begin(), matched.end(), [](const Rule* a, const Rule* b) {
        return a->specificity != b->specificity ? a->specificity < b->specificity
                                                : a->order < b->order;
    });
    if (matched.size() == 1) {
        return matched.first()->declarations;
    }
    // Elements alike receive the same rules: their cascade is worked out once.
    QByteArray key;
    for (const Rule* rule : std::as_const(matched)) {
        key += QByteArray::number(rule->order) + ' ';
    }
    auto cached = m_cascades.constFind(key);
    if (cached == m_cascades.cend()) {
        Declarations all;
        for (const Rule* rule : std::as_const(matched)) {
            all += rule->declarations;
        }
        cached = m_cascades.insert(key, lastOfEach(all));
    }
    return *cached;
}

QString StyleRules::qtCss(qreal basePoints) const
{
    QString css;
    for (const auto& [selector, block] : m_qtRules) {
        css += selector + QStringLiteral(" { ") + CssText::emToPixels(block, basePoints) +
               QStringLiteral(" }\n");
    }
    return css;
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
    qreal number = 0;
    QString unit;
    if (!CssText::parseLength(value, &number, &unit)) {
        return parentPoints;
    }
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
