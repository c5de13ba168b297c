#pragma once

#include "formats/rtf/RtfSourceMap.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextLength>
#include <QTextListFormat>

class QImage;
class QTextDocument;
class QTextList;
class QTextTable;

namespace Rtf {

// Builds the document as the reader walks the RTF: text is gathered in runs of one format and
// inserted with one call per run by a cursor that stays at the end of what was built.
class RtfDocumentBuilder
{
public:
    explicit RtfDocumentBuilder(QTextDocument* document);

    // Records where every character put in comes from (see setSource); null for none.
    void setSourceMap(RtfSourceMap* map) { m_map = map; }
    // The source bytes of what is put in next.
    void setSource(qsizetype begin, qsizetype end, SourceSpan::Kind kind)
    {
        m_sourceBegin = begin;
        m_sourceEnd = end;
        m_sourceKind = kind;
    }

    // Sets the format of the text that follows; a run ends only when the format really changes.
    void setCharFormat(const QTextCharFormat& format);
    void appendText(QStringView text);
    void appendChar(char16_t c);
    // Ends the current paragraph, whose end was read in hidden text when hidden says so. The
    // mark of the last paragraph of the document is dropped, as the document always ends in a
    // paragraph of its own.
    void endParagraph(bool hidden = false);
    // Gives the current paragraph its format (before its end is written).
    void setBlockFormat(const QTextBlockFormat& format);
    // Makes the current paragraph an item of the list of that key, made with format when new.
    void setList(int key, const QTextListFormat& format);
    bool paragraphIsEmpty() const { return !m_paragraphHasContent; }
    // The document offset after everything given so far.
    int position() const { return m_cursor.position() + int(m_run.size()); }
    // Sets a property on the characters [start, end) already given.
    void setCharProperty(int start, int end, int property, const QVariant& value);

    // Inserts a picture as one character and makes it a resource of the document. An empty
    // name gets a fresh one; a given name is kept as it is.
    void insertImage(const QImage& image, QString name, double width, double height);

    // Tables: cells are filled in order, growing the table when a row has more cells.
    bool inTable() const { return m_table != nullptr; }
    // Widths, when given, are the columns' widths as the file gives them; rows, when known,
    // how many rows the table will have.
    void enterTable(int columns, const QList<QTextLength>& widths = {}, int rows = 0);
    void endCell();
    void endRow();
    bool rowEnded() const { return m_rowEnded; }
    void leaveTable();

    void finish();

private:
    void flush();
    void beforeContent();
    void appendPendingBreak();
    void record(qsizetype length, SourceSpan::Kind kind);
    void placeInCell();
    void trimTable();

    QTextDocument* m_document;
    QTextCursor m_cursor;
    QString m_run;
    QTextCharFormat m_format;
    QTextCharFormat m_runFormat;
    bool m_pendingBreak = false;
    bool m_paragraphHasContent = false;
    QSet<QString> m_imageNames;
    int m_imageCount = 0;

    RtfSourceMap* m_map = nullptr;
    qsizetype m_sourceBegin = 0;
    qsizetype m_sourceEnd = 0;
    SourceSpan::Kind m_sourceKind = SourceSpan::Atom;
    qsizetype m_breakBegin = 0; // the source of the pending paragraph end
    qsizetype m_breakEnd = 0;
    bool m_breakHidden = false;

    QHash<int, QTextList*> m_lists;
    QTextTable* m_table = nullptr;
    int m_row = 0;
    int m_column = 0;
    int m_rows = 0;    // rows of the table, the unused ones of the last batch too
    int m_columns = 0; // kept here: asking the table rebuilds its grid
    qint64 m_cursorCell = 0;
    bool m_rowEnded = false;
    bool m_cellMoved = false;
};

} // namespace Rtf
