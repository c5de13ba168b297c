#include "core/QueryAddress.h"

#include <QUrl>
#include <QUrlQuery>

QString QueryAddress::build(const QString& base, const Items& items)
{
    QUrlQuery query;
    for (const auto& [key, value] : items) {
        // QUrlQuery leaves "+" and "%XX" in a value as they are (a server reads them as a blank
        // and as an escape); encoding the value first keeps them the user's characters.
        // An empty value still gets its "=": a null text would leave it out.
        QString encoded = QString::fromLatin1(QUrl::toPercentEncoding(value));
        if (encoded.isNull()) {
            encoded = QStringLiteral("");
        }
        query.addQueryItem(key, encoded);
    }
    QUrl url(base);
    url.setQuery(query);
    return url.toString(QUrl::FullyEncoded);
}
