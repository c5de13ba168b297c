#include "views/plugins/web/ConfinedPage.h"

#include "views/plugins/web/LocalFileGuard.h"

#include <QTimer>

bool ConfinedPage::acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame)
{
    const bool ownLoad = type == NavigationTypeTyped || type == NavigationTypeReload ||
                         type == NavigationTypeBackForward;
    if (m_folder.isEmpty() || ownLoad || !LocalFileGuard::isInside(m_folder, this->url()) ||
        LocalFileGuard::isInside(m_folder, url) || url == QUrl(QStringLiteral("about:blank"))) {
        return QWebEnginePage::acceptNavigationRequest(url, type, isMainFrame);
    }
    // The reader is told once the engine has its answer: it may ask the user.
    QTimer::singleShot(0, this, [this, url] { emit refused(url); });
    return false;
}
