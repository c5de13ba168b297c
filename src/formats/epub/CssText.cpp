#include "formats/epub/CssText.h"

namespace Epub {

namespace {
bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// Characters that continue a name (a class, a property, a unit).
bool isNameChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('-');
}

// The end of the quoted string starting at from (its quote): after the closing quote, or at the
// line's end, where CSS ends an unclosed string.
qsizetype skipString(QStringView css, qsizetype from)
{
    const QChar quote = css.at(from);
    qsizetype i = from + 1;
    while (i < css.size()) {
        const QChar c = css.at(i);
        if (c == QLatin1Char('\\')) {
            i += 2;
            continue;
        }
        ++i;
        if (c == quote || c == QLatin1Char('\n')) {
            break;
        }
    }
    return qMin(i, css.size());
}

// The end of the block whose opening brace is at from: after its closing brace, blocks inside
// it skipped whole.
qsizetype skipBlock(QStringView css, qsizetype from)
{
    int depth = 0;
    qsizetype i = from;
    while (i < css.size()) {
        const QChar c = css.at(i);
        if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            i = skipString(css, i);
            continue;
        }
        ++i;
        if (c == QLatin1Char('{')) {
            ++depth;
        } else if (c == QLatin1Char('}') && --depth == 0) {
            break;
        }
    }
    return i;
}

// The digits of a number from i on ("12", "12.5", ".5"); returns the end, or i when none.
qsizetype skipNumber(QStringView text, qsizetype i)
{
    qsizetype end = i;
    while (end < text.size() && isDigit(text.at(end))) {
        ++end;
    }
    if (end + 1 < text.size() && text.at(end) == QLatin1Char('.') && isDigit(text.at(end + 1))) {
        ++end;
        while (end < text.size() && isDigit(text.at(end))) {
            ++end;
        }
    }
    return end;
}

// Whether the text just before at reads "font-size", a colon, and spaces.
bool followsFontSize(QStringView css, qsizetype at)
{
    qsizetype i = at;
    while (i > 0 && css.at(i - 1).isSpace()) {
        --i;
    }
    if (i == 0 || css.at(i - 1) != QLatin1Char(':')) {
        return false;
    }
    --i;
    while (i > 0 && css.at(i - 1).isSpace()) {
        --i;
    }
    const QLatin1String property("font-size");
    return i >= property.size() &&
           css.mid(i - property.size(), property.size()).compare(property, Qt::CaseInsensitive) ==
               0;
}
} // namespace

QString CssText::withoutComments(QStringView css)
{
    QString out;
    out.reserve(css.size());
    qsizetype i = 0;
    while (i < css.size()) {
        const qsizetype open = css.indexOf(QLatin1String("/*"), i);
        if (open < 0) {
            out += css.mid(i);
            break;
        }
        out += css.mid(i, open - i);
        const qsizetype close = css.indexOf(QLatin1String("*/"), open + 2);
        if (close < 0) {
            break;
        }
        i = close + 2;
    }
    return out;
}

QString CssText::withoutImports(QStringView css)
{
    const QLatin1String import("@import");
    QString out;
    qsizetype i = 0;
    while (i < css.size()) {
        const qsizetype at = css.indexOf(import, i, Qt::CaseInsensitive);
        if (at < 0) {
            out += css.mid(i);
            break;
        }
        out += css.mid(i, at - i);
        const qsizetype end = css.indexOf(QLatin1Char(';'), at);
        if (end < 0) {
            break;
        }
        i = end + 1;
    }
    return out;
}

