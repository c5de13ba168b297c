#include "formats/docx/DocxStyles.h"

#include <QRegularExpression>
#include <QXmlStreamReader>

namespace Docx {

namespace {

QString value(const QXmlStreamReader& xml, QLatin1String name = QLatin1String("val"))
{
    for (const QXmlStreamAttribute& attribute : xml.attributes()) {
        if (attribute.name() == name) {
            return attribute.value().toString();
        }
    }
    return {};
}

int intValue(const QXmlStreamReader& xml, int fallback)
{
    bool ok = false;
    const int number = value(xml).toInt(&ok);
    return ok ? number : fallback;
}

// Styles based on styles deeper than this are taken as a loop.
constexpr int MaxStyleChain = 32;

} // namespace

bool isOn(QXmlStreamReader& xml)
{
    const QString val = value(xml).toLower();
    return !(val == QLatin1String("0") || val == QLatin1String("false") ||
             val == QLatin1String("off") || val == QLatin1String("none"));
}

RunProperties readRunProperties(QXmlStreamReader& xml)
{
    RunProperties run;
    int depth = 1;
    while (depth > 0 && !xml.atEnd()) {
        xml.readNext();
        if (xml.isEndElement()) {
            --depth;
            continue;
        }
        if (!xml.isStartElement()) {
            continue;
        }
        ++depth;
        const auto name = xml.name();
        if (depth != 2) {
            continue; // only the properties themselves, not what changes tracked inside them
        }
        if (name == QLatin1String("b")) {
            run.bold = isOn(xml);
        } else if (name == QLatin1String("i")) {
            run.italic = isOn(xml);
        } else if (name == QLatin1String("u")) {
            run.underline = isOn(xml);
        } else if (name == QLatin1String("strike") || name == QLatin1String("dstrike")) {
            run.strike = isOn(xml);
        } else if (name == QLatin1String("vertAlign")) {
            const QString val = value(xml);
            run.vertical = val == QLatin1String("superscript") ? 1
                           : val == QLatin1String("subscript") ? -1
                                                               : 0;
        } else if (name == QLatin1String("color")) {
            run.color = Books::InlineFormat::cssColor(value(xml));
        } else if (name == QLatin1String("highlight")) {
            run.background = Books::InlineFormat::cssColor(value(xml));
        } else if (name == QLatin1String("shd")) {
            const QString fill = Books::InlineFormat::cssColor(value(xml, QLatin1String("fill")));
            if (!fill.isEmpty() && !run.background) {
                run.background = fill;
            }
        } else if (name == QLatin1String("rStyle")) {
            run.characterStyle = value(xml);
        } else if (name == QLatin1String("rFonts")) {
            const QString font = value(xml, QLatin1String("ascii"));
            if (!font.isEmpty()) {
                run.monospace = Books::TextProperties::isMonospaceFont(font);
            }
        }
    }
    return run;
}

void Styles::readStyles(const QByteArray& stylesXml)
{
    QXmlStreamReader xml(stylesXml);
    Style* style = nullptr;
    QString styleId;
    int styleDepth = 0;
    int depth = 0;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isEndElement()) {
            if (--depth < styleDepth) {
                style = nullptr;
            }
            continue;
        }
        if (!xml.isStartElement()) {
            continue;
        }
        ++depth;
        const auto name = xml.name();
        if (name == QLatin1String("style")) {
            styleId = value(xml, QLatin1String("styleId"));
            style = &m_styles[styleId];
            styleDepth = depth;
            for (const QXmlStreamAttribute& attribute : xml.attributes()) {
                if (attribute.name() == QLatin1String("default") &&
                    (attribute.value() == QLatin1String("1") ||
                     attribute.value() == QLatin1String("true")) &&
                    value(xml, QLatin1String("type")) == QLatin1String("paragraph")) {
                    m_defaultParagraphStyle = styleId;
                }
            }
        } else if (!style) {
            continue;
        } else if (name == QLatin1String("name")) {
            style->name = value(xml);
        } else if (name == QLatin1String("basedOn")) {
            style->basedOn = value(xml);
        } else if (name == QLatin1String("outlineLvl")) {
            style->outlineLevel = intValue(xml, -1);
        } else if (name == QLatin1String("numId")) {
            style->numId = intValue(xml, -1);
        } else if (name == QLatin1String("ilvl")) {
            style->numLevel = intValue(xml, 0);
        } else if (name == QLatin1String("rPr")) {
            style->run = readRunProperties(xml);
            --depth;
        }
    }
}

