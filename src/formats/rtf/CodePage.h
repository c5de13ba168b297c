#pragma once

#include <QString>

#include <array>

namespace Rtf {

// Decodes bytes of one Windows code page: single-byte pages through a 256-entry table,
// double-byte pages (932, 936, 949, 950, 1361) through iconv. Bytes that do not decode
// become U+FFFD.
class CodePage
{
public:
    explicit CodePage(int number);
    ~CodePage();
    CodePage(const CodePage&) = delete;
    CodePage& operator=(const CodePage&) = delete;

    int number() const { return m_number; }
    bool isDoubleByte() const { return m_doubleByte; }
    // True when byte starts a two-byte character on a double-byte page.
    bool isLeadByte(unsigned char byte) const;
    // Decodes one byte of a single-byte page.
    char16_t map(unsigned char byte) const { return m_table[byte]; }
    // Appends the decoded text of the bytes.
    void decode(const char* data, qsizetype size, QString& out);

    // The Windows code page of an RTF font charset, or 0 when the document's own page holds
    // (ANSI, default and unknown charsets).
    static int forCharset(int charset);
    // Windows-1252, the page of most RTF files and the fallback of plain-text books.
    static const std::array<char16_t, 256>& windows1252();

private:
    int m_number;
    bool m_doubleByte = false;
    std::array<char16_t, 256> m_table{};
    void* m_iconv = nullptr;
};

} // namespace Rtf
