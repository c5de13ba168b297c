#include "app/frmMain.h"

#include <QApplication>
#include <QScreen>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Quillmere"));
    QApplication::setApplicationName(QStringLiteral("Quillmere"));
    QApplication::setApplicationVersion(QStringLiteral("1.0.0"));

    // The application folder is the executable's own: options, bookmarks and the books.
    frmMain window(QCoreApplication::applicationDirPath());
    // Without a window manager a maximize request is not honoured, so the window is given the
    // screen's size first.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        window.setGeometry(screen->availableGeometry());
    }
    window.showMaximized();
    return app.exec();
}
