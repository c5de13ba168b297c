#include "formats/opds/OpdsFeed.h"

#include <QUrl>
#include <algorithm>

namespace {
bool isAcquisition(const QString& name)
{
    // Borrowing, buying and subscribing lead to a shop or a loan, not to a file.
    return name == QLatin1String("acquisition") ||
           name == QLatin1String("acquisition/open-access") ||
           name == QLatin1String("acquisition/sample") ||
           name == QLatin1String("acquisition/preview");
}

bool isAnyAcquisition(const QString& name)
{
    return name.startsWith(QLatin1String("acquisition"));
}

QString mediaType(const QString& type)
{
    // "text/plain; charset=utf-8" is text/plain.
    return type.section(QLatin1Char(';'), 0, 0).trimmed().toLower();
}

bool isFeedType(const QString& type)
{
    const QString media = mediaType(type);
    return media == QLatin1String("application/atom+xml") ||
           media == QLatin1String("application/opds+json");
}
} // namespace

QString Opds::relationName(const QString& rel)
{
    const QString trimmed = rel.trimmed();
    if (!trimmed.contains(QLatin1String("://"))) {
        return trimmed.toLower();
    }
    QString path = QUrl(trimmed).path();
    while (path.startsWith(QLatin1Char('/'))) {
        path.remove(0, 1);
    }
    return path.toLower();
}

std::optional<Opds::BookFile> Opds::readableKind(const Link& link)
{
    struct Kind
    {
        const char* type;
        const char* extension;
        const char* label;
    };
    // In the order the program prefers them.
    static const Kind kinds[] = {
        {"application/epub+zip", "epub", "EPUB"},
        {"application/x-fictionbook+xml", "fb2", "FB2"},
        {"application/x-zip-compressed-fb2", "fb2.zip", "FB2"},
        {"application/fb2+zip", "fb2.zip", "FB2"},
        {"application/vnd.amazon.mobi8-ebook", "azw3", "AZW3"},
        {"application/x-mobipocket-ebook", "mobi", "MOBI"},
        {"application/pdf", "pdf", "PDF"},
        {"application/rtf", "rtf", "RTF"},
        {"text/rtf", "rtf", "RTF"},
        {"text/plain", "txt", "Text"},
        {"text/html", "htm", "HTML"},
        {"application/xhtml+xml", "htm", "HTML"},
        {"application/msword", "doc", "Word"},
        {"application/vnd.openxmlformats-officedocument.wordprocessingml.document", "docx", "DOCX"},
        {"application/vnd.oasis.opendocument.text", "odt", "ODT"},
    };
    const QString media = mediaType(link.type);
    for (const Kind& kind : kinds) {
        if (media == QLatin1String(kind.type)) {
            return BookFile{link, QLatin1String(kind.extension), QLatin1String(kind.label)};
        }
    }
    return std::nullopt;
}

std::optional<Opds::Link> Opds::Entry::subsection() const
{
    for (const Link& link : links) {
        const QString name = relationName(link.rel);
        if (!isAnyAcquisition(name) && isFeedType(link.type) && !name.startsWith("image") &&
            name != QLatin1String("alternate") && name != QLatin1String("self")) {
            return link;
        }
    }
    // A navigation entry with an unnamed relation and no type still leads somewhere.
    for (const Link& link : links) {
        if (link.rel.isEmpty() && link.type.isEmpty()) {
            return link;
        }
    }
    return std::nullopt;
}

QList<Opds::BookFile> Opds::Entry::readableFiles() const
{
    QList<BookFile> files;
    for (const Link& link : links) {
        if (!isAcquisition(relationName(link.rel))) {
            continue;
        }
        if (auto file = readableKind(link)) {
            const bool known = std::any_of(files.cbegin(), files.cend(), [&](const BookFile& f) {
                return f.link.href == link.href;
            });
            if (!known) {
                files.append(*file);
            }
        }
    }
    auto rank = [](const BookFile& file) {
        static const QStringList order = {
            QStringLiteral("epub"), QStringLiteral("fb2"),  QStringLiteral("fb2.zip"),
            QStringLiteral("azw3"), QStringLiteral("mobi"), QStringLiteral("pdf"),
            QStringLiteral("rtf"),  QStringLiteral("txt"),  QStringLiteral("htm"),
            QStringLiteral("docx"), QStringLiteral("odt"),  QStringLiteral("doc")};
        return order.indexOf(file.extension);
    };
    std::stable_sort(files.begin(), files.end(),
                     [&](const BookFile& a, const BookFile& b) { return rank(a) < rank(b); });
    return files;
}

bool Opds::Entry::isBook() const
{
    return std::any_of(links.cbegin(), links.cend(),
                       [](const Link& link) { return isAnyAcquisition(relationName(link.rel)); });
}

QString Opds::Entry::thumbnailHref() const
{
    for (const Link& link : links) {
        const QString name = relationName(link.rel);
        if (name == QLatin1String("image/thumbnail") || name == QLatin1String("thumbnail")) {
            return link.href;
        }
    }
    return coverHref();
}

QString Opds::Entry::coverHref() const
{
    for (const Link& link : links) {
        const QString name = relationName(link.rel);
        if (name == QLatin1String("image") || name == QLatin1String("cover")) {
            return link.href;
        }
    }
    return QString();
}
