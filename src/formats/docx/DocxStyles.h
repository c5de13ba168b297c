#pragma once

#include "formats/package/TextProperties.h"

#include <QHash>
#include <QList>
#include <QString>
#include <optional>

class QXmlStreamReader;

namespace Docx {

using RunProperties = Books::TextProperties;

// Reads a w:rPr element into run properties; the reader ends on its end element.
RunProperties readRunProperties(QXmlStreamReader& xml);

// A list level: bullets or numbers of some kind.
struct ListLevel
{
    bool ordered = false;
    QString type; // "1", "a", "A", "i", "I" for <ol type>
    int start = 1;
};

// The styles, list definitions and numbering a document's paragraphs and runs refer to.
class Styles
{
public:
    void readStyles(const QByteArray& stylesXml);
    void readNumbering(const QByteArray& numberingXml);

    // Heading level 1..9 of a paragraph style (its name "heading N" or its outline level),
    // 0 for the title style, -1 for other text.
    int headingLevel(const QString& styleId) const;
    // The list a style puts its paragraphs in (numId, level), or numId 0.
    std::pair<int, int> styleList(const QString& styleId) const;
    // The run properties of a paragraph style, or of a character style, with those of the
    // styles it is based on.
    RunProperties paragraphRun(const QString& styleId) const;
    RunProperties characterRun(const QString& styleId) const;
    // The format of a list level; nullopt when the level shows no marker.
    std::optional<ListLevel> listLevel(int numId, int level) const;

private:
    struct Style
    {
        QString name;
        QString basedOn;
        int outlineLevel = -1;
        int numId = -1;
        int numLevel = 0;
        RunProperties run;
    };
    // The style and those it is based on, nearest first, a loop cut short.
    QList<const Style*> chain(const QString& styleId) const;
    int findHeadingLevel(const QString& styleId) const;
    RunProperties chainRun(const QString& styleId) const;

    QHash<QString, Style> m_styles;
    // What each style resolves to, worked out once: a long document asks for every paragraph.
    mutable QHash<QString, int> m_headingLevels;
    mutable QHash<QString, RunProperties> m_runs;
    QString m_defaultParagraphStyle;
    QHash<int, QHash<int, ListLevel>> m_abstractLevels; // abstractNumId -> level -> format
    QHash<int, int> m_numToAbstract;
    QHash<int, QHash<int, int>> m_startOverrides; // numId -> level -> start
};

// True for an on/off property element (w:b, w:i...) that is on: no value, or a value other
// than 0, false, off and none.
bool isOn(QXmlStreamReader& xml);

} // namespace Docx
