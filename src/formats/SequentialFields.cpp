#include "formats/SequentialFields.h"

#include <cmath>
#include <limits>

namespace {
bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}
} // namespace

std::optional<QString> SequentialFieldReader::readField()
{
    while (m_pos < m_data.size() && isBlank(m_data[m_pos])) {
        ++m_pos;
    }
    if (atEnd()) {
        return std::nullopt;
    }
    QByteArray field;
    if (m_data[m_pos] == '"') {
        // A quoted field runs to the closing quote; a doubled quote inside stands for one quote
        // (only names the program wrote itself hold one).
        ++m_pos;
        while (m_pos < m_data.size()) {
            const char c = m_data[m_pos];
            if (c == '"') {
                if (m_pos + 1 < m_data.size() && m_data[m_pos + 1] == '"') {
                    field += '"';
                    m_pos += 2;
                    continue;
                }
                ++m_pos;
                break;
            }
            field += c;
            ++m_pos;
        }
        // Anything between the closing quote and the delimiter is not part of the field.
        while (m_pos < m_data.size() && m_data[m_pos] != ',' && m_data[m_pos] != '\r' &&
               m_data[m_pos] != '\n') {
            ++m_pos;
        }
    } else {
        const qsizetype start = m_pos;
        while (m_pos < m_data.size() && m_data[m_pos] != ',' && m_data[m_pos] != '\r' &&
               m_data[m_pos] != '\n') {
            ++m_pos;
        }
        field = m_data.mid(start, m_pos - start);
        while (!field.isEmpty() && isBlank(field.back())) {
            field.chop(1);
        }
    }
    // Consume the one delimiter that ended the field.
    m_recordEnded = true;
    if (m_pos < m_data.size()) {
        if (m_data[m_pos] == ',') {
            ++m_pos;
            m_recordEnded = false;
        } else if (m_data[m_pos] == '\r') {
            ++m_pos;
            if (m_pos < m_data.size() && m_data[m_pos] == '\n') {
                ++m_pos;
            }
        } else if (m_data[m_pos] == '\n') {
            ++m_pos;
        }
    }
    return QString::fromUtf8(field);
}

void SequentialFieldReader::skipRestOfRecord()
{
    while (!m_recordEnded && readField()) {
    }
    m_recordEnded = true;
}

std::optional<qint16> SequentialFieldReader::readNumber()
{
    const std::optional<QString> field = readField();
    if (!field) {
        return std::nullopt;
    }
    bool ok = false;
    const double value = field->trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value) || value < std::numeric_limits<qint16>::min() ||
        value > std::numeric_limits<qint16>::max()) {
        return qint16(0);
    }
    return static_cast<qint16>(std::trunc(value));
}

std::optional<qint64> SequentialFieldReader::readOffset()
{
    const std::optional<QString> field = readField();
    if (!field) {
        return std::nullopt;
    }
    bool ok = false;
    const qint64 value = field->trimmed().toLongLong(&ok);
    return ok && value >= 0 ? value : -1;
}

QByteArray SequentialFields::quoted(const QString& text)
{
    QByteArray bytes = text.toUtf8();
    bytes.replace('"', QByteArrayLiteral("\"\""));
    return '"' + bytes + '"';
}

QByteArray SequentialFields::number(qint64 value)
{
    return QByteArray::number(value);
}
