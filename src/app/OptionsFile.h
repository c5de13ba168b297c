#pragma once

#include <QString>
#include <optional>

struct ReaderState;

// options.txt: one record of three fields, the first-run flag, the font size and the PDF reader
// flag. One reader and one writer serve the first-run check, the start-up read, the options
// dialog and the PDF reader confirmation.
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

    // Takes the size and the flag of the record into the state; missing fields change nothing.
    static void apply(const Record& record, ReaderState& state);
    // Start-up read: FontSize and PdfReaderFlag from the file; missing fields keep their values.
    static void ReadOptions(ReaderState& state);
    // Options dialog: writes FontSize and PdfReaderFlag as they stand.
    static bool WriteOptions(const ReaderState& state, QString* error = nullptr);
    // PDF reader notice: records "yes" as the third field and in PdfReaderFlag. The flag is
    // only changed once the file has been written.
    static bool ConfirmPdfReader(ReaderState& state, QString* error = nullptr);
};
