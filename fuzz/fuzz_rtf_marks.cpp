// libFuzzer target for marks and bookmarks written into an RTF book's own bytes: on any input
// the reader can follow, a mark, an erasure and a bookmark picture (their places taken from the
// input) must leave bytes that read back as the same text, with the mark where it was set.
// Run: fuzz_rtf_marks WORKDIR fuzz/corpus tests/data/rtf -max_total_time=600 -timeout=10
#include "formats/rtf/RtfReader.h"
#include "formats/rtf/RtfSourceBook.h"

#include <QGuiApplication>
#include <QImage>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>

#include <cstdio>
#include <cstdlib>

namespace {

// A place in the document from two bytes of the input.
int placeFrom(const uint8_t* data, size_t size, size_t at, int count)
{
    if (count <= 0 || size == 0) {
        return 0;
    }
    const unsigned value = unsigned(data[at % size]) << 8 | data[(at + 1) % size];
    return int(value % unsigned(count + 1));
}

// The characters without the ends of paragraphs, tables and cells: a picture set before a
// paragraph end that a damaged file marks as in a table starts a table of its own when read
// again, which takes the place of that paragraph end.
QString textOf(const QTextDocument& document)
{
    QString text = document.toRawText();
    text.remove(QChar(0xFDD0));
    text.remove(QChar(0xFDD1));
    text.remove(QChar::ParagraphSeparator);
    return text;
}

void check(bool ok, const char* what)
{
    if (!ok) {
        std::fprintf(stderr, "fuzz_rtf_marks: %s\n", what);
        std::abort();
    }
}

// The document changed as the view changes it; false when the book refused the change.
bool restyle(Rtf::RtfSourceBook& book, QTextDocument& document, int start, int end, bool mark)
{
    const QColor color = mark ? QColor(128, 0, 0) : QColor(Qt::black);
    if (!book.setColor(document, start, end, color) ||
        !book.setUnderline(document, start, end, mark)) {
        return false;
    }
    QTextCursor cursor(&document);
    cursor.setPosition(start);
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    QTextCharFormat format;
    format.setForeground(color);
    format.setFontUnderline(mark);
    cursor.mergeCharFormat(format);
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static int argc = 3;
    static char arg0[] = "fuzz_rtf_marks";
    static char arg1[] = "-platform";
    static char arg2[] = "offscreen";
    static char* argv[] = {arg0, arg1, arg2, nullptr};
    static QGuiApplication app(argc, argv);
    static const QImage picture = [] {
        QImage image(2, 2, QImage::Format_RGB32);
        image.fill(Qt::blue);
        return image;
    }();

    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QTextDocument document;
    Rtf::RtfSourceMap map;
    if (!Rtf::read(bytes, &document, nullptr, &map) || !map.isMappable()) {
        return 0;
    }
    Rtf::RtfSourceBook book(bytes, std::move(map));
    const int count = document.characterCount() - 1;
    int a = placeFrom(data, size, 0, count);
    int b = placeFrom(data, size, 2, count);
    const bool marked = restyle(book, document, std::min(a, b), std::max(a, b), true);
    a = placeFrom(data, size, 4, count);
    b = placeFrom(data, size, 6, count);
    restyle(book, document, std::min(a, b), std::max(a, b), false);
    const int at = placeFrom(data, size, 8, count);
    const bool inserted =
        book.insertPicture(at, QStringLiteral("quillmere-bookmark:b.png"), picture);
    if (inserted) {
        QTextImageFormat format;
        format.setName(QStringLiteral("quillmere-bookmark:b.png"));
        QTextCursor cursor(&document);
        cursor.setPosition(at);
        cursor.insertImage(format);
    }

    QTextDocument again;
    check(Rtf::read(book.bytes(), &again), "the changed book is not RTF");
    check(textOf(again) == textOf(document), "the changed book reads as other text");
    if (marked && a == b && again.toRawText() == document.toRawText()) {
        // The first mark, untouched by the erasure, reads back underlined.
        const int first =
            std::min(placeFrom(data, size, 0, count), placeFrom(data, size, 2, count));
        const int last = std::max(placeFrom(data, size, 0, count), placeFrom(data, size, 2, count));
        for (int i = first; i < last; ++i) {
            const int now = i + (inserted && at <= i ? 1 : 0);
            if (document.characterAt(now).isLetterOrNumber()) {
                QTextCursor cursor(&again);
                cursor.setPosition(now + 1);
                check(cursor.charFormat().fontUnderline(), "the mark did not read back");
                break;
            }
        }
    }
    return 0;
}
