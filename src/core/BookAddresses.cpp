#include "core/BookAddresses.h"

#include "core/Hosts.h"
#include "core/QueryAddress.h"

#include <QCoreApplication>
#include <array>

namespace {
struct Site
{
    const char* entry;
    const char* scheme; // nullptr for a separator
    const char* hostKey;
    const char* path;
};

// The gopher path keeps its escapes: the web view is given it as it stands.
constexpr std::array<Site, 9> Sites = {{
    {QT_TRANSLATE_NOOP("BookAddresses", "Project Gutenberg"), "http://", Hosts::Gutenberg,
     "/pg/index.html"},
    {QT_TRANSLATE_NOOP("BookAddresses", "Internet Public Library"), "http://", Hosts::PublicLibrary,
     "/reading/books"},
    {"-", nullptr, nullptr, nullptr},
    {QT_TRANSLATE_NOOP("BookAddresses", "Popular Poetry"), "http://", Hosts::Poetry, "/poetry/"},
    {QT_TRANSLATE_NOOP("BookAddresses", "Electric Books"), "http://", Hosts::ElectricBooks,
     "/eblist.htm"},
    {"-", nullptr, nullptr, nullptr},
    {QT_TRANSLATE_NOOP("BookAddresses", "Philosophic Texts"), "http://", Hosts::Poetry,
     "/philosophy/"},
    {QT_TRANSLATE_NOOP("BookAddresses", "Medieval Sourcebook"), "http://", Hosts::Medieval,
     "/halsall/sbook2.html"},
    {QT_TRANSLATE_NOOP("BookAddresses", "US Historical Docs"), "gopher://", Hosts::HistoricalDocs,
     "/11/Gov/US-History%09%09%2B"},
}};

QString mode(bool exactStart)
{
    return exactStart ? QStringLiteral("start") : QStringLiteral("words");
}
} // namespace

QString BookAddresses::search(const QString& author, bool exactAuthorStart, const QString& title,
                              bool exactTitleStart)
{
    return QueryAddress::build(QStringLiteral("http://") + Hosts::host(Hosts::BooksIndex) +
                                   QStringLiteral("/webbin/book/search"),
                               {{QStringLiteral("author"), author},
                                {QStringLiteral("amode"), mode(exactAuthorStart)},
                                {QStringLiteral("title"), title},
                                {QStringLiteral("tmode"), mode(exactTitleStart)}});
}

QStringList BookAddresses::siteEntries()
{
    QStringList entries;
    for (const Site& site : Sites) {
        entries.append(site.scheme ? QCoreApplication::translate("BookAddresses", site.entry)
                                   : QString::fromLatin1(site.entry));
    }
    return entries;
}

QString BookAddresses::siteAddress(int position)
{
    if (position < 0 || position >= int(Sites.size()) || !Sites[position].scheme) {
        return {};
    }
    const Site& site = Sites[position];
    return QLatin1String(site.scheme) + Hosts::host(site.hostKey) + QLatin1String(site.path);
}
