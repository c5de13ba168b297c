#include "views/BookMarkList.h"

#include "core/ReaderState.h"
#include "formats/BookmarkFile.h"
#include "views/BookOutline.h"
#include "views/EpubSession.h"
#include "views/MarkColor.h"
#include "views/ReadingPane.h"
#include "views/RichTextView.h"

#include <QCoreApplication>
#include <QTextBlock>
#include <QTextDocument>
#include <algorithm>

namespace {
constexpr int BookmarkSnippet = 60;

bool isMarked(const QTextCharFormat& format)
{
    return format.fontUnderline() && format.foreground().style() != Qt::NoBrush &&
           format.foreground().color() == MarkColor;
}

QString shown(QString text)
{
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    text.remove(QChar::ObjectReplacementCharacter);
    return text.trimmed();
}

int percentOf(qint64 part, qint64 whole)
{
    return whole > 0 ? int(qBound<qint64>(0, part * 100 / whole, qint64(100))) : 0;
}

// The marks of a book shown as text: runs of dark red, underlined text; a run that goes on
// into the next paragraph is one mark.
QList<BookMarkList::Entry> textMarks(const QTextDocument& document)
{
    QList<BookMarkList::Entry> marks;
    int end = -1;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid() || !isMarked(fragment.charFormat())) {
                continue;
            }
            const int start = fragment.position();
            // The paragraph end between two marked runs belongs to the mark.
            if (!marks.isEmpty() && (start == end || start == end + 1)) {
                BookMarkList::Entry& last = marks.last();
                last.text +=
                    (start == end + 1 ? QStringLiteral("\n") : QString()) + fragment.text();
                last.length = start + fragment.length() - last.offset;
            } else {
                BookMarkList::Entry mark;
                mark.offset = start;
                mark.length = fragment.length();
                mark.text = fragment.text();
                marks.append(mark);
            }
            end = start + fragment.length();
        }
    }
    return marks;
}

QString textAt(const QTextDocument& document, int from, int length)
{
    QTextCursor cursor(const_cast<QTextDocument*>(&document));
    const int last = document.characterCount() - 1;
    cursor.setPosition(qBound(0, from, last));
    cursor.setPosition(qBound(0, from + length, last), QTextCursor::KeepAnchor);
    return cursor.selectedText();
}
} // namespace

QList<BookMarkList::Entry> BookMarkList::read(const ReadingPane& pane, const BookOutline& outline)
{
    QList<Entry> entries;
    const ReaderState& state = pane.state();
    EpubSession* epub = pane.epub();
    if (epub && epub->isOpen()) {
        const Reading::ReadingRecord& record = epub->record();
        const QList<Epub::ContentsEntry> contents = epub->book().contents();
        const int chapters = int(epub->book().chapters().size());
        auto chapterName = [&contents, epub](int chapter, int offset) {
            const int entry = epub->contentsEntryAt(chapter, offset);
            return entry >= 0 ? contents.at(entry).title : QString();
        };
        auto entryAt = [&](const Reading::TextAnchor& anchor, bool bookmark, const QString& text,
                           int length) {
            Entry entry;
            entry.bookmark = bookmark;
            entry.text = shown(text);
            entry.chapter = chapterName(anchor.chapter, anchor.offset);
            entry.chapterIndex = anchor.chapter;
            entry.offset = anchor.offset;
            entry.length = length;
            entry.percent = percentOf(anchor.chapter, chapters);
            return entry;
        };
        if (record.bookmark) {
            entries.append(entryAt(*record.bookmark, true, record.bookmark->after, 0));
        }
        QList<Reading::Mark> marks = record.marks;
        std::stable_sort(marks.begin(), marks.end(), [](const auto& a, const auto& b) {
            return std::pair(a.start.chapter, a.start.offset) <
                   std::pair(b.start.chapter, b.start.offset);
        });
        for (const Reading::Mark& mark : marks) {
            entries.append(entryAt(mark.start, false, mark.text, mark.length));
        }
        return entries;
    }
    if (BookKinds::row(state.Kind).view != BookKinds::View::Text || state.Kind == BookKind::None) {
        return entries;
    }
    const QTextDocument& document = *pane.text()->document();
    const int count = document.characterCount() - 1;
    const std::optional<qint64> bookmark =
        BookmarkFile::lastOffset(state.BookmarkFilePath, state.CurrentBookName);
    if (bookmark && pane.text()->isPictureAt(int(*bookmark))) {
        Entry entry;
        entry.bookmark = true;
        entry.offset = int(*bookmark);
        entry.text = shown(textAt(document, entry.offset + 1, BookmarkSnippet));
        entries.append(entry);
    }
    entries += textMarks(document);
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry& a, const Entry& b) { return a.offset < b.offset; });
    const QList<BookOutline::Entry>& headings = outline.entries();
    for (Entry& entry : entries) {
        entry.text = shown(entry.text);
        entry.percent = percentOf(entry.offset, count);
        const auto after = std::partition_point(
            headings.begin(), headings.end(),
            [&entry](const BookOutline::Entry& h) { return h.offset <= entry.offset; });
        if (after != headings.begin()) {
            entry.chapter = (after - 1)->title;
        }
    }
    return entries;
}

void BookMarkList::go(ReadingPane& pane, const Entry& entry)
{
    EpubSession* epub = pane.epub();
    RichTextView* text = pane.text();
    if (epub && epub->isOpen()) {
        if (epub->currentChapter() != entry.chapterIndex &&
            !epub->showChapter(entry.chapterIndex, entry.offset)) {
            return;
        }
    }
    text->setSelStart(entry.offset);
    text->setSelLength(entry.length);
}

QString BookMarkList::markdown(const QString& title, const QList<Entry>& entries)
{
    QString out = QStringLiteral("# %1\n").arg(title);
    for (const Entry& entry : entries) {
        out += QLatin1Char('\n');
        if (entry.bookmark) {
            out +=
                QCoreApplication::translate("BookMarkList", "Bookmark") + QStringLiteral(":\n\n");
        }
        // Every line of the passage is quoted.
        QStringList lines = entry.text.split(QLatin1Char('\n'));
        for (QString& line : lines) {
            line = line.isEmpty() ? QStringLiteral(">") : QStringLiteral("> ") + line;
        }
        out += lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
        const QString where =
            entry.chapter.isEmpty()
                ? QCoreApplication::translate("BookMarkList", "%1% into the book")
                      .arg(entry.percent)
                : QCoreApplication::translate("BookMarkList", "%1, %2% into the book")
                      .arg(entry.chapter, QString::number(entry.percent));
        out += QStringLiteral("\n— %1\n").arg(where);
    }
    return out;
}
