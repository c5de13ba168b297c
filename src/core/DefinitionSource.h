#pragma once

#include <QString>

// Where Get Definition looks a word up: the dictionary web site (as always, the default) or a
// dictionary server (DICT) with one of its databases. Kept in the settings store, group
// "Definitions": "From" ("web" or "server"), "Server" and "Database".
struct DefinitionSource
{
    enum class From
    {
        WebSite,
        Server
    };

    From from = From::WebSite;
    QString server = QStringLiteral("dict://localhost");
    QString database = QStringLiteral("*"); // every database the server has

    bool usesServer() const { return from == From::Server; }

    static DefinitionSource load();
    void save() const;
};
