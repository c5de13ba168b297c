#include "support/TestAppFolder.h"

#include <QDir>
#include <QFile>

TestAppFolder::TestAppFolder(const QByteArray& options)
{
    populate(options);
}

TestAppFolder::TestAppFolder(const QString& parentFolder, const QByteArray& options)
    : m_dir(parentFolder + QStringLiteral("/app-XXXXXX"))
{
    populate(options);
}

void TestAppFolder::populate(const QByteArray& options)
{
    QDir dir(m_dir.path());
    dir.mkpath(QStringLiteral("books"));
    const QString shipped = QStringLiteral(QUILLMERE_APPDATA);
    for (const char* name : {"bookmark.bmp", "blank.htm"}) {
        QFile::copy(shipped + QLatin1Char('/') + QLatin1String(name), path() + QLatin1String(name));
    }
    if (!options.isEmpty()) {
        writeOptions(options);
    }
}

QString TestAppFolder::path() const
{
    return m_dir.path() + QLatin1Char('/');
}

QString TestAppFolder::booksPath() const
{
    return path() + QStringLiteral("books/");
}

QString TestAppFolder::optionsPath() const
{
    return path() + QStringLiteral("options.txt");
}

QString TestAppFolder::bookmarkPath() const
{
    return path() + QStringLiteral("bookmark.txt");
}

QString TestAppFolder::addBook(const QString& name, const QByteArray& content)
{
    const QString file = booksPath() + name;
    QFile f(file);
    if (f.open(QIODevice::WriteOnly)) {
        f.write(content);
    }
    return file;
}

QString TestAppFolder::addBookFromData(const QString& dataName, const QString& name)
{
    const QString target = booksPath() + (name.isEmpty() ? dataName : name);
    QFile::remove(target);
    QFile::copy(testDataPath(dataName), target);
    QFile(target).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                 QFile::ReadOther);
    return target;
}

void TestAppFolder::writeOptions(const QByteArray& content)
{
    QFile f(optionsPath());
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        f.write(content);
    }
}

QByteArray TestAppFolder::readFile(const QString& file) const
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString testDataPath(const QString& name)
{
    return QStringLiteral(QUILLMERE_TEST_DATA) + QLatin1Char('/') + name;
}

QStringList TestAppFolder::booksFolderEntries() const
{
    return QDir(booksPath())
        .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}
