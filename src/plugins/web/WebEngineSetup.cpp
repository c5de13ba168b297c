#include "plugins/web/WebEngineSetup.h"

#include <QCoreApplication>
#include <QtGlobal>
#include <unistd.h>

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
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}
