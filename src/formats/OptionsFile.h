#pragma once

#include <QString>
#include <optional>

// options.txt: one record of three fields, the first-run flag, the font size and the PDF reader
// flag. One reader and one writer serve the first-run check, the start-up read, the options
// dialog and the PDF reader confirmation (core/ReaderOptions ties them to the reader's state).
class OptionsFile
{
public:
    struct Record
    {
        std::optional<QString> firstRunFlag;
        std::optional<qint16> fontSize;
        std::optional<QString> pdfReaderFlag;
    };

    // Reads the fields present; a missing file gives an empty record.
    static Record read(const QString& path);
    // Writes "no", the size and the flag, replacing the file atomically.
    static bool write(const QString& path, qint16 fontSize, const QString& pdfReaderFlag,
                      QString* error = nullptr);
};
