#include "views/plugins/web/WebDownload.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QWebEngineDownloadRequest>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {
// A name in the target folder that does not exist yet and starts with a dot.
QString hiddenNameFor(const QString& target)
{
    const QFileInfo info(target);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString name = QStringLiteral(".%1.%2.part")
                                 .arg(info.fileName().left(100),
                                      QString::number(QRandomGenerator::global()->generate(), 16));
        const QString path = info.absoluteDir().filePath(name);
        if (!QFileInfo::exists(path)) {
            return path;
        }
    }
    return {};
}

// Why a download broke off, in the user's words.
QString reasonText(int reason)
{
    using Request = QWebEngineDownloadRequest;
    if (reason == Request::FileNoSpace) {
        return WebDownload::tr("There is not enough space on the disk.");
    }
    if (reason == Request::FileAccessDenied) {
        return WebDownload::tr("The folder cannot be written to.");
    }
    if (reason >= Request::FileFailed && reason < Request::NetworkFailed) {
        return WebDownload::tr("The file could not be written.");
    }
    if (reason >= Request::NetworkFailed && reason < Request::ServerFailed) {
        return WebDownload::tr("The connection failed before the whole file arrived.");
    }
    return WebDownload::tr("The server did not send the whole file.");
}
} // namespace

WebDownload::WebDownload(QWebEngineDownloadRequest* request, const QString& targetPath,
                         QObject* parent)
    : QObject(parent), m_request(request), m_target(QFileInfo(targetPath).absoluteFilePath())
{
    m_stallTimer.setSingleShot(true);
    m_stallTimer.setInterval(StallMilliseconds);
    connect(&m_stallTimer, &QTimer::timeout, this, &WebDownload::stalled);
}

WebDownload::~WebDownload()
{
    // A download still running when its view goes away is abandoned, not left half-written.
    if (!m_done) {
        if (m_request && !m_request->isFinished()) {
            m_request->cancel();
        }
        removeTemporary();
    }
}

bool WebDownload::start()
{
    m_temporary = hiddenNameFor(m_target);
    if (m_temporary.isEmpty() || !QFileInfo(m_target).absoluteDir().exists()) {
        if (m_request) {
            m_request->cancel();
        }
        fail(tr("The folder %1 cannot be written to.")
                 .arg(QDir::toNativeSeparators(QFileInfo(m_target).absolutePath())));
        return false;
    }
    const QFileInfo temporary(m_temporary);
    m_request->setDownloadDirectory(temporary.absolutePath());
    m_request->setDownloadFileName(temporary.fileName());
    connect(m_request, &QWebEngineDownloadRequest::receivedBytesChanged, this, [this] {
        m_stallTimer.start();
        emit progress(m_request->receivedBytes(), m_request->totalBytes());
    });
    connect(m_request, &QWebEngineDownloadRequest::stateChanged, this,
            &WebDownload::onStateChanged);
    // The engine restarts some broken downloads by itself and may then stall; the first
    // interruption ends the download instead.
    connect(m_request, &QWebEngineDownloadRequest::interruptReasonChanged, this, [this] {
        if (m_request && m_request->interruptReason() != QWebEngineDownloadRequest::NoReason &&
            m_request->interruptReason() != QWebEngineDownloadRequest::UserCanceled) {
            interrupted();
        }
    });
    m_request->accept();
    m_stallTimer.start();
    return true;
}

void WebDownload::stalled()
{
    if (m_done) {
        return;
    }
    // The engine may wait for ever on a server that stopped sending: the download ends, and
    // what arrived is dropped.
    if (m_request && !m_request->isFinished()) {
        m_request->cancel();
    }
    fail(tr("The server stopped sending the file."));
    removeTemporary();
}

void WebDownload::cancel()
{
    if (m_request && !m_request->isFinished()) {
        m_request->cancel();
    }
    if (!m_done) {
        fail(tr("The download was cancelled."));
    }
}

void WebDownload::onStateChanged()
{
    if (m_done || !m_request) {
        return;
    }
    switch (m_request->state()) {
    case QWebEngineDownloadRequest::DownloadCompleted:
        complete();
        break;
    case QWebEngineDownloadRequest::DownloadCancelled:
        fail(tr("The download was cancelled."));
        break;
    case QWebEngineDownloadRequest::DownloadInterrupted:
        interrupted();
        break;
    default:
        break;
    }
}

void WebDownload::interrupted()
{
    if (m_done || !m_request) {
        return;
    }
    fail(reasonText(int(m_request->interruptReason())));
    // What arrived is dropped, and the engine must not go on with it.
    if (!m_request->isFinished()) {
        m_request->cancel();
    }
    removeTemporary();
}

void WebDownload::complete()
{
    if (m_request->totalBytes() > 0 && m_request->receivedBytes() != m_request->totalBytes()) {
        fail(reasonText(QWebEngineDownloadRequest::ServerBadContent));
        return;
    }
    // rename() replaces an existing file in one step; the user confirmed the replacement in the
    // save dialog.
    const QByteArray from = QFile::encodeName(m_temporary);
    const QByteArray to = QFile::encodeName(m_target);
    if (std::rename(from.constData(), to.constData()) != 0) {
        const QString reason = QString::fromLocal8Bit(std::strerror(errno));
        fail(tr("The downloaded file could not be saved as %1: %2")
                 .arg(QDir::toNativeSeparators(m_target), reason));
        return;
    }
    m_done = true;
    emit finished(true, m_target, QString());
}

void WebDownload::fail(const QString& error)
{
    if (m_done) {
        return;
    }
    m_done = true;
    removeTemporary();
    emit finished(false, m_target, error);
}

void WebDownload::removeTemporary()
{
    if (m_temporary.isEmpty()) {
        return;
    }
    QFile::remove(m_temporary);
    // The engine may keep its own intermediate file next to ours.
    QFile::remove(m_temporary + QStringLiteral(".crdownload"));
}
