#include "app/OptionsFile.h"

#include "app/ReaderState.h"
#include "app/SequentialFields.h"
#include "platform/AtomicFile.h"

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

void OptionsFile::ReadOptions(ReaderState& state)
{
    if (!QFile::exists(state.OptionsFilePath)) {
        return;
    }
    apply(read(state.OptionsFilePath), state);
}

void OptionsFile::apply(const Record& record, ReaderState& state)
{
    if (record.fontSize) {
        state.FontSize = *record.fontSize;
    }
    if (record.pdfReaderFlag) {
        state.PdfReaderFlag = *record.pdfReaderFlag;
    }
}

bool OptionsFile::WriteOptions(const ReaderState& state, QString* error)
{
    return write(state.OptionsFilePath, state.FontSize, state.PdfReaderFlag, error);
}

bool OptionsFile::ConfirmPdfReader(ReaderState& state, QString* error)
{
    if (!write(state.OptionsFilePath, state.FontSize, QStringLiteral("yes"), error)) {
        return false;
    }
    state.PdfReaderFlag = QStringLiteral("yes");
    return true;
}
