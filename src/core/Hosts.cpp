#include "core/Hosts.h"

#include "core/AppSettings.h"

#include <QHash>

namespace {
QString defaultHost(const QString& key)
{
    static const QHash<QString, QString> defaults = {
        {QStringLiteral("Dictionary"), QStringLiteral("www.dict.org")},
        {QStringLiteral("PictureSearch"), QStringLiteral("www.picsearch.com")},
        {QStringLiteral("BooksIndex"), QStringLiteral("onlinebooks.library.upenn.edu")},
        {QStringLiteral("Gutenberg"), QStringLiteral("www.gutenberg.org")},
        {QStringLiteral("PublicLibrary"), QStringLiteral("www.ipl.org")},
        {QStringLiteral("Poetry"), QStringLiteral("eserver.org")},
        {QStringLiteral("ElectricBooks"), QStringLiteral("www.hoot.co.uk")},
        {QStringLiteral("Medieval"), QStringLiteral("www.fordham.edu")},
        {QStringLiteral("HistoricalDocs"), QStringLiteral("gopher.quux.org")},
        {QStringLiteral("Home"), QStringLiteral("https://onlinebooks.library.upenn.edu/")},
    };
    return defaults.value(key);
}
} // namespace

QString Hosts::host(const char* key)
{
    const QString name = QString::fromLatin1(key);
    auto settings = AppSettings::open();
    settings->beginGroup(QStringLiteral("Hosts"));
    const QString value = settings->value(name).toString();
    return value.isEmpty() ? defaultHost(name) : value;
}
