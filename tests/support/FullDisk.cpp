#include "FullDisk.h"

#include <QByteArray>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

namespace {
const char* const fillerName = "/.filler";
}

FullDisk::FullDisk(qint64 bytes)
{
    const QByteArray options = "size=" + QByteArray::number(bytes) + ",mode=0777";
    const QByteArray where = QFile::encodeName(m_dir.path());
    if (!m_dir.isValid()) {
        m_error = m_dir.errorString();
    } else if (::mount("tmpfs", where.constData(), "tmpfs", 0, options.constData()) != 0) {
        m_error = QString::fromLocal8Bit(std::strerror(errno));
    } else {
        m_mounted = true;
    }
}

FullDisk::~FullDisk()
{
    if (m_mounted) {
        ::umount2(QFile::encodeName(m_dir.path()).constData(), MNT_DETACH);
    }
}

bool FullDisk::fill(qint64 roomLeft)
{
    // The room to leave is held by a spare file while the filler takes the rest.
    const QByteArray spare = QFile::encodeName(m_dir.path()) + "/.spare";
    if (roomLeft > 0) {
        const int fd = ::open(spare.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const QByteArray room(int(roomLeft), 'x');
        const bool held =
            fd >= 0 && ::write(fd, room.constData(), size_t(room.size())) == room.size();
        if (fd >= 0) {
            ::close(fd);
        }
        if (!held) {
            ::unlink(spare.constData());
            return false;
        }
    }
    const bool full = fillUp();
    ::unlink(spare.constData());
    return full;
}

bool FullDisk::fillUp()
{
    // Written with plain system calls: Qt's buffering would hide where the room ran out.
    const QByteArray filler = QFile::encodeName(m_dir.path()) + fillerName;
    const int fd = ::open(filler.constData(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    if (fd < 0) {
        return false;
    }
    const QByteArray block(4096, 'x');
    while (::write(fd, block.constData(), static_cast<size_t>(block.size())) > 0) {
    }
    // The last partial page: single bytes until even those fail.
    while (::write(fd, "x", 1) > 0) {
    }
    const bool full = errno == ENOSPC;
    ::close(fd);
    return full;
}

void FullDisk::drain()
{
    QFile::remove(m_dir.path() + QLatin1String(fillerName));
}
