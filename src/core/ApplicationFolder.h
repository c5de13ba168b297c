#pragma once

#include <QString>

// Where the program keeps its options, bookmarks and books.
//
// Run from its build (or any folder of its own that it may write and that holds a books
// folder), the program keeps them next to the executable, as it always has. Installed into a
// system folder it may not write, it keeps them in the user's data folder
// (~/.local/share/Quillmere), which it fills on the first start with the files that ship with
// the program, never replacing a file that is already there.
namespace ApplicationFolder {
struct Choice
{
    QString folder;       // the application folder, with a trailing "/"
    bool perUser = false; // the user's data folder, not the executable's
    QString error;        // set when the per-user folder could not be made or filled
};

// The per-user application folder: ~/.local/share/Quillmere/.
QString userDataFolder();
// The application files installed with the program: <prefix>/share/quillmere/appdata/ beside
// <prefix>/bin.
QString bundledFolder(const QString& executableFolder);
// True when the executable's folder is itself the application folder.
bool isOwnFolder(const QString& executableFolder);

// Picks the application folder. The per-user one gets the bundled files it lacks, and the
// bundled books on its first start only (when it has no books folder yet).
Choice locate(const QString& executableFolder, const QString& userFolder, const QString& bundled);

// Copies every file of from into to (sub-folders included) that to does not have yet. Returns
// false with an error text when a folder cannot be made or a file cannot be copied; what could
// be copied stays.
bool seed(const QString& from, const QString& to, QString* error);
} // namespace ApplicationFolder
