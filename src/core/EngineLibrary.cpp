#include "core/EngineLibrary.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPluginLoader>
#include <array>

#ifndef QUILLMERE_PLUGIN_INSTALL_DIR
#define QUILLMERE_PLUGIN_INSTALL_DIR ""
#endif
#ifndef QUILLMERE_PLUGIN_DIR_FROM_BIN
#define QUILLMERE_PLUGIN_DIR_FROM_BIN ""
#endif

namespace {
struct Slot
{
    QPluginLoader* loader = nullptr;
    QObject* object = nullptr;
    QString error;
};

QtMessageHandler s_previousHandler = nullptr;

// Qt WebEngine warns that Qt::AA_ShareOpenGLContexts was not set before the application object
// was made. The program leaves it out on purpose and the web plugin makes the shared context
// when it loads, so that warning says nothing useful and is dropped while the plugin loads.
void withoutLateWebEngineWarning(QtMsgType type, const QMessageLogContext& context,
                                 const QString& message)
{
    if (type == QtWarningMsg && message.contains(QLatin1String("AA_ShareOpenGLContexts"))) {
        return;
    }
    s_previousHandler(type, context, message);
}

std::array<Slot, 3>& loadedEngines()
{
    static std::array<Slot, 3> loaded;
    return loaded;
}
} // namespace

QString EngineLibrary::fileName(Engine engine)
{
    switch (engine) {
    case Engine::Web:
        return QStringLiteral("quillmere_web.so");
    case Engine::Pdf:
        return QStringLiteral("quillmere_pdf.so");
    case Engine::Mail:
        return QStringLiteral("quillmere_mail.so");
    }
    return {};
}

QStringList EngineLibrary::searchFolders()
{
    QStringList folders;
    const QString fromEnvironment = qEnvironmentVariable("QUILLMERE_PLUGIN_PATH");
    for (const QString& folder : fromEnvironment.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        folders << folder;
    }
    const QString executableFolder = QCoreApplication::applicationDirPath();
    folders << executableFolder + QStringLiteral("/plugins");
    // The package may be installed under another prefix than the build was configured for,
    // or unpacked anywhere: its plugins lie where they lie from its executable.
    const QString fromBin = QStringLiteral(QUILLMERE_PLUGIN_DIR_FROM_BIN);
    if (!fromBin.isEmpty()) {
        folders << QDir::cleanPath(executableFolder + QLatin1Char('/') + fromBin);
    }
    const QString installed = QStringLiteral(QUILLMERE_PLUGIN_INSTALL_DIR);
    if (!installed.isEmpty() && !folders.contains(installed)) {
        folders << installed;
    }
    return folders;
}

bool EngineLibrary::isLoaded(Engine engine)
{
    return loadedEngines()[size_t(engine)].object != nullptr;
}

QString EngineLibrary::loadedFrom(Engine engine)
{
    const Slot& slot = loadedEngines()[size_t(engine)];
    return slot.object ? slot.loader->fileName() : QString();
}

QObject* EngineLibrary::instance(Engine engine, QString* error)
{
    Slot& slot = loadedEngines()[size_t(engine)];
    if (!slot.object && !slot.loader) {
        const QString name = fileName(engine);
        QString path;
        for (const QString& folder : searchFolders()) {
            if (QFileInfo::exists(QDir(folder).filePath(name))) {
                path = QDir(folder).filePath(name);
                break;
            }
        }
        if (path.isEmpty()) {
            slot.error = QStringLiteral("%1 is not installed (looked in %2).")
                             .arg(name, searchFolders().join(QStringLiteral(", ")));
        } else {
            // The loader stays for the life of the program: the engines are never unloaded.
            slot.loader = new QPluginLoader(path, QCoreApplication::instance());
            if (engine == Engine::Web) {
                s_previousHandler = qInstallMessageHandler(withoutLateWebEngineWarning);
            }
            slot.object = slot.loader->instance();
            if (engine == Engine::Web) {
                qInstallMessageHandler(s_previousHandler);
            }
            if (!slot.object) {
                slot.error = slot.loader->errorString();
            }
        }
    }
    if (!slot.object && error) {
        *error = slot.error;
    }
    return slot.object;
}
