#include "formats/rtf/PlainTextDecoder.h"

#include "formats/rtf/CodePage.h"

#include <QStringDecoder>

#include <iconv.h>
#include <uchardet/uchardet.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <string_view>

namespace {

constexpr char16_t kReplacement = 0xFFFD;
// The detector sees at most this much: enough for any book's script, quick on long books.
constexpr qsizetype kDetectorSample = 1 << 20;

// Line ends become "\n"; control characters that no text shows, and the markers the document
// keeps for its own frames, become U+FFFD one for one.
QString normalized(QStringView text)
{
    QString out;
    out.resize(text.size());
    QChar* o = out.data();
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (c >= 0x20 && c != 0x7F && c != 0xFDD0 && c != 0xFDD1) {
            *o++ = QChar(c);
        } else if (c == u'\r') {
            *o++ = QChar(u'\n');
            if (i + 1 < n && text[i + 1] == u'\n') {
                ++i;
            }
        } else if (c == u'\n' || c == u'\t') {
            *o++ = QChar(c);
        } else {
            *o++ = QChar(kReplacement);
        }
    }
    out.truncate(o - out.constData());
    return out;
}

PlainText::Book decoded(const QString& text, const char* encoding, bool replaced = false)
{
    PlainText::Book book;
    book.text = normalized(text);
    book.encoding = encoding;
    book.replacedBytes = replaced;
    return book;
}

QString decodeUtf16(QStringConverter::Encoding encoding, QByteArrayView bytes, bool* error)
{
    QStringDecoder decoder(encoding, QStringConverter::Flag::Stateless);
    QString text = decoder.decode(bytes);
    *error = decoder.hasError();
    return text;
}

// Known signatures of files that are not text, whatever their name says.
QString binarySignature(QByteArrayView b)
{
    using namespace std::literals;
    static const struct
    {
        std::string_view magic;
        const char* kind;
    } signatures[] = {
        {"\x89PNG\r\n\x1a\n"sv, "PNG picture"},
        {"\xFF\xD8\xFF"sv, "JPEG picture"},
        {"GIF87a"sv, "GIF picture"},
        {"GIF89a"sv, "GIF picture"},
        {"%PDF-"sv, "PDF document"},
        {"PK\x03\x04"sv, "ZIP archive (or an e-book or office file packed as one)"},
        {"PK\x05\x06"sv, "ZIP archive"},
        {"\x1F\x8B"sv, "gzip archive"},
        {"BZh"sv, "bzip2 archive"},
        {"\xFD"
         "7zXZ"sv,
         "xz archive"},
        {"7z\xBC\xAF\x27\x1C"sv, "7-Zip archive"},
        {"Rar!\x1A\x07"sv, "RAR archive"},
        {"\x7F"
         "ELF"sv,
         "program"},
        {"\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"sv, "Word or other office document"},
        {"RIFF"sv, "sound or video file"},
        {"OggS"sv, "sound or video file"},
        {"ID3"sv, "MP3 sound file"},
        {"fLaC"sv, "sound file"},
        {"\x00\x00\x01\x00"sv, "icon picture"},
        {"II*\x00"sv, "TIFF picture"},
        {"MM\x00*"sv, "TIFF picture"},
        {"\x00\x00\x00\x18"
         "ftyp"sv,
         "video file"},
        {"\x00\x00\x00\x20"
         "ftyp"sv,
         "video file"},
        {"SQLite format 3"sv, "database"},
    };
    for (const auto& s : signatures) {
        if (b.startsWith(QByteArrayView(s.magic.data(), qsizetype(s.magic.size())))) {
            return QString::fromLatin1(s.kind);
        }
    }
    return {};
}

// Zero bytes all on one side of each pair: UTF-16 text of a mostly Latin script, or any
// script with line ends and spaces, without a byte-order mark.
bool looksLikeUtf16(QByteArrayView b, bool* bigEndian)
{
    const qsizetype pairs = std::min<qsizetype>(b.size(), kDetectorSample) / 2;
    if (pairs < 2 || b.size() % 2 != 0) {
        return false;
    }
    qsizetype evenZeros = 0;
    qsizetype oddZeros = 0;
    for (qsizetype i = 0; i < pairs; ++i) {
        evenZeros += b[2 * i] == 0;
        oddZeros += b[2 * i + 1] == 0;
    }
    // Line ends and spaces give the zeros; a few characters (U+4E00, U+0100...) give zeros
    // on the other side.
    const qsizetype needed = std::max<qsizetype>(1, pairs / 50);
    if (oddZeros >= needed && evenZeros * 4 <= oddZeros) {
        *bigEndian = false;
        return true;
    }
    if (evenZeros >= needed && oddZeros * 4 <= evenZeros) {
        *bigEndian = true;
        return true;
    }
    return false;
}

