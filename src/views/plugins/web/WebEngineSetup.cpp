#include "views/plugins/web/WebEngineSetup.h"

#include <QCoreApplication>
#include <QDir>
#include <QQuickWindow>
#include <QtGlobal>
#include <unistd.h>

namespace QtWebEngineCore {
// Qt's own set-up of the OpenGL context shared with the engine's compositor, which the
// application attribute Qt::AA_ShareOpenGLContexts would otherwise make at start-up.
Q_DECL_IMPORT void initialize();
} // namespace QtWebEngineCore

namespace {
// True when the kernel offers a GPU for drawing (a DRM render node).
bool hasGpu()
{
    return !QDir(QStringLiteral("/dev/dri"))
                .entryList({QStringLiteral("renderD*")}, QDir::System | QDir::Files)
                .isEmpty();
}
} // namespace

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
    // The program starts without the OpenGL context the engine shares its pictures through
    // (Qt::AA_ShareOpenGLContexts would make it at start-up, loading Mesa's software renderer
    // when there is no GPU), so it is made now: Qt WebEngine 6.4 cannot start without it. With
    // no GPU, the view's own drawing is left to Qt Quick's software back end and the engine
    // composes pages without OpenGL, which takes some 50 MB less for the first page and is no
    // slower. A back end the user chose (QT_QUICK_BACKEND, QSG_RHI_BACKEND) is kept.
    const bool userChoice = qEnvironmentVariableIsSet("QT_QUICK_BACKEND") ||
                            qEnvironmentVariableIsSet("QSG_RHI_BACKEND");
    if (!userChoice && !hasGpu()) {
        QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    }
    // (Qt 6.4 still reports OpenGL as the graphics API once software was chosen; the back
    // end's name tells.)
    if (QQuickWindow::sceneGraphBackend() == QLatin1String("software") &&
        !flags.contains("--disable-gpu")) {
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags + " --disable-gpu");
    }
    QtWebEngineCore::initialize();
}
