#pragma once

#include <QList>
#include <QPair>
#include <QString>

// An address whose query is built from values as the user gave them: every value is encoded
// whole, so "&", "#", "+", "=" and "%" in a word reach the server as part of that word.
namespace QueryAddress {
using Items = QList<QPair<QString, QString>>;

// base (scheme, host and path) with the items as its query, in order; fully encoded.
QString build(const QString& base, const Items& items);
} // namespace QueryAddress
