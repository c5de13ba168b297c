#pragma once

#include <QHash>
#include <QImage>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

class NetworkFetch;
class QNetworkAccessManager;

// The cover pictures of a catalog's books, fetched a few at a time on the catalog's own
// connection and kept for the session. A picture is read only within a size and a pixel limit
// (a hostile server cannot make the program decode a giant), and one that cannot be read is
// simply left out.
class CoverPictures : public QObject
{
    Q_OBJECT
public:
    explicit CoverPictures(QNetworkAccessManager* network, QObject* parent = nullptr);
    ~CoverPictures() override;

    // Asks for the pictures at these addresses, after those asked for before.
    void request(const QStringList& addresses);
    // Forgets the pictures not fetched yet (the page they were for is gone).
    void clearQueue();
    // The picture, when it has arrived.
    QImage picture(const QString& address) const { return m_pictures.value(address); }

    // Reads a picture from bytes within the limits; a null image when it cannot.
    static QImage decode(const QByteArray& data);

signals:
    void pictureArrived(const QString& address, const QImage& picture);

private:
    void startNext();

    QNetworkAccessManager* m_network;
    QStringList m_queue;
    QList<QPointer<NetworkFetch>> m_running;
    QHash<QString, QImage> m_pictures;
    QStringList m_failed;
};
