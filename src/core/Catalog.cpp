#include "core/Catalog.h"

#include "core/AppSettings.h"

#include <QCoreApplication>
#include <QUrl>

namespace {
QString tr(const char* text)
{
    return QCoreApplication::translate("Catalog", text);
}

const QString Group = QStringLiteral("Catalogs");
const QString Array = QStringLiteral("Catalog");
} // namespace

QString Catalog::problem() const
{
    if (name.trimmed().isEmpty()) {
        return tr("Please give the catalog a name.");
    }
    const QUrl url(address.trimmed(), QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty() ||
        (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https"))) {
        return tr("The catalog's address must be a web address starting with http:// or "
                  "https://.");
    }
    if (user.contains(QLatin1Char(':')) || user.contains(QLatin1Char('\n'))) {
        return tr("A user name cannot hold a colon or a line break.");
    }
    return QString();
}

QString Catalog::server() const
{
    const QUrl url(address.trimmed());
    return url.port() > 0 ? QStringLiteral("%1:%2").arg(url.host()).arg(url.port()) : url.host();
}

QList<Catalog> Catalog::defaults()
{
    return {{QStringLiteral("Project Gutenberg"),
             QStringLiteral("https://www.gutenberg.org/ebooks.opds/"), QString()},
            {QStringLiteral("Standard Ebooks"),
             QStringLiteral("https://standardebooks.org/feeds/opds"), QString()}};
}

QList<Catalog> Catalog::load()
{
    auto settings = AppSettings::open();
    settings->beginGroup(Group);
    // An empty list the user left is kept empty; only a list never written gets the defaults.
    if (!settings->contains(Array + QStringLiteral("/size"))) {
        return defaults();
    }
    QList<Catalog> catalogs;
    const int size = settings->beginReadArray(Array);
    for (int i = 0; i < size; ++i) {
        settings->setArrayIndex(i);
        Catalog catalog{settings->value(QStringLiteral("Name")).toString(),
                        settings->value(QStringLiteral("Address")).toString(),
                        settings->value(QStringLiteral("User")).toString()};
        if (catalog.problem().isEmpty()) {
            catalogs.append(catalog);
        }
    }
    settings->endArray();
    return catalogs;
}

void Catalog::save(const QList<Catalog>& catalogs)
{
    auto settings = AppSettings::open();
    settings->beginGroup(Group);
    settings->remove(QString());
    settings->beginWriteArray(Array, int(catalogs.size()));
    for (int i = 0; i < catalogs.size(); ++i) {
        settings->setArrayIndex(i);
        settings->setValue(QStringLiteral("Name"), catalogs[i].name);
        settings->setValue(QStringLiteral("Address"), catalogs[i].address);
        settings->setValue(QStringLiteral("User"), catalogs[i].user);
    }
    settings->endArray();
}
