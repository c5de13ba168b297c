#include "formats/rtf/CodePage.h"

#include <iconv.h>

#include <cerrno>
#include <mutex>
#include <unordered_map>

namespace Rtf {

namespace {

constexpr char16_t kReplacement = 0xFFFD;
// NOLINTNEXTLINE(performance-no-int-to-ptr): iconv_open reports failure so.
const iconv_t kNoIconv = reinterpret_cast<iconv_t>(-1);

// 0x80..0x9F of Windows-1252; the five unassigned bytes are control codes and show as U+FFFD.
constexpr char16_t k1252High[32] = {0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD,
                                    0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

QByteArray iconvName(int number)
{
    switch (number) {
    case 10000:
        return "MACINTOSH";
    case 10007:
        return "MAC-CYRILLIC";
    case 10029:
        return "MAC-CENTRALEUROPE";
    default:
        return "CP" + QByteArray::number(number);
    }
}

bool isKnownPage(int number)
{
    switch (number) {
    case 42:
    case 437:
    case 850:
    case 874:
    case 932:
    case 936:
    case 949:
    case 950:
    case 1250:
    case 1251:
    case 1252:
    case 1253:
    case 1254:
    case 1255:
    case 1256:
    case 1257:
    case 1258:
    case 1361:
    case 10000:
    case 10007:
    case 10029:
        return true;
    default:
        return false;
    }
}

bool isDoubleBytePage(int number)
{
    return number == 932 || number == 936 || number == 949 || number == 950 || number == 1361;
}

// Single-byte tables are built once per page from iconv and shared by every reader.
std::array<char16_t, 256> buildTable(int number)
{
    std::array<char16_t, 256> table = CodePage::windows1252();
    if (number == 1252) {
        return table;
    }
    if (number == 42) {
        // Symbol fonts: Latin-1 positions, with the bullets that lists use.
        for (int i = 0x80; i < 0xA0; ++i) {
            table[i] = 0xFFFD;
        }
        table[0xB7] = 0x2022;
        table[0xA7] = 0x25AA;
        return table;
    }
    iconv_t cd = iconv_open("UTF-16LE", iconvName(number).constData());
    if (cd == kNoIconv) {
        return table;
    }
    for (int byte = 0x80; byte < 256; ++byte) {
        char in = char(byte);
        char outBuffer[16];
        char* inPtr = &in;
        char* outPtr = outBuffer;
        size_t inLeft = 1;
        size_t outLeft = sizeof outBuffer;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        const size_t result = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        // Pages with combining marks (1255, 1258) hold a base letter back, waiting for a mark
        // that might join it: flushing the converter hands the letter out.
        if (result != size_t(-1)) {
            iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
        }
        if (result != size_t(-1) && outPtr - outBuffer == 2) {
            table[byte] = char16_t(uchar(outBuffer[0]) | (uchar(outBuffer[1]) << 8));
        } else {
            table[byte] = kReplacement;
        }
    }
    iconv_close(cd);
    return table;
}

const std::array<char16_t, 256>& sharedTable(int number)
{
    static std::mutex mutex;
    static std::unordered_map<int, std::array<char16_t, 256>> tables;
    std::lock_guard lock(mutex);
    auto it = tables.find(number);
    if (it == tables.end()) {
        it = tables.emplace(number, buildTable(number)).first;
    }
    return it->second;
}

} // namespace

const std::array<char16_t, 256>& CodePage::windows1252()
{
    static const std::array<char16_t, 256> table = [] {
        std::array<char16_t, 256> t{};
        for (int i = 0; i < 256; ++i) {
            t[i] = char16_t(i);
        }
        for (int i = 0; i < 32; ++i) {
            t[0x80 + i] = k1252High[i];
        }
        return t;
    }();
    return table;
}

CodePage::CodePage(int number)
    : m_number(isKnownPage(number) ? number : 1252), m_doubleByte(isDoubleBytePage(m_number))
{
    if (m_doubleByte) {
        m_table = windows1252();
        iconv_t cd = iconv_open("UTF-16LE", iconvName(m_number).constData());
        if (cd == kNoIconv) {
            m_doubleByte = false;
        } else {
            m_iconv = cd;
        }
    } else {
        m_table = sharedTable(m_number);
    }
}

CodePage::~CodePage()
{
    if (m_iconv) {
        iconv_close(static_cast<iconv_t>(m_iconv));
    }
}

bool CodePage::isLeadByte(unsigned char byte) const
{
    if (!m_doubleByte) {
        return false;
    }
    if (m_number == 932) {
        return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
    }
    return byte >= 0x81 && byte <= 0xFE;
}

void CodePage::decode(const char* data, qsizetype size, QString& out)
{
    if (!m_doubleByte) {
        for (qsizetype i = 0; i < size; ++i) {
            out.append(QChar(m_table[uchar(data[i])]));
        }
        return;
    }
    iconv_t cd = static_cast<iconv_t>(m_iconv);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* inPtr = const_cast<char*>(data);
    size_t inLeft = size_t(size);
    alignas(char16_t) char buffer[512];
    while (inLeft > 0) {
        char* outPtr = buffer;
        size_t outLeft = sizeof buffer;
        const size_t result = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        const qsizetype produced = (outPtr - buffer) / 2;
        out.append(reinterpret_cast<const QChar*>(buffer), produced);
        if (result == size_t(-1)) {
            if (errno == E2BIG) {
                continue;
            }
            // A byte that starts no character, or a lead byte cut off at the end.
            out.append(QChar(kReplacement));
            ++inPtr;
            --inLeft;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
}

int CodePage::forCharset(int charset)
{
    // Every charset Windows defines for fonts; ANSI (0), default (1) and OEM (255 is PC 850
    // only in old files) keep the document's page where Windows leaves it open.
    switch (charset) {
    case 2:
        return 42;
    case 77:
        return 10000;
    case 78:
        return 10001;
    case 79:
        return 10003;
    case 80:
        return 10008;
    case 81:
        return 10002;
    case 83:
        return 10005;
    case 84:
        return 10004;
    case 85:
        return 10006;
    case 86:
        return 10081;
    case 87:
        return 10021;
    case 88:
        return 10029;
    case 89:
        return 10007;
    case 128:
        return 932;
    case 129:
        return 949;
    case 130:
        return 1361;
    case 134:
        return 936;
    case 136:
        return 950;
    case 161:
        return 1253;
    case 162:
        return 1254;
    case 163:
        return 1258;
    case 177:
    case 181:
        return 1255;
    case 178:
    case 179:
    case 180:
        return 1256;
    case 186:
        return 1257;
    case 204:
        return 1251;
    case 222:
        return 874;
    case 238:
        return 1250;
    case 254:
        return 437;
    case 255:
        return 850;
    default:
        return 0;
    }
}

} // namespace Rtf
