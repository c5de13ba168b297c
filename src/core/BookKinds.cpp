#include "core/BookKinds.h"

#include "formats/comic/ComicReader.h"
#include "formats/docx/DocxReader.h"
#include "formats/fb2/Fb2Reader.h"
#include "formats/markdown/MarkdownReader.h"
#include "formats/mobi/MobiReader.h"
#include "formats/odt/OdtReader.h"

using namespace BookKinds;

namespace {
QStringList list(std::initializer_list<const char*> texts)
{
    QStringList strings;
    for (const char* text : texts) {
        strings << QString::fromLatin1(text);
    }
    return strings;
}

QString text(const char* latin1)
{
    return QString::fromLatin1(latin1);
}

QList<Row> makeTable()
{
    return {
        {.kind = BookKind::Rtf,
         .description = "an RTF book",
         .endings = list({"rtf"}),
         .reader = Reader::Rtf,
         .view = View::Text,
         .interfaceMode = InterfaceMode::Text,
         .marksInFile = true,
         .mailType = text("application/rtf"),
         .otherTypes = list({"text/rtf"})},
        {.kind = BookKind::Html,
         .description = "an HTML book",
         .endings = list({"html", "htm"}),
         .reader = Reader::WebPage,
         .view = View::Web,
         .interfaceMode = InterfaceMode::Web,
         .mailType = text("text/html"),
         .otherTypes = list({"application/xhtml+xml"})},
        {.kind = BookKind::Pdf,
         .description = "a PDF book",
         .endings = list({"pdf"}),
         .reader = Reader::PdfPages,
         .view = View::Pdf,
         .interfaceMode = InterfaceMode::Document,
         .mailType = text("application/pdf")},
        {.kind = BookKind::WordDocument,
         .description = "a Word document",
         .endings = list({"doc"}),
         .reader = Reader::WordConverter,
         .view = View::Document,
         .interfaceMode = InterfaceMode::Document,
         .mailType = text("application/msword")},
        {.kind = BookKind::Epub,
         .description = "an EPUB book",
         .endings = list({".epub"}),
         .reader = Reader::Chapters,
         .view = View::Text,
         .interfaceMode = InterfaceMode::Text,
         .sideRecord = true,
         .mailType = text("application/epub+zip")},
        // The other formats' books, each read into chapters by a reader of its own and shown
        // as an EPUB book is.
        {.kind = BookKind::Fb2,
         .description = "an FB2 book",
         .endings = list({".fb2", ".fb2.zip"}),
         .reader = Reader::Chapters,
         .view = View::Text,
         .interfaceMode = InterfaceMode::Text,
         .sideRecord = true,
         .mailType = text("application/x-fictionbook+xml"),
         .endingTypes = {{text(".fb2.zip"), text("application/x-zip-compressed-fb2")}},
         .packageReader = Fb2::read},
        {.kind = BookKind::Mobi,
         .description = "a Kindle book",
         .endings = list({".mobi", ".azw3", ".azw", ".prc"}),
         .reader = Reader::Chapters,
         .view = View::Text,
         .interfaceMode = InterfaceMode::Text,
         .sideRecord = true,
         .mailType = text("application/x-mobipocket-ebook"),
         .endingTypes = {{text(".azw3"), text("application/vnd.amazon.mobi8-ebook")}},
         .packageReader = Mobi::read},
        {.kind = BookKind::Docx,
         .description = "a DOCX document",
         .endings = list({".docx"}),
         .reader = Reader::Chapters,
         .view = View::Text,
         .interfaceMode = InterfaceMode::Text,
         .sideRecord = true,
         .mailType =
             text("application/vnd.openxmlformats-officedocument.wordprocessingml.document"),
         .packageReader = Docx::read},
        {.kind = BookKind::Odt,
         .description = "an OpenDocument text",
         .endings = list({".odt", ".fodt"}),
         .reader = Reader::Chapters,
         .view = View::Text,
         .interfaceMode = InterfaceMode::Text,
         .sideRecord = true,
         .mailType = text("application/vnd.oasis.opendocument.text"),
         .endingTypes = {{text(".fodt"), text("application/vnd.oasis.opendocument.text-flat-xml")}},
         .packageReader = Odt::read},
        {.kind = BookKind::Markdown,
         .description = "a Markdown text",
         .endings = list({".md", ".markdown", ".mkd"}),
         .reader = Reader::Chapters,
         .view = View::Text,
         .interfaceMode = InterfaceMode::Text,
         .sideRecord = true,
         .mailType = text("text/markdown"),
         .otherTypes = list({"text/x-markdown"}),
         .packageReader = Markdown::read},
        {.kind = BookKind::Comic,
         .description = "a comic book archive",
         .endings = list({".cbz"}),
         .reader = Reader::Chapters,
         .view = View::Text,
         .interfaceMode = InterfaceMode::Text,
         .sideRecord = true,
         .mailType = text("application/vnd.comicbook+zip"),
         .otherTypes = list({"application/x-cbz"}),
         .packageReader = Comic::read},
        {.kind = BookKind::PlainText,
         .description = "a plain-text book",
         .endings = list({".txt"}),
         .reader = Reader::PlainText,
         .view = View::Text,
         .interfaceMode = InterfaceMode::Text,
         .marksInFile = true,
         .mailType = text("text/plain")},
        // The pane's own states: no file is of these kinds by its name.
        {.kind = BookKind::EpubPages,
         .description = "an EPUB book's pages",
         .view = View::Web,
         .interfaceMode = InterfaceMode::Web,
         .sideRecord = true},
        {.kind = BookKind::Refused,
         .description = "a refused book",
         .view = View::Explanation,
         .interfaceMode = InterfaceMode::Document},
        // No book: the empty text view, without book commands, for they have no book to work
        // on.
        {.kind = BookKind::None,
         .description = "no book",
         .view = View::Text,
         .interfaceMode = InterfaceMode::NoBook},
    };
}

bool endsWithOneOf(const QString& path, const QStringList& endings)
{
    for (const QString& ending : endings) {
        if (path.endsWith(ending, Qt::CaseInsensitive)) {
            return true;
        }
    }
    return false;
}
} // namespace