QList<std::pair<QString, QString>> CssText::rules(QStringView css)
{
    QList<std::pair<QString, QString>> found;
    qsizetype i = 0;
    while (i < css.size()) {
        const QChar c = css.at(i);
        if (c.isSpace() || c == QLatin1Char('}') || c == QLatin1Char(';')) {
            ++i; // a stray brace or semicolon ends nothing
            continue;
        }
        const bool atRule = c == QLatin1Char('@');
        const qsizetype start = i;
        // The prelude runs to the block; an at-rule without a block ends at its semicolon.
        while (i < css.size() && css.at(i) != QLatin1Char('{') &&
               !(atRule && css.at(i) == QLatin1Char(';'))) {
            if (css.at(i) == QLatin1Char('"') || css.at(i) == QLatin1Char('\'')) {
                i = skipString(css, i);
            } else {
                ++i;
            }
        }
        if (i >= css.size()) {
            break;
        }
        if (css.at(i) == QLatin1Char(';')) {
            ++i;
            continue;
        }
        const qsizetype end = skipBlock(css, i);
        if (!atRule) {
            const qsizetype inner =
                end > i + 1 && css.at(end - 1) == QLatin1Char('}') ? end - 1 : end;
            found.append(
                {css.mid(start, i - start).toString(), css.mid(i + 1, inner - i - 1).toString()});
        }
        i = end;
    }
    return found;
}

bool CssText::parseLength(QStringView text, double* number, QString* unit)
{
    text = text.trimmed();
    qsizetype i = 0;
    if (i < text.size() && (text.at(i) == QLatin1Char('-') || text.at(i) == QLatin1Char('+'))) {
        ++i;
    }
    const qsizetype end = skipNumber(text, i);
    // At least one digit, and never a number that ends in its point.
    if (end == i || (end == i + 1 && text.at(i) == QLatin1Char('.'))) {
        return false;
    }
    bool ok = false;
    const double value = text.left(end).toDouble(&ok);
    if (!ok && !qIsInf(value)) {
        return false;
    }
    const QStringView rest = text.mid(end).trimmed();
    for (QChar c : rest) {
        if (!c.isLetter() && c != QLatin1Char('%')) {
            return false;
        }
    }
    *number = value;
    *unit = rest.toString().toLower();
    return true;
}

QString CssText::emToPixels(QStringView css, qreal basePoints)
{
    QString out;
    out.reserve(css.size());
    qsizetype copied = 0;
    qsizetype i = 0;
    while (i < css.size()) {
        const QChar c = css.at(i);
        if (!isDigit(c) &&
            !(c == QLatin1Char('.') && i + 1 < css.size() && isDigit(css.at(i + 1)))) {
            ++i;
            continue;
        }
        // A minus before the number is its sign, unless it continues a name ("a-1em"); a
        // number inside a name (".col2em", "h1", "#p2") is part of the name.
        const QChar before = i > 0 ? css.at(i - 1) : QChar();
        const QChar beforeSign = i > 1 ? css.at(i - 2) : QChar();
        qsizetype first = i;
        bool inName = false;
        if (before == QLatin1Char('-')) {
            inName = isNameChar(beforeSign);
            first = i - 1;
        } else if (i > 0) {
            inName = isNameChar(before) || before == QLatin1Char('.') || before == QLatin1Char('#');
        }
        if (inName) {
            i = skipNumber(css, i); // a run of digits is passed over once, whole
            continue;
        }
        const qsizetype numberEnd = skipNumber(css, i);
        qsizetype unitStart = numberEnd;
        while (unitStart < css.size() && css.at(unitStart).isSpace()) {
            ++unitStart;
        }
        qsizetype unitEnd = unitStart;
        while (unitEnd < css.size() && css.at(unitEnd).isLetter() && unitEnd - unitStart < 4) {
            ++unitEnd;
        }
        const QStringView unit = css.mid(unitStart, unitEnd - unitStart);
        const bool relative = unit.compare(QLatin1String("em"), Qt::CaseInsensitive) == 0 ||
                              unit.compare(QLatin1String("rem"), Qt::CaseInsensitive) == 0;
        if (!relative || (unitEnd < css.size() && isNameChar(css.at(unitEnd))) ||
            followsFontSize(css, first)) {
            i = numberEnd;
            continue;
        }
        // A giant number is as big as a page can show.
        const double value = css.mid(first, numberEnd - first).toDouble();
        const double pixels = qBound(-100000.0, value * basePoints * 96.0 / 72.0, 100000.0);
        out += css.mid(copied, first - copied);
        out += QString::number(qRound(pixels)) + QStringLiteral("px");
        copied = unitEnd;
        i = unitEnd;
    }
    out += css.mid(copied);
    return out;
}

} // namespace Epub
