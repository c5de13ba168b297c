#pragma once

#include "formats/rtf/CodePage.h"
#include "formats/rtf/RtfDocumentBuilder.h"
#include "formats/rtf/RtfPicture.h"
#include "formats/rtf/RtfTokenizer.h"

#include <QColor>
#include <QHash>
#include <QList>
#include <QTextListFormat>

#include <memory>
#include <unordered_map>
#include <vector>

class QTextDocument;

namespace Rtf {

enum class RtfWord : int;

// Walks the tokens of one RTF file and builds the document. Groups keep their own character
// and paragraph state; destinations that are not running text (font and colour tables,
// headers, footers, footnotes, document information, field instructions) never reach it.
class RtfParser
{
public:
    // With a map, records where each character of the document comes from in data.
    RtfParser(QByteArrayView data, qsizetype start, QTextDocument* document,
              RtfSourceMap* map = nullptr);
    ~RtfParser();
    void run();

private:
    enum class Destination : unsigned char
    {
        Text,
        Skip,
        FontTable,
        ColorTable,
        Picture,
        PictureName,
        FieldInstruction,
        Footnote,
        ListTable,
        LevelText,
        ListOverrideTable,
        ShapeInstructions, // a shape's properties: only its picture ("pib") is read
        ShapeProperty,
        ShapeName,
        ShapeValue // the value of the picture property: a \pict group
    };
    // Groups that hold a picture together with what stands in for it in other readers: the
    // picture is shown once, and the group's bytes (with the fallback's) are its source.
    enum class Wrapper : unsigned char
    {
        None,
        Shape,          // {\shp {\*\shpinst ... pib ...}{\shprslt fallback}}
        ShapePicture,   // {\*\shppict {\pict ...}}
        PictureFallback // {\nonshppict ...}: never shown, kept with the picture it stands for
    };
    struct CharState
    {
        bool bold = false;
        bool italic = false;
        bool strike = false;
        bool hidden = false;
        bool smallCaps = false;
        bool doubleUnderline = false; // with underline set to a single line
        unsigned char underline = 0;  // QTextCharFormat::UnderlineStyle
        unsigned char verticalAlignment = 0;
        int offset = 0;     // half-points, raised when positive
        int size = 0;       // half-points, 0 when not given
        int font = -1;      // -1 when not given
        int foreground = 0; // colour table index, 0 for automatic
        int background = 0;
        QString href;
        bool operator==(const CharState&) const = default;
    };
    struct ParaState
    {
        unsigned char alignment = 0; // 0 left, 1 centre, 2 right, 3 justified
        int leftIndent = 0;          // twips
        int rightIndent = 0;
        int firstIndent = 0;
        int spaceBefore = 0;
        int spaceAfter = 0;
        bool inTable = false;
        bool pageBreakBefore = false;
        int list = 0; // \ls: the list override of a list item, 0 for none
        int listLevel = 0;
        bool sameFormat(const ParaState& o) const
        {
            return alignment == o.alignment && leftIndent == o.leftIndent &&
                   rightIndent == o.rightIndent && firstIndent == o.firstIndent &&
                   spaceBefore == o.spaceBefore && spaceAfter == o.spaceAfter &&
                   pageBreakBefore == o.pageBreakBefore;
        }
    };
    struct GroupState
    {
        CharState chars;
        ParaState para;
        int unicodeSkip = 1;
        int fontCodePage = 0; // 0: the document's page
        Destination destination = Destination::Text;
        Destination uprOuter = Destination::Skip;
        bool upr = false;
        QString fieldHref;
        qsizetype groupBegin = 0; // the byte of the group's opening brace
        Wrapper wrapper = Wrapper::None;
        // Opened as a mark group ("{\cf4 ", "{\ul ", "{\ulnone "): where its text starts, and
        // how many mark groups the map listed before it.
        bool markOpening = false;
        qsizetype markContent = 0;
        size_t markChildren = 0;
    };
    struct FontInfo
    {
        QString name;
        int codePage = 0;
    };

