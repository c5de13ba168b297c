#include "formats/package/HtmlReader.h"

#include "formats/package/ChapterBuilder.h"
#include "formats/package/HtmlEntities.h"

#include <QSet>
#include <algorithm>

namespace Books {

namespace {

const QSet<QString>& voidElements()
{
    static const QSet<QString> names = {
        QStringLiteral("br"),    QStringLiteral("hr"),    QStringLiteral("img"),
        QStringLiteral("meta"),  QStringLiteral("link"),  QStringLiteral("input"),
        QStringLiteral("area"),  QStringLiteral("base"),  QStringLiteral("col"),
        QStringLiteral("embed"), QStringLiteral("param"), QStringLiteral("source"),
        QStringLiteral("track"), QStringLiteral("wbr"),   QStringLiteral("mbp:pagebreak"),
        QStringLiteral("image")};
    return names;
}

// Elements whose content is never text of the book.
const QSet<QString>& droppedElements()
{
    static const QSet<QString> names = {
        QStringLiteral("head"),   QStringLiteral("script"),   QStringLiteral("style"),
        QStringLiteral("title"),  QStringLiteral("noscript"), QStringLiteral("template"),
        QStringLiteral("object"), QStringLiteral("video"),    QStringLiteral("audio"),
        QStringLiteral("iframe"), QStringLiteral("svg"),      QStringLiteral("math"),
        QStringLiteral("select"), QStringLiteral("textarea"), QStringLiteral("button"),
        QStringLiteral("mbp:nu"), QStringLiteral("guide"),    QStringLiteral("canvas"),
        QStringLiteral("map"),    QStringLiteral("frameset"), QStringLiteral("xmp")};
    return names;
}

// Elements whose content is raw text, where "<" starts no tag.
bool isRawText(const QString& name)
{
    return name == QLatin1String("script") || name == QLatin1String("style") ||
           name == QLatin1String("textarea") || name == QLatin1String("title") ||
           name == QLatin1String("xmp");
}

// Blocks, and what they are written as.
const QHash<QString, QString>& blockElements()
{
    static const QHash<QString, QString> names = {
        {QStringLiteral("p"), QStringLiteral("p")},
        {QStringLiteral("div"), QStringLiteral("div")},
        {QStringLiteral("blockquote"), QStringLiteral("blockquote")},
        {QStringLiteral("ul"), QStringLiteral("ul")},
        {QStringLiteral("ol"), QStringLiteral("ol")},
        {QStringLiteral("li"), QStringLiteral("li")},
        {QStringLiteral("dl"), QStringLiteral("dl")},
        {QStringLiteral("dt"), QStringLiteral("dt")},
        {QStringLiteral("dd"), QStringLiteral("dd")},
        {QStringLiteral("h1"), QStringLiteral("h1")},
        {QStringLiteral("h2"), QStringLiteral("h2")},
        {QStringLiteral("h3"), QStringLiteral("h3")},
        {QStringLiteral("h4"), QStringLiteral("h4")},
        {QStringLiteral("h5"), QStringLiteral("h5")},
        {QStringLiteral("h6"), QStringLiteral("h6")},
        {QStringLiteral("pre"), QStringLiteral("pre")},
        {QStringLiteral("table"), QStringLiteral("table")},
        {QStringLiteral("caption"), QStringLiteral("caption")},
        {QStringLiteral("thead"), QStringLiteral("thead")},
        {QStringLiteral("tbody"), QStringLiteral("tbody")},
        {QStringLiteral("tfoot"), QStringLiteral("tfoot")},
        {QStringLiteral("tr"), QStringLiteral("tr")},
        {QStringLiteral("td"), QStringLiteral("td")},
        {QStringLiteral("th"), QStringLiteral("th")},
        {QStringLiteral("center"), QStringLiteral("div")},
        {QStringLiteral("section"), QStringLiteral("div")},
        {QStringLiteral("article"), QStringLiteral("div")},
        {QStringLiteral("aside"), QStringLiteral("div")},
        {QStringLiteral("nav"), QStringLiteral("div")},
        {QStringLiteral("header"), QStringLiteral("div")},
        {QStringLiteral("footer"), QStringLiteral("div")},
        {QStringLiteral("main"), QStringLiteral("div")},
        {QStringLiteral("figure"), QStringLiteral("div")},
        {QStringLiteral("figcaption"), QStringLiteral("div")},
        {QStringLiteral("address"), QStringLiteral("div")},
        {QStringLiteral("hgroup"), QStringLiteral("div")}};
    return names;
}

const QHash<QString, QString>& inlineElements()
{
    static const QHash<QString, QString> names = {
        {QStringLiteral("a"), QStringLiteral("a")},
        {QStringLiteral("b"), QStringLiteral("b")},
        {QStringLiteral("strong"), QStringLiteral("strong")},
        {QStringLiteral("i"), QStringLiteral("i")},
        {QStringLiteral("em"), QStringLiteral("em")},
        {QStringLiteral("u"), QStringLiteral("u")},
        {QStringLiteral("ins"), QStringLiteral("u")},
        {QStringLiteral("s"), QStringLiteral("s")},
        {QStringLiteral("strike"), QStringLiteral("s")},
        {QStringLiteral("del"), QStringLiteral("s")},
        {QStringLiteral("sub"), QStringLiteral("sub")},
        {QStringLiteral("sup"), QStringLiteral("sup")},
        {QStringLiteral("span"), QStringLiteral("span")},
        {QStringLiteral("font"), QStringLiteral("span")},
        {QStringLiteral("small"), QStringLiteral("small")},
        {QStringLiteral("big"), QStringLiteral("big")},
        {QStringLiteral("code"), QStringLiteral("code")},
        {QStringLiteral("tt"), QStringLiteral("code")},
        {QStringLiteral("kbd"), QStringLiteral("code")},
        {QStringLiteral("samp"), QStringLiteral("code")},
        {QStringLiteral("var"), QStringLiteral("i")},
        {QStringLiteral("cite"), QStringLiteral("i")},
        {QStringLiteral("dfn"), QStringLiteral("i")},
        {QStringLiteral("q"), QStringLiteral("span")},
        {QStringLiteral("abbr"), QStringLiteral("span")},
        {QStringLiteral("mark"), QStringLiteral("span")}};
    return names;
}

// Blocks a paragraph cannot hold: each ends the paragraph open.
bool closesParagraph(const QString& name)
{
    return blockElements().contains(name) || name == QLatin1String("hr");
}

// Where an open paragraph, item or cell stops being looked for.
bool isContainer(const QString& name)
{
    return name == QLatin1String("td") || name == QLatin1String("th") ||
           name == QLatin1String("li") || name == QLatin1String("blockquote") ||
           name == QLatin1String("table") || name == QLatin1String("body") ||
           name == QLatin1String("dd") || name == QLatin1String("div") ||
           name == QLatin1String("section") || name == QLatin1String("aside");
}

bool hasNoteType(const QString& types, QLatin1String wanted)
{
    for (const QStringView type : QStringView(types).split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (type == wanted) {
            return true;
        }
    }
    return false;
}

bool isNote(const QString& types)
{
    return hasNoteType(types, QLatin1String("footnote")) ||
           hasNoteType(types, QLatin1String("endnote")) ||
           hasNoteType(types, QLatin1String("rearnote")) ||
           hasNoteType(types, QLatin1String("note"));
}

// Decodes character references in text ("&amp;", "&#233;", "&#xE9;"); an unknown one stays
// as it is.
QString decodeEntities(QStringView text)
{
    if (!text.contains(QLatin1Char('&'))) {
        return text.toString();
    }
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('&')) {
            out += c;
            continue;
        }
        qsizetype end = i + 1;
        while (end < text.size() && end - i <= 10 && text.at(end) != QLatin1Char(';') &&
               (text.at(end).isLetterOrNumber() || text.at(end) == QLatin1Char('#'))) {
            ++end;
        }
        const QStringView name = text.mid(i + 1, end - i - 1);
        char32_t code = 0;
        if (name.startsWith(QLatin1Char('#'))) {
            bool ok = false;
            const bool hex = name.size() > 1 &&
                             (name.at(1) == QLatin1Char('x') || name.at(1) == QLatin1Char('X'));
            const uint value = hex ? name.mid(2).toUInt(&ok, 16) : name.mid(1).toUInt(&ok, 10);
            code = ok && value > 0 && value <= 0x10FFFF ? char32_t(value) : 0;
            if (ok && value >= 0x80 && value <= 0x9F) {
                code = 0xFFFD; // C1 controls, as HTML reads them, are never text
            }
        } else {
            code = htmlEntity(name);
        }
        if (code == 0) {
            out += c;
            continue;
        }
        out += QString::fromUcs4(&code, 1);
        i = end < text.size() && text.at(end) == QLatin1Char(';') ? end : end - 1;
    }
    return out;
}

} // namespace

