#pragma once

#include <QByteArray>
#include <QByteArrayList>

// Files whose names are not UTF-8, reached by their bytes: Qt's file functions cannot reach
// them by name.
bool writeRawFile(const QByteArray& path, const QByteArray& content);
// The file's content; "(missing)" when it cannot be read.
QByteArray readRawFile(const QByteArray& path);

// Removes the files of the folders whose names are not UTF-8, which QTemporaryDir cannot
// remove; made after the folders' QTemporaryDir, so it runs first.
struct NotUtf8Names
{
    QByteArrayList folders;
    ~NotUtf8Names();
};
