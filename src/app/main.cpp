#include "app/frmMain.h"
#include "platform/WebEngineSetup.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    prepareWebEngine();
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Quillmere"));
    QApplication::setApplicationName(QStringLiteral("Quillmere"));
    QApplication::setApplicationVersion(QStringLiteral("1.0.0"));

    // The application folder is the executable's own: options, bookmarks and the books.
    frmMain window(QCoreApplication::applicationDirPath());
    window.showMaximized();
    return app.exec();
}
