#include "formats/rtf/RtfTokenizer.h"

#include "formats/rtf/HexDigit.h"

#include <algorithm>

namespace Rtf {

namespace {

constexpr qsizetype kMaxWordLength = 32;
constexpr qint64 kMaxParameter = 0x7FFFFFFF;

bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

using Rtf::hexValue;

} // namespace

RtfTokenizer::RtfTokenizer(QByteArrayView data, qsizetype start) : m_data(data), m_pos(start) {}

RtfToken RtfTokenizer::scan()
{
    RtfToken token;
    const char* d = m_data.data();
    const qsizetype size = m_data.size();
    while (m_pos < size) {
        const char c = d[m_pos];
        token.begin = m_pos;
        if (c == '{') {
            ++m_pos;
            token.kind = RtfToken::GroupStart;
            return token;
        }
        if (c == '}') {
            ++m_pos;
            token.kind = RtfToken::GroupEnd;
            return token;
        }
        if (c == '\r' || c == '\n' || c == '\0') {
            ++m_pos;
            continue;
        }
        if (c != '\\') {
            const qsizetype start = m_pos;
            while (m_pos < size) {
                const char t = d[m_pos];
                if (t == '{' || t == '}' || t == '\\' || t == '\r' || t == '\n' || t == '\0') {
                    break;
                }
                ++m_pos;
            }
            token.kind = RtfToken::Text;
            token.text = m_data.sliced(start, m_pos - start);
            return token;
        }
        // A backslash: control word, control symbol or hex byte.
        ++m_pos;
        if (m_pos >= size) {
            break;
        }
        const char s = d[m_pos];
        if (isLetter(s)) {
            const qsizetype start = m_pos;
            while (m_pos < size && isLetter(d[m_pos])) {
                ++m_pos;
            }
            token.kind = RtfToken::ControlWord;
            token.word = m_data.sliced(start, std::min(m_pos - start, kMaxWordLength));
            bool negative = false;
            if (m_pos + 1 < size && d[m_pos] == '-' && isDigit(d[m_pos + 1])) {
                negative = true;
                ++m_pos;
            }
            if (m_pos < size && isDigit(d[m_pos])) {
                qint64 value = 0;
                while (m_pos < size && isDigit(d[m_pos])) {
                    value = std::min(value * 10 + (d[m_pos] - '0'), kMaxParameter);
                    ++m_pos;
                }
                token.hasParameter = true;
                token.parameter = int(negative ? -value : value);
            }
            if (m_pos < size && d[m_pos] == ' ') {
                ++m_pos;
            }
            return token;
        }
        if (s == '\'') {
            ++m_pos;
            int value = 0;
            for (int i = 0; i < 2 && m_pos < size; ++i) {
                const int h = hexValue(d[m_pos]);
                if (h < 0) {
                    break;
                }
                value = value * 16 + h;
                ++m_pos;
            }
            token.kind = RtfToken::HexByte;
            token.byte = uchar(value);
            return token;
        }
        ++m_pos;
        token.kind = RtfToken::ControlSymbol;
        // A backslash before a line end is a paragraph mark.
        token.symbol = (s == '\r' || s == '\n') ? '\n' : s;
        return token;
    }
    token.kind = RtfToken::End;
    token.begin = m_pos;
    return token;
}

QByteArrayView RtfTokenizer::takeBinary(qint64 count)
{
    const qint64 available = m_data.size() - m_pos;
    const qsizetype taken = qsizetype(std::clamp<qint64>(count, 0, available));
    const QByteArrayView bytes = m_data.sliced(m_pos, taken);
    m_pos += taken;
    return bytes;
}

} // namespace Rtf
