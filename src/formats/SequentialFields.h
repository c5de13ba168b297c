#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// The comma-separated sequential text format of the program's own files (options.txt,
// bookmark.txt): text fields in double quotes, numbers as bare decimal digits, fields separated
// by a comma, records ended by CR LF.
class SequentialFieldReader
{
public:
    explicit SequentialFieldReader(QByteArray data) : m_data(std::move(data)) {}

    // True once every byte has been consumed.
    bool atEnd() const { return m_pos >= m_data.size(); }

    // Reads one field: leading blanks are skipped; a field that starts with a double quote runs
    // to the next double quote and is taken without the quotes; an unquoted field runs to the
    // next comma or line end, less trailing blanks. The delimiter that ends the field (a comma
    // or one line end) is consumed. Returns nothing when the data has ended.
    std::optional<QString> readField();

    // A field read as a 16-bit number: a text that is not a number, or one outside the range,
    // reads as 0; a fractional number takes its whole part.
    std::optional<qint16> readNumber();

    // A field read as a non-negative offset; nothing when the data has ended, -1 when the field
    // is not such a number.
    std::optional<qint64> readOffset();

    // True when the last field read was the last of its record (a line end or the data's end
    // followed it).
    bool recordEnded() const { return m_recordEnded; }
    // Skips what is left of the current record, up to and including its line end.
    void skipRestOfRecord();

private:
    QByteArray m_data;
    qsizetype m_pos = 0;
    bool m_recordEnded = true;
};

// Writing side of the same format.
namespace SequentialFields {
// A text field in double quotes; a quote inside the text is doubled so it reads back exactly.
QByteArray quoted(const QString& text);
QByteArray number(qint64 value);
inline QByteArray lineEnd()
{
    return QByteArrayLiteral("\r\n");
}
} // namespace SequentialFields
