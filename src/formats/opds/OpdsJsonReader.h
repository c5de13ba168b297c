#pragma once

#include "formats/opds/OpdsFeed.h"

#include <QByteArray>
#include <QString>
#include <QUrl>

namespace Opds {
// An OPDS 2 page (JSON): its navigation, publications and groups as one list of entries.
bool readOpdsJson(const QByteArray& data, const QUrl& address, Feed* feed, QString* error);
} // namespace Opds
