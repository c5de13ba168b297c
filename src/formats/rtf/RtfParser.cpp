#include "formats/rtf/RtfParser.h"

#include "formats/rtf/RtfParserLimits.h"

#include <QTextDocument>

#include <algorithm>

namespace Rtf {

namespace {

constexpr size_t kMaxDepth = 512;
// Mark groups nest beyond that: earlier versions wrapped each new mark of a passage in two more.
// They cost no more than other groups, so they may add this many levels.
constexpr size_t kMaxMarkNesting = 4096;

// Characters that would break the document's own structure (its frame markers) or that no
// text shows are replaced, one for one.
char16_t safeChar(char16_t c)
{
    if (c < 0x20 && c != u'\t') {
        return 0xFFFD;
    }
    if (c == 0xFDD0 || c == 0xFDD1 || c == 0xFFFC || c == 0x2029) {
        return 0xFFFD;
    }
    return c;
}

} // namespace

RtfParser::RtfParser(QByteArrayView data, qsizetype start, QTextDocument* document,
                     RtfSourceMap* map)
    : m_data(data), m_tokenizer(data, start), m_map(map), m_builder(document),
      m_lookAheadBudget(data.size() - start)
{
    m_builder.setSourceMap(map);
    m_stack.reserve(64);
    m_stack.emplace_back();
    updateCodePage();
}

RtfParser::~RtfParser() = default;

void RtfParser::run()
{
    while (!m_ended) {
        const RtfToken token = m_tokenizer.next();
        if (token.kind == RtfToken::End) {
            break;
        }
        handleToken(token);
    }
    flushBytes();
    if (m_map) {
        // Groups past the depth limit were read without their own state: the bytes cannot be
        // trusted. A file cut short still can: every run read so far lies where it was found.
        if (m_overflowed) {
            m_map->setUnmappable();
        }
        m_map->colors = m_colors;
    }
    // A file cut short still gets its last picture and paragraph.
    while (m_stack.size() > 1) {
        closeGroup();
    }
    if (!m_builder.paragraphIsEmpty() && !m_builder.inTable()) {
        const ParaState para = paragraphState();
        if (!m_blockParaKnown || !para.sameFormat(m_blockPara)) {
            m_builder.setBlockFormat(blockFormat(para));
        }
    }
    m_builder.finish();
}

void RtfParser::handleToken(const RtfToken& token)
{
    m_token = token;
    if (token.kind != RtfToken::Text && token.kind != RtfToken::HexByte) {
        flushBytes();
    }
    switch (token.kind) {
    case RtfToken::GroupStart:
    case RtfToken::GroupEnd:
        if (m_skipCount > 0 && m_map && m_unicodeInText) {
            m_map->cutLastFallback();
        }
        m_skipCount = 0;
        if (token.kind == RtfToken::GroupStart) {
            openGroup();
        } else {
            closeGroup();
        }
        break;
    case RtfToken::ControlWord:
        handleWord(token);
        break;
    case RtfToken::ControlSymbol:
        if (m_skipCount > 0) {
            --m_skipCount;
            skipFallback(token.end);
            break;
        }
        handleSymbol(token.symbol);
        break;
    case RtfToken::HexByte:
        if (m_skipCount > 0) {
            --m_skipCount;
            skipFallback(token.end);
            break;
        }
        handleHexByte(token.byte);
        break;
    case RtfToken::Text:
        handleText(token.text);
        break;
    case RtfToken::End:
        break;
    }
    if (token.kind != RtfToken::ControlSymbol || token.symbol != '*') {
        if (token.kind != RtfToken::ControlWord) {
            m_ignorableNext = false;
        }
    }
}

void RtfParser::openGroup()
{
    m_ignorableNext = false;
    const qsizetype opening = markOpening(m_data, m_token.begin);
    if (m_stack.size() >= kMaxDepth + std::min(m_openMarkGroups, kMaxMarkNesting)) {
        ++m_overflowDepth;
        m_overflowed = true;
        return;
    }
    m_stack.push_back(m_stack.back());
    GroupState& s = m_stack.back();
    s.groupBegin = m_token.begin;
    s.wrapper = Wrapper::None;
    s.markOpening = opening > 0;
    s.markContent = m_token.begin + opening;
    s.markChildren = m_map ? m_map->marks().size() : 0;
    m_openMarkGroups += s.markOpening ? 1 : 0;
}

void RtfParser::closeGroup()
{
    m_ignorableNext = false;
    if (m_overflowDepth > 0) {
        --m_overflowDepth;
        return;
    }
    if (m_stack.size() <= 1) {
        m_ended = true; // the document's own group is closed: what follows is not RTF
        return;
    }
    const GroupState& group = m_stack.back();
    const Destination closing = group.destination;
    const Destination parent = m_stack[m_stack.size() - 2].destination;
    const Wrapper wrapper = group.wrapper;
    const qsizetype groupBegin = group.groupBegin;
    // A mark group counts only when its closing brace was read.
    const bool markGroup =
        group.markOpening && m_token.kind == RtfToken::GroupEnd && closing == Destination::Text;
    const qsizetype markContent = group.markContent;
    const size_t markChildren = group.markChildren;
    m_openMarkGroups -= group.markOpening ? 1 : 0;
    if (closing == Destination::FontTable && !m_fontName.isEmpty()) {
        endFontEntry();
    }
    // Only tables whose closing brace was read can take a colour (a file may end inside one).
    const bool closed = m_token.kind == RtfToken::GroupEnd;
    if (closing == Destination::ColorTable && m_map && m_map->colorTableClose < 0 && closed) {
        m_map->colorTableClose = int(m_token.begin);
    }
    if (closing == Destination::FontTable && m_map && closed) {
        m_map->tableInsertion = int(m_token.end);
    }
    if (closing == Destination::Picture && parent != Destination::Picture &&
        parent != Destination::PictureName) {
        if (parent == Destination::ShapeValue) {
            m_stack.pop_back();
            holdPicture();
        } else {
            setSource(groupBegin, m_token.end, SourceSpan::Picture);
            m_stack.pop_back();
            finishPicture();
        }
    } else {
        m_stack.pop_back();
    }
    if (markGroup && m_map) {
        m_map->addMarkGroup(m_data, groupBegin, markContent, m_token.end, markChildren,
                            baseStyle(state().chars));
    }
    if (wrapper != Wrapper::None) {
        closeWrapper(wrapper, groupBegin);
    }
    if (closing == Destination::Footnote && parent != Destination::Footnote) {
        finishNote();
    }
    if (closing == Destination::FieldInstruction && parent != Destination::FieldInstruction) {
        state().fieldHref = hrefFromInstruction(m_fieldInstruction);
        m_fieldInstruction.clear();
    }
    updateCodePage();
}

CodePage* RtfParser::codePage(int number)
{
    auto it = m_codePages.find(number);
    if (it == m_codePages.end()) {
        it = m_codePages.emplace(number, std::make_unique<CodePage>(number)).first;
    }
    return it->second.get();
}

void RtfParser::updateCodePage()
{
    const int fontPage = m_stack.back().fontCodePage;
    const int number = fontPage ? fontPage : m_documentCodePage;
    if (!m_codePage || m_codePage->number() != number) {
        flushBytes();
        m_codePage = codePage(number);
    }
}

void RtfParser::handleSymbol(char symbol)
{
    switch (symbol) {
    case '*':
        m_ignorableNext = true;
        return;
    case '~':
        emitChar(0x00A0);
        return;
    case '-':
        emitChar(0x00AD);
        return;
    case '_':
        emitChar(0x2011);
        return;
    case '\n':
        if (isText()) {
            endParagraph();
        }
        return;
    case '\\':
    case '{':
    case '}': {
        const char c = symbol;
        handleText(QByteArrayView(&c, 1));
        return;
    }
    case '\t':
        emitChar(u'\t');
        return;
    default:
        return; // \| \: and other symbols carry nothing to show
    }
}

void RtfParser::handleHexByte(unsigned char byte)
{
    const char c = char(byte);
    handleText(QByteArrayView(&c, 1));
}

void RtfParser::handleText(QByteArrayView text)
{
    // Where the text lies in the data: a Text token's bytes one for one; an escape's whole.
    qsizetype sourceBegin = m_token.begin;
    const bool oneForOne = m_token.kind == RtfToken::Text;
    if (m_skipCount > 0) {
        const qsizetype skipped = std::min<qsizetype>(m_skipCount, text.size());
        m_skipCount -= int(skipped);
        text = text.sliced(skipped);
        sourceBegin += oneForOne ? skipped : 0;
        skipFallback(oneForOne ? sourceBegin : m_token.end);
        if (text.isEmpty()) {
            return;
        }
    }
    GroupState& s = state();
    switch (s.destination) {
    case Destination::Skip:
        return;
    case Destination::Picture:
        m_picture.appendHex(text);
        return;
    case Destination::ColorTable:
        for (const char c : text) {
            if (c == ';') {
                if (m_colors.size() < kMaxColors) {
                    m_colors.append(m_colorGiven ? QColor(m_red, m_green, m_blue) : QColor());
                }
                m_red = m_green = m_blue = 0;
                m_colorGiven = false;
            }
        }
        return;
    case Destination::FontTable: {
        CodePage* page = codePage(m_fontCodePage ? m_fontCodePage : m_documentCodePage);
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (text[i] == ';') {
                endFontEntry();
            } else if (!page->isDoubleByte()) {
                m_fontName.append(QChar(page->map(uchar(text[i]))));
            } else {
                page->decode(text.data() + i, 1, m_fontName);
            }
        }
        return;
    }
    case Destination::Text:
        if (s.chars.hidden) {
            return;
        }
        break;
    case Destination::ShapeInstructions:
    case Destination::ShapeProperty:
    case Destination::ShapeValue:
        return;
    case Destination::ShapeName:
        if (m_shapeProperty.size() < 16) {
            m_shapeProperty +=
                QString::fromLatin1(text.first(std::min<qsizetype>(text.size(), 16)));
        }
        return;
    case Destination::PictureName:
    case Destination::FieldInstruction:
    case Destination::Footnote:
    case Destination::ListTable:
    case Destination::ListOverrideTable:
    case Destination::LevelText:
        break; // decoded below; emitText keeps it where it belongs
    }
    if (m_codePage->isDoubleByte()) {
        if (m_map && isText()) {
            // Each byte's place in the data, so that each character gets its own run.
            for (qsizetype k = 0; k < text.size(); ++k) {
                m_pendingSources.push_back(oneForOne ? sourceBegin + k : m_token.begin);
                m_pendingSources.push_back(oneForOne ? sourceBegin + k + 1 : m_token.end);
            }
        }
        m_pendingBytes.append(text.data(), text.size());
        return;
    }
    // Plain ASCII, the bulk of every file, goes in at once; the rest byte by byte.
    const char* d = text.data();
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n && uchar(d[i]) >= 0x20 && uchar(d[i]) < 0x80) {
        ++i;
    }
    m_textBuffer.clear();
    m_textBuffer.append(QLatin1StringView(d, i));
    for (; i < n; ++i) {
        const uchar b = uchar(d[i]);
        if (b < 0x20 && b != '\t') {
            continue;
        }
        m_textBuffer.append(QChar(safeChar(m_codePage->map(b))));
    }
    const SourceSpan::Kind kind = oneForOne                           ? SourceSpan::Text
                                  : m_token.kind == RtfToken::HexByte ? SourceSpan::Hex
                                                                      : SourceSpan::Atom;
    setSource(sourceBegin, m_token.end, kind);
    emitText(m_textBuffer);
}

