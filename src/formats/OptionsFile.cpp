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
    if (const std::optional<QString> first = reader.readField()) {
        record.firstRunFlag = Flag::fromText(*first);
        record.fontSize = reader.readNumber();
    }
    if (record.fontSize) {
        if (const std::optional<QString> flag = reader.readField()) {
            record.pdfReaderFlag = Flag::fromText(*flag);
        }
    }
    return record;
}

bool OptionsFile::write(const QString& path, qint16 fontSize, const Flag& pdfReaderFlag,
                        QString* error)
{
    // Once any writer has run, the program never counts as started for the first time again.
    const QByteArray line =
        SequentialFields::quoted(Flag(false).text()) + ',' + SequentialFields::number(fontSize) +
        ',' + SequentialFields::quoted(pdfReaderFlag.text()) + SequentialFields::lineEnd();
    return writeFileAtomically(path, line, error);
}
