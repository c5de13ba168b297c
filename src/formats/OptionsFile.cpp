#include "formats/OptionsFile.h"

#include "formats/AtomicFile.h"
#include "formats/SequentialFields.h"

#include <QFile>

OptionsFile::Record OptionsFile::read(const QString& path)
{
    Record record;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return record;
    }
    SequentialFieldReader reader(file.readAll());
    record.firstRunFlag = reader.readField();
    if (record.firstRunFlag) {
        record.fontSize = reader.readNumber();
    }
    if (record.fontSize) {
        record.pdfReaderFlag = reader.readField();
    }
    return record;
}

bool OptionsFile::write(const QString& path, qint16 fontSize, const QString& pdfReaderFlag,
                        QString* error)
{
    const QByteArray line = SequentialFields::quoted(QStringLiteral("no")) + ',' +
                            SequentialFields::number(fontSize) + ',' +
                            SequentialFields::quoted(pdfReaderFlag) + SequentialFields::lineEnd();
    return writeFileAtomically(path, line, error);
}
