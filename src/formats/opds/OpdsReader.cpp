#include "formats/opds/OpdsReader.h"

#include "formats/opds/HtmlText.h"
#include "formats/opds/OpdsJsonReader.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QXmlStreamReader>

namespace {
constexpr int MaxLinks = 100;
constexpr int MaxTextLength = 20000;

QString tr(const char* text)
{
    return QCoreApplication::translate("Opds", text);
}

QString xmlError(const QXmlStreamReader& xml)
{
    if (xml.error() == QXmlStreamReader::PrematureEndOfDocumentError) {
        return tr("The catalog page ends before it is complete.");
    }
    return tr("The catalog page is not valid XML (line %1: %2).")
        .arg(xml.lineNumber())
        .arg(xml.errorString());
}

// The text of a title, summary or content element, read as its "type" says.
QString readText(QXmlStreamReader& xml)
{
    const QString type = xml.attributes().value(QLatin1String("type")).toString().toLower();
    const QString text = xml.readElementText(QXmlStreamReader::IncludeChildElements);
    if (type == QLatin1String("html") || type == QLatin1String("text/html")) {
        return Opds::boundedText(HtmlText::toPlainText(text));
    }
    return Opds::boundedText(text.simplified().isEmpty() ? QString() : text.trimmed());
}

Opds::Link readLink(QXmlStreamReader& xml, const QUrl& page)
{
    const QXmlStreamAttributes a = xml.attributes();
    Opds::Link link;
    link.rel = a.value(QLatin1String("rel")).toString().left(300);
    const QString href = a.value(QLatin1String("href")).toString();
    link.href = Opds::relationName(link.rel) == QLatin1String("search")
                    ? Opds::templateAddress(page, href)
                    : Opds::webAddress(page, href);
    link.type = a.value(QLatin1String("type")).toString().left(300);
    link.title = Opds::boundedText(a.value(QLatin1String("title")).toString());
    bool ok = false;
    const qint64 length = a.value(QLatin1String("length")).toLongLong(&ok);
    link.length = ok && length >= 0 ? length : -1;
    xml.skipCurrentElement();
    return link;
}

QString readAuthor(QXmlStreamReader& xml)
{
    QString name;
    while (xml.readNextStartElement()) {
        if (xml.name() == QLatin1String("name")) {
            name = Opds::boundedText(
                xml.readElementText(QXmlStreamReader::IncludeChildElements).simplified());
        } else {
            xml.skipCurrentElement();
        }
    }
    return name;
}

Opds::Entry readEntry(QXmlStreamReader& xml, const QUrl& page)
{
    Opds::Entry entry;
    QString content;
    while (xml.readNextStartElement()) {
        const auto name = xml.name();
        if (name == QLatin1String("title")) {
            entry.title = readText(xml).simplified();
        } else if (name == QLatin1String("id")) {
            entry.id = Opds::boundedText(xml.readElementText().trimmed());
        } else if (name == QLatin1String("author")) {
            const QString author = readAuthor(xml);
            if (!author.isEmpty() && entry.authors.size() < 20) {
                entry.authors.append(author);
            }
        } else if (name == QLatin1String("summary")) {
            entry.summary = readText(xml);
        } else if (name == QLatin1String("content")) {
            content = readText(xml);
        } else if (name == QLatin1String("link")) {
            Opds::Link link = readLink(xml, page);
            if (!link.href.isEmpty() && entry.links.size() < MaxLinks) {
                entry.links.append(link);
            }
        } else {
            xml.skipCurrentElement();
        }
    }
    if (entry.summary.isEmpty()) {
        entry.summary = content;
    }
    return entry;
}

void takeFeedLink(Opds::Feed* feed, const Opds::Link& link)
{
    const QString name = Opds::relationName(link.rel);
    if (name == QLatin1String("next") && feed->nextHref.isEmpty()) {
        feed->nextHref = link.href;
    } else if (name == QLatin1String("start") && feed->startHref.isEmpty()) {
        feed->startHref = link.href;
    } else if (name == QLatin1String("search") && feed->searchHref.isEmpty()) {
        feed->searchHref = link.href;
        // A search link of a feed type is a template already; any other is a description.
        feed->searchIsTemplate =
            !link.type.contains(QLatin1String("opensearchdescription"), Qt::CaseInsensitive) &&
            link.href.contains(QLatin1Char('{'));
    }
}

bool readAtom(const QByteArray& data, const QUrl& page, Opds::Feed* feed, QString* error)
{
    QXmlStreamReader xml(data);
    if (!xml.readNextStartElement()) {
        *error = xml.hasError() ? xmlError(xml) : tr("The catalog page is empty.");
        return false;
    }
    if (xml.name() == QLatin1String("entry")) {
        // A page about one book.
        Opds::Entry entry = readEntry(xml, page);
        feed->title = entry.title;
        feed->entries.append(entry);
    } else if (xml.name() == QLatin1String("feed")) {
        while (xml.readNextStartElement()) {
            const auto name = xml.name();
            if (name == QLatin1String("entry")) {
                Opds::Entry entry = readEntry(xml, page);
                if (feed->entries.size() < Opds::MaxEntries) {
                    feed->entries.append(entry);
                }
            } else if (name == QLatin1String("title")) {
                feed->title = readText(xml).simplified();
            } else if (name == QLatin1String("link")) {
                const Opds::Link link = readLink(xml, page);
                if (!link.href.isEmpty()) {
                    takeFeedLink(feed, link);
                }
            } else {
                xml.skipCurrentElement();
            }
        }
    } else if (xml.name().compare(QLatin1String("html"), Qt::CaseInsensitive) == 0) {
        *error = tr("The address leads to a web page, not to a catalog.");
        return false;
    } else {
        *error = tr("The page is not a catalog (it holds \"%1\").").arg(xml.name().toString());
        return false;
    }
    // Whatever follows the root element must be well formed too.
    while (!xml.atEnd()) {
        xml.readNext();
    }
    if (xml.hasError()) {
        *error = xmlError(xml);
        return false;
    }
    return true;
}
} // namespace