const QList<Row>& BookKinds::all()
{
    static const QList<Row> table = makeTable();
    return table;
}

const Row& BookKinds::row(BookKind kind)
{
    for (const Row& r : all()) {
        if (r.kind == kind) {
            return r;
        }
    }
    // Every value of BookKind has its row; the empty pane's stands for anything else.
    return all().last();
}

BookKind BookKinds::kindOf(const QString& path)
{
    for (const Row& r : all()) {
        if (endsWithOneOf(path, r.endings)) {
            return r.kind;
        }
    }
    return BookKind::PlainText;
}

QString BookKinds::mailTypeOf(const QString& path)
{
    const Row& r = row(kindOf(path));
    for (const auto& [ending, type] : r.endingTypes) {
        if (path.endsWith(ending, Qt::CaseInsensitive)) {
            return type;
        }
    }
    return endsWithOneOf(path, r.endings) ? r.mailType : QStringLiteral("application/octet-stream");
}

QString BookKinds::extensionFor(const QString& contentType)
{
    const QString type = contentType.section(QLatin1Char(';'), 0, 0).trimmed().toLower();
    if (type.isEmpty()) {
        return {};
    }
    auto withoutDot = [](const QString& ending) {
        return ending.startsWith(QLatin1Char('.')) ? ending.mid(1) : ending;
    };
    for (const Row& r : all()) {
        for (const auto& [ending, endingType] : r.endingTypes) {
            if (endingType == type) {
                return withoutDot(ending);
            }
        }
    }
    for (const Row& r : all()) {
        if (!r.endings.isEmpty() && (r.mailType == type || r.otherTypes.contains(type))) {
            return withoutDot(r.endings.first());
        }
    }
    return {};
}
