// What the reader's character and paragraph state becomes in the document, and the targets of
// hyperlink fields.
#include "formats/rtf/RtfParser.h"

#include "formats/rtf/RtfTextProperties.h"

namespace Rtf {

QTextCharFormat RtfParser::charFormat(const CharState& chars) const
{
    QTextCharFormat format;
    if (chars.bold) {
        format.setFontWeight(QFont::Bold);
    }
    if (chars.italic) {
        format.setFontItalic(true);
    }
    if (chars.underline == QTextCharFormat::SingleUnderline) {
        format.setFontUnderline(true); // as the view underlines a selection
    } else if (chars.underline != QTextCharFormat::NoUnderline) {
        format.setUnderlineStyle(QTextCharFormat::UnderlineStyle(chars.underline));
    }
    if (chars.doubleUnderline && chars.underline == QTextCharFormat::SingleUnderline) {
        format.setProperty(DoubleUnderlineProperty, true);
    }
    if (chars.smallCaps) {
        format.setFontCapitalization(QFont::SmallCaps);
    }
    if (chars.strike) {
        format.setFontStrikeOut(true);
    }
    if (chars.verticalAlignment != QTextCharFormat::AlignNormal) {
        format.setVerticalAlignment(QTextCharFormat::VerticalAlignment(chars.verticalAlignment));
    }
    if (chars.size > 0) {
        format.setFontPointSize(chars.size / 2.0);
    }
    if (chars.offset != 0) {
        // The offset is kept relative to the font size, as the document lays it out.
        const int size = chars.size > 0 ? chars.size : 24;
        format.setBaselineOffset(chars.offset * 100.0 / size);
    }
    if (chars.font >= 0) {
        const auto it = m_fonts.constFind(chars.font);
        if (it != m_fonts.constEnd() && !it->name.isEmpty()) {
            format.setFontFamilies(QStringList(it->name));
        }
    }
    if (chars.foreground > 0 && chars.foreground < m_colors.size() &&
        m_colors[chars.foreground].isValid()) {
        format.setForeground(m_colors[chars.foreground]);
    }
    if (chars.background > 0 && chars.background < m_colors.size() &&
        m_colors[chars.background].isValid()) {
        format.setBackground(m_colors[chars.background]);
    }
    if (!chars.href.isEmpty()) {
        format.setAnchor(true);
        format.setAnchorHref(chars.href);
    }
    return format;
}

QTextBlockFormat RtfParser::blockFormat(const ParaState& para) const
{
    QTextBlockFormat format;
    switch (para.alignment) {
    case 1:
        format.setAlignment(Qt::AlignHCenter);
        break;
    case 2:
        format.setAlignment(Qt::AlignRight);
        break;
    case 3:
        format.setAlignment(Qt::AlignJustify);
        break;
    default:
        break;
    }
    if (para.leftIndent != 0) {
        format.setLeftMargin(para.leftIndent / 15.0);
    }
    if (para.rightIndent != 0) {
        format.setRightMargin(para.rightIndent / 15.0);
    }
    if (para.firstIndent != 0) {
        format.setTextIndent(para.firstIndent / 15.0);
    }
    if (para.spaceBefore != 0) {
        format.setTopMargin(para.spaceBefore / 15.0);
    }
    if (para.spaceAfter != 0) {
        format.setBottomMargin(para.spaceAfter / 15.0);
    }
    if (para.pageBreakBefore) {
        format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    }
    return format;
}

QTextListFormat RtfParser::listFormat(const ParaState& para) const
{
    QTextListFormat format;
    const auto id = m_listOverrides.constFind(para.list);
    if (id == m_listOverrides.constEnd()) {
        return format;
    }
    const QList<ListLevel> levels = m_listLevels.value(*id);
    if (para.listLevel >= levels.size()) {
        return format;
    }
    const ListLevel& level = levels[para.listLevel];
    QTextListFormat::Style style = QTextListFormat::ListStyleUndefined;
    switch (level.numbering) {
    case 0:
        style = QTextListFormat::ListDecimal;
        break;
    case 1:
        style = QTextListFormat::ListUpperRoman;
        break;
    case 2:
        style = QTextListFormat::ListLowerRoman;
        break;
    case 3:
        style = QTextListFormat::ListUpperAlpha;
        break;
    case 4:
        style = QTextListFormat::ListLowerAlpha;
        break;
    case 23: {
        // The bullet the level writes: symbol fonts' bullets sit in the private area.
        const char16_t c = level.text.isEmpty() ? u'\x2022' : level.text[0].unicode();
        if (c == u'o' || c == 0x25E6 || c == 0x25CB || c == 0xF06F) {
            style = QTextListFormat::ListCircle;
        } else if (c == 0x25AA || c == 0x25A0 || c == 0xF0A7 || c == 0xF0A8 || c == 0xA7 ||
                   c == 0xF06E) {
            style = QTextListFormat::ListSquare;
        } else {
            style = QTextListFormat::ListDisc;
        }
        break;
    }
    default:
        return format; // no marker, or a numbering the view cannot count
    }
    format.setStyle(style);
    // A paragraph indented by the file is indented already; otherwise by its level.
    format.setIndent(para.leftIndent > 0 ? 0 : para.listLevel + 1);
    return format;
}

BaseStyle RtfParser::baseStyle(const CharState& chars) const
{
    BaseStyle base;
    if (chars.foreground > 0 && chars.foreground < m_colors.size() &&
        m_colors[chars.foreground].isValid()) {
        base.automaticColor = false;
        base.color = m_colors[chars.foreground].rgb();
    }
    if (chars.underline != QTextCharFormat::NoUnderline) {
        base.underline =
            chars.underline == QTextCharFormat::SingleUnderline && !chars.doubleUnderline ? 1 : 2;
    }
    return base;
}

QString RtfParser::hrefFromInstruction(const QString& instruction)
{
    const QString text = instruction.trimmed();
    if (!text.startsWith(QLatin1String("HYPERLINK"), Qt::CaseInsensitive)) {
        return {};
    }
    // Arguments: a target (quoted or bare) and switches; \l names a place in the document,
    // \o \t \m take an argument of their own.
    QStringList arguments;
    qsizetype i = 9;
    while (i < text.size()) {
        while (i < text.size() && text[i].isSpace()) {
            ++i;
        }
        if (i >= text.size()) {
            break;
        }
        QString argument;
        if (text[i] == u'"') {
            ++i;
            while (i < text.size() && text[i] != u'"') {
                if (text[i] == u'\\' && i + 1 < text.size()) {
                    ++i; // an escaped quote or backslash
                }
                argument.append(text[i++]);
            }
            ++i;
        } else {
            while (i < text.size() && !text[i].isSpace()) {
                argument.append(text[i++]);
            }
        }
        arguments.append(argument);
    }
    QString target;
    QString place;
    for (qsizetype k = 0; k < arguments.size(); ++k) {
        const QString& a = arguments[k];
        if (a == QLatin1String("\\l") && k + 1 < arguments.size()) {
            place = arguments[++k];
        } else if (a.startsWith(u'\\')) {
            if (a.size() == 2 && a != QLatin1String("\\n") && k + 1 < arguments.size()) {
                ++k;
            }
        } else if (target.isEmpty()) {
            target = a;
        }
    }
    if (!place.isEmpty()) {
        target += u'#' + place;
    }
    return target;
}

} // namespace Rtf
