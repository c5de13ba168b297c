#include "formats/AtomicFile.h"

#include <QCoreApplication>
#include <QSaveFile>

bool writeFileAtomically(const QString& path, const QByteArray& data, QString* error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error) {
            *error = QCoreApplication::translate("AtomicFile", "Cannot write %1: %2")
                         .arg(path, file.errorString());
        }
        return false;
    }
    if (file.write(data) != data.size() || !file.commit()) {
        if (error) {
            *error = QCoreApplication::translate("AtomicFile", "Cannot write %1: %2")
                         .arg(path, file.errorString());
        }
        file.cancelWriting();
        return false;
    }
    return true;
}
