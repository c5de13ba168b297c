#pragma once

#include <QObject>
#include <QStringList>

class frmMain;
class SingleInstance;

// How the program starts from a desktop: the command line ("quillmere [FILE...]", as a file
// manager's "Open with" runs it), the application folder, and one program per library.
class DesktopStart : public QObject
{
    Q_OBJECT
public:
    // Reads the command line and finds (and on a first start fills) the application folder.
    // When a program on the same library already runs, the files are handed to it here.
    DesktopStart(const QStringList& arguments, const QString& executableFolder);
    ~DesktopStart() override;

    // Before any window system is reached: answers --help, --version and a bad option on the
    // terminal (true, with the exit code), so they work without a display.
    static bool answersWithoutWindow(int argc, char* argv[], const QString& version, int* exitCode);

    // True when this process has nothing more to do (files handed over, help or version
    // printed, a bad command line); the process then ends with exitCode().
    bool finished() const { return m_finished; }
    int exitCode() const { return m_exitCode; }
    QString applicationFolder() const { return m_folder; }

    // Serves later starts and opens the command line's books in the window; reports a library
    // folder that could not be made or filled.
    void attach(frmMain& window);

private:
    QString m_folder;
    QString m_folderError;
    QStringList m_files;
    bool m_finished = false;
    int m_exitCode = 0;
    SingleInstance* m_instance = nullptr;
};