void Styles::readNumbering(const QByteArray& numberingXml)
{
    QXmlStreamReader xml(numberingXml);
    int abstractId = -1;
    int numId = -1;
    int level = -1;
    int overrideLevel = -1;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isEndElement()) {
            const auto name = xml.name();
            if (name == QLatin1String("abstractNum")) {
                abstractId = -1;
            } else if (name == QLatin1String("num")) {
                numId = -1;
            } else if (name == QLatin1String("lvl")) {
                level = -1;
            } else if (name == QLatin1String("lvlOverride")) {
                overrideLevel = -1;
            }
            continue;
        }
        if (!xml.isStartElement()) {
            continue;
        }
        const auto name = xml.name();
        if (name == QLatin1String("abstractNum")) {
            abstractId = value(xml, QLatin1String("abstractNumId")).toInt();
        } else if (name == QLatin1String("num")) {
            numId = value(xml, QLatin1String("numId")).toInt();
        } else if (name == QLatin1String("abstractNumId") && numId >= 0) {
            m_numToAbstract.insert(numId, intValue(xml, -1));
        } else if (name == QLatin1String("lvlOverride") && numId >= 0) {
            overrideLevel = value(xml, QLatin1String("ilvl")).toInt();
        } else if (name == QLatin1String("startOverride") && numId >= 0 && overrideLevel >= 0) {
            m_startOverrides[numId].insert(overrideLevel, intValue(xml, 1));
        } else if (name == QLatin1String("lvl") && abstractId >= 0) {
            level = value(xml, QLatin1String("ilvl")).toInt();
            m_abstractLevels[abstractId].insert(level, ListLevel{});
        } else if (abstractId >= 0 && level >= 0 && name == QLatin1String("start")) {
            m_abstractLevels[abstractId][level].start = intValue(xml, 1);
        } else if (abstractId >= 0 && level >= 0 && name == QLatin1String("numFmt")) {
            const QString format = value(xml);
            ListLevel& list = m_abstractLevels[abstractId][level];
            static const QHash<QString, QString> types = {
                {QStringLiteral("decimal"), QStringLiteral("1")},
                {QStringLiteral("decimalZero"), QStringLiteral("1")},
                {QStringLiteral("lowerLetter"), QStringLiteral("a")},
                {QStringLiteral("upperLetter"), QStringLiteral("A")},
                {QStringLiteral("lowerRoman"), QStringLiteral("i")},
                {QStringLiteral("upperRoman"), QStringLiteral("I")}};
            list.ordered = format != QLatin1String("bullet") && format != QLatin1String("none");
            list.type = types.value(format, list.ordered ? QStringLiteral("1") : QString());
            if (format == QLatin1String("none")) {
                list.type = QStringLiteral("none");
            }
        }
    }
}

QList<const Styles::Style*> Styles::chain(const QString& styleId) const
{
    QList<const Style*> styles;
    QString id = styleId.isEmpty() ? m_defaultParagraphStyle : styleId;
    while (!id.isEmpty() && styles.size() < MaxStyleChain) {
        const auto style = m_styles.constFind(id);
        if (style == m_styles.cend() || styles.contains(&*style)) {
            break;
        }
        styles.append(&*style);
        id = style->basedOn;
    }
    return styles;
}

int Styles::headingLevel(const QString& styleId) const
{
    if (const auto known = m_headingLevels.constFind(styleId); known != m_headingLevels.cend()) {
        return *known;
    }
    const int level = findHeadingLevel(styleId);
    m_headingLevels.insert(styleId, level);
    return level;
}

int Styles::findHeadingLevel(const QString& styleId) const
{
    static const QRegularExpression heading(QStringLiteral("^heading\\s*([1-9])$"),
                                            QRegularExpression::CaseInsensitiveOption);
    for (const Style* style : chain(styleId)) {
        const QString name = style->name.trimmed();
        if (const QRegularExpressionMatch match = heading.match(name); match.hasMatch()) {
            return match.captured(1).toInt();
        }
        if (name.compare(QLatin1String("title"), Qt::CaseInsensitive) == 0) {
            return 0;
        }
        if (style->outlineLevel >= 0 && style->outlineLevel < 9) {
            return style->outlineLevel + 1;
        }
    }
    return -1;
}

std::pair<int, int> Styles::styleList(const QString& styleId) const
{
    for (const Style* style : chain(styleId)) {
        if (style->numId >= 0) {
            return {style->numId, style->numLevel};
        }
    }
    return {0, 0};
}

RunProperties Styles::chainRun(const QString& styleId) const
{
    if (const auto known = m_runs.constFind(styleId); known != m_runs.cend()) {
        return *known;
    }
    const QList<const Style*> styles = chain(styleId);
    RunProperties run;
    for (auto it = styles.crbegin(); it != styles.crend(); ++it) {
        (*it)->run.applyOver(&run);
    }
    m_runs.insert(styleId, run);
    return run;
}

RunProperties Styles::paragraphRun(const QString& styleId) const
{
    return chainRun(styleId);
}

RunProperties Styles::characterRun(const QString& styleId) const
{
    return styleId.isEmpty() ? RunProperties() : chainRun(styleId);
}

std::optional<ListLevel> Styles::listLevel(int numId, int level) const
{
    const auto abstract = m_numToAbstract.constFind(numId);
    if (abstract == m_numToAbstract.cend()) {
        return std::nullopt;
    }
    const auto levels = m_abstractLevels.constFind(*abstract);
    if (levels == m_abstractLevels.cend() || !levels->contains(level)) {
        return ListLevel{};
    }
    ListLevel list = levels->value(level);
    if (list.type == QLatin1String("none")) {
        return std::nullopt;
    }
    list.start = m_startOverrides.value(numId).value(level, list.start);
    return list;
}

} // namespace Docx
