// quillmere-text BOOK: prints the text of a book as the reader holds it (UTF-8), read by the
// reader's own code, with its refusals. The kind is decided by the end of the name, as in the
// library.
//   plain-text and RTF books  the text view's text, one character per position: a paragraph
//                             or line end is "\n", a picture U+FFFC
//   EPUB books                the text of every chapter of the reading order, in that order,
//                             each ended by "\n"
//   FB2, MOBI/AZW3, DOCX,     the same, of the chapters the format's reader made of the book
//   ODT, Markdown             (its notes and pictures as the view shows them)
//   comics (CBZ)              one picture (U+FFFC) and "\n" a page
//   Word documents            the converter's text, as the document view shows it
// A book the reader refuses is refused with the reader's words on stderr and exit status 1.
// HTML and PDF books are shown by engines that hold no text for the reader: the tool says so
// and exits with 2. No window is shown and no display is needed.
#include "core/BookKinds.h"
#include "core/ReaderState.h"
#include "formats/epub/ChapterText.h"
#include "views/DocumentView.h"
#include "views/EpubSession.h"
#include "views/ReadingPane.h"
#include "views/RichTextView.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <cstdio>

namespace {

int fail(const QString& message, int status = 1)
{
    std::fprintf(stderr, "quillmere-text: %s\n", qPrintable(message));
    return status;
}

// Qt's own notices (missing runtime folders and the like) would drown the one-line errors.
void quietMessages(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg) {
        std::fprintf(stderr, "%s\n", qPrintable(message));
    }
}

QString bookText(const ReadingPane& pane, BookKinds::Reader reader)
{
    switch (reader) {
    case BookKinds::Reader::Chapters: {
        EpubSession* session = pane.epub();
        QString text;
        for (int chapter = 0; chapter < session->book().chapters().size(); ++chapter) {
            session->showChapter(chapter);
            text += Epub::readableText(*pane.text()->document()) + QLatin1Char('\n');
        }
        return text;
    }
    case BookKinds::Reader::WordConverter:
        return pane.document()->text();
    default:
        return pane.text()->heldText();
    }
}

} // namespace

int main(int argc, char* argv[])
{
    // The views need a platform for their fonts; none is shown.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    qInstallMessageHandler(quietMessages);
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 2) {
        return fail(QStringLiteral("usage: quillmere-text BOOK"));
    }
    const QString& path = args.at(1);
    const BookKind kind = BookKinds::kindOf(path);
    const BookKinds::Row& row = BookKinds::row(kind);
    if (row.reader == BookKinds::Reader::WebPage || row.reader == BookKinds::Reader::PdfPages) {
        return fail(QStringLiteral("%1 is %2: the reader shows its pages and holds no text of it")
                        .arg(QDir::toNativeSeparators(path), QLatin1String(row.description)),
                    2);
    }

    QWidget client;
    ReaderState state;
    ReadingPane pane(state, &client);
    // Where an EPUB book was read is kept in a folder of its own, gone with the tool.
    QTemporaryDir records;
    if (row.reader == BookKinds::Reader::Chapters) {
        if (!records.isValid()) {
            return fail(QStringLiteral("no temporary folder: %1").arg(records.errorString()));
        }
        pane.attachEpubSession(records.path(), nullptr, false);
    }
    QString error;
    if (!pane.open(path, kind, &error)) {
        return fail(error);
    }
    const QByteArray out = bookText(pane, row.reader).toUtf8();
    std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}
