#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// The headings of an HTML book (h1 to h6), for its table of contents.
namespace HtmlHeadings {

struct Heading
{
    QString title;
    int depth = 0; // 0 for the book's highest level of heading
    int index = 0; // the heading's place among all the page's h1-h6 elements, in order
    QString id;    // the element's id, when it has one
    bool operator==(const Heading&) const = default;
};

// Reads the headings of a page from its bytes (decoded as its BOM or meta element says, else
// as UTF-8); their markup and entities become plain text. Empty headings are left out.
QList<Heading> read(const QByteArray& html);

} // namespace HtmlHeadings
