#pragma once

#include "formats/package/TextProperties.h"

#include <QHash>
#include <QList>
#include <QString>

class QXmlStreamReader;

namespace Odt {

// A list level of an ODF list style: bullets or numbers of some kind.
struct ListLevel
{
    bool ordered = false;
    QString type; // "1", "a", "A", "i", "I" for <ol type>
    int start = 1;
};

// The named and automatic styles of an OpenDocument text: what a paragraph's or a span's
// style name means for its look, with the styles it inherits from.
class Styles
{
public:
    // Reads the styles of a styles.xml or of content.xml's automatic styles; the reader is left
    // where it was when it ends on the end of the styles element it started in.
    void read(QXmlStreamReader& xml);

    Books::TextProperties text(const QString& styleName) const;
    QString displayName(const QString& styleName) const;
    int outlineLevel(const QString& styleName) const;
    // "center", "right" or "justify" for a paragraph style, else empty.
    QString alignment(const QString& styleName) const;
    bool breaksBefore(const QString& styleName) const;
    bool breaksAfter(const QString& styleName) const;
    // The list style a paragraph style puts its paragraphs in, or empty.
    QString listStyle(const QString& styleName) const;
    ListLevel listLevel(const QString& listStyleName, int level) const;

private:
    struct Style
    {
        QString parent;
        QString displayName;
        QString listStyle;
        int outlineLevel = -1;
        QString alignment;
        bool breakBefore = false;
        bool breakAfter = false;
        Books::TextProperties text;
    };
    QList<const Style*> chain(const QString& styleName) const;

    QHash<QString, Style> m_styles; // by name; paragraph and text styles share the names' space
    QHash<QString, QHash<int, ListLevel>> m_lists;
};

} // namespace Odt
