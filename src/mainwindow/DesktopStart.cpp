#include "mainwindow/DesktopStart.h"

#include "core/ApplicationFolder.h"
#include "core/EngineLibrary.h"
#include "core/SingleInstance.h"
#include "mainwindow/frmMain.h"
#include "views/MessageBox.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTimer>
#include <QUrl>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {
// A "file:" address's path, by its bytes: %E9 stays the byte E9, whatever the encoding of
// names. Empty when the address is not a local file's.
QByteArray pathOfFileAddress(const QByteArray& argument)
{
    // Bytes beyond ASCII in the address itself are taken as they are.
    QByteArray encoded;
    for (const char c : argument) {
        if (uchar(c) >= 0x80 || c == ' ') {
            encoded += '%' + QByteArray::number(uchar(c), 16).rightJustified(2, '0').toUpper();
        } else {
            encoded += c;
        }
    }
    const QUrl url = QUrl::fromEncoded(encoded);
    if (!url.isValid() || !url.isLocalFile()) {
        return {};
    }
    QByteArray path = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
    const QString host = url.host();
    if (!host.isEmpty() && host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) != 0) {
        path.prepend("//" + host.toUtf8());
    }
    return path;
}

QByteArray currentFolder()
{
    // getcwd, not QDir::currentPath: the folder's name need not be UTF-8 either.
    char* folder = ::getcwd(nullptr, 0);
    const QByteArray result = folder ? QByteArray(folder) : QFile::encodeName(QDir::currentPath());
    std::free(folder);
    return result;
}

// The command line's files as absolute paths, by their bytes ("file:" addresses decoded).
QByteArrayList filesOf(const QByteArrayList& arguments)
{
    // The options were answered before (help, version, a bad option end the start), so what
    // is left are the files, and "--" before some of them.
    QByteArrayList files;
    bool optionsEnded = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QByteArray& argument = arguments[i];
        if (!optionsEnded && argument == "--") {
            optionsEnded = true;
            continue;
        }
        if (argument.isEmpty() || (!optionsEnded && argument.startsWith('-') && argument != "-")) {
            continue;
        }
        if (argument.startsWith("file:")) {
            if (const QByteArray path = pathOfFileAddress(argument); !path.isEmpty()) {
                files.append(path);
                continue;
            }
        }
        files.append(argument.startsWith('/') ? argument : currentFolder() + '/' + argument);
    }
    return files;
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
    parser.addOption(QCommandLineOption(
        QStringLiteral("check-engines"),
        DesktopStart::tr("Loads the optional engines (web pages, PDF books, mail) and tells where "
                         "each was found, or why it cannot be used.")));
    parser.addPositionalArgument(QStringLiteral("FILE"),
                                 DesktopStart::tr("A book to add and open."),
                                 QStringLiteral("[FILE...]"));
}

// Answers a bad command line, --help and --version; true when the process is then done.
// (--check-engines needs the application made first: DesktopStart answers it.)
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

namespace {
// Prints where each engine was loaded from, or why it was not; 0 when all three load.
int checkEngines()
{
    using EngineLibrary::Engine;
    const struct
    {
        Engine engine;
        QString use;
    } engines[] = {
        {Engine::Web, DesktopStart::tr("Web engine (web pages and HTML books)")},
        {Engine::Pdf, DesktopStart::tr("PDF engine (PDF books)")},
        {Engine::Mail, DesktopStart::tr("Mail library (sending books)")},
    };
    int missing = 0;
    for (const auto& e : engines) {
        QString error;
        if (EngineLibrary::instance(e.engine, &error)) {
            std::printf("%s: %s\n", qPrintable(e.use),
                        qPrintable(EngineLibrary::loadedFrom(e.engine)));
        } else {
            std::printf("%s: %s\n", qPrintable(e.use),
                        qPrintable(DesktopStart::tr("not available: %1").arg(error)));
            ++missing;
        }
    }
    std::fflush(stdout);
    return missing == 0 ? 0 : 1;
}
} // namespace

DesktopStart::DesktopStart(const QByteArrayList& arguments, const QString& executableFolder)
{
    QStringList decoded;
    for (const QByteArray& argument : arguments) {
        decoded.append(QFile::decodeName(argument));
    }
    QCommandLineParser parser;
    describe(parser);
    if (answerAlone(parser, decoded, &m_exitCode)) {
        m_finished = true;
        return;
    }
    if (parser.isSet(QStringLiteral("check-engines"))) {
        m_exitCode = checkEngines();
        m_finished = true;
        return;
    }
    m_files = filesOf(arguments);

    // One program per library: the library is known before it is filled, so two first starts
    // at the same moment never fill it both.
    const QString library = ApplicationFolder::isOwnFolder(executableFolder)
                                ? executableFolder
                                : ApplicationFolder::userDataFolder();
    QDir().mkpath(library);
    m_instance = new SingleInstance(library, this);
    connect(m_instance, &SingleInstance::filesReceived, this, &DesktopStart::receive);
    QString error;
    switch (m_instance->start(m_files, &error)) {
    case SingleInstance::Outcome::HandedOver:
        m_finished = true;
        return;
    case SingleInstance::Outcome::Busy:
        // A second window on the same books would undo one window's bookmarks and marks with
        // the other's.
        MessageBox::warning(nullptr, tr("Quillmere is already open on this library, but it "
                                        "does not answer. Wait until it does, or close it, "
                                        "and try again.\n\n%1")
                                         .arg(error));
        m_finished = true;
        m_exitCode = 1;
        return;
    case SingleInstance::Outcome::Alone:
        // The program works without it; later starts just open windows of their own.
        std::fprintf(stderr, "Quillmere: later starts cannot reach this one: %s\n",
                     qPrintable(error));
        break;
    case SingleInstance::Outcome::Serving:
        break;
    }

    const ApplicationFolder::Choice choice =
        ApplicationFolder::locate(executableFolder, ApplicationFolder::userDataFolder(),
                                  ApplicationFolder::bundledFolder(executableFolder));
    m_folder = choice.folder;
    m_folderError = choice.error;
}

DesktopStart::~DesktopStart() = default;

void DesktopStart::receive(const QByteArrayList& files)
{
    if (!m_window) {
        // Handed over while the window is still being made: opened with the command line's.
        m_files += files;
        return;
    }
    m_window->OpenFiles(files);
    m_window->bringToFront();
}

void DesktopStart::attach(frmMain& window)
{
    m_window = &window;
    if (!m_folderError.isEmpty()) {
        MessageBox::warning(&window, tr("The library folder \"%1\" could not be prepared; books "
                                        "and options may not be saved.\n\n%2")
                                         .arg(m_folder, m_folderError));
    }
    if (!m_files.isEmpty()) {
        const QByteArrayList files = m_files;
        m_files.clear();
        QTimer::singleShot(0, &window, [&window, files] { window.OpenFiles(files); });
    }
}