void RtfParser::flushBytes()
{
    if (m_pendingBytes.isEmpty()) {
        return;
    }
    QString decoded;
    m_codePage->decode(m_pendingBytes.constData(), m_pendingBytes.size(), decoded);
    for (QChar& c : decoded) {
        c = QChar(safeChar(c.unicode()));
    }
    const std::vector<qsizetype> sources = std::move(m_pendingSources);
    m_pendingSources.clear();
    const QByteArray bytes = std::move(m_pendingBytes);
    m_pendingBytes.clear();
    if (sources.size() != size_t(bytes.size()) * 2) {
        emitText(decoded);
        return;
    }
    // A character is a lead byte and its partner, or one byte; when the decoded text
    // matches that count, each character maps to its own bytes, else the run is one unit.
    std::vector<qsizetype> starts;
    starts.reserve(size_t(bytes.size()) + 1);
    for (qsizetype i = 0; i < bytes.size();) {
        starts.push_back(i);
        i += (m_codePage->isLeadByte(uchar(bytes[i])) && i + 1 < bytes.size()) ? 2 : 1;
    }
    starts.push_back(bytes.size());
    // These pages read each character from its own bytes alone, so a picture or a group may go
    // between two of them; bytes that did not decode may have been read with their
    // neighbours, and such a run is only taken whole.
    const bool apart = starts.size() == size_t(decoded.size()) + 1 &&
                       !decoded.contains(QChar(QChar::ReplacementCharacter));
    if (!apart) {
        setSource(sources.front(), sources.back(), SourceSpan::Atom);
        emitText(decoded);
        return;
    }
    for (qsizetype c = 0; c < decoded.size(); ++c) {
        setSource(sources[size_t(starts[size_t(c)]) * 2],
                  sources[size_t(starts[size_t(c) + 1]) * 2 - 1], SourceSpan::Atom);
        emitText(QStringView(decoded).sliced(c, 1));
    }
}

