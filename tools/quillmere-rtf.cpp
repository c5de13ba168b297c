// quillmere-rtf: converts books with the reader's own RTF codec. Books are read as the reader
// reads them, with its refusals and their messages (one line on stderr, exit status 1).
//   quillmere-rtf text IN              prints the text as the reader holds it (UTF-8): RTF
//                                       when the name ends in "rtf", else plain text
//   quillmere-rtf resave IN.rtf OUT.rtf reads and writes the RTF again
//   quillmere-rtf from-text IN.txt OUT.rtf writes a plain-text book as RTF
//   quillmere-rtf mark IN.rtf OUT.rtf START LENGTH
//                                       the red pen over [START, START+LENGTH), then the save
//   quillmere-rtf bookmark IN.rtf OUT.rtf OFFSET [PICTURE]
//                                       our earlier bookmark pictures removed, the bookmark
//                                       picture set at OFFSET, then the save
// mark and bookmark write the book's own bytes with the change spliced in, as the program
// does; a book or a place whose source cannot be followed is refused, as by the program.
#include "core/BookKinds.h"
#include "formats/AtomicFile.h"
#include "formats/rtf/RtfSourceBook.h"
#include "formats/rtf/RtfWriter.h"
#include "formats/rtf/TextBookLoader.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QUrl>

#include <cstdio>
#include <memory>

namespace {

int fail(const QString& message)
{
    std::fprintf(stderr, "quillmere-rtf: %s\n", qPrintable(message));
    return 1;
}

// The text as the view holds it: one character per position, a paragraph end as "\n".
QString viewText(const QTextDocument& document)
{
    QString text = document.toRawText();
    for (QChar& c : text) {
        switch (c.unicode()) {
        case QChar::ParagraphSeparator:
        case QChar::LineSeparator:
        case 0xFDD0: // table and frame boundaries
        case 0xFDD1:
            c = u'\n';
            break;
        default:
            break;
        }
    }
    return text;
}

// Qt's own notices (missing runtime folders and the like) would drown the one-line errors.
void quietMessages(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg) {
        std::fprintf(stderr, "%s\n", qPrintable(message));
    }
}

int usage()
{
    return fail(QStringLiteral("usage: quillmere-rtf text IN | resave IN.rtf OUT.rtf | "
                               "from-text IN.txt OUT.rtf | mark IN.rtf OUT.rtf START LENGTH | "
                               "bookmark IN.rtf OUT.rtf OFFSET [PICTURE]"));
}

// The red pen's colour and the name prefix of the program's pictures.
const QColor kMarkColor(128, 0, 0);
const QString kPicturePrefix = QStringLiteral("quillmere-bookmark:");

bool isOurPicture(const QTextDocument& document, int offset)
{
    if (document.characterAt(offset) != QChar::ObjectReplacementCharacter) {
        return false;
    }
    QTextCursor cursor(const_cast<QTextDocument*>(&document));
    cursor.setPosition(offset + 1);
    const QTextCharFormat format = cursor.charFormat();
    return format.isImageFormat() && format.toImageFormat().name().startsWith(kPicturePrefix);
}

