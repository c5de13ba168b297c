#include "support/ZipFiles.h"

#include <quazip/quazip.h>
#include <quazip/quazipfile.h>
#include <quazip/quazipnewinfo.h>

namespace ZipFiles {

bool write(const QString& path, const QList<Part>& parts, bool compress)
{
    QuaZip zip(path);
    if (!zip.open(QuaZip::mdCreate)) {
        return false;
    }
    bool ok = true;
    for (const auto& [name, bytes] : parts) {
        QuaZipFile file(&zip);
        if (!file.open(QIODevice::WriteOnly, QuaZipNewInfo(name), nullptr, 0,
                       compress ? Z_DEFLATED : 0, compress ? Z_BEST_COMPRESSION : 0)) {
            ok = false;
            continue;
        }
        ok = file.write(bytes) == bytes.size() && ok;
        file.close();
        ok = ok && file.getZipError() == ZIP_OK;
    }
    zip.close();
    return ok && zip.getZipError() == ZIP_OK;
}

QList<Part> read(const QString& path)
{
    QList<Part> parts;
    QuaZip zip(path);
    if (!zip.open(QuaZip::mdUnzip)) {
        return parts;
    }
    for (bool more = zip.goToFirstFile(); more; more = zip.goToNextFile()) {
        QuaZipFile file(&zip);
        if (file.open(QIODevice::ReadOnly)) {
            parts.append({zip.getCurrentFileName(), file.readAll()});
        }
    }
    return parts;
}

} // namespace ZipFiles