bool RtfParser::emitText(QStringView text)
{
    switch (state().destination) {
    case Destination::Text:
        if (state().chars.hidden || text.isEmpty()) {
            return false;
        }
        prepareContent();
        m_builder.appendText(text);
        return true;
    case Destination::FieldInstruction:
        if (m_fieldInstruction.size() < 4096) {
            m_fieldInstruction.append(text);
        }
        return false;
    case Destination::PictureName:
        if (m_picture.name.size() < 4096) {
            m_picture.name.append(text);
        }
        return false;
    case Destination::Footnote:
        if (!state().chars.hidden && m_noteText.size() < (1 << 16)) {
            m_noteText.append(text);
        }
        return false;
    case Destination::LevelText:
        if (!m_listLevels.value(m_listId).isEmpty() &&
            m_listLevels[m_listId].last().text.size() < 64) {
            m_listLevels[m_listId].last().text.append(text);
        }
        return false;
    default:
        return false;
    }
}

bool RtfParser::emitChar(char16_t c)
{
    if (c != u'\t' && c != QChar::LineSeparator) {
        c = safeChar(c);
    }
    setSource(m_token.begin, m_token.end, SourceSpan::Atom);
    return emitText(QStringView(&c, 1));
}

void RtfParser::prepareContent()
{
    const GroupState& s = state();
    if (s.para.inTable && !m_builder.inTable()) {
        enterTable();
        m_blockParaKnown = false;
    } else if (!s.para.inTable && m_builder.inTable() && m_builder.rowEnded()) {
        m_builder.leaveTable();
        m_blockParaKnown = false;
    }
    applyCharFormat();
}

