#pragma once

#include <QString>
#include <QTemporaryDir>

// A small file system of its own (tmpfs) mounted over a temporary folder for one test, which can
// be filled to its last byte, so that the program's writes there meet "No space left on device"
// as they would on a full disk. Mounting needs root (CI runs as root); without it isMounted()
// is false and errorString() says why, so a test can skip.
class FullDisk
{
public:
    explicit FullDisk(qint64 bytes = 512 * 1024);
    ~FullDisk();
    FullDisk(const FullDisk&) = delete;
    FullDisk& operator=(const FullDisk&) = delete;

    bool isMounted() const { return m_mounted; }
    QString errorString() const { return m_error; }
    // The mounted folder, without a trailing slash.
    QString path() const { return m_dir.path(); }

    // Takes all the room left with a filler file, so the next write of any size fails; or all
    // but roomLeft bytes (whole pages), so a write fails part of the way through.
    bool fill(qint64 roomLeft = 0);
    // Gives the filler's room back.
    void drain();

private:
    bool fillUp();

    QTemporaryDir m_dir;
    bool m_mounted = false;
    QString m_error;
};

// Skips the calling test when the full disk could not be mounted (not root).
#define REQUIRE_FULL_DISK(disk)                                                                    \
    do {                                                                                           \
        if (!(disk).isMounted()) {                                                                 \
            QSKIP(qPrintable(QStringLiteral("no small file system: ") + (disk).errorString()));    \
        }                                                                                          \
    } while (false)
