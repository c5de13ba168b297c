#include "core/RawNameAlias.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace {
QByteArray realPath(const QString& booksFolder, const QByteArray& rawName)
{
    QByteArray path = QFile::encodeName(booksFolder);
    if (!path.endsWith('/')) {
        path += '/';
    }
    return path + rawName;
}
} // namespace

QString RawNameAlias::pathFor(const QString& booksFolder, const QByteArray& rawName,
                              const QString& shownName)
{
    static QTemporaryDir links(QDir::tempPath() + QStringLiteral("/quillmere-names-XXXXXX"));
    static int next = 0;
    if (!links.isValid()) {
        return {};
    }
    // A folder of its own for each link: two odd names may look alike once shown.
    const QString folder = links.filePath(QString::number(++next));
    if (!QDir().mkpath(folder)) {
        return {};
    }
    const QString link = folder + QLatin1Char('/') + shownName;
    if (::symlink(realPath(booksFolder, rawName).constData(),
                  QFile::encodeName(link).constData()) != 0) {
        return {};
    }
    return link;
}

bool RawNameAlias::remove(const QString& booksFolder, const QByteArray& rawName, QString* error)
{
    if (::unlink(realPath(booksFolder, rawName).constData()) == 0) {
        return true;
    }
    if (error) {
        *error = QString::fromLocal8Bit(std::strerror(errno));
    }
    return false;
}
