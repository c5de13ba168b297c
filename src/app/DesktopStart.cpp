#include "app/DesktopStart.h"

#include "app/ApplicationFolder.h"
#include "app/MessageBox.h"
#include "app/SingleInstance.h"
#include "app/frmMain.h"

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

DesktopStart::DesktopStart(const QStringList& arguments, const QString& executableFolder)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        tr("Quillmere, a reader for the books of your library. Each FILE given is copied into "
           "the library and opened."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("FILE"), tr("A book to add and open."),
                                 QStringLiteral("[FILE...]"));
    if (!parser.parse(arguments)) {
        std::fprintf(stderr, "%s\n", qPrintable(parser.errorText()));
        m_finished = true;
        m_exitCode = 2;
        return;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        std::printf("%s", qPrintable(parser.helpText()));
        m_finished = true;
        return;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        std::printf("%s %s\n", qPrintable(QCoreApplication::applicationName()),
                    qPrintable(QCoreApplication::applicationVersion()));
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
