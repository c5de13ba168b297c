// The control words of running text, a handler for each group of words, and the tables the
// row and cell words build.
#include "formats/rtf/RtfParser.h"

#include "formats/rtf/RtfParserLimits.h"
#include "formats/rtf/RtfWords.h"

#include <algorithm>

namespace Rtf {

void RtfParser::handleWord(const RtfToken& token)
{
    if (m_map && m_map->tableInsertion < 0 && m_stack.size() == 2) {
        m_map->tableInsertion = int(token.end); // after "{\rtf1"
    }
    const WordInfo info = lookUpWord(token.word);
    const RtfWord word = info.word;
    const bool ignorable = m_ignorableNext;
    m_ignorableNext = false;
    GroupState& s = state();
    const int p = token.parameter;

    if (word == RtfWord::Binary) {
        const QByteArrayView bytes = m_tokenizer.takeBinary(token.hasParameter ? p : 0);
        if (m_skipCount > 0) {
            --m_skipCount;
            m_unicodeInText = false; // raw bytes in a fallback: the character stays whole
            if (m_map) {
                m_map->setUnmappable();
            }
        } else if (s.destination == Destination::Picture) {
            m_picture.data.append(bytes.data(), bytes.size());
        }
        return;
    }
    if (m_skipCount > 0) {
        --m_skipCount;
        skipFallback(token.end);
        return;
    }
    if (word == RtfWord::Ud && s.upr) {
        s.destination = s.uprOuter;
        return;
    }
    if (s.destination == Destination::Skip) {
        return;
    }
    if (ignorable && (word == RtfWord::Unknown || word == RtfWord::SkipDestination)) {
        s.destination = Destination::Skip;
        return;
    }
    if (s.destination == Destination::FontTable) {
        handleFontTableWord(word, token);
        return;
    }
    if (s.destination == Destination::Picture) {
        handlePictureWord(word, token);
        return;
    }
    if (s.destination == Destination::ListTable || s.destination == Destination::LevelText ||
        s.destination == Destination::ListOverrideTable) {
        handleListWord(word, token);
        return;
    }
    if (s.destination == Destination::ShapeInstructions ||
        s.destination == Destination::ShapeProperty || s.destination == Destination::ShapeName ||
        s.destination == Destination::ShapeValue) {
        handleShapeWord(word);
        return;
    }

    switch (info.group) {
    case WordGroup::Document:
        handleDocumentWord(word, token);
        return;
    case WordGroup::Destination:
        handleDestinationWord(word, token);
        return;
    case WordGroup::Character:
        handleCharacterWord(word, token, info.character);
        return;
    case WordGroup::Paragraph:
        handleParagraphWord(word, token);
        return;
    case WordGroup::Table:
        handleTableWord(word, token);
        return;
    case WordGroup::None:
        return;
    }
}

void RtfParser::handleDocumentWord(RtfWord word, const RtfToken& token)
{
    GroupState& s = state();
    const int p = token.parameter;
    switch (word) {
    case RtfWord::Ansi:
        m_documentCodePage = 1252;
        updateCodePage();
        return;
    case RtfWord::Mac:
        m_documentCodePage = 10000;
        updateCodePage();
        return;
    case RtfWord::Pc:
        m_documentCodePage = 437;
        updateCodePage();
        return;
    case RtfWord::Pca:
        m_documentCodePage = 850;
        updateCodePage();
        return;
    case RtfWord::AnsiCodePage:
        if (p > 0) {
            m_documentCodePage = codePage(p)->number();
            updateCodePage();
        }
        return;
    case RtfWord::DefaultFont:
        m_defaultFont = p;
        return;
    case RtfWord::UnicodeSkip:
        s.unicodeSkip = std::clamp(p, 0, 1000);
        return;
    case RtfWord::Unicode: {
        const int value = p < 0 ? p + 65536 : p;
        m_unicodeInText = emitChar(char16_t(std::clamp(value, 0, 0xFFFF)));
        m_skipCount = s.unicodeSkip;
        return;
    }
    case RtfWord::Upr:
        s.upr = true;
        s.uprOuter = s.destination;
        s.destination = Destination::Skip;
        return;
    default:
        return;
    }
}

void RtfParser::handleCharacterWord(RtfWord word, const RtfToken& token, char16_t character)
{
    GroupState& s = state();
    const int p = token.parameter;
    switch (word) {
    case RtfWord::Font:
        s.chars.font = p;
        s.fontCodePage = m_fonts.value(p).codePage;
        updateCodePage();
        return;
    case RtfWord::Plain: {
        const QString href = s.chars.href;
        s.chars = CharState();
        s.chars.href = href;
        s.fontCodePage = m_fonts.value(m_defaultFont).codePage;
        updateCodePage();
        return;
    }
    case RtfWord::Bold:
        s.chars.bold = !token.hasParameter || p != 0;
        return;
    case RtfWord::Italic:
        s.chars.italic = !token.hasParameter || p != 0;
        return;
    case RtfWord::Underline:
        s.chars.underline = (!token.hasParameter || p != 0) ? QTextCharFormat::SingleUnderline
                                                            : QTextCharFormat::NoUnderline;
        s.chars.doubleUnderline = false;
        return;
    case RtfWord::UnderlineDouble: {
        const bool on = !token.hasParameter || p != 0;
        s.chars.underline = on ? QTextCharFormat::SingleUnderline : QTextCharFormat::NoUnderline;
        s.chars.doubleUnderline = on;
        return;
    }
    case RtfWord::SmallCaps:
        s.chars.smallCaps = !token.hasParameter || p != 0;
        return;
    case RtfWord::UnderlineDotted:
        s.chars.doubleUnderline = false;
        s.chars.underline = QTextCharFormat::DotLine;
        return;
    case RtfWord::UnderlineDash:
        s.chars.doubleUnderline = false;
        s.chars.underline = QTextCharFormat::DashUnderline;
        return;
    case RtfWord::UnderlineDashDot:
        s.chars.doubleUnderline = false;
        s.chars.underline = QTextCharFormat::DashDotLine;
        return;
    case RtfWord::UnderlineDashDotDot:
        s.chars.doubleUnderline = false;
        s.chars.underline = QTextCharFormat::DashDotDotLine;
        return;
    case RtfWord::UnderlineWave:
        s.chars.doubleUnderline = false;
        s.chars.underline = QTextCharFormat::WaveUnderline;
        return;
    case RtfWord::UnderlineNone:
        s.chars.doubleUnderline = false;
        s.chars.underline = QTextCharFormat::NoUnderline;
        return;
    case RtfWord::Strike:
        s.chars.strike = !token.hasParameter || p != 0;
        return;
    case RtfWord::Super:
        s.chars.verticalAlignment = QTextCharFormat::AlignSuperScript;
        return;
    case RtfWord::Sub:
        s.chars.verticalAlignment = QTextCharFormat::AlignSubScript;
        return;
    case RtfWord::NoSuperSub:
        s.chars.verticalAlignment = QTextCharFormat::AlignNormal;
        return;
    case RtfWord::Up:
        s.chars.offset = std::clamp(token.hasParameter ? p : 6, 0, 3276);
        return;
    case RtfWord::Down:
        s.chars.offset = -std::clamp(token.hasParameter ? p : 6, 0, 3276);
        return;
    case RtfWord::FontSize:
        s.chars.size = token.hasParameter ? std::clamp(p, 2, 3276) : 24;
        return;
    case RtfWord::Foreground:
        s.chars.foreground = std::max(p, 0);
        return;
    case RtfWord::Background:
        s.chars.background = std::max(p, 0);
        return;
    case RtfWord::Hidden:
        s.chars.hidden = !token.hasParameter || p != 0;
        return;
    case RtfWord::Line:
        emitChar(QChar::LineSeparator);
        return;
    case RtfWord::Tab:
        emitChar(u'\t');
        return;
    case RtfWord::Character:
        emitChar(character);
        return;
    default:
        return;
    }
}

void RtfParser::handleParagraphWord(RtfWord word, const RtfToken& token)
{
    GroupState& s = state();
    const int p = token.parameter;
    switch (word) {
    case RtfWord::Pard:
        s.para = ParaState();
        return;
    case RtfWord::AlignLeft:
        s.para.alignment = 0;
        return;
    case RtfWord::AlignCenter:
        s.para.alignment = 1;
        return;
    case RtfWord::AlignRight:
        s.para.alignment = 2;
        return;
    case RtfWord::AlignJustify:
        s.para.alignment = 3;
        return;
    case RtfWord::LeftIndent:
        s.para.leftIndent = clampTwips(p);
        return;
    case RtfWord::RightIndent:
        s.para.rightIndent = clampTwips(p);
        return;
    case RtfWord::FirstIndent:
        s.para.firstIndent = clampTwips(p);
        return;
    case RtfWord::SpaceBefore:
        s.para.spaceBefore = std::clamp(p, 0, kMaxTwips);
        return;
    case RtfWord::SpaceAfter:
        s.para.spaceAfter = std::clamp(p, 0, kMaxTwips);
        return;
    case RtfWord::PageBreakBefore:
        s.para.pageBreakBefore = !token.hasParameter || p != 0;
        return;
    case RtfWord::ListNumber:
        s.para.list = std::max(p, 0);
        return;
    case RtfWord::ListItemLevel:
        s.para.listLevel = std::clamp(p, 0, 8);
        return;
    case RtfWord::Par:
        if (isText()) {
            endParagraph();
        } else if (s.destination == Destination::Footnote && !m_noteText.isEmpty() &&
                   !m_noteText.endsWith(u'\n')) {
            m_noteText += u'\n';
        }
        return;
    case RtfWord::Page:
    case RtfWord::Column:
    case RtfWord::Sect:
        // A break between pages or sections ends a paragraph that has text, no more; after a
        // page break the next paragraph starts a new page.
        if (isText() && !m_builder.paragraphIsEmpty()) {
            endParagraph();
        }
        if (isText() && word == RtfWord::Page) {
            m_pageBreakNext = true;
        }
        return;
    default:
        return;
    }
}

void RtfParser::handleTableWord(RtfWord word, const RtfToken& token)
{
    GroupState& s = state();
    const int p = token.parameter;
    switch (word) {
    case RtfWord::InTable:
        s.para.inTable = true;
        return;
    case RtfWord::NestCell:
        emitChar(u'\t');
        return;
    case RtfWord::NestRow:
        if (isText()) {
            endParagraph();
        }
        return;
    case RtfWord::RowDefaults:
        m_rowCells = 0;
        m_rowLeft = 0;
        m_cellEdges.clear();
        return;
    case RtfWord::RowLeft:
        m_rowLeft = clampTwips(p);
        return;
    case RtfWord::CellX:
        ++m_rowCells;
        if (m_cellEdges.size() < 64) {
            m_cellEdges.push_back(clampTwips(p));
        }
        return;
    case RtfWord::Cell:
        if (isText()) {
            if (!m_builder.inTable()) {
                enterTable();
                m_blockParaKnown = false;
            }
            m_builder.endCell();
        }
        return;
    case RtfWord::Row:
        if (isText()) {
            if (m_builder.inTable()) {
                m_builder.endRow();
            } else {
                endParagraph();
            }
        }
        return;
    default:
        return;
    }
}

void RtfParser::enterTable()
{
    m_builder.enterTable(m_rowCells, columnWidths(), rowsAhead());
}

int RtfParser::rowsAhead()
{
    // A table grown a row at a time rebuilds its grid each time, and rows added ahead and left
    // unused cost even more to remove; so the rows are counted first. A row counts when a cell
    // ends in it; the table ends at a paragraph outside it. The reading of all tables together
    // stays within the size of the file.
    RtfTokenizer ahead = m_tokenizer;
    int rows = 0;
    bool cellInRow = true; // the row being entered has content or a cell
    bool inTable = true;
    while (m_lookAheadBudget > 0) {
        const RtfToken token = ahead.next();
        if (token.kind == RtfToken::End) {
            break;
        }
        m_lookAheadBudget -= token.end - token.begin;
        if (token.kind != RtfToken::ControlWord) {
            continue;
        }
        const QByteArrayView word = token.word;
        if (word == "bin") {
            m_lookAheadBudget -= ahead.takeBinary(token.hasParameter ? token.parameter : 0).size();
        } else if (word == "cell") {
            cellInRow = true;
        } else if (word == "row") {
            rows += cellInRow ? 1 : 0;
            cellInRow = false;
        } else if (word == "pard") {
            inTable = false;
        } else if (word == "intbl") {
            inTable = true;
        } else if (word == "par" && !inTable) {
            break;
        }
    }
    // A last row that a file cut short never ended still holds its cells.
    return rows + (cellInRow ? 1 : 0);
}

QList<QTextLength> RtfParser::columnWidths() const
{
    // Each \cellx is a cell's right edge; its width is what lies past the edge before it.
    QList<QTextLength> widths;
    if (int(m_cellEdges.size()) != m_rowCells) {
        return widths;
    }
    int left = m_rowLeft;
    for (const int edge : m_cellEdges) {
        if (edge <= left) {
            return {}; // edges out of order: the view shares the width out instead
        }
        widths.append(QTextLength(QTextLength::FixedLength, (edge - left) / 15.0));
        left = edge;
    }
    return widths;
}

} // namespace Rtf
