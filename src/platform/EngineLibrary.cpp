#include "platform/EngineLibrary.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPluginLoader>
#include <array>

#ifndef QUILLMERE_PLUGIN_INSTALL_DIR
#define QUILLMERE_PLUGIN_INSTALL_DIR ""
#endif

namespace {
struct Slot
{
    QPluginLoader* loader = nullptr;
    QObject* object = nullptr;
    QString error;
};

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
    folders << QCoreApplication::applicationDirPath() + QStringLiteral("/plugins");
    const QString installed = QStringLiteral(QUILLMERE_PLUGIN_INSTALL_DIR);
    if (!installed.isEmpty()) {
        folders << installed;
    }
    return folders;
}

bool EngineLibrary::isLoaded(Engine engine)
{
    return loadedEngines()[size_t(engine)].object != nullptr;
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
            if (engine == Engine::Web) {
                // The web engine checks at load that OpenGL contexts may be shared; the context
                // itself is made by the plugin, so a start without web pages pays nothing.
                QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
            }
            // The loader stays for the life of the program: the engines are never unloaded.
            slot.loader = new QPluginLoader(path, QCoreApplication::instance());
            slot.object = slot.loader->instance();
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
