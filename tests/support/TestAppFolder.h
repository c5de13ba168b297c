#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A temporary application folder: options.txt, bookmark.bmp, blank.htm and a books folder,
// removed when the test ends.
class TestAppFolder
{
public:
    // Starts with the shipped application folder's files; options.txt holds the given record
    // (none when empty), and the books folder holds only what the test adds.
    explicit TestAppFolder(const QByteArray& options = "\"no\",12,\"yes\"\r\n");
    // The same, made inside parentFolder (a small file system of a test, say).
    TestAppFolder(const QString& parentFolder, const QByteArray& options);

    QString path() const;      // with a trailing "/"
    QString booksPath() const; // with a trailing "/"
    QString optionsPath() const;
    QString bookmarkPath() const;

    // Writes a file into the books folder and returns its full path.
    QString addBook(const QString& name, const QByteArray& content);
    // Copies a file from the test data folder into the books folder.
    QString addBookFromData(const QString& dataName, const QString& name = QString());
    void writeOptions(const QByteArray& content);
    QByteArray readFile(const QString& path) const;
    // Every entry of the books folder, hidden ones (downloads under way) included.
    QStringList booksFolderEntries() const;

private:
    void populate(const QByteArray& options);

    QTemporaryDir m_dir;
};

// Absolute path of a file in tests/data.
QString testDataPath(const QString& name);
