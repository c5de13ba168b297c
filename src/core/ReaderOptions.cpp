#include "core/ReaderOptions.h"

#include "core/ReaderState.h"

#include <QFile>

void ReaderOptions::ReadOptions(ReaderState& state)
{
    if (!QFile::exists(state.OptionsFilePath)) {
        return;
    }
    apply(OptionsFile::read(state.OptionsFilePath), state);
}

void ReaderOptions::apply(const OptionsFile::Record& record, ReaderState& state)
{
    if (record.fontSize) {
        state.FontSize = *record.fontSize;
    }
    if (record.pdfReaderFlag) {
        state.PdfReaderFlag = *record.pdfReaderFlag;
    }
}

bool ReaderOptions::WriteOptions(const ReaderState& state, QString* error)
{
    return OptionsFile::write(state.OptionsFilePath, state.FontSize, state.PdfReaderFlag, error);
}

bool ReaderOptions::ConfirmPdfReader(ReaderState& state, QString* error)
{
    const OptionsFile::Flag installed(true);
    if (!OptionsFile::write(state.OptionsFilePath, state.FontSize, installed, error)) {
        return false;
    }
    state.PdfReaderFlag = installed;
    return true;
}
