#pragma once

#include <QByteArrayList>
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
    // Reads the command line (the arguments' bytes as the system passed them: a file name need
    // not be UTF-8) and finds the application folder. When a program on the same library
    // already runs, the files are handed to it here; else this process serves that library
    // from here on, and fills its folder on a first start.
    DesktopStart(const QByteArrayList& arguments, const QString& executableFolder);
    ~DesktopStart() override;

    // Before any window system is reached: answers --help, --version and a bad option on the
    // terminal (true, with the exit code), so they work without a display.
    static bool answersWithoutWindow(int argc, char* argv[], const QString& version, int* exitCode);

    // True when this process has nothing more to do (files handed over, help or version
    // printed, a bad command line, a running program that does not answer); the process then
    // ends with exitCode().
    bool finished() const { return m_finished; }
    int exitCode() const { return m_exitCode; }
    QString applicationFolder() const { return m_folder; }

    // Opens the command line's books, and those of later starts, in the window; reports a
    // library folder that could not be made or filled.
    void attach(frmMain& window);

private:
    void receive(const QByteArrayList& files);

    QString m_folder;
    QString m_folderError;
    QByteArrayList m_files;
    frmMain* m_window = nullptr;
    bool m_finished = false;
    int m_exitCode = 0;
    SingleInstance* m_instance = nullptr;
};
