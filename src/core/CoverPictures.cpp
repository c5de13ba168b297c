#include "core/CoverPictures.h"

#include "core/NetworkFetch.h"
#include "core/NetworkLimits.h"

#include <QBuffer>
#include <QImageReader>

namespace {
constexpr int AtOnce = 4;
// Covers are shown small; a bigger one is scaled down on arrival.
constexpr int KeptHeight = 240;
constexpr int MaxSide = 6000;
constexpr int MaxKept = 500;
} // namespace

CoverPictures::CoverPictures(QNetworkAccessManager* network, QObject* parent)
    : QObject(parent), m_network(network)
{
}

CoverPictures::~CoverPictures()
{
    for (const QPointer<NetworkFetch>& fetch : m_running) {
        if (fetch) {
            fetch->abort();
        }
    }
}

void CoverPictures::request(const QStringList& addresses)
{
    for (const QString& address : addresses) {
        if (!address.isEmpty() && !m_pictures.contains(address) && !m_queue.contains(address) &&
            !m_failed.contains(address)) {
            m_queue.append(address);
        }
    }
    startNext();
}

void CoverPictures::clearQueue()
{
    m_queue.clear();
}

void CoverPictures::startNext()
{
    m_running.removeAll(nullptr);
    while (m_running.size() < AtOnce && !m_queue.isEmpty()) {
        const QString address = m_queue.takeFirst();
        auto* fetch =
            new NetworkFetch(m_network, QUrl(address), NetworkLimits::current().pictureBytes, this);
        m_running.append(fetch);
        connect(fetch, &NetworkFetch::finished, this,
                [this, fetch, address](const NetworkFetch::Result& result) {
                    fetch->deleteLater();
                    m_running.removeAll(fetch);
                    const QImage image = result.ok ? decode(result.data) : QImage();
                    if (image.isNull()) {
                        m_failed.append(address);
                    } else {
                        if (m_pictures.size() >= MaxKept) {
                            m_pictures.clear();
                        }
                        m_pictures.insert(address, image);
                        emit pictureArrived(address, image);
                    }
                    startNext();
                });
    }
}

QImage CoverPictures::decode(const QByteArray& data)
{
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAllocationLimit(64);
    const QSize size = reader.size();
    if (!size.isValid() || size.width() > MaxSide || size.height() > MaxSide) {
        return QImage();
    }
    if (size.height() > KeptHeight) {
        reader.setScaledSize(size.scaled(QSize(MaxSide, KeptHeight), Qt::KeepAspectRatio));
    }
    return reader.read();
}
