#pragma once

#include <QByteArray>
#include <QString>
#include <QXmlStreamAttributes>
#include <memory>
#include <vector>

namespace Epub {

// A chapter (or any XML document of the book: an SVG drawing, a file of notes) as a small tree:
// notes, hidden elements and drawings need to be known before the view's HTML is written.
struct Node
{
    QString name; // local name in lower case; empty for a text node
    QXmlStreamAttributes attributes;
    QString text;
    std::vector<std::unique_ptr<Node>> children;

    QString attribute(QLatin1String key) const { return attributes.value(key).toString(); }
    // The value of an attribute by its local name, whatever its prefix (href, xlink:href).
    QString anyAttribute(QLatin1String localName) const;
    bool hasType(QLatin1String type) const;
    // The text inside the node, at most limit characters of it.
    QString plainText(qsizetype limit = -1) const;
    void appendText(QString* all, qsizetype limit) const;
};

// Elements nested deeper than this are taken as part of the one above them, so a hostile
// document cannot exhaust the stack of the recursive steps that follow.
inline constexpr size_t MaxTreeDepth = 200;

struct ParsedTree
{
    std::unique_ptr<Node> root; // named "#root"
    QString damage;             // what the XML reader reported, or empty
    bool cut = false;           // the document went past the budget and the rest was left out
};

// What a document may cost before anything is built from it. Qt's document takes about 3 KB
// for each element and 40 bytes for each character of text, so an element counts as this many
// characters; see ChapterConverter for the budget of a chapter.
inline constexpr qint64 ElementCost = 75;

// Reads the XML into a tree, as far as costLimit goes; on damage keeps what was read and
// reports it.
ParsedTree parseTree(const QByteArray& data, qint64 costLimit);

} // namespace Epub
