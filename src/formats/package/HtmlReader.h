#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <functional>
#include <utility>

namespace Books {

class ChapterBuilder;

// Reads HTML as e-readers' formats hold it (tag soup as often as XHTML: unclosed paragraphs
// and list items, stray end tags, upper-case names, unquoted attributes, named entities) and
// writes it through a chapter builder as the well-formed XHTML the chapter converter reads.
// Only what the converter shows is kept: block and inline elements it knows, with their
// class, style, alignment and span attributes; scripts, forms, media and the head are left
// out; unknown elements give their text. An <mbp:pagebreak> starts a chapter, and long text
// is split at headings and paragraphs.
class HtmlReader
{
public:
    // How the reader maps the book's own names: each may return an empty string for "none".
    struct Names
    {
        // The key an element's id places ("part00001.html#id").
        std::function<QString(const QString& id)> anchor;
        // The key a link inside the book leads to; empty for a link out of the book.
        std::function<QString(const QString& href)> link;
        // The entry name of a picture; empty when the book has no such picture.
        std::function<QString(const QString& src)> picture;
    };

    HtmlReader(ChapterBuilder* builder, Names names);

    // Writes the HTML at the builder's current place; every element it opens is closed again.
    void read(QStringView html);
    // Places key on the next block written (the start of a part, say).
    void placeOnNextBlock(const QString& key) { m_pendingKeys.append(key); }

private:
    struct Open
    {
        QString tag; // the element's name in the HTML
        int builderDepth;
    };
    struct Tag
    {
        QString name;
        QList<std::pair<QString, QString>> attributes;
        bool selfClosing = false;
        QString attribute(QLatin1String key) const;
    };

    void startTag(const Tag& tag);
    void endTag(const QString& name);
    void text(QStringView text);
    void closeTo(int index);
    int findOpen(const QString& name, const QStringList& boundaries) const;
    void closeParagraph();
    void placePendingKeys();
    bool inBlockContainer() const;
    bool inside(const QString& name) const { return findOpen(name, {}) >= 0; }

    ChapterBuilder* m_builder;
    Names m_names;
    QList<Open> m_open;
    QStringList m_pendingKeys; // anchors met between blocks, placed on the next one
    int m_skipDepth = 0;       // > 0 while inside an element whose content is left out
    QString m_skipTag;
};

} // namespace Books