void RtfParser::applyCharFormat()
{
    const CharState& chars = state().chars;
    if (m_charsApplied && chars == m_appliedChars) {
        return;
    }
    m_appliedChars = chars;
    m_charsApplied = true;
    m_builder.setCharFormat(charFormat(chars));
}

RtfParser::ParaState RtfParser::paragraphState() const
{
    ParaState para = m_stack.back().para;
    para.pageBreakBefore = para.pageBreakBefore || m_pageBreakNext;
    return para;
}

void RtfParser::endParagraph()
{
    setSource(m_token.begin, m_token.end, SourceSpan::Break);
    const GroupState& s = state();
    if (!s.para.inTable && m_builder.inTable() && m_builder.rowEnded()) {
        m_builder.leaveTable();
        m_blockParaKnown = false;
    }
    if (!m_builder.inTable()) {
        const ParaState para = paragraphState();
        if (!m_blockParaKnown || !para.sameFormat(m_blockPara)) {
            m_builder.setBlockFormat(blockFormat(para));
            m_blockPara = para;
            m_blockParaKnown = true;
        }
        m_pageBreakNext = false;
        if (para.list > 0 && !m_listTextGiven) {
            // A list item without marker text of its own shows its level's marker.
            const QTextListFormat list = listFormat(para);
            if (list.style() != QTextListFormat::ListStyleUndefined) {
                m_builder.setList(para.list * 16 + para.listLevel, list);
                m_blockParaKnown = false; // the next paragraph leaves the list
            }
        }
    }
    m_listTextGiven = false;
    applyCharFormat();
    m_builder.endParagraph(state().chars.hidden);
}

} // namespace Rtf
