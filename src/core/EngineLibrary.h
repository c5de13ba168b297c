#pragma once

#include <QString>
#include <QStringList>

class QObject;

// The optional engines (the web engine, the PDF engine, the mail library) are plugins loaded
// the first time something needs them, so the program starts without them and runs when one
// is not installed. A plugin is looked for in the folders of QUILLMERE_PLUGIN_PATH, then in
// "plugins" next to the executable (the build), then in the plugin folder as installed, found
// from the executable's folder (../lib/quillmere beside bin, wherever the package was unpacked
// or installed), then in the plugin folder the build was configured for.
namespace EngineLibrary {
enum class Engine
{
    Web,
    Pdf,
    Mail
};

// The engine's plugin object, loaded on the first call and kept; nullptr when it cannot be
// loaded, with the reason in error.
QObject* instance(Engine engine, QString* error = nullptr);
template <class Interface> Interface* get(Engine engine, QString* error = nullptr);

// True once the engine's plugin has been loaded in this process.
bool isLoaded(Engine engine);
// The file the engine's plugin was loaded from; empty while it is not loaded.
QString loadedFrom(Engine engine);
QStringList searchFolders();
// The plugin file's name, e.g. "quillmere_web.so".
QString fileName(Engine engine);
} // namespace EngineLibrary

#include <QObject>

template <class Interface> Interface* EngineLibrary::get(Engine engine, QString* error)
{
    QObject* object = instance(engine, error);
    auto* result = qobject_cast<Interface*>(object);
    if (object && !result && error) {
        *error =
            QStringLiteral("%1 does not provide the expected interface.").arg(fileName(engine));
    }
    return result;
}
