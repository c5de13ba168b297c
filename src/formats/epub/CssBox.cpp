#include "formats/epub/CssBox.h"

#include "formats/epub/ChapterFormats.h"
#include "formats/epub/CssText.h"

#include <QRegularExpression>
#include <QTextBlockFormat>

namespace Epub {

namespace {
const char* const SideNames[4] = {"top", "right", "bottom", "left"};

QTextFrameFormat::BorderStyle styleOf(const QString& word, bool* known)
{
    static const QHash<QString, QTextFrameFormat::BorderStyle> styles = {
        {QStringLiteral("none"), QTextFrameFormat::BorderStyle_None},
        {QStringLiteral("hidden"), QTextFrameFormat::BorderStyle_None},
        {QStringLiteral("dotted"), QTextFrameFormat::BorderStyle_Dotted},
        {QStringLiteral("dashed"), QTextFrameFormat::BorderStyle_Dashed},
        {QStringLiteral("solid"), QTextFrameFormat::BorderStyle_Solid},
        {QStringLiteral("double"), QTextFrameFormat::BorderStyle_Double},
        {QStringLiteral("groove"), QTextFrameFormat::BorderStyle_Groove},
        {QStringLiteral("ridge"), QTextFrameFormat::BorderStyle_Ridge},
        {QStringLiteral("inset"), QTextFrameFormat::BorderStyle_Inset},
        {QStringLiteral("outset"), QTextFrameFormat::BorderStyle_Outset}};
    const auto found = styles.constFind(word);
    *known = found != styles.cend();
    return *known ? *found : QTextFrameFormat::BorderStyle_None;
}

// The one to four values of a box shorthand (margin, padding, border-width) for top, right,
// bottom and left.
QStringList fourSides(const QStringList& values)
{
    switch (values.size()) {
    case 1:
        return {values[0], values[0], values[0], values[0]};
    case 2:
        return {values[0], values[1], values[0], values[1]};
    case 3:
        return {values[0], values[1], values[2], values[1]};
    case 4:
        return values;
    default:
        return {};
    }
}

// The words of a value, a colour function kept whole ("rgb(1, 2, 3)").
QStringList words(const QString& value)
{
    static const QRegularExpression word(QStringLiteral("[a-zA-Z]+\\([^)]*\\)|[^\\s]+"));
    QStringList list;
    for (auto it = word.globalMatch(value.trimmed()); it.hasNext() && list.size() < 8;) {
        list.append(it.next().captured());
    }
    return list;
}
} // namespace

bool CssBox::pixels(const QString& value, qreal points, qreal* result)
{
    qreal length = 0;
    if (!lengthPixels(value, points, &length)) {
        return false;
    }
    // A border or padding wider than a page is as wide as one can show.
    *result = qBound<qreal>(0, length, 400);
    return true;
}

bool CssBox::lengthPixels(const QString& value, qreal points, qreal* result)
{
    const QString text = value.trimmed().toLower();
    if (text == QLatin1String("thin") || text == QLatin1String("medium") ||
        text == QLatin1String("thick")) {
        *result = text == QLatin1String("thin") ? 1 : text == QLatin1String("medium") ? 3 : 5;
        return true;
    }
    double number = 0;
    QString unit;
    if (!CssText::parseLength(text, &number, &unit)) {
        return false;
    }
    const qreal pointPixels = 96.0 / 72.0;
    qreal scale = 0;
    if (unit == QLatin1String("px") || (unit.isEmpty() && number == 0)) {
        scale = 1;
    } else if (unit == QLatin1String("pt")) {
        scale = pointPixels;
    } else if (unit == QLatin1String("em") || unit == QLatin1String("rem")) {
        scale = points * pointPixels;
    } else if (unit == QLatin1String("ex")) {
        scale = points * pointPixels / 2;
    } else if (unit == QLatin1String("mm")) {
        scale = 96.0 / 25.4;
    } else if (unit == QLatin1String("cm")) {
        scale = 96.0 / 2.54;
    } else if (unit == QLatin1String("in")) {
        scale = 96.0;
    } else {
        return false;
    }
    // Past any page, a length is as good as infinite.
    *result = qBound<qreal>(-1e6, number * scale, 1e6);
    return true;
}

QColor CssBox::color(const QString& value)
{
    const QString text = value.trimmed().toLower();
    if (text.startsWith(QLatin1String("rgb"))) {
        static const QRegularExpression parts(
            QStringLiteral("^rgba?\\(\\s*([\\d.]+%?)\\s*,\\s*([\\d.]+%?)\\s*,\\s*([\\d.]+%?)"));
        const QRegularExpressionMatch match = parts.match(text);
        if (!match.hasMatch()) {
            return {};
        }
        int channels[3];
        for (int i = 0; i < 3; ++i) {
            QString part = match.captured(i + 1);
            const bool percent = part.endsWith(QLatin1Char('%'));
            part.remove(QLatin1Char('%'));
            const double number = part.toDouble();
            channels[i] = qBound(0, int(percent ? number * 2.55 : number), 255);
        }
        return QColor(channels[0], channels[1], channels[2]);
    }
    if (text == QLatin1String("currentcolor") || text == QLatin1String("inherit") ||
        text == QLatin1String("transparent")) {
        return {};
    }
    return QColor::fromString(text);
}

CssBox::Side CssBox::parseSide(const QString& value, qreal points, Side side)
{
    bool styled = false;
    bool sized = false;
    for (const QString& word : words(value)) {
        bool known = false;
        const QTextFrameFormat::BorderStyle style = styleOf(word.toLower(), &known);
        qreal width = 0;
        if (known) {
            side.style = style;
            styled = true;
        } else if (pixels(word, points, &width)) {
            side.width = width;
            sized = true;
        } else if (const QColor color = CssBox::color(word); color.isValid()) {
            side.color = color;
        }
    }
    // A border given by its style alone is medium wide, as in a browser.
    if (styled && !sized && side.width <= 0) {
        side.width = 3;
    }
    return side;
}

CssBox CssBox::fromStyle(const std::function<QString(const QString&)>& valueOf, qreal points)
{
    CssBox box;
    const QString all = valueOf(QStringLiteral("border"));
    for (Side& side : box.sides) {
        side = parseSide(all, points);
    }
    const QStringList widths = fourSides(words(valueOf(QStringLiteral("border-width"))));
    const QStringList styles = fourSides(words(valueOf(QStringLiteral("border-style"))));
    const QStringList colors = fourSides(words(valueOf(QStringLiteral("border-color"))));
    const QStringList paddings = fourSides(words(valueOf(QStringLiteral("padding"))));
    for (int i = 0; i < 4; ++i) {
        Side& side = box.sides[i];
        const QString name = QLatin1String(SideNames[i]);
        if (!styles.isEmpty()) {
            side = parseSide(styles[i], points, side);
        }
        if (!widths.isEmpty()) {
            pixels(widths[i], points, &side.width);
        }
        if (!colors.isEmpty()) {
            side.color = color(colors[i]);
        }
        const QString own = valueOf(QStringLiteral("border-") + name);
        if (!own.isEmpty()) {
            side = parseSide(own, points);
        }
        const QString ownStyle = valueOf(QStringLiteral("border-%1-style").arg(name));
        if (!ownStyle.isEmpty()) {
            side = parseSide(ownStyle, points, side);
        }
        pixels(valueOf(QStringLiteral("border-%1-width").arg(name)), points, &side.width);
        const QString ownColor = valueOf(QStringLiteral("border-%1-color").arg(name));
        if (!ownColor.isEmpty()) {
            side.color = color(ownColor);
        }
        if (side.style == QTextFrameFormat::BorderStyle_None) {
            side.width = 0;
        }
        if (!paddings.isEmpty()) {
            pixels(paddings[i], points, &box.padding[i]);
        }
        pixels(valueOf(QStringLiteral("padding-") + name), points, &box.padding[i]);
    }
    return box;
}

bool CssBox::hasBorder() const
{
    for (const Side& side : sides) {
        if (side.width > 0) {
            return true;
        }
    }
    return false;
}

void CssBox::applyTo(QTextBlockFormat* format, bool first, bool last) const
{
    using namespace ChapterFormats;
    format->setProperty(BoxProperty, true);
    format->setProperty(BoxFirstProperty, first);
    format->setProperty(BoxLastProperty, last);
    for (int i = 0; i < 4; ++i) {
        format->setProperty(BoxBorderWidthProperty + i, sides[i].width);
        format->setProperty(BoxBorderStyleProperty + i, int(sides[i].style));
        if (sides[i].color.isValid()) {
            format->setProperty(BoxBorderColorProperty + i, sides[i].color);
        } else {
            format->clearProperty(BoxBorderColorProperty + i);
        }
        format->setProperty(BoxPaddingProperty + i, padding[i]);
    }
}

} // namespace Epub
