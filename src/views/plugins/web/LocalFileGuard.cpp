#include "views/plugins/web/LocalFileGuard.h"

#include <QDir>
#include <QFileInfo>

bool LocalFileGuard::allows(const QUrl& pageUrl, const QUrl& target)
{
    if (!target.isLocalFile()) {
        return true;
    }
    if (!pageUrl.isLocalFile()) {
        return false;
    }
    return isInside(QFileInfo(pageUrl.toLocalFile()).dir().path(), target);
}

bool LocalFileGuard::isInside(const QString& folderPath, const QUrl& target)
{
    if (!target.isLocalFile() || folderPath.isEmpty()) {
        return false;
    }
    // Links and "..", resolved, must still end inside the folder.
    const QString folder = QDir(folderPath).canonicalPath();
    const QString path = QFileInfo(target.toLocalFile()).canonicalFilePath();
    return !folder.isEmpty() && !path.isEmpty() &&
           path.startsWith(folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/'));
}

void LocalFileGuard::interceptRequest(QWebEngineUrlRequestInfo& info)
{
    if (info.resourceType() == QWebEngineUrlRequestInfo::ResourceTypeMainFrame) {
        return;
    }
    if (!allows(info.firstPartyUrl(), info.requestUrl())) {
        info.block(true);
    }
}
