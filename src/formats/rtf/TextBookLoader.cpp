#include "formats/rtf/TextBookLoader.h"

#include "formats/rtf/PlainTextDecoder.h"
#include "formats/rtf/RtfReader.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextDocument>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("TextBookLoader", text);
}

// Far beyond any real book; a larger file would not fit in memory once decoded, so it is
// refused with a message instead.
constexpr qint64 MaxBookBytes = qint64(256) * 1024 * 1024;

} // namespace

bool TextBookLoader::load(const QString& path, Kind kind, QTextDocument* document, Book* book,
                          QString* error)
{
    *book = Book();
    const auto fail = [&](const QString& text) {
        document->clear();
        if (error) {
            *error = text;
        }
        return false;
    };
    const QString shownPath = QDir::toNativeSeparators(path);
    QFile file(path);
    if (QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly)) {
        return fail(tr("%1 cannot be opened: %2").arg(shownPath, file.errorString()));
    }
    if (file.size() > MaxBookBytes) {
        return fail(tr("%1 is too large to open as a book.").arg(shownPath));
    }
    book->bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        return fail(tr("%1 cannot be read: %2").arg(shownPath, file.errorString()));
    }
    file.close();
    const QString name = QFileInfo(path).fileName();

    if (kind == Kind::Rtf) {
        QString readError;
        if (!Rtf::read(book->bytes, document, &readError, &book->map)) {
            return fail(tr("%1 is not an RTF file: %2").arg(shownPath, readError));
        }
        book->followable = book->map.isMappable();
        if (!book->followable) {
            book->marksRefusal =
                tr("\"%1\" cannot keep marks or bookmarks: its RTF could not be followed "
                   "character by character (the file is damaged or nested too deeply), and "
                   "writing the book whole would lose parts of it that are not shown, such as "
                   "notes, headers and styles. The file is left as it is.")
                    .arg(name);
        }
        return true;
    }

    PlainText::Book text = PlainText::decodeBook(book->bytes);
    if (text.binary) {
        return fail(
            text.binaryKind.isEmpty()
                ? tr("%1 is not a text book: it holds bytes that no text has.").arg(shownPath)
                : tr("%1 is not a text book: it looks like a %2.").arg(shownPath, text.binaryKind));
    }
    if (text.replacedBytes) {
        book->marksRefusal =
            tr("\"%1\" cannot keep marks or bookmarks: some of its bytes could not be read "
               "as %2 text and show as replacement marks. Saving it as RTF would not give the "
               "book back, so the file is left as it is.")
                .arg(name, QString::fromLatin1(text.encoding));
    }
    // The book is read as it is laid out: one block per paragraph, not one per line.
    PlainText::joinParagraphLines(text.text);
    document->setPlainText(text.text);
    return true;
}