// NUL bytes and control codes that text never holds, beyond a small share: not text.
bool hasBinaryBytes(QByteArrayView b)
{
    const qsizetype n = std::min<qsizetype>(b.size(), kDetectorSample);
    qsizetype odd = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const uchar c = uchar(b[i]);
        // Tab, line ends, form feed, and escape and end-of-file marks occur in real texts.
        if (c < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f' && c != 0x1A &&
            c != 0x1B && c != '\v') {
            ++odd;
        }
    }
    return odd > std::max<qsizetype>(2, n / 100);
}

// Counts well-formed multi-byte UTF-8 sequences and bytes that start none.
void countUtf8(QByteArrayView b, qsizetype* valid, qsizetype* invalid)
{
    const auto* d = reinterpret_cast<const uchar*>(b.data());
    const qsizetype n = b.size();
    *valid = 0;
    *invalid = 0;
    qsizetype i = 0;
    while (i < n) {
        const uchar c = d[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        int length = 0;
        uchar low = 0x80;
        uchar high = 0xBF;
        if (c >= 0xC2 && c <= 0xDF) {
            length = 2;
        } else if (c >= 0xE0 && c <= 0xEF) {
            length = 3;
            low = c == 0xE0 ? 0xA0 : 0x80;
            high = c == 0xED ? 0x9F : 0xBF;
        } else if (c >= 0xF0 && c <= 0xF4) {
            length = 4;
            low = c == 0xF0 ? 0x90 : 0x80;
            high = c == 0xF4 ? 0x8F : 0xBF;
        }
        bool ok = length > 0 && i + length <= n && d[i + 1] >= low && d[i + 1] <= high;
        for (int k = 2; ok && k < length; ++k) {
            ok = d[i + k] >= 0x80 && d[i + k] <= 0xBF;
        }
        if (ok) {
            ++*valid;
            i += length;
        } else {
            ++*invalid;
            ++i;
        }
    }
}

// Decodes through iconv; a byte that does not decode becomes U+FFFD. False when iconv does
// not know the encoding.
bool decodeWithIconv(const QByteArray& name, QByteArrayView bytes, QString* text, bool* replaced)
{
    iconv_t cd = iconv_open("UTF-16LE", name.constData());
    // NOLINTNEXTLINE(performance-no-int-to-ptr): iconv_open reports failure so.
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return false;
    }
    std::unique_ptr<void, int (*)(iconv_t)> closer(cd, iconv_close);
    text->clear();
    text->reserve(bytes.size());
    *replaced = false;
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = size_t(bytes.size());
    alignas(char16_t) char buffer[16384];
    while (true) {
        char* out = buffer;
        size_t outLeft = sizeof buffer;
        const size_t result = inLeft > 0 ? iconv(cd, &in, &inLeft, &out, &outLeft)
                                         : iconv(cd, nullptr, nullptr, &out, &outLeft);
        text->append(reinterpret_cast<const QChar*>(buffer), (out - buffer) / 2);
        if (result != size_t(-1)) {
            if (inLeft == 0 && out == buffer) {
                break;
            }
            continue;
        }
        if (errno == E2BIG) {
            continue;
        }
        // A byte that starts no character, or a character cut off at the end.
        text->append(QChar(kReplacement));
        *replaced = true;
        ++in;
        --inLeft;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    return true;
}

QByteArray detectedEncoding(QByteArrayView bytes)
{
    std::unique_ptr<std::remove_pointer_t<uchardet_t>, void (*)(uchardet_t)> detector(
        uchardet_new(), uchardet_delete);
    if (!detector) {
        return {};
    }
    const qsizetype n = std::min<qsizetype>(bytes.size(), kDetectorSample);
    uchardet_handle_data(detector.get(), bytes.data(), size_t(n));
    uchardet_data_end(detector.get());
    const char* name = uchardet_get_charset(detector.get());
    return QByteArray(name ? name : "").toUpper();
}

// The detector cannot always tell ISO-8859-2 from Windows-1250, which differ in a few
// letters. Bytes 0x80-0x9F are letters in Windows-1250 and control codes in ISO-8859-2;
// A1 A6 AC B1 B6 are Polish letters in ISO-8859-2 and signs in Windows-1250.
QByteArray centralEuropean(const QByteArray& name, QByteArrayView bytes)
{
    if (name != "ISO-8859-2" && name != "WINDOWS-1250") {
        return name;
    }
    bool windowsOnly = false;
    bool isoLetters = false;
    for (const char b : bytes) {
        const uchar c = uchar(b);
        windowsOnly = windowsOnly || (c >= 0x80 && c <= 0x9F);
        isoLetters = isoLetters || c == 0xA1 || c == 0xA6 || c == 0xAC || c == 0xB1 || c == 0xB6;
    }
    if (windowsOnly) {
        return "WINDOWS-1250";
    }
    return isoLetters ? "ISO-8859-2" : name;
}

PlainText::Book windows1252(QByteArrayView bytes)
{
    const auto& table = Rtf::CodePage::windows1252();
    QString text;
    text.resize(bytes.size());
    QChar* o = text.data();
    bool replaced = false;
    for (const char b : bytes) {
        const char16_t c = table[uchar(b)];
        replaced = replaced || c == kReplacement;
        *o++ = QChar(c);
    }
    return decoded(text, "WINDOWS-1252", replaced);
}

} // namespace