// Applies the change to the document and to the book's own bytes, as the view does.
int changeAndSave(const QStringList& args)
{
    QTextDocument document;
    TextBookLoader::Book book;
    QString error;
    if (!TextBookLoader::load(args.at(2), TextBookLoader::Kind::Rtf, &document, &book, &error)) {
        return fail(error);
    }
    if (!book.followable) {
        return fail(book.marksRefusal);
    }
    const auto source = std::make_unique<Rtf::RtfSourceBook>(book.bytes, std::move(book.map));
    const QString placeRefused =
        QStringLiteral("%1: the change cannot be written into the book at this place without "
                       "writing it whole, which would lose parts of it")
            .arg(QDir::toNativeSeparators(args.at(2)));
    const int end = document.characterCount() - 1;
    bool ok = false;
    if (args.at(1) == QLatin1String("mark") && args.size() == 6) {
        const int start = args.at(4).toInt(&ok);
        const int length = ok ? args.at(5).toInt(&ok) : 0;
        if (!ok || start < 0 || length < 0 || start + qint64(length) > end) {
            return fail(QStringLiteral("the range is outside the book (0 to %1)").arg(end));
        }
        // The red pen's mark: its colour, then underlining.
        if (!source->setColor(document, start, start + length, kMarkColor) ||
            !source->setUnderline(document, start, start + length, true)) {
            return fail(placeRefused);
        }
        QTextCursor cursor(&document);
        cursor.setPosition(start);
        cursor.setPosition(start + length, QTextCursor::KeepAnchor);
        QTextCharFormat format;
        format.setForeground(kMarkColor);
        format.setFontUnderline(true);
        cursor.mergeCharFormat(format);
    } else if (args.at(1) == QLatin1String("bookmark") && (args.size() == 5 || args.size() == 6)) {
        int offset = args.at(4).toInt(&ok);
        if (!ok || offset < 0 || offset > end) {
            return fail(QStringLiteral("the offset is outside the book (0 to %1)").arg(end));
        }
        const QString picturePath =
            args.size() == 6 ? args.at(5) : QStringLiteral(QUILLMERE_BOOKMARK_PICTURE);
        const QImage image(picturePath);
        if (image.isNull()) {
            return fail(QStringLiteral("cannot read the picture %1").arg(picturePath));
        }
        for (int at = end - 1; at >= 0; --at) {
            if (isOurPicture(document, at)) {
                if (!source->removePicture(at)) {
                    return fail(placeRefused);
                }
                QTextCursor cursor(&document);
                cursor.setPosition(at);
                cursor.setPosition(at + 1, QTextCursor::KeepAnchor);
                cursor.removeSelectedText();
                offset -= at < offset ? 1 : 0;
            }
        }
        const QString name = kPicturePrefix + QFileInfo(picturePath).fileName();
        if (!source->insertPicture(offset, name, image)) {
            return fail(placeRefused);
        }
        document.addResource(QTextDocument::ImageResource, QUrl(name), image);
        QTextImageFormat format;
        format.setName(name);
        QTextCursor cursor(&document);
        cursor.setPosition(offset);
        cursor.insertImage(format);
    } else {
        return usage();
    }
    if (!writeFileAtomically(args.at(3), source->bytes(), &error)) {
        return fail(error);
    }
    return 0;
}

// Reads the book as the reader does; false with the reader's message when it refuses it.
bool loadBook(const QString& path, TextBookLoader::Kind kind, QTextDocument* document,
              QString* error)
{
    TextBookLoader::Book book;
    return TextBookLoader::load(path, kind, document, &book, error);
}

} // namespace

int main(int argc, char* argv[])
{
    // Text documents need the font system, which needs a platform; none is shown.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    qInstallMessageHandler(quietMessages);
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3) {
        return usage();
    }
    const QString& command = args.at(1);
    const QString& in = args.at(2);
    if (command == QLatin1String("mark") || command == QLatin1String("bookmark")) {
        return changeAndSave(args);
    }
    QTextDocument document;
    QString error;
    if (command == QLatin1String("text") && args.size() == 3) {
        // The reader shows RTF and plain-text books as text; every other kind in a view of
        // its own.
        const BookKind kind = BookKinds::kindOf(in);
        if (kind != BookKind::Rtf && kind != BookKind::PlainText) {
            return fail(QStringLiteral("%1 is not a text or RTF book: the reader shows it in "
                                       "another view")
                            .arg(QDir::toNativeSeparators(in)));
        }
        if (!loadBook(in,
                      kind == BookKind::Rtf ? TextBookLoader::Kind::Rtf
                                            : TextBookLoader::Kind::PlainText,
                      &document, &error)) {
            return fail(error);
        }
        const QByteArray out = viewText(document).toUtf8();
        std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    if (command == QLatin1String("resave") && args.size() == 4) {
        if (!loadBook(in, TextBookLoader::Kind::Rtf, &document, &error)) {
            return fail(error);
        }
    } else if (command == QLatin1String("from-text") && args.size() == 4) {
        if (!loadBook(in, TextBookLoader::Kind::PlainText, &document, &error)) {
            return fail(error);
        }
    } else {
        return usage();
    }
    if (!writeFileAtomically(args.at(3), Rtf::write(&document), &error)) {
        return fail(error);
    }
    return 0;
}
