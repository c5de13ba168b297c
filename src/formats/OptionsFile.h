#pragma once

#include <QString>
#include <optional>

// options.txt: one record of three fields, the first-run flag, the font size and the PDF reader
// flag. One reader and one writer serve the first-run check, the start-up read, the options
// dialog and the PDF reader confirmation (core/ReaderOptions ties them to the reader's state).
class OptionsFile
{
public:
    // A yes/no field. Only "yes" and "no", exactly as written, count as yes and no; any other
    // text (another case, an empty field) counts as neither and is written back as it was
    // read, so a write changes only what the program changed.
    class Flag
    {
    public:
        Flag() = default;
        explicit Flag(bool yes) : m_text(yes ? QStringLiteral("yes") : QStringLiteral("no")) {}
        static Flag fromText(const QString& text)
        {
            Flag flag;
            flag.m_text = text;
            return flag;
        }
        bool isYes() const { return m_text == QLatin1String("yes"); }
        bool isNo() const { return m_text == QLatin1String("no"); }
        // The field as the file holds it.
        const QString& text() const { return m_text; }
        bool operator==(const Flag& other) const = default;

    private:
        QString m_text;
    };

    struct Record
    {
        std::optional<Flag> firstRunFlag;
        std::optional<qint16> fontSize;
        std::optional<Flag> pdfReaderFlag;
    };

    // Reads the fields present; a missing file gives an empty record.
    static Record read(const QString& path);
    // Writes "no", the size and the flag, replacing the file atomically.
    static bool write(const QString& path, qint16 fontSize, const Flag& pdfReaderFlag,
                      QString* error = nullptr);
};
