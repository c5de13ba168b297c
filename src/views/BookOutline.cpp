#include "views/BookOutline.h"

#include "core/ReaderState.h"
#include "formats/HtmlHeadings.h"
#include "formats/TextHeadings.h"
#include "views/DocumentView.h"
#include "views/EpubSession.h"
#include "views/PdfView.h"
#include "views/PlaceKeeper.h"
#include "views/ReadingPane.h"
#include "views/RichTextView.h"
#include "views/WebView.h"

#include <QFile>
#include <algorithm>

namespace {
// A heading of a web page is looked up in its file; a page this large is not read for them.
constexpr qint64 LargestPage = 64 * 1024 * 1024;

QList<BookOutline::Entry> fromHeadings(const QList<TextHeadings::Heading>& headings)
{
    QList<BookOutline::Entry> entries;
    entries.reserve(headings.size());
    for (const TextHeadings::Heading& heading : headings) {
        BookOutline::Entry entry;
        entry.title = heading.title;
        entry.depth = heading.depth;
        entry.offset = heading.position;
        entries.append(entry);
    }
    return entries;
}

// The last entry whose place is at or before the reader's: entries are in reading order.
template <typename Before>
int lastAtOrBefore(const QList<BookOutline::Entry>& entries, Before before)
{
    const auto it = std::partition_point(entries.begin(), entries.end(), before);
    return int(it - entries.begin()) - 1;
}
} // namespace

void BookOutline::clear()
{
    m_source = Source::None;
    m_entries.clear();
}

void BookOutline::read(const ReadingPane& pane)
{
    clear();
    const BookKind kind = pane.state().Kind;
    const BookKinds::Row& row = BookKinds::row(kind);
    EpubSession* epub = pane.epub();
    if (epub && epub->isOpen() &&
        (row.reader == BookKinds::Reader::Chapters || kind == BookKind::EpubPages)) {
        m_source = Source::Epub;
        const QList<Epub::ContentsEntry> contents = epub->book().contents();
        m_entries.reserve(contents.size());
        for (int i = 0; i < contents.size(); ++i) {
            Entry entry;
            entry.title = contents.at(i).title;
            entry.depth = contents.at(i).depth;
            entry.offset = i;
            m_entries.append(entry);
        }
        return;
    }
    switch (row.view) {
    case BookKinds::View::Text:
        if (kind != BookKind::None) {
            m_source = Source::Text;
            m_entries = fromHeadings(TextHeadings::find(*pane.text()->document()));
        }
        return;
    case BookKinds::View::Document:
        if (!pane.document()->showsExplanation()) {
            m_source = Source::Document;
            m_entries = fromHeadings(TextHeadings::find(*pane.document()->document()));
        }
        return;
    case BookKinds::View::Pdf:
        m_source = Source::Pdf;
        for (const PdfOutlineEntry& outline : pane.pdf()->outline()) {
            Entry entry;
            entry.title = outline.title;
            entry.depth = outline.depth;
            entry.page = outline.page;
            entry.top = outline.top;
            m_entries.append(entry);
        }
        return;
    case BookKinds::View::Web: {
        if (kind != BookKind::Html || !pane.places() || !pane.places()->isKeeping()) {
            return;
        }
        QFile file(pane.places()->path());
        if (file.size() > LargestPage || !file.open(QIODevice::ReadOnly)) {
            return;
        }
        m_source = Source::Web;
        for (const HtmlHeadings::Heading& heading : HtmlHeadings::read(file.readAll())) {
            Entry entry;
            entry.title = heading.title;
            entry.depth = heading.depth;
            entry.offset = heading.index;
            entry.id = heading.id;
            m_entries.append(entry);
        }
        return;
    }
    case BookKinds::View::Explanation:
        return;
    }
}

int BookOutline::current(const ReadingPane& pane) const
{
    switch (m_source) {
    case Source::Epub:
        return pane.epub()->isOpen() ? pane.epub()->currentContentsEntry() : -1;
    case Source::Text:
    case Source::Document: {
        const int top =
            m_source == Source::Text ? pane.text()->topOffset() : pane.document()->topOffset();
        return lastAtOrBefore(m_entries, [top](const Entry& e) { return e.offset <= top; });
    }
    case Source::Pdf: {
        const int page = pane.pdf()->topPage();
        // A heading a little below the top edge is the one being read.
        const double top = pane.pdf()->currentTop() + 0.02;
        return lastAtOrBefore(m_entries, [page, top](const Entry& e) {
            return e.page < page || (e.page == page && e.top <= top);
        });
    }
    case Source::Web:
    case Source::None:
        return -1;
    }
    return -1;
}

void BookOutline::go(ReadingPane& pane, int index) const
{
    if (index < 0 || index >= m_entries.size()) {
        return;
    }
    const Entry& entry = m_entries.at(index);
    switch (m_source) {
    case Source::Epub:
        pane.epub()->showContentsEntry(entry.offset);
        return;
    case Source::Text:
        // The caret goes to the heading too, so reading on by keyboard starts there.
        pane.text()->setSelStart(entry.offset);
        pane.text()->showAtTop(entry.offset);
        return;
    case Source::Document:
        pane.document()->showOffset(entry.offset);
        return;
    case Source::Pdf:
        pane.pdf()->showPlace(entry.page, entry.top);
        return;
    case Source::Web:
        pane.web()->showHeading(entry.offset, entry.id);
        return;
    case Source::None:
        return;
    }
}
