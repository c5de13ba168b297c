#include "formats/opds/OpdsJsonReader.h"

#include "formats/opds/HtmlText.h"
#include "formats/opds/OpdsReader.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {
QString tr(const char* text)
{
    return QCoreApplication::translate("Opds", text);
}

// A title or name may be a text or a map of languages to texts.
QString textOf(const QJsonValue& value)
{
    if (value.isString()) {
        return Opds::boundedText(value.toString().simplified());
    }
    if (value.isObject()) {
        const QJsonObject map = value.toObject();
        const QJsonValue english = map.value(QLatin1String("en"));
        if (english.isString()) {
            return textOf(english);
        }
        // Any language will do; a nested map is no title.
        for (auto it = map.begin(); it != map.end(); ++it) {
            if (it.value().isString()) {
                return textOf(it.value());
            }
        }
    }
    return QString();
}

// "author" may be a name, a contributor object, or a list of either.
QStringList namesOf(const QJsonValue& value)
{
    QStringList names;
    const QJsonArray list = value.isArray() ? value.toArray() : QJsonArray{value};
    for (const QJsonValue& item : list) {
        const QString name =
            item.isObject() ? textOf(item.toObject().value(QLatin1String("name"))) : textOf(item);
        if (!name.isEmpty() && names.size() < 20) {
            names.append(name);
        }
    }
    return names;
}

QList<Opds::Link> linksOf(const QJsonValue& value, const QUrl& page,
                          const QString& defaultRel = QString())
{
    QList<Opds::Link> links;
    const QJsonArray list = value.toArray();
    for (const QJsonValue& item : list) {
        if (links.size() >= 100) {
            break;
        }
        const QJsonObject object = item.toObject();
        Opds::Link link;
        // A link may carry several relations; the first one the program knows is enough.
        const QJsonValue rel = object.value(QLatin1String("rel"));
        const QJsonArray rels = rel.toArray();
        link.rel = rel.isArray() ? (rels.isEmpty() ? QString() : rels.first().toString())
                                 : rel.toString(defaultRel);
        link.rel = link.rel.left(300);
        link.type = object.value(QLatin1String("type")).toString().left(300);
        link.title = textOf(object.value(QLatin1String("title")));
        const QString href = object.value(QLatin1String("href")).toString();
        link.href = object.value(QLatin1String("templated")).toBool()
                        ? Opds::templateAddress(page, href)
                        : Opds::webAddress(page, href);
        const QJsonObject properties = object.value(QLatin1String("properties")).toObject();
        const double length = properties.value(QLatin1String("length")).toDouble(-1);
        link.length = length >= 0 ? qint64(length) : -1;
        if (!link.href.isEmpty()) {
            links.append(link);
        }
    }
    return links;
}

Opds::Entry publication(const QJsonObject& object, const QUrl& page)
{
    const QJsonObject metadata = object.value(QLatin1String("metadata")).toObject();
    Opds::Entry entry;
    entry.id = metadata.value(QLatin1String("identifier")).toString().left(1000);
    entry.title = textOf(metadata.value(QLatin1String("title")));
    entry.authors = namesOf(metadata.value(QLatin1String("author")));
    entry.summary = Opds::boundedText(
        HtmlText::toPlainText(metadata.value(QLatin1String("description")).toString()));
    entry.links = linksOf(object.value(QLatin1String("links")), page);
    entry.links += linksOf(object.value(QLatin1String("images")), page, QStringLiteral("image"));
    return entry;
}

void addSection(const QJsonObject& section, const QUrl& page, Opds::Feed* feed)
{
    for (const QJsonValue& item : section.value(QLatin1String("navigation")).toArray()) {
        const QJsonObject object = item.toObject();
        Opds::Entry entry;
        entry.title = textOf(object.value(QLatin1String("title")));
        Opds::Link link;
        link.href = Opds::webAddress(page, object.value(QLatin1String("href")).toString());
        link.type =
            object.value(QLatin1String("type")).toString(QStringLiteral("application/opds+json"));
        link.rel = QStringLiteral("subsection");
        if (link.href.isEmpty() || feed->entries.size() >= Opds::MaxEntries) {
            continue;
        }
        entry.links.append(link);
        feed->entries.append(entry);
    }
    for (const QJsonValue& item : section.value(QLatin1String("publications")).toArray()) {
        if (feed->entries.size() >= Opds::MaxEntries) {
            break;
        }
        feed->entries.append(publication(item.toObject(), page));
    }
}
} // namespace

bool Opds::readOpdsJson(const QByteArray& data, const QUrl& address, Feed* feed, QString* error)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(data, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        *error = tr("The catalog page is not valid JSON (at byte %1: %2).")
                     .arg(parseError.offset)
                     .arg(parseError.errorString());
        return false;
    }
    if (!document.isObject()) {
        *error = tr("The page is not a catalog.");
        return false;
    }
    const QJsonObject root = document.object();
    const bool isFeed = root.contains(QLatin1String("navigation")) ||
                        root.contains(QLatin1String("publications")) ||
                        root.contains(QLatin1String("groups"));
    if (!isFeed) {
        if (root.value(QLatin1String("metadata")).isObject() &&
            root.value(QLatin1String("links")).isArray()) {
            // A page about one book.
            feed->entries.append(publication(root, address));
            feed->title = feed->entries.first().title;
            return true;
        }
        *error = tr("The page is not a catalog.");
        return false;
    }
    feed->title =
        textOf(root.value(QLatin1String("metadata")).toObject().value(QLatin1String("title")));
    for (const Link& link : linksOf(root.value(QLatin1String("links")), address)) {
        const QString name = relationName(link.rel);
        if (name == QLatin1String("next") && feed->nextHref.isEmpty()) {
            feed->nextHref = link.href;
        } else if (name == QLatin1String("start") && feed->startHref.isEmpty()) {
            feed->startHref = link.href;
        } else if (name == QLatin1String("search") && feed->searchHref.isEmpty()) {
            feed->searchHref = link.href;
            feed->searchIsTemplate = link.href.contains(QLatin1Char('{'));
        }
    }
    addSection(root, address, feed);
    for (const QJsonValue& group : root.value(QLatin1String("groups")).toArray()) {
        addSection(group.toObject(), address, feed);
    }
    return true;
}
