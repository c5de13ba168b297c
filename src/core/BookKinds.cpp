#include "core/BookKinds.h"

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
    return endsWithOneOf(path, r.endings) ? r.mailType : QStringLiteral("application/octet-stream");
}

QString BookKinds::extensionFor(const QString& contentType)
{
    const QString type = contentType.section(QLatin1Char(';'), 0, 0).trimmed().toLower();
    if (type.isEmpty()) {
        return {};
    }
    for (const Row& r : all()) {
        if (!r.endings.isEmpty() && (r.mailType == type || r.otherTypes.contains(type))) {
            QString extension = r.endings.first();
            return extension.startsWith(QLatin1Char('.')) ? extension.mid(1) : extension;
        }
    }
    return {};
}
