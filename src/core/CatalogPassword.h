#pragma once

#include "core/Catalog.h"

#include <QString>

// The password of a private catalog, kept as the mail password is: in the desktop's keyring
// when one runs, otherwise in ~/.netrc (readable by the user only, "machine HOST login USER").
// The settings file never holds it.
namespace CatalogPassword {
// The password kept for the catalog's user on its server; empty when there is none.
QString read(const Catalog& catalog);
// Keeps the password; *where says where it went ("the keyring" or "~/.netrc").
bool save(const Catalog& catalog, const QString& password, QString* where, QString* error);
} // namespace CatalogPassword