QString Opds::webAddress(const QUrl& page, const QString& href)
{
    const QString trimmed = href.trimmed();
    if (trimmed.isEmpty() || trimmed.size() > 4000) {
        return QString();
    }
    const QUrl url = page.resolved(QUrl(trimmed));
    if (!url.isValid() ||
        (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https")) ||
        url.host().isEmpty()) {
        return QString();
    }
    return url.toString(QUrl::FullyEncoded);
}

QString Opds::templateAddress(const QUrl& page, const QString& href)
{
    // The template's expressions ("{searchTerms}", "{?query}") must come through the
    // resolution as they are, so each stands aside as a plain word meanwhile.
    static const QRegularExpression expression(QStringLiteral("\\{[^{}]*\\}"));
    QStringList expressions;
    QString prepared = href;
    QRegularExpressionMatch match;
    while ((match = expression.match(prepared)).hasMatch() && expressions.size() < 20) {
        const QString word = QStringLiteral("QUILLMERETEMPLATE%1X").arg(expressions.size());
        expressions.append(match.captured());
        prepared.replace(match.capturedStart(), match.capturedLength(), word);
    }
    QString resolved = webAddress(page, prepared);
    for (qsizetype i = 0; i < expressions.size(); ++i) {
        resolved.replace(QStringLiteral("QUILLMERETEMPLATE%1X").arg(i), expressions.at(i));
    }
    return resolved;
}

QString Opds::boundedText(const QString& text)
{
    return text.size() > MaxTextLength ? text.left(MaxTextLength) + QChar(0x2026) : text;
}

bool Opds::readFeed(const QByteArray& data, const QUrl& address, Feed* feed, QString* error)
{
    *feed = Feed();
    QString why;
    qsizetype first = 0;
    if (data.startsWith("\xEF\xBB\xBF")) {
        first = 3;
    }
    while (first < data.size() && QChar::isSpace(uchar(data.at(first)))) {
        ++first;
    }
    bool ok = false;
    if (first < data.size() && (data.at(first) == '{' || data.at(first) == '[')) {
        ok = readOpdsJson(data, address, feed, &why);
    } else {
        ok = readAtom(data, address, feed, &why);
    }
    if (!ok) {
        *feed = Feed();
        if (error) {
            *error = why;
        }
    }
    return ok;
}

QString Opds::readSearchDescription(const QByteArray& data, const QUrl& address, QString* error)
{
    QXmlStreamReader xml(data);
    QString any;
    QString feedTemplate;
    if (xml.readNextStartElement() && xml.name() == QLatin1String("OpenSearchDescription")) {
        while (xml.readNextStartElement()) {
            if (xml.name() != QLatin1String("Url")) {
                xml.skipCurrentElement();
                continue;
            }
            const QString type = xml.attributes().value(QLatin1String("type")).toString();
            const QString templ = xml.attributes().value(QLatin1String("template")).toString();
            xml.skipCurrentElement();
            if (templ.isEmpty()) {
                continue;
            }
            if (any.isEmpty()) {
                any = templ;
            }
            if (feedTemplate.isEmpty() && (type.contains(QLatin1String("atom+xml")) ||
                                           type.contains(QLatin1String("opds+json")))) {
                feedTemplate = templ;
            }
        }
    }
    const QString chosen = feedTemplate.isEmpty() ? any : feedTemplate;
    QString resolved;
    if (!xml.hasError() && !chosen.isEmpty()) {
        resolved = templateAddress(address, chosen);
    }
    if (resolved.isEmpty() && error) {
        *error = tr("The catalog's search description offers no search the program can use.");
    }
    return resolved;
}

QUrl Opds::searchAddress(const QString& searchTemplate, const QString& terms)
{
    const QString encoded = QString::fromLatin1(QUrl::toPercentEncoding(terms.simplified()));
    QString address = searchTemplate;
    address.replace(QLatin1String("{searchTerms}"), encoded);
    // A URI template's query expression: "{?query,page}" gives "?query=terms".
    static const QRegularExpression queryExpression(QStringLiteral("\\{([?&])([^}]*)\\}"));
    QRegularExpressionMatch match;
    while ((match = queryExpression.match(address)).hasMatch()) {
        QString filled;
        const QStringList names = match.captured(2).split(QLatin1Char(','));
        for (const QString& name : names) {
            const QString key = name.trimmed();
            if (key == QLatin1String("query") || key == QLatin1String("searchTerms") ||
                key == QLatin1String("title")) {
                filled += (filled.isEmpty() ? match.captured(1) : QStringLiteral("&")) + key +
                          QLatin1Char('=') + encoded;
                break;
            }
        }
        address.replace(match.capturedStart(), match.capturedLength(), filled);
    }
    // Every other parameter ("{startPage?}", "{count}") is left empty.
    static const QRegularExpression other(QStringLiteral("\\{[^}]*\\}"));
    address.replace(other, QString());
    return QUrl(address, QUrl::TolerantMode);
}
