#include "formats/AtomicFile.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <unistd.h>

namespace {
bool fail(QString* error, const QString& path, const QString& reason)
{
    if (error) {
        *error = QCoreApplication::translate("AtomicFile", "Cannot write %1: %2").arg(path, reason);
    }
    return false;
}

bool write(const QString& path, const QByteArray& data,
           std::optional<QFileDevice::Permissions> permissions, QString* error)
{
    QSaveFile file(path);
    // Unbuffered: each write reaches the file system at once and its failure shows. A buffered
    // tail would only be written by commit(), which renames the file over the old one even when
    // that last write failed, and a small file is all tail.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        return fail(error, path, file.errorString());
    }
    const auto written = [&](QString* reason) {
        if (permissions && !file.setPermissions(*permissions)) {
            *reason = file.errorString();
            return false;
        }
        if (!writeWhole(file, data)) {
            *reason = file.errorString();
            return false;
        }
        if (!flushToDisk(file, reason)) {
            return false;
        }
        if (file.error() != QFileDevice::NoError || !file.commit()) {
            *reason = file.errorString();
            return false;
        }
        return true;
    };
    QString reason;
    if (written(&reason)) {
        return true;
    }
    file.cancelWriting();
    return fail(error, path, reason);
}
} // namespace

bool writeFileAtomically(const QString& path, const QByteArray& data, QString* error)
{
    return write(path, data, std::nullopt, error);
}

bool writeFileAtomically(const QString& path, const QByteArray& data,
                         QFileDevice::Permissions permissions, QString* error)
{
    return write(path, data, permissions, error);
}

bool writeFileAtomicallyUnsynced(const QString& path, const QByteArray& data, QString* error)
{
    // QSaveFile waits for the device on every commit, so the temporary file and the rename
    // are our own here.
    const QFileInfo info(path);
    QTemporaryFile file(info.absolutePath() + QStringLiteral("/.") + info.fileName() +
                        QStringLiteral(".XXXXXX"));
    if (!file.open()) {
        return fail(error, path, file.errorString());
    }
    if (!writeWhole(file, data) || !file.flush()) {
        return fail(error, path, file.errorString());
    }
    const QByteArray from = QFile::encodeName(file.fileName());
    const QByteArray to = QFile::encodeName(info.absoluteFilePath());
    if (::rename(from.constData(), to.constData()) != 0) {
        return fail(error, path, QString::fromLocal8Bit(std::strerror(errno)));
    }
    file.setAutoRemove(false);
    return true;
}

bool writeWhole(QFileDevice& file, const QByteArray& data)
{
    // A write may take only part of what it was given (the disk filled up meanwhile); the next
    // write of the rest then fails and says why.
    qint64 done = 0;
    while (done < data.size()) {
        const qint64 written = file.write(data.constData() + done, data.size() - done);
        if (written <= 0) {
            return false;
        }
        done += written;
    }
    return true;
}

bool flushToDisk(QFileDevice& file, QString* reason)
{
    if (!file.flush()) {
        *reason = file.errorString();
        return false;
    }
    // Some file systems (network ones, and others under a quota) report a lack of room only
    // when the data goes to the device.
    if (::fdatasync(file.handle()) != 0 && errno != EINVAL) {
        *reason = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    return true;
}
