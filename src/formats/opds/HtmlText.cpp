#include "formats/opds/HtmlText.h"

#include <QHash>
#include <QRegularExpression>

namespace {
QString entity(const QString& name)
{
    static const QHash<QString, QString> named = {
        {QStringLiteral("amp"), QStringLiteral("&")},
        {QStringLiteral("lt"), QStringLiteral("<")},
        {QStringLiteral("gt"), QStringLiteral(">")},
        {QStringLiteral("quot"), QStringLiteral("\"")},
        {QStringLiteral("apos"), QStringLiteral("'")},
        {QStringLiteral("nbsp"), QString(QChar(0xA0))},
        {QStringLiteral("mdash"), QString(QChar(0x2014))},
        {QStringLiteral("ndash"), QString(QChar(0x2013))},
        {QStringLiteral("hellip"), QString(QChar(0x2026))},
        {QStringLiteral("rsquo"), QString(QChar(0x2019))},
        {QStringLiteral("lsquo"), QString(QChar(0x2018))},
        {QStringLiteral("rdquo"), QString(QChar(0x201D))},
        {QStringLiteral("ldquo"), QString(QChar(0x201C))},
    };
    if (name.startsWith(QLatin1Char('#'))) {
        bool ok = false;
        const uint code = name.startsWith(QLatin1String("#x"), Qt::CaseInsensitive)
                              ? name.mid(2).toUInt(&ok, 16)
                              : name.mid(1).toUInt(&ok, 10);
        // Control characters and code points that are not characters are not text.
        if (!ok || code < 0x20 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            return QString();
        }
        const char32_t c = code;
        return QString::fromUcs4(&c, 1);
    }
    return named.value(name, QStringLiteral("&") + name + QLatin1Char(';'));
}

bool breaksLine(const QString& tag)
{
    static const QStringList blocks = {
        QStringLiteral("br"), QStringLiteral("p"),  QStringLiteral("div"),
        QStringLiteral("li"), QStringLiteral("tr"), QStringLiteral("h1"),
        QStringLiteral("h2"), QStringLiteral("h3"), QStringLiteral("h4"),
        QStringLiteral("h5"), QStringLiteral("h6"), QStringLiteral("blockquote")};
    return blocks.contains(tag);
}
} // namespace

QString HtmlText::toPlainText(const QString& html)
{
    QString text;
    text.reserve(html.size());
    qsizetype i = 0;
    const qsizetype n = html.size();
    bool skipping = false; // inside a script or style element
    while (i < n) {
        const QChar c = html.at(i);
        if (c == QLatin1Char('<')) {
            const qsizetype end = html.indexOf(QLatin1Char('>'), i + 1);
            if (end < 0) {
                break; // an unclosed tag ends the text
            }
            const QString inside = html.mid(i + 1, end - i - 1).trimmed();
            const bool closing = inside.startsWith(QLatin1Char('/'));
            const QString name = inside.mid(closing ? 1 : 0)
                                     .section(QRegularExpression(QStringLiteral("[\\s/]")), 0, 0)
                                     .toLower();
            if (name == QLatin1String("script") || name == QLatin1String("style")) {
                skipping = !closing;
            } else if (!skipping && breaksLine(name)) {
                text += QLatin1Char('\n');
            }
            i = end + 1;
            continue;
        }
        if (skipping) {
            ++i;
            continue;
        }
        if (c == QLatin1Char('&')) {
            const qsizetype end = html.indexOf(QLatin1Char(';'), i + 1);
            if (end > i + 1 && end - i <= 10) {
                text += entity(html.mid(i + 1, end - i - 1));
                i = end + 1;
                continue;
            }
        }
        text += c.isSpace() ? QChar(QLatin1Char(' ')) : c;
        ++i;
    }
    // Runs of blanks become one; no more than one empty line between paragraphs.
    QStringList lines;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        const QString simple = line.simplified();
        if (!simple.isEmpty() || (!lines.isEmpty() && !lines.last().isEmpty())) {
            lines.append(simple);
        }
    }
    while (!lines.isEmpty() && lines.last().isEmpty()) {
        lines.removeLast();
    }
    return lines.join(QLatin1Char('\n'));
}
