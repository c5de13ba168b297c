#include "support/CatalogPages.h"

#include <QSignalSpy>
#include <QTest>

QByteArray CatalogPages::atomEntry(const QString& title, const QByteArray& links)
{
    return "<entry><title>" + title.toUtf8() + "</title><id>" + title.toUtf8() + "</id>" + links +
           "</entry>";
}

QByteArray CatalogPages::atomFeed(const QByteArray& links, const QByteArray& entries)
{
    return "<?xml version='1.0' encoding='utf-8'?>\n<feed xmlns='http://www.w3.org/2005/Atom'>"
           "<title>Hand-made</title>" +
           links + entries + "</feed>";
}

CatalogPages::Answer CatalogPages::open(CatalogClient& client, const QString& address)
{
    qRegisterMetaType<Opds::Feed>();
    QSignalSpy arrived(&client, &CatalogClient::pageArrived);
    QSignalSpy failed(&client, &CatalogClient::failed);
    client.open(address);
    Answer answer;
    if (!QTest::qWaitFor([&] { return !arrived.isEmpty() || !failed.isEmpty(); }, 30000)) {
        answer.error = QStringLiteral("neither a page nor a failure");
        return answer;
    }
    answer.arrived = !arrived.isEmpty();
    if (answer.arrived) {
        answer.page = arrived.first().at(1).value<Opds::Feed>();
    } else {
        answer.error = failed.first().first().toString();
    }
    return answer;
}
