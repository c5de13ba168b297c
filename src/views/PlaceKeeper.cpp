#include "views/PlaceKeeper.h"

#include "views/DocumentView.h"
#include "views/PdfView.h"
#include "views/RichTextView.h"
#include "views/WebView.h"

#include <QFileInfo>
#include <QScrollBar>
#include <QTextDocument>
#include <QTimer>

namespace {
using Reading::TextAnchor;

// The characters of the document from `from` to `to`, as its raw text holds them.
QString textBetween(const QTextDocument& document, int from, int to)
{
    QString text;
    text.reserve(qMax(0, to - from));
    for (int i = from; i < to; ++i) {
        text.append(document.characterAt(i));
    }
    return text;
}

// The end offset of the document: its last character is the closing paragraph end.
int endOf(const QTextDocument& document)
{
    return qMax(0, document.characterCount() - 1);
}
} // namespace

PlaceKeeper::PlaceKeeper(RichTextView* text, PdfView* pdf, WebView* web, DocumentView* document,
                         const QString& recordsFolder, QObject* parent)
    : QObject(parent), m_text(text), m_pdf(pdf), m_web(web), m_document(document),
      m_folder(recordsFolder), m_saveTimer(new QTimer(this)), m_webPoll(new QTimer(this))
{
    m_saveTimer->setSingleShot(true);
    m_saveTimer->setInterval(SaveDelayMs);
    connect(m_saveTimer, &QTimer::timeout, this, &PlaceKeeper::saveNow);
    m_webPoll->setInterval(WebPollMs);
    connect(m_webPoll, &QTimer::timeout, this, [this] {
        const double fraction = m_web->scrollFraction();
        if (fraction != m_lastWebFraction) {
            m_lastWebFraction = fraction;
            noteMove();
        }
    });
    connect(m_text->verticalScrollBar(), &QScrollBar::valueChanged, this, [this] {
        if (BookKinds::row(m_kind).view == BookKinds::View::Text) {
            noteMove();
        }
    });
    connect(m_pdf, &PdfView::placeChanged, this, [this] {
        if (m_kind == BookKind::Pdf) {
            noteMove();
        }
    });
    connect(m_document, &DocumentView::placeChanged, this, [this] {
        if (m_kind == BookKind::WordDocument) {
            noteMove();
        }
    });
}

PlaceKeeper::~PlaceKeeper()
{
    // The owner closes the book while the views live; past that, nothing is read from them.
    m_saveTimer->stop();
}

void PlaceKeeper::bookOpened(const QString& path, BookKind kind)
{
    close();
    const BookKinds::Row& row = BookKinds::row(kind);
    // Books read as chapters keep their place in their session; refused books have none.
    if (row.reader == BookKinds::Reader::Chapters || row.reader == BookKinds::Reader::None) {
        return;
    }
    m_path = path;
    m_kind = kind;
    m_moved = false;
    if (kind == BookKind::Html) {
        m_lastWebFraction = -1;
        m_webPoll->start();
    }
}

void PlaceKeeper::close()
{
    if (!isKeeping()) {
        return;
    }
    m_saveTimer->stop();
    m_webPoll->stop();
    saveNow();
    m_record.reset();
    m_path.clear();
    m_kind = BookKind::None;
    m_moved = false;
}

void PlaceKeeper::noteMove()
{
    if (!isKeeping()) {
        return;
    }
    m_moved = true;
    m_saveTimer->start();
    emit moved();
}

Reading::ReadingRecord* PlaceKeeper::record()
{
    if (!m_record && isKeeping()) {
        // Looked for on first need only: a book opened and left at once costs no fingerprint.
        if (!QFileInfo(m_path).isFile()) {
            return nullptr;
        }
        m_record = std::make_unique<Reading::ReadingRecord>(
            Reading::ReadingRecord::find(m_folder, m_path, QString(), QString()));
    }
    return m_record.get();
}

