#include "core/DefinitionSource.h"

#include "core/AppSettings.h"

namespace {
const QString Group = QStringLiteral("Definitions");
} // namespace

DefinitionSource DefinitionSource::load()
{
    DefinitionSource source;
    auto settings = AppSettings::open();
    settings->beginGroup(Group);
    if (settings->value(QStringLiteral("From")).toString() == QLatin1String("server")) {
        source.from = From::Server;
    }
    const QString server = settings->value(QStringLiteral("Server")).toString().trimmed();
    if (!server.isEmpty()) {
        source.server = server;
    }
    const QString database = settings->value(QStringLiteral("Database")).toString().trimmed();
    if (!database.isEmpty()) {
        source.database = database;
    }
    return source;
}

void DefinitionSource::save() const
{
    auto settings = AppSettings::open();
    settings->beginGroup(Group);
    settings->setValue(QStringLiteral("From"),
                       usesServer() ? QStringLiteral("server") : QStringLiteral("web"));
    settings->setValue(QStringLiteral("Server"), server);
    settings->setValue(QStringLiteral("Database"), database);
}