    void handleToken(const RtfToken& token);
    void openGroup();
    void closeGroup();
    // Control words: a handler for each group of words (RtfWords.h) that running text holds,
    // and one for each destination that reads words of its own.
    void handleWord(const RtfToken& token);
    void handleDocumentWord(RtfWord word, const RtfToken& token);
    void handleDestinationWord(RtfWord word, const RtfToken& token);
    void handleCharacterWord(RtfWord word, const RtfToken& token, char16_t character);
    void handleParagraphWord(RtfWord word, const RtfToken& token);
    void handleTableWord(RtfWord word, const RtfToken& token);
    void handleFontTableWord(RtfWord word, const RtfToken& token);
    void handlePictureWord(RtfWord word, const RtfToken& token);
    void handleSymbol(char symbol);
    void handleText(QByteArrayView text);
    // The rows of the table starting here, counted in the source ahead (0 when unknown).
    int rowsAhead();
    void enterTable();
    void handleHexByte(unsigned char byte);
    // True when the text went into the document.
    bool emitText(QStringView text);
    bool emitChar(char16_t c);
    void flushBytes();
    void endParagraph();
    void endFontEntry();
    void finishPicture();
    // Shows a decoded picture at the end of the document so far.
    void showPicture(const RtfPicture& picture, const QImage& image);
    // Keeps the picture just read for the shape around it, shown when the shape closes.
    void holdPicture();
    void handleShapeWord(RtfWord word);
    void closeWrapper(Wrapper wrapper, qsizetype begin);
    bool onlyLineEnds(qsizetype from, qsizetype to) const;
    BaseStyle baseStyle(const CharState& chars) const;
    void finishNote();
    void prepareContent();
    void applyCharFormat();
    // The paragraph's format, with a page break before it when a page ended just before.
    ParaState paragraphState() const;
    QList<QTextLength> columnWidths() const;
    void handleListWord(RtfWord word, const RtfToken& token);
    // The marker of a list item whose file gives no marker text of its own.
    QTextListFormat listFormat(const ParaState& para) const;
    void updateCodePage();
    bool isText() const { return m_stack.back().destination == Destination::Text; }
    GroupState& state() { return m_stack.back(); }
    CodePage* codePage(int number);
    QTextBlockFormat blockFormat(const ParaState& para) const;
    QTextCharFormat charFormat(const CharState& chars) const;
    static QString hrefFromInstruction(const QString& instruction);

    void setSource(qsizetype begin, qsizetype end, SourceSpan::Kind kind)
    {
        m_builder.setSource(begin, end, kind);
    }
    // The \uN fallback that is skipped belongs to the \uN character.
    void skipFallback(qsizetype end)
    {
        if (m_map && m_unicodeInText) {
            m_map->extendLast(end);
        }
    }

    QByteArrayView m_data;
    RtfTokenizer m_tokenizer;
    RtfSourceMap* m_map;
    RtfToken m_token; // the token being handled
    bool m_unicodeInText = false;
    std::vector<qsizetype> m_pendingSources; // [begin, end) in the data of each pending byte
    bool m_overflowed = false;
    RtfDocumentBuilder m_builder;
    std::vector<GroupState> m_stack;
    int m_overflowDepth = 0;
    bool m_ended = false;
    bool m_ignorableNext = false;
    int m_skipCount = 0;

    int m_documentCodePage = 1252;
    CodePage* m_codePage = nullptr;
    std::unordered_map<int, std::unique_ptr<CodePage>> m_codePages;
    QByteArray m_pendingBytes; // bytes of a double-byte page waiting for their partners
    QString m_textBuffer;

    QHash<int, FontInfo> m_fonts;
    int m_defaultFont = -1;
    int m_fontNumber = -1;
    int m_fontCodePage = 0;
    QString m_fontName;

    QList<QColor> m_colors;
    int m_red = 0, m_green = 0, m_blue = 0;
    bool m_colorGiven = false;

    QString m_noteText;
    int m_noteNumber = 0;
    bool m_markPending = false; // an automatic mark waits for its note
    int m_markStart = -1;       // document offsets of the last reference mark
    int m_markEnd = -1;

    RtfPicture m_picture;
    QString m_fieldInstruction;
    // A shape's picture, shown when the shape closes.
    RtfPicture m_heldPicture;
    QImage m_heldImage;
    QString m_shapeProperty;        // the name of the shape property being read
    qsizetype m_fallbackBegin = -1; // the last {\nonshppict ...} group
    qsizetype m_fallbackEnd = -1;
    size_t m_openMarkGroups = 0;

    CharState m_appliedChars;
    bool m_charsApplied = false;
    ParaState m_blockPara;
    bool m_blockParaKnown = true;
    int m_rowCells = 0;
    qsizetype m_lookAheadBudget = 0; // bytes rowsAhead may still read, to stay linear
    std::vector<int> m_cellEdges;    // twips: the right edge of each cell of the row
    int m_rowLeft = 0;
    struct ListLevel
    {
        int numbering = 0; // \levelnfc: 23 a bullet, 255 none, else a kind of number
        QString text;      // \leveltext as written, its length byte first
    };
    QHash<int, QList<ListLevel>> m_listLevels; // by \listid
    QHash<int, int> m_listOverrides;           // \ls number to \listid
    int m_listId = 0;
    bool m_listTextGiven = false; // the paragraph brings its own marker text
    bool m_pageBreakNext = false; // a page ended: the next paragraph starts a new one
};

} // namespace Rtf