PlainText::Book PlainText::decodeBook(const QByteArray& data)
{
    const QByteArrayView bytes(data);
    bool error = false;
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
        const QString text = utf8.decode(bytes.sliced(3));
        return decoded(text, "UTF-8", utf8.hasError());
    }
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        const bool little = bytes.startsWith("\xFF\xFE");
        const QString text =
            decodeUtf16(little ? QStringConverter::Utf16LE : QStringConverter::Utf16BE,
                        bytes.sliced(2), &error);
        return decoded(text, little ? "UTF-16LE" : "UTF-16BE", error);
    }
    const QString kind = binarySignature(bytes);
    if (!kind.isEmpty()) {
        Book book;
        book.binary = true;
        book.binaryKind = kind;
        return book;
    }
    bool bigEndian = false;
    if (looksLikeUtf16(bytes, &bigEndian)) {
        const QString text = decodeUtf16(
            bigEndian ? QStringConverter::Utf16BE : QStringConverter::Utf16LE, bytes, &error);
        // Still only text once decoded: no control characters beyond line ends and tabs.
        const auto control = [](QChar c) {
            return c.unicode() < 0x20 && c != u'\n' && c != u'\r' && c != u'\t';
        };
        if (!error && std::none_of(text.cbegin(), text.cend(), control)) {
            return decoded(text, bigEndian ? "UTF-16BE" : "UTF-16LE");
        }
    }
    if (hasBinaryBytes(bytes)) {
        Book book;
        book.binary = true;
        return book;
    }
    qsizetype valid = 0;
    qsizetype invalid = 0;
    countUtf8(bytes, &valid, &invalid);
    // A few stray bytes among real UTF-8 sequences: a short text may have only a handful of
    // either, so up to four stray bytes count as few too.
    if (invalid == 0 || (valid > 0 && invalid <= std::max<qsizetype>(4, valid / 10))) {
        // Valid UTF-8, or UTF-8 with a few stray bytes: only those become U+FFFD.
        QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
        const QString text = utf8.decode(bytes);
        return decoded(text, "UTF-8", invalid > 0);
    }
    QByteArray name = centralEuropean(detectedEncoding(bytes), bytes);
    // Windows-1252 shows all that ISO-8859-1 does and more; the detector knows no better.
    if (name.isEmpty() || name == "ASCII" || name == "ISO-8859-1" || name == "UTF-8" ||
        name.startsWith("UTF-16") || name.startsWith("UTF-32")) {
        return windows1252(bytes);
    }
    QString text;
    bool replaced = false;
    if (!decodeWithIconv(name, bytes, &text, &replaced)) {
        return windows1252(bytes);
    }
    return decoded(text, name.constData(), replaced);
}

QString PlainText::decode(const QByteArray& data)
{
    Book book = decodeBook(data);
    if (book.binary) {
        return windows1252(QByteArrayView(data)).text;
    }
    return book.text;
}

void PlainText::joinParagraphLines(QString& text)
{
    QChar* c = text.data();
    const qsizetype n = text.size();
    qsizetype lineStart = 0;
    qsizetype paragraphStart = 0;
    int lines = 1;
    for (qsizetype i = 0; i < n; ++i) {
        if (c[i] != u'\n') {
            continue;
        }
        const bool lineEmpty = i == lineStart;
        const bool nextLineEmpty = i + 1 == n || c[i + 1] == u'\n';
        const bool paragraphFull = lines >= MaxJoinedLines || i - paragraphStart >= MaxJoinedChars;
        lineStart = i + 1;
        if (lineEmpty || nextLineEmpty || paragraphFull) {
            paragraphStart = i + 1;
            lines = 1;
        } else {
            c[i] = QChar::LineSeparator;
            ++lines;
        }
    }
}