QString HtmlReader::Tag::attribute(QLatin1String key) const
{
    for (const auto& [attributeName, value] : attributes) {
        if (attributeName == key) {
            return value;
        }
    }
    return {};
}

HtmlReader::HtmlReader(ChapterBuilder* builder, Names names)
    : m_builder(builder), m_names(std::move(names))
{
}

int HtmlReader::findOpen(const QString& name, const QStringList& boundaries) const
{
    for (int i = int(m_open.size()) - 1; i >= 0; --i) {
        if (m_open.at(i).tag == name) {
            return i;
        }
        if (boundaries.contains(m_open.at(i).tag)) {
            return -1;
        }
    }
    return -1;
}

void HtmlReader::closeTo(int index)
{
    if (index < 0 || index >= m_open.size()) {
        return;
    }
    m_builder->closeTo(m_open.at(index).builderDepth);
    m_open.resize(index);
}

void HtmlReader::closeParagraph()
{
    for (int i = int(m_open.size()) - 1; i >= 0; --i) {
        const QString& tag = m_open.at(i).tag;
        if (tag == QLatin1String("p")) {
            closeTo(i);
            return;
        }
        if (isContainer(tag) || blockElements().contains(tag)) {
            return;
        }
    }
}

bool HtmlReader::inBlockContainer() const
{
    if (m_open.isEmpty()) {
        return true;
    }
    const QString& tag = m_open.last().tag;
    return tag == QLatin1String("ul") || tag == QLatin1String("ol") ||
           tag == QLatin1String("table") || tag == QLatin1String("tr") ||
           tag == QLatin1String("thead") || tag == QLatin1String("tbody") ||
           tag == QLatin1String("tfoot") || tag == QLatin1String("dl") ||
           (blockElements().value(tag) == QLatin1String("div") && tag != QLatin1String("center")) ||
           tag == QLatin1String("blockquote") || tag == QLatin1String("body") ||
           tag == QLatin1String("html");
}

