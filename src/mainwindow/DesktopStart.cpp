#include "mainwindow/DesktopStart.h"

#include "core/ApplicationFolder.h"
#include "core/SingleInstance.h"
#include "mainwindow/frmMain.h"
#include "ui/MessageBox.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QTimer>
#include <QUrl>
#include <cstdio>

namespace {
// A desktop may pass file:// addresses; everything else is a path from the current folder.
QString absolutePathOf(const QString& argument)
{
    const QUrl url(argument);
    if (url.isLocalFile() && argument.startsWith(QLatin1String("file:"))) {
        return url.toLocalFile();
    }
    return QDir::current().absoluteFilePath(argument);
}
} // namespace

namespace {
void describe(QCommandLineParser& parser)
{
    parser.setApplicationDescription(DesktopStart::tr(
        "Quillmere, a reader for the books of your library. Each FILE given is copied into the "
        "library and opened."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("FILE"),
                                 DesktopStart::tr("A book to add and open."),
                                 QStringLiteral("[FILE...]"));
}

// Answers a bad command line, --help and --version; true when the process is then done.
bool answerAlone(QCommandLineParser& parser, const QStringList& arguments, int* exitCode)
{
    *exitCode = 0;
    if (!parser.parse(arguments)) {
        std::fprintf(stderr, "%s\n", qPrintable(parser.errorText()));
        *exitCode = 2;
        return true;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        std::printf("%s", qPrintable(parser.helpText()));
        return true;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        std::printf("%s %s\n", qPrintable(QCoreApplication::applicationName()),
                    qPrintable(QCoreApplication::applicationVersion()));
        return true;
    }
    return false;
}
} // namespace

bool DesktopStart::answersWithoutWindow(int argc, char* argv[], const QString& version,
                                        int* exitCode)
{
    bool asked = false;
    for (int i = 1; i < argc; ++i) {
        const QByteArray argument(argv[i]);
        if (argument == "--") {
            break;
        }
        asked = asked || (argument.startsWith('-') && argument != "-");
    }
    if (!asked) {
        return false;
    }
    // Help, version and bad options need no display: a plain core application answers them.
    QCoreApplication core(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Quillmere"));
    QCoreApplication::setApplicationVersion(version);
    QCommandLineParser parser;
    describe(parser);
    return answerAlone(parser, QCoreApplication::arguments(), exitCode);
}

DesktopStart::DesktopStart(const QStringList& arguments, const QString& executableFolder)
{
    QCommandLineParser parser;
    describe(parser);
    if (answerAlone(parser, arguments, &m_exitCode)) {
        m_finished = true;
        return;
    }
    for (const QString& argument : parser.positionalArguments()) {
        m_files.append(absolutePathOf(argument));
    }

    const ApplicationFolder::Choice choice =
        ApplicationFolder::locate(executableFolder, ApplicationFolder::userDataFolder(),
                                  ApplicationFolder::bundledFolder(executableFolder));
    m_folder = choice.folder;
    m_folderError = choice.error;

    m_instance = new SingleInstance(m_folder, this);
    if (m_instance->handOver(m_files)) {
        m_finished = true;
    }
}

DesktopStart::~DesktopStart() = default;

void DesktopStart::attach(frmMain& window)
{
    QString error;
    if (!m_instance->listen(&error)) {
        // The program works without it; later starts just open windows of their own.
        std::fprintf(stderr, "Quillmere: later starts cannot reach this one: %s\n",
                     qPrintable(error));
    }
    connect(m_instance, &SingleInstance::filesReceived, &window, [&window](const QStringList& f) {
        window.OpenFiles(f);
        window.bringToFront();
    });
    if (!m_folderError.isEmpty()) {
        MessageBox::warning(&window, tr("The library folder \"%1\" could not be prepared; books "
                                        "and options may not be saved.\n\n%2")
                                         .arg(m_folder, m_folderError));
    }
    if (!m_files.isEmpty()) {
        const QStringList files = m_files;
        QTimer::singleShot(0, &window, [&window, files] { window.OpenFiles(files); });
    }
}
