#include "formats/odt/OdtStyles.h"
#include "formats/package/XmlAttribute.h"

#include <QXmlStreamReader>

namespace Odt {

namespace {

constexpr int MaxStyleChain = 32;

using Books::attribute;

bool hasAttribute(const QXmlStreamReader& xml, QLatin1String name)
{
    for (const QXmlStreamAttribute& a : xml.attributes()) {
        if (a.name() == name) {
            return true;
        }
    }
    return false;
}

void readTextProperties(const QXmlStreamReader& xml, Books::TextProperties* text)
{
    if (hasAttribute(xml, QLatin1String("font-weight"))) {
        const QString weight = attribute(xml, QLatin1String("font-weight"));
        text->bold = weight == QLatin1String("bold") || weight.toInt() >= 600;
    }
    if (hasAttribute(xml, QLatin1String("font-style"))) {
        const QString style = attribute(xml, QLatin1String("font-style"));
        text->italic = style == QLatin1String("italic") || style == QLatin1String("oblique");
    }
    if (hasAttribute(xml, QLatin1String("text-underline-style"))) {
        text->underline =
            attribute(xml, QLatin1String("text-underline-style")) != QLatin1String("none");
    }
    if (hasAttribute(xml, QLatin1String("text-line-through-style"))) {
        text->strike =
            attribute(xml, QLatin1String("text-line-through-style")) != QLatin1String("none");
    }
    if (hasAttribute(xml, QLatin1String("text-position"))) {
        // "super 58%", "sub 58%", "33% 58%", "-33% 58%", "0% 100%"
        const QString position = attribute(xml, QLatin1String("text-position")).section(u' ', 0, 0);
        text->vertical = position == QLatin1String("super")                                 ? 1
                         : position == QLatin1String("sub")                                 ? -1
                         : position.startsWith(u'-')                                        ? -1
                         : position.chopped(position.endsWith(u'%') ? 1 : 0).toDouble() > 0 ? 1
                                                                                            : 0;
    }
    if (hasAttribute(xml, QLatin1String("color"))) {
        text->color = Books::InlineFormat::cssColor(attribute(xml, QLatin1String("color")));
    }
    if (hasAttribute(xml, QLatin1String("background-color"))) {
        text->background =
            Books::InlineFormat::cssColor(attribute(xml, QLatin1String("background-color")));
    }
    const QString font =
        attribute(xml, QLatin1String("font-name")) + attribute(xml, QLatin1String("font-family"));
    if (!font.isEmpty()) {
        text->monospace = Books::TextProperties::isMonospaceFont(font);
    }
}

} // namespace

void Styles::read(QXmlStreamReader& xml)
{
    int depth = 1;
    Style* style = nullptr;
    int styleDepth = 0;
    QString list;
    int listDepth = 0;
    while (depth > 0 && !xml.atEnd()) {
        xml.readNext();
        if (xml.isEndElement()) {
            --depth;
            if (depth < styleDepth) {
                style = nullptr;
                styleDepth = 0;
            }
            if (depth < listDepth) {
                list.clear();
                listDepth = 0;
            }
            continue;
        }
        if (!xml.isStartElement()) {
            continue;
        }
        ++depth;
        const auto name = xml.name();
        if (name == QLatin1String("style") || name == QLatin1String("default-style")) {
            const QString family = attribute(xml, QLatin1String("family"));
            if (family != QLatin1String("paragraph") && family != QLatin1String("text")) {
                continue;
            }
            QString styleName = attribute(xml, QLatin1String("name"));
            if (name == QLatin1String("default-style")) {
                styleName = QStringLiteral("\x01"
                                           "default-") +
                            family;
            }
            style = &m_styles[styleName];
            styleDepth = depth;
            style->parent = attribute(xml, QLatin1String("parent-style-name"));
            style->displayName = attribute(xml, QLatin1String("display-name"));
            if (style->displayName.isEmpty()) {
                style->displayName = styleName;
            }
            style->listStyle = attribute(xml, QLatin1String("list-style-name"));
            bool ok = false;
            const int level = attribute(xml, QLatin1String("default-outline-level")).toInt(&ok);
            style->outlineLevel = ok ? level : -1;
        } else if (name == QLatin1String("list-style")) {
            list = attribute(xml, QLatin1String("name"));
            listDepth = depth;
            m_lists.insert(list, {});
        } else if (style && name == QLatin1String("paragraph-properties")) {
            const QString align = attribute(xml, QLatin1String("text-align"));
            style->alignment = align == QLatin1String("center") ? align
                               : align == QLatin1String("end") || align == QLatin1String("right")
                                   ? QStringLiteral("right")
                               : align == QLatin1String("justify") ? align
                                                                   : QString();
            style->breakBefore =
                attribute(xml, QLatin1String("break-before")) == QLatin1String("page");
            style->breakAfter =
                attribute(xml, QLatin1String("break-after")) == QLatin1String("page");
        } else if (style && name == QLatin1String("text-properties")) {
            readTextProperties(xml, &style->text);
        } else if (!list.isEmpty() && name.startsWith(QLatin1String("list-level-style-"))) {
            const int level = qBound(1, attribute(xml, QLatin1String("level")).toInt(), 10);
            ListLevel format;
            format.ordered = name == QLatin1String("list-level-style-number");
            if (format.ordered) {
                const QString numbers = attribute(xml, QLatin1String("num-format"));
                format.type = numbers.isEmpty() ? QStringLiteral("1") : numbers.left(1);
                if (!QStringList{QStringLiteral("1"), QStringLiteral("a"), QStringLiteral("A"),
                                 QStringLiteral("i"), QStringLiteral("I")}
                         .contains(format.type)) {
                    format.type = QStringLiteral("1");
                }
                bool ok = false;
                const int start = attribute(xml, QLatin1String("start-value")).toInt(&ok);
                format.start = ok ? start : 1;
            }
            m_lists[list].insert(level, format);
        }
    }
}

QList<const Styles::Style*> Styles::chain(const QString& styleName) const
{
    QList<const Style*> styles;
    QString name = styleName;
    while (!name.isEmpty() && styles.size() < MaxStyleChain) {
        const auto style = m_styles.constFind(name);
        if (style == m_styles.cend() || styles.contains(&*style)) {
            break;
        }
        styles.append(&*style);
        name = style->parent;
    }
    return styles;
}

Books::TextProperties Styles::text(const QString& styleName) const
{
    const QList<const Style*> styles = chain(styleName);
    Books::TextProperties text;
    for (auto it = styles.crbegin(); it != styles.crend(); ++it) {
        (*it)->text.applyOver(&text);
    }
    return text;
}

QString Styles::displayName(const QString& styleName) const
{
    const auto style = m_styles.constFind(styleName);
    return style == m_styles.cend() ? styleName : style->displayName;
}

int Styles::outlineLevel(const QString& styleName) const
{
    for (const Style* style : chain(styleName)) {
        if (style->outlineLevel >= 0) {
            return style->outlineLevel;
        }
    }
    return -1;
}

QString Styles::alignment(const QString& styleName) const
{
    for (const Style* style : chain(styleName)) {
        if (!style->alignment.isEmpty()) {
            return style->alignment;
        }
    }
    return {};
}

bool Styles::breaksBefore(const QString& styleName) const
{
    const QList<const Style*> styles = chain(styleName);
    return !styles.isEmpty() && styles.first()->breakBefore;
}

bool Styles::breaksAfter(const QString& styleName) const
{
    const QList<const Style*> styles = chain(styleName);
    return !styles.isEmpty() && styles.first()->breakAfter;
}

QString Styles::listStyle(const QString& styleName) const
{
    for (const Style* style : chain(styleName)) {
        if (!style->listStyle.isEmpty()) {
            return style->listStyle;
        }
    }
    return {};
}

ListLevel Styles::listLevel(const QString& listStyleName, int level) const
{
    const auto list = m_lists.constFind(listStyleName);
    if (list == m_lists.cend()) {
        return {};
    }
    return list->value(qBound(1, level, 10), ListLevel{});
}

} // namespace Odt
