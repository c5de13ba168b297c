#include "plugins/web/WebEngineSetup.h"

#include <QCoreApplication>
#include <QQuickWindow>
#include <QtGlobal>
#include <unistd.h>

namespace QtWebEngineCore {
// Qt's own set-up of the OpenGL context shared with the engine's compositor, which the
// application attribute Qt::AA_ShareOpenGLContexts would otherwise make at start-up.
Q_DECL_IMPORT void initialize();
} // namespace QtWebEngineCore

void prepareWebEngine()
{
    // The engine's sandbox cannot run as root; a desktop reader run by root turns it off for
    // itself only.
    if (geteuid() == 0) {
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    }
    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    const QByteArray quiet = "--disable-background-networking --disable-component-update "
                             "--disable-sync --disable-domain-reliability --no-pings "
                             "--disable-breakpad --disable-features=MediaRouter";
    if (!flags.contains("--disable-background-networking")) {
        flags = flags.isEmpty() ? quiet : flags + ' ' + quiet;
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags);
    }
    // The program starts without the shared OpenGL context (with no GPU, making it loads a
    // software renderer of some 50 MB), so the web engine makes it now. A user who asked for
    // Qt Quick's software back end gets pages drawn without OpenGL at all.
    if (QQuickWindow::graphicsApi() == QSGRendererInterface::Software) {
        if (!flags.contains("--disable-gpu")) {
            qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags + " --disable-gpu");
        }
    } else {
        QtWebEngineCore::initialize();
    }
}
