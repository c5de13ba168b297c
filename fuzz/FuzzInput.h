#pragma once

// How the fuzz targets turn an input into a file to open. An input is read in one of two ways:
// - as the bytes of the file itself (a zip, its entry names and sizes, damaged archives);
// - when it starts with "=== ", as a zip written out as text: each part starts on a line
//   "=== NAME" and runs to the next such line. It is packed into a sound zip first, so the
//   mutations reach the parts inside rather than being stopped at the zip's checksums.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <quazip/quazip.h>
#include <quazip/quazipfile.h>
#include <quazip/quazipnewinfo.h>

namespace FuzzInput {

inline const QByteArray PartMark = QByteArrayLiteral("=== ");

// Packs "=== NAME\n<bytes>" parts into a zip at path (stored, not compressed: it is fast and
// the reader's inflating is reached through the other kind of input).
inline bool packParts(const QByteArray& text, const QString& path)
{
    QuaZip zip(path);
    if (!zip.open(QuaZip::mdCreate)) {
        return false;
    }
    qsizetype start = 0;
    while (start < text.size()) {
        const qsizetype lineEnd = text.indexOf('\n', start);
        const qsizetype nameStart = start + PartMark.size();
        const QByteArray name = text.mid(nameStart, lineEnd < 0 ? -1 : lineEnd - nameStart);
        const qsizetype bodyStart = lineEnd < 0 ? text.size() : lineEnd + 1;
        qsizetype next = text.indexOf("\n" + PartMark, bodyStart);
        const qsizetype bodyEnd = next < 0 ? text.size() : next;
        next = next < 0 ? text.size() : next + 1;
        QuaZipFile file(&zip);
        if (file.open(QIODevice::WriteOnly, QuaZipNewInfo(QString::fromUtf8(name)), nullptr, 0, 0,
                      0)) {
            file.write(text.constData() + bodyStart, bodyEnd - bodyStart);
            file.close();
        }
        start = next;
    }
    zip.close();
    return true;
}

// Writes the input to path as the file to open; false when it cannot be written.
inline bool write(const uint8_t* data, size_t size, const QString& path)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QFile::remove(path);
    if (bytes.startsWith(PartMark)) {
        return packParts(bytes, path);
    }
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace FuzzInput