void HtmlReader::startTag(const Tag& tag)
{
    const QString& name = tag.name;
    if (name == QLatin1String("mbp:pagebreak")) {
        m_builder->startChapter();
        return;
    }
    if (name == QLatin1String("br")) {
        m_builder->element(QStringLiteral("br"));
        return;
    }
    if (name == QLatin1String("hr")) {
        closeParagraph();
        m_builder->element(QStringLiteral("hr"));
        return;
    }
    if (name == QLatin1String("img") || name == QLatin1String("image")) {
        QString source = tag.attribute(QLatin1String("src"));
        if (source.isEmpty()) {
            source = tag.attribute(QLatin1String("href"));
        }
        const QString entry = m_names.picture ? m_names.picture(source) : QString();
        const QString alt = tag.attribute(QLatin1String("alt"));
        if (!entry.isEmpty()) {
            m_builder->element(QStringLiteral("img"),
                               {{QStringLiteral("src"), entry}, {QStringLiteral("alt"), alt}});
        } else if (!alt.isEmpty()) {
            m_builder->text(QStringLiteral("[%1]").arg(alt));
        }
        return;
    }
    if (voidElements().contains(name)) {
        return;
    }
    const bool block = blockElements().contains(name);
    const QString output = block ? blockElements().value(name) : inlineElements().value(name);

    // The end tags HTML leaves out.
    if (name == QLatin1String("li")) {
        const int open = findOpen(name, {QStringLiteral("ul"), QStringLiteral("ol")});
        closeTo(open);
    } else if (name == QLatin1String("dt") || name == QLatin1String("dd")) {
        int open = findOpen(QStringLiteral("dt"), {QStringLiteral("dl")});
        closeTo(open >= 0 ? open : findOpen(QStringLiteral("dd"), {QStringLiteral("dl")}));
    } else if (name == QLatin1String("tr")) {
        closeTo(findOpen(name, {QStringLiteral("table")}));
    } else if (name == QLatin1String("td") || name == QLatin1String("th")) {
        int open = findOpen(QStringLiteral("td"), {QStringLiteral("tr"), QStringLiteral("table")});
        if (open < 0) {
            open = findOpen(QStringLiteral("th"), {QStringLiteral("tr"), QStringLiteral("table")});
        }
        closeTo(open);
    }
    if (closesParagraph(name)) {
        closeParagraph();
    }

    const int depthBefore = m_builder->depth();
    if (block) {
        const bool outside = !inside(QStringLiteral("table")) && !inside(QStringLiteral("li"));
        if (outside && (name.size() == 2 && name.at(0) == QLatin1Char('h') &&
                        name.at(1) <= QLatin1Char('3'))) {
            m_builder->splitIfLarger(ChapterBuilder::SoftChapterSize);
        } else if (outside) {
            m_builder->splitIfLarger(ChapterBuilder::HardChapterSize);
        }
    }
    if (output.isEmpty()) {
        // An element we do not show: its text still is, and its id still places its key.
        const QString id = tag.attribute(QLatin1String("id"));
        if (!id.isEmpty() && m_names.anchor) {
            m_pendingKeys.append(m_names.anchor(id));
        }
        if (!tag.selfClosing) {
            m_open.append({name, depthBefore});
        }
        return;
    }

    ChapterBuilder::Attributes attributes;
    QString style = tag.attribute(QLatin1String("style")).trimmed();
    auto addStyle = [&style](const QString& declaration) {
        style += (style.isEmpty() || style.endsWith(QLatin1Char(';')) ? QString()
                                                                      : QStringLiteral("; ")) +
                 declaration;
    };
    for (const auto& [key, value] : tag.attributes) {
        if (key == QLatin1String("class") || key == QLatin1String("align") ||
            key == QLatin1String("valign") || key == QLatin1String("dir") ||
            key == QLatin1String("hidden")) {
            attributes.append({key, value});
        } else if ((key == QLatin1String("colspan") || key == QLatin1String("rowspan")) &&
                   value.toInt() > 0) {
            attributes.append({key, QString::number(qMin(value.toInt(), 1000))});
        } else if (key == QLatin1String("start") && name == QLatin1String("ol")) {
            attributes.append({key, QString::number(value.toInt())});
        } else if (key == QLatin1String("type") && name == QLatin1String("ol") &&
                   QStringList({QStringLiteral("1"), QStringLiteral("a"), QStringLiteral("A"),
                                QStringLiteral("i"), QStringLiteral("I")})
                       .contains(value)) {
            attributes.append({key, value});
        } else if (key == QLatin1String("size") && name == QLatin1String("font")) {
            // Sizes 1 to 7 (3 the text's own), or steps up or down from it.
            static const char* const sizes[] = {"0.63em", "0.82em", "1em", "1.13em",
                                                "1.5em",  "2em",    "3em"};
            const QString trimmed = value.trimmed();
            int size = trimmed.toInt();
            if (trimmed.startsWith(QLatin1Char('+')) || trimmed.startsWith(QLatin1Char('-'))) {
                size += 3;
            }
            if (size >= 1 && size <= 7 && size != 3) {
                addStyle(QStringLiteral("font-size: %1").arg(QLatin1String(sizes[size - 1])));
            }
        } else if (key == QLatin1String("color") && name == QLatin1String("font")) {
            const QString color = InlineFormat::cssColor(value);
            if (!color.isEmpty()) {
                addStyle(QStringLiteral("color: %1").arg(color));
            }
        }
    }
    if (name == QLatin1String("center")) {
        attributes.append({QStringLiteral("align"), QStringLiteral("center")});
    }
    if (!style.isEmpty()) {
        attributes.append({QStringLiteral("style"), style});
    }
    QString id = tag.attribute(QLatin1String("id"));
    if (id.isEmpty() && name == QLatin1String("a")) {
        id = tag.attribute(QLatin1String("name")); // the anchors of older HTML
    }
    const QString key = !id.isEmpty() && m_names.anchor ? m_names.anchor(id) : QString();
    QString types = tag.attribute(QLatin1String("epub:type"));
    if (types.isEmpty()) {
        types = tag.attribute(QLatin1String("type"));
    }

    if (name == QLatin1String("a") && tag.attribute(QLatin1String("href")).isEmpty() &&
        inBlockContainer()) {
        // An anchor between blocks marks the block that follows.
        if (!key.isEmpty()) {
            m_pendingKeys.append(key);
        }
        if (!tag.selfClosing) {
            m_open.append({name, depthBefore});
        }
        return;
    }
    if (!block) {
        placePendingKeys();
    }
    if (name == QLatin1String("a")) {
        const QString href = tag.attribute(QLatin1String("href"));
        const QString target = href.isEmpty() || !m_names.link ? QString() : m_names.link(href);
        if (href.isEmpty()) {
            // An anchor and nothing more.
            m_builder->open(QStringLiteral("a"),
                            {{QStringLiteral("id"), m_builder->anchorId(key)}});
        } else {
            if (!key.isEmpty()) {
                m_builder->anchor(key);
            }
            if (!target.isEmpty() && hasNoteType(types, QLatin1String("noteref"))) {
                m_builder->openNoteReference(target);
            } else if (!target.isEmpty()) {
                m_builder->openInternalLink(target);
            } else {
                m_builder->openLink(href);
            }
        }
    } else if (!key.isEmpty() && isNote(types)) {
        m_builder->openNote(key, output, attributes);
        placePendingKeys();
    } else {
        QStringList keys = m_pendingKeys;
        m_pendingKeys.clear();
        if (!key.isEmpty()) {
            keys.prepend(key);
        }
        if (!keys.isEmpty()) {
            attributes.prepend({QStringLiteral("id"), m_builder->anchorId(keys.takeFirst())});
        }
        m_builder->open(output, attributes);
        for (const QString& other : std::as_const(keys)) {
            m_builder->anchor(other);
        }
    }
    if (tag.selfClosing) {
        m_builder->closeTo(depthBefore);
        return;
    }
    m_open.append({name, depthBefore});
}