const QTextDocument* PlaceKeeper::textDocument() const
{
    if (m_kind == BookKind::WordDocument) {
        return m_document->document();
    }
    return BookKinds::row(m_kind).view == BookKinds::View::Text ? m_text->document() : nullptr;
}

std::optional<Reading::TextAnchor> PlaceKeeper::currentAnchor() const
{
    const QTextDocument* document = textDocument();
    if (!document) {
        return std::nullopt;
    }
    const int top =
        m_kind == BookKind::WordDocument ? m_document->topOffset() : m_text->topOffset();
    // The snippets come from the text around the place alone: a whole book is never copied to
    // say where the reader is.
    const int from = qMax(0, top - TextAnchor::SnippetLength);
    const int to = qMin(endOf(*document), top + TextAnchor::SnippetLength);
    return TextAnchor::within(0, textBetween(*document, from, to), from, top);
}

std::optional<Reading::PagePlace> PlaceKeeper::currentPagePlace() const
{
    if (m_kind == BookKind::Pdf) {
        return Reading::PagePlace{m_pdf->topPage(), m_pdf->currentTop()};
    }
    if (m_kind == BookKind::Html) {
        return Reading::PagePlace{0, m_web->scrollFraction()};
    }
    return std::nullopt;
}

bool PlaceKeeper::saveNow()
{
    m_saveTimer->stop();
    if (!isKeeping() || !m_moved) {
        return true;
    }
    Reading::ReadingRecord* kept = record();
    if (!kept) {
        return false;
    }
    if (const auto anchor = currentAnchor()) {
        kept->position = anchor;
    }
    if (const auto place = currentPagePlace()) {
        kept->pagePlace = place;
    }
    if (!kept->save(Reading::ReadingRecord::Durability::Unsynced)) {
        // Tried again at the next move.
        return false;
    }
    m_moved = false;
    return true;
}

int PlaceKeeper::placeInText(const Reading::TextAnchor& anchor) const
{
    const QTextDocument& document = *textDocument();
    const int end = endOf(document);
    const int offset = qBound(0, anchor.offset, end);
    // The same book, as a rule: the snippets are still there, and nothing more is read.
    const int from = qMax(0, offset - int(anchor.before.size()));
    const int to = qMin(end, offset + int(anchor.after.size()));
    if (offset - from == anchor.before.size() && to - offset == anchor.after.size() &&
        textBetween(document, from, to) == anchor.before + anchor.after) {
        return offset;
    }
    // The book changed since: the snippets are looked for in the whole text.
    return Reading::placeAnchor(anchor, document.toRawText()).value_or(offset);
}

void PlaceKeeper::showTextAt(int offset)
{
    if (m_kind == BookKind::WordDocument) {
        m_document->showOffset(offset);
        return;
    }
    // The caret goes there too, so the keyboard, the lookups and a bookmark start from it.
    m_text->setSelStart(offset);
    m_text->showAtTop(offset);
}

bool PlaceKeeper::restore()
{
    Reading::ReadingRecord* kept = record();
    if (!kept) {
        return false;
    }
    if (textDocument()) {
        if (!kept->position) {
            return false;
        }
        showTextAt(placeInText(*kept->position));
        return true;
    }
    if (!kept->pagePlace) {
        return false;
    }
    if (m_kind == BookKind::Pdf) {
        m_pdf->showPlace(kept->pagePlace->page, kept->pagePlace->top);
    } else if (m_kind == BookKind::Html) {
        m_web->scrollToFraction(kept->pagePlace->top);
    }
    return true;
}

void PlaceKeeper::bookAboutToBeWritten()
{
    record();
}

void PlaceKeeper::bookWritten(const QString& newPath)
{
    if (!isKeeping()) {
        return;
    }
    Reading::ReadingRecord* kept = record();
    m_path = newPath;
    if (kept) {
        kept->follow(newPath);
    }
}
