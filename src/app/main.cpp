#include "mainwindow/DesktopStart.h"
#include "mainwindow/frmMain.h"
#include "views/ScreenFit.h"

#include <QApplication>

#include <malloc.h>

namespace {
// The project's version in CMakeLists.txt.
const QString Version = QStringLiteral(QUILLMERE_VERSION);
} // namespace

int main(int argc, char* argv[])
{
    // Opening a book frees its large buffers (the file's bytes, the decoded text) once the
    // document holds the text. glibc would then raise its threshold for mapping large blocks,
    // and the document's growing tables would come from the heap, whose freed room stays with
    // the process (4 MB on the King James Bible). A fixed threshold keeps them mapped.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
    if (int code = 0; DesktopStart::answersWithoutWindow(argc, argv, Version, &code)) {
        return code;
    }
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Quillmere"));
    QApplication::setApplicationName(QStringLiteral("Quillmere"));
    QApplication::setApplicationVersion(Version);
    // Ties the windows to the desktop entry (its icon and name in the task bar).
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.quillmere.Quillmere"));

    // The command line's books, the application folder, and one program per library. The
    // arguments are taken as bytes (those Qt's own options leave): Qt's decoding would turn a
    // file name that is not UTF-8 into another name.
    QByteArrayList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments.append(QByteArray(argv[i]));
    }
    DesktopStart start(arguments, QCoreApplication::applicationDirPath());
    if (start.finished()) {
        return start.exitCode();
    }
    frmMain window(start.applicationFolder());
    start.attach(window);
    // Maximized, and where no window manager maximizes it, as large as the screen; its title
    // bar stays on the screen when it is restored.
    ScreenFit::showMaximized(&window);
    return app.exec();
}
