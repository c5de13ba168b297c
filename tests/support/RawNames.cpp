#include "support/RawNames.h"

#include <QFile>
#include <QString>
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

bool writeRawFile(const QByteArray& path, const QByteArray& content)
{
    const int file = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const bool written = file >= 0 && ::write(file, content.constData(), size_t(content.size())) ==
                                          ssize_t(content.size());
    return file >= 0 && ::close(file) == 0 && written;
}

QByteArray readRawFile(const QByteArray& path)
{
    QFile file;
    const int descriptor = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0 || !file.open(descriptor, QIODevice::ReadOnly, QFile::AutoCloseHandle)) {
        return "(missing)";
    }
    return file.readAll();
}

NotUtf8Names::~NotUtf8Names()
{
    for (const QByteArray& folder : folders) {
        DIR* dir = ::opendir(folder.constData());
        while (const dirent* entry = dir ? ::readdir(dir) : nullptr) {
            const QByteArray name(entry->d_name);
            if (QString::fromUtf8(name).toUtf8() != name) {
                ::unlinkat(::dirfd(dir), entry->d_name, 0);
            }
        }
        if (dir) {
            ::closedir(dir);
        }
    }
}
