#include "mainwindow/DesktopStart.h"
#include "mainwindow/frmMain.h"

#include <QApplication>
#include <QScreen>

namespace {
// The project's version in CMakeLists.txt.
const QString Version = QStringLiteral(QUILLMERE_VERSION);
} // namespace

int main(int argc, char* argv[])
{
    if (int code = 0; DesktopStart::answersWithoutWindow(argc, argv, Version, &code)) {
        return code;
    }
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Quillmere"));
    QApplication::setApplicationName(QStringLiteral("Quillmere"));
    QApplication::setApplicationVersion(Version);
    // Ties the windows to the desktop entry (its icon and name in the task bar).
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.quillmere.Quillmere"));

    // The command line's books, the application folder, and one program per library.
    DesktopStart start(QCoreApplication::arguments(), QCoreApplication::applicationDirPath());
    if (start.finished()) {
        return start.exitCode();
    }
    frmMain window(start.applicationFolder());
    start.attach(window);
    // Without a window manager a maximize request is not honoured, so the window is given the
    // screen's size first.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        window.setGeometry(screen->availableGeometry());
    }
    window.showMaximized();
    return app.exec();
}
