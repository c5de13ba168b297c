#pragma once

#include <QByteArray>
#include <QFileDevice>
#include <QString>

// Writes a whole file through a temporary file that is renamed over the target once complete,
// so a failed write never leaves a half file behind. Every byte is known to be on the disk
// before the rename: a full disk, a quota or a failing device leaves the old file as it was
// and returns false with a readable error.
bool writeFileAtomically(const QString& path, const QByteArray& data, QString* error = nullptr);

// The same, and the file gets exactly these permissions (a file only its owner may read, say)
// before any byte of it is written.
bool writeFileAtomically(const QString& path, const QByteArray& data,
                         QFileDevice::Permissions permissions, QString* error = nullptr);

// The same without waiting for the device, for files that are cheap to lose and written often
// (the place a book was read at): the file is still replaced whole or not at all, so a program
// killed at any moment leaves the old file or the new one, never a half one; only a power cut
// before the system has written its cache may lose the new one. A full disk still fails here.
bool writeFileAtomicallyUnsynced(const QString& path, const QByteArray& data,
                                 QString* error = nullptr);

// The two steps of a sound write, for files written piece by piece. writeWhole writes all of
// data, however many writes the device takes for it; false when one fails, with the file's
// errorString() saying why. flushToDisk writes what the file still buffers and waits until the
// system has it on the device; false with the reason.
bool writeWhole(QFileDevice& file, const QByteArray& data);
bool flushToDisk(QFileDevice& file, QString* reason);
