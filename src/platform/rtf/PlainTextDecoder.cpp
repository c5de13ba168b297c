#include "platform/rtf/PlainTextDecoder.h"

#include "platform/rtf/CodePage.h"

#include <QStringDecoder>

namespace {

constexpr char16_t kReplacement = 0xFFFD;

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

QString decodeWith(QStringConverter::Encoding encoding, QByteArrayView bytes)
{
    QStringDecoder decoder(encoding, QStringConverter::Flag::Stateless);
    return decoder.decode(bytes);
}

} // namespace

QString PlainText::decode(const QByteArray& data)
{
    const QByteArrayView bytes(data);
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        return normalized(decodeWith(QStringConverter::Utf8, bytes.sliced(3)));
    }
    if (bytes.startsWith("\xFF\xFE")) {
        return normalized(decodeWith(QStringConverter::Utf16LE, bytes.sliced(2)));
    }
    if (bytes.startsWith("\xFE\xFF")) {
        return normalized(decodeWith(QStringConverter::Utf16BE, bytes.sliced(2)));
    }
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    if (!utf8.hasError()) {
        return normalized(text);
    }
    const auto& table = Rtf::CodePage::windows1252();
    QString latin;
    latin.resize(bytes.size());
    QChar* o = latin.data();
    for (const char b : bytes) {
        *o++ = QChar(table[uchar(b)]);
    }
    return normalized(latin);
}
