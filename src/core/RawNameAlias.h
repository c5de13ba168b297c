#pragma once

#include <QByteArray>
#include <QString>

// A book whose file name is not valid UTF-8 cannot be reached through Qt's file functions by
// its name: Qt turns the odd bytes into replacement characters and back into other bytes. Each
// such book gets a link in a private folder of this run, named as the library shows it, so
// every part of the program reads it by an ordinary path. Removing it goes to the real name.
namespace RawNameAlias {
// The path of a link to booksFolder's file rawName, named shownName; empty when no link could
// be made.
QString pathFor(const QString& booksFolder, const QByteArray& rawName, const QString& shownName);
// Removes booksFolder's file rawName itself; false (with the reason) when it could not be.
bool remove(const QString& booksFolder, const QByteArray& rawName, QString* error);
} // namespace RawNameAlias