void HtmlReader::endTag(const QString& name)
{
    if (name == QLatin1String("p") && !inside(name)) {
        return;
    }
    // Table parts close only within their own table; other elements anywhere above.
    const bool tablePart = name == QLatin1String("tr") || name == QLatin1String("td") ||
                           name == QLatin1String("th") || name == QLatin1String("thead") ||
                           name == QLatin1String("tbody") || name == QLatin1String("tfoot");
    const int open =
        findOpen(name, tablePart ? QStringList{QStringLiteral("table")} : QStringList{});
    if (open >= 0) {
        closeTo(open);
    }
}

void HtmlReader::placePendingKeys()
{
    for (const QString& key : std::as_const(m_pendingKeys)) {
        m_builder->anchor(key);
    }
    m_pendingKeys.clear();
}

void HtmlReader::text(QStringView raw)
{
    const QString text = decodeEntities(raw);
    if (text.trimmed().isEmpty() && inBlockContainer()) {
        return; // the white space between blocks
    }
    placePendingKeys();
    m_builder->text(text);
}

void HtmlReader::read(QStringView html)
{
    const int base = int(m_open.size());
    qsizetype i = 0;
    const qsizetype n = html.size();
    qsizetype textStart = 0;
    auto flushText = [&](qsizetype end) {
        if (end > textStart && m_skipDepth == 0) {
            text(html.mid(textStart, end - textStart));
        }
    };
    auto isNameChar = [](QChar c) {
        return c.isLetterOrNumber() || c == QLatin1Char(':') || c == QLatin1Char('-') ||
               c == QLatin1Char('_') || c == QLatin1Char('.');
    };
    while (i < n) {
        if (html.at(i) != QLatin1Char('<')) {
            ++i;
            continue;
        }
        // Comments, declarations, processing instructions and CDATA.
        if (html.mid(i, 4) == QLatin1String("<!--")) {
            flushText(i);
            const qsizetype end = html.indexOf(QLatin1String("-->"), i + 4);
            i = end < 0 ? n : end + 3;
            textStart = i;
            continue;
        }
        if (html.mid(i, 9) == QLatin1String("<![CDATA[")) {
            flushText(i);
            const qsizetype end = html.indexOf(QLatin1String("]]>"), i + 9);
            const qsizetype stop = end < 0 ? n : end;
            if (m_skipDepth == 0) {
                m_builder->text(html.mid(i + 9, stop - i - 9));
            }
            i = end < 0 ? n : end + 3;
            textStart = i;
            continue;
        }
        if (i + 1 < n &&
            (html.at(i + 1) == QLatin1Char('!') || html.at(i + 1) == QLatin1Char('?'))) {
            flushText(i);
            const qsizetype end = html.indexOf(QLatin1Char('>'), i + 2);
            i = end < 0 ? n : end + 1;
            textStart = i;
            continue;
        }
        const bool closing = i + 1 < n && html.at(i + 1) == QLatin1Char('/');
        qsizetype p = i + (closing ? 2 : 1);
        if (p >= n || !html.at(p).isLetter()) {
            ++i; // a "<" that starts no tag is text
            continue;
        }
        flushText(i);
        const qsizetype nameStart = p;
        while (p < n && isNameChar(html.at(p))) {
            ++p;
        }
        Tag tag;
        tag.name = html.mid(nameStart, p - nameStart).toString().toLower();
        // Attributes, up to the tag's end.
        while (p < n && html.at(p) != QLatin1Char('>')) {
            const QChar c = html.at(p);
            if (c.isSpace() || c == QLatin1Char('"') || c == QLatin1Char('\'')) {
                ++p;
                continue;
            }
            if (c == QLatin1Char('/')) {
                tag.selfClosing = p + 1 < n && html.at(p + 1) == QLatin1Char('>');
                ++p;
                continue;
            }
            const qsizetype keyStart = p;
            while (p < n && !html.at(p).isSpace() && html.at(p) != QLatin1Char('=') &&
                   html.at(p) != QLatin1Char('>') && html.at(p) != QLatin1Char('/')) {
                ++p;
            }
            const QString key = html.mid(keyStart, p - keyStart).toString().toLower();
            while (p < n && html.at(p).isSpace()) {
                ++p;
            }
            QString value;
            if (p < n && html.at(p) == QLatin1Char('=')) {
                ++p;
                while (p < n && html.at(p).isSpace()) {
                    ++p;
                }
                if (p < n && (html.at(p) == QLatin1Char('"') || html.at(p) == QLatin1Char('\''))) {
                    const QChar quote = html.at(p);
                    const qsizetype end = html.indexOf(quote, p + 1);
                    const qsizetype stop = end < 0 ? n : end;
                    value = decodeEntities(html.mid(p + 1, stop - p - 1));
                    p = end < 0 ? n : end + 1;
                } else {
                    const qsizetype valueStart = p;
                    while (p < n && !html.at(p).isSpace() && html.at(p) != QLatin1Char('>')) {
                        ++p;
                    }
                    value = decodeEntities(html.mid(valueStart, p - valueStart));
                }
            }
            // An attribute given twice keeps its first value, as HTML has it.
            const bool repeated = std::any_of(tag.attributes.cbegin(), tag.attributes.cend(),
                                              [&](const auto& seen) { return seen.first == key; });
            if (!key.isEmpty() && !repeated && tag.attributes.size() < 64) {
                tag.attributes.append({key, value});
            }
        }
        if (p >= n) {
            textStart = n; // a tag the text ends inside is no tag
            break;
        }
        i = p + 1;
        textStart = i;

        if (closing) {
            if (m_skipDepth > 0) {
                if (tag.name == m_skipTag && --m_skipDepth == 0) {
                    m_skipTag.clear();
                }
            } else {
                endTag(tag.name);
            }
            continue;
        }
        if (m_skipDepth > 0) {
            if (tag.name == m_skipTag && !tag.selfClosing) {
                ++m_skipDepth;
            } else if (tag.name == QLatin1String("body") && m_skipTag == QLatin1String("head")) {
                m_skipDepth = 0; // a head that never ended
                m_skipTag.clear();
            } else if (tag.name == QLatin1String("image") && m_skipTag == QLatin1String("svg")) {
                startTag(tag); // the picture a cover wraps in SVG
            }
            continue;
        }
        if (droppedElements().contains(tag.name)) {
            if (tag.selfClosing) {
                continue;
            }
            if (isRawText(tag.name)) {
                // Skipped to its end tag without reading what looks like tags inside it.
                const QString end = QLatin1String("</") + tag.name;
                const qsizetype stop = html.indexOf(end, i, Qt::CaseInsensitive);
                i = stop < 0 ? n : stop;
                textStart = i;
                continue;
            }
            m_skipTag = tag.name;
            m_skipDepth = 1;
            continue;
        }
        startTag(tag);
    }
    flushText(n);
    m_skipDepth = 0;
    m_skipTag.clear();
    closeTo(base);
    if (!m_pendingKeys.isEmpty() && m_builder->depth() > 0) {
        placePendingKeys();
    }
}

} // namespace Books
