#pragma once

#include <QByteArrayView>

namespace Rtf {

struct RtfToken
{
    enum Kind
    {
        End,
        GroupStart,
        GroupEnd,
        ControlWord,   // word, hasParameter, parameter
        ControlSymbol, // symbol
        HexByte,       // byte
        Text           // text: bytes without braces, backslashes or line ends
    };
    Kind kind = End;
    QByteArrayView word;
    bool hasParameter = false;
    int parameter = 0;
    char symbol = 0;
    unsigned char byte = 0;
    QByteArrayView text;
    // Where the token lies in the data: [begin, end), a control word's delimiting space
    // included.
    qsizetype begin = 0;
    qsizetype end = 0;
};

// Splits RTF into tokens in one pass. Never fails: stray bytes become text, overlong words and
// numbers are cut to a sane length and range, and the end of the data ends every token.
class RtfTokenizer
{
public:
    explicit RtfTokenizer(QByteArrayView data, qsizetype start = 0);

    RtfToken next()
    {
        RtfToken token = scan();
        token.end = m_pos;
        return token;
    }
    // Takes up to count raw bytes after \binN (fewer when the data ends first).
    QByteArrayView takeBinary(qint64 count);
    bool atEnd() const { return m_pos >= m_data.size(); }

private:
    RtfToken scan();

    QByteArrayView m_data;
    qsizetype m_pos = 0;
};

} // namespace Rtf
