#pragma once

#include <QList>
#include <QString>

// An OPDS catalog the find-a-book window offers: a name, the address of its first page and,
// for a private server, the user name (the password is kept by CatalogPassword, never in the
// settings). The list lives in the settings store, group "Catalogs".
struct Catalog
{
    QString name;
    QString address;
    QString user;

    // Empty when the catalog can be used, else what is wrong with it.
    QString problem() const;
    // "host" or "host:port", as messages and the password store name the server.
    QString server() const;

    // The catalogs in the settings store; Project Gutenberg and Standard Ebooks until the user
    // has changed the list.
    static QList<Catalog> load();
    static void save(const QList<Catalog>& catalogs);
    static QList<Catalog> defaults();
};
