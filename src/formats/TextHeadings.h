#pragma once

#include <QList>
#include <QString>
#include <QStringView>

class QTextDocument;

// The headings of a book shown as one text (plain text, RTF, a converted Word document), for
// its table of contents.
namespace TextHeadings {

struct Heading
{
    QString title;
    int depth = 0;    // 0 for the top level
    int position = 0; // where the heading's paragraph starts in the document
    bool operator==(const Heading&) const = default;
};

// The paragraphs the book itself marks as headings (an RTF book's outline levels), or, in a
// book that marks none, the paragraphs that read like a plain-text book's headings: a part,
// book or volume ("BOOK II", "PART ONE"), a chapter ("CHAPTER I", "Chapter 12", a Roman number
// alone on its line), and the books and chapters of the Bible ("GENESIS", "Genesis 1",
// "1 SAMUEL", "Song of Solomon 3"). A heading of plain text is a short paragraph of one line.
QList<Heading> find(const QTextDocument& document);

// How a paragraph of plain text reads: 0 for a part, a book or a volume, 1 for a chapter,
// -1 for no heading.
int rankOf(QStringView paragraph);

} // namespace TextHeadings
