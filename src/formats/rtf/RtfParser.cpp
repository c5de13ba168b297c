#include "formats/rtf/RtfParser.h"

#include "formats/rtf/RtfNotes.h"
#include "formats/rtf/RtfTextProperties.h"

#include <QTextDocument>

#include <algorithm>
#include <string_view>

namespace Rtf {

enum class RtfWord : int
{
    Unknown,
    // header and Unicode
    Ansi,
    Mac,
    Pc,
    Pca,
    AnsiCodePage,
    DefaultFont,
    UnicodeSkip,
    Unicode,
    Upr,
    Ud,
    // destinations
    FontTable,
    ColorTable,
    SkipDestination,
    Picture,
    FieldInstruction,
    FieldResult,
    Field,
    TextDestination,
    Shape,
    ShapeInstructions,
    ShapeProperty,
    ShapeName,
    ShapeValue,
    ShapeResult,
    ShapePicture,
    ShapePictureFallback,
    ListText,
    ListTable,
    ListOverrideTable,
    List,
    ListId,
    ListLevel,
    LevelNumbering,
    LevelText,
    ListOverride,
    ListNumber,
    ListItemLevel,
    PictureName,
    Footnote,
    FootnoteMark,
    // font and colour tables
    Font,
    FontCharset,
    CodePage,
    Red,
    Green,
    Blue,
    // character formats
    Plain,
    Bold,
    Italic,
    Underline,
    UnderlineDotted,
    UnderlineDash,
    UnderlineDashDot,
    UnderlineDashDotDot,
    UnderlineWave,
    UnderlineNone,
    UnderlineDouble,
    SmallCaps,
    Strike,
    Super,
    Sub,
    NoSuperSub,
    Up,
    Down,
    FontSize,
    Foreground,
    Background,
    Hidden,
    // paragraph formats
    Pard,
    AlignLeft,
    AlignCenter,
    AlignRight,
    AlignJustify,
    LeftIndent,
    RightIndent,
    FirstIndent,
    SpaceBefore,
    SpaceAfter,
    InTable,
    PageBreakBefore,
    OutlineLevel,
    // breaks and tables
    Par,
    Line,
    Tab,
    Page,
    Column,
    Sect,
    Cell,
    Row,
    NestCell,
    NestRow,
    RowDefaults,
    CellX,
    RowLeft,
    Binary,
    // characters
    Character,
    // picture properties
    PngBlip,
    JpegBlip,
    DibBitmap,
    DeviceBitmap,
    Metafile,
    PictureWidth,
    PictureHeight,
    GoalWidth,
    GoalHeight,
    ScaleX,
    ScaleY,
    BitsPerPixel,
    WidthBytes,
};

namespace {

constexpr size_t kMaxDepth = 512;
// Mark groups nest beyond that: earlier versions wrapped each new mark of a passage in two more.
// They cost no more than other groups, so they may add this many levels.
constexpr size_t kMaxMarkNesting = 4096;
constexpr int kMaxTwips = 31680; // 22 inches
constexpr int kMaxColors = 4096;
constexpr int kMaxFonts = 4096;

struct WordInfo
{
    RtfWord word;
    char16_t character = 0;
};

const std::unordered_map<std::string_view, WordInfo>& wordTable()
{
    static const std::unordered_map<std::string_view, WordInfo> table = [] {
        std::unordered_map<std::string_view, WordInfo> t;
        auto add = [&t](std::string_view name, RtfWord word, char16_t c = 0) {
            t.emplace(name, WordInfo{word, c});
        };
        add("ansi", RtfWord::Ansi);
        add("mac", RtfWord::Mac);
        add("pc", RtfWord::Pc);
        add("pca", RtfWord::Pca);
        add("ansicpg", RtfWord::AnsiCodePage);
        add("deff", RtfWord::DefaultFont);
        add("uc", RtfWord::UnicodeSkip);
        add("u", RtfWord::Unicode);
        add("upr", RtfWord::Upr);
        add("ud", RtfWord::Ud);
        add("fonttbl", RtfWord::FontTable);
        add("colortbl", RtfWord::ColorTable);
        for (std::string_view skip : {"stylesheet",
                                      "info",
                                      "header",
                                      "headerl",
                                      "headerr",
                                      "headerf",
                                      "footer",
                                      "footerl",
                                      "footerr",
                                      "footerf",
                                      "annotation",
                                      "atnid",
                                      "atnauthor",
                                      "atndate",
                                      "atnref",
                                      "atrfstart",
                                      "atrfend",
                                      "pn",
                                      "pntxta",
                                      "pntxtb",
                                      "objdata",
                                      "objclass",
                                      "objname",
                                      "shptxt",
                                      "do",
                                      "bkmkstart",
                                      "bkmkend",
                                      "datafield",
                                      "formfield",
                                      "ftnsep",
                                      "ftnsepc",
                                      "ftncn",
                                      "aftnsep",
                                      "aftnsepc",
                                      "aftncn",
                                      "template",
                                      "userprops",
                                      "docvar",
                                      "xe",
                                      "tc",
                                      "tcn",
                                      "txe",
                                      "rxe",
                                      "background",
                                      "revtbl",
                                      "filetbl",
                                      "fontemb",
                                      "fontfile",
                                      "rsidtbl",
                                      "generator",
                                      "xmlnstbl",
                                      "mmathPr",
                                      "pgdsctbl",
                                      "themedata",
                                      "colorschememapping",
                                      "latentstyles",
                                      "datastore",
                                      "nesttableprops",
                                      "nonesttables",
                                      "falt",
                                      "panose",
                                      "blipuid",
                                      "comment",
                                      "author",
                                      "operator",
                                      "title",
                                      "subject",
                                      "keywords",
                                      "doccomm",
                                      "company",
                                      "category",
                                      "hlinkbase",
                                      "private",
                                      "pnseclvl",
                                      "listpicture",
                                      "protusertbl",
                                      "wgrffmtfilter",
                                      "passwordhash",
                                      "pgptbl",
                                      "defchp",
                                      "defpap",
                                      "oldcprops",
                                      "oldpprops",
                                      "oldsprops",
                                      "oldtprops",
                                      "mmath",
                                      "shpgrp",
                                      "picprop",
                                      "fchars",
                                      "lchars"}) {
            add(skip, RtfWord::SkipDestination);
        }
        add("footnote", RtfWord::Footnote);
        add("chftn", RtfWord::FootnoteMark);
        add("pict", RtfWord::Picture);
        add("fldinst", RtfWord::FieldInstruction);
        add("fldrslt", RtfWord::FieldResult);
        add("field", RtfWord::Field);
        add("shppict", RtfWord::ShapePicture);
        add("nonshppict", RtfWord::ShapePictureFallback);
        add("shp", RtfWord::Shape);
        add("shpinst", RtfWord::ShapeInstructions);
        add("sp", RtfWord::ShapeProperty);
        add("sn", RtfWord::ShapeName);
        add("sv", RtfWord::ShapeValue);
        add("listtext", RtfWord::ListText);
        add("pntext", RtfWord::ListText);
        add("listtable", RtfWord::ListTable);
        add("listoverridetable", RtfWord::ListOverrideTable);
        add("list", RtfWord::List);
        add("listid", RtfWord::ListId);
        add("listlevel", RtfWord::ListLevel);
        add("levelnfc", RtfWord::LevelNumbering);
        add("leveltext", RtfWord::LevelText);
        add("listoverride", RtfWord::ListOverride);
        add("ls", RtfWord::ListNumber);
        add("ilvl", RtfWord::ListItemLevel);
        add("shprslt", RtfWord::ShapeResult);
        add("result", RtfWord::TextDestination);
        add("quillmereimage", RtfWord::PictureName);
        add("f", RtfWord::Font);
        add("fcharset", RtfWord::FontCharset);
        add("cpg", RtfWord::CodePage);
        add("red", RtfWord::Red);
        add("green", RtfWord::Green);
        add("blue", RtfWord::Blue);
        add("plain", RtfWord::Plain);
        add("b", RtfWord::Bold);
        add("i", RtfWord::Italic);
        for (std::string_view u : {"ul", "ulth", "ulw", "ulhair"}) {
            add(u, RtfWord::Underline);
        }
        add("uld", RtfWord::UnderlineDotted);
        add("ulthd", RtfWord::UnderlineDotted);
        add("uldash", RtfWord::UnderlineDash);
        add("ulthdash", RtfWord::UnderlineDash);
        add("ulldash", RtfWord::UnderlineDash);
        add("ulthldash", RtfWord::UnderlineDash);
        add("uldashd", RtfWord::UnderlineDashDot);
        add("ulthdashd", RtfWord::UnderlineDashDot);
        add("uldashdd", RtfWord::UnderlineDashDotDot);
        add("ulthdashdd", RtfWord::UnderlineDashDotDot);
        add("ulwave", RtfWord::UnderlineWave);
        add("ulhwave", RtfWord::UnderlineWave);
        add("ululdbwave", RtfWord::UnderlineWave);
        add("ulnone", RtfWord::UnderlineNone);
        add("uldb", RtfWord::UnderlineDouble);
        add("scaps", RtfWord::SmallCaps);
        add("pagebb", RtfWord::PageBreakBefore);
        add("outlinelevel", RtfWord::OutlineLevel);
        add("strike", RtfWord::Strike);
        add("striked", RtfWord::Strike);
        add("super", RtfWord::Super);
        add("sub", RtfWord::Sub);
        add("nosupersub", RtfWord::NoSuperSub);
        add("up", RtfWord::Up);
        add("dn", RtfWord::Down);
        add("fs", RtfWord::FontSize);
        add("cf", RtfWord::Foreground);
        add("cb", RtfWord::Background);
        add("highlight", RtfWord::Background);
        add("chcbpat", RtfWord::Background);
        add("v", RtfWord::Hidden);
        add("pard", RtfWord::Pard);
        add("ql", RtfWord::AlignLeft);
        add("qc", RtfWord::AlignCenter);
        add("qr", RtfWord::AlignRight);
        add("qj", RtfWord::AlignJustify);
        add("qd", RtfWord::AlignJustify);
        add("li", RtfWord::LeftIndent);
        add("lin", RtfWord::LeftIndent);
        add("ri", RtfWord::RightIndent);
        add("rin", RtfWord::RightIndent);
        add("fi", RtfWord::FirstIndent);
        add("sb", RtfWord::SpaceBefore);
        add("sa", RtfWord::SpaceAfter);
        add("intbl", RtfWord::InTable);
        add("par", RtfWord::Par);
        add("line", RtfWord::Line);
        add("tab", RtfWord::Tab);
        add("page", RtfWord::Page);
        add("column", RtfWord::Column);
        add("sect", RtfWord::Sect);
        add("cell", RtfWord::Cell);
        add("row", RtfWord::Row);
        add("nestcell", RtfWord::NestCell);
        add("nestrow", RtfWord::NestRow);
        add("trowd", RtfWord::RowDefaults);
        add("cellx", RtfWord::CellX);
        add("trleft", RtfWord::RowLeft);
        add("bin", RtfWord::Binary);
        add("emdash", RtfWord::Character, 0x2014);
        add("endash", RtfWord::Character, 0x2013);
        add("emspace", RtfWord::Character, 0x2003);
        add("enspace", RtfWord::Character, 0x2002);
        add("qmspace", RtfWord::Character, 0x2005);
        add("bullet", RtfWord::Character, 0x2022);
        add("lquote", RtfWord::Character, 0x2018);
        add("rquote", RtfWord::Character, 0x2019);
        add("ldblquote", RtfWord::Character, 0x201C);
        add("rdblquote", RtfWord::Character, 0x201D);
        add("zwj", RtfWord::Character, 0x200D);
        add("zwnj", RtfWord::Character, 0x200C);
        add("zwbo", RtfWord::Character, 0x200B);
        add("ltrmark", RtfWord::Character, 0x200E);
        add("rtlmark", RtfWord::Character, 0x200F);
        add("pngblip", RtfWord::PngBlip);
        add("jpegblip", RtfWord::JpegBlip);
        add("dibitmap", RtfWord::DibBitmap);
        add("wbitmap", RtfWord::DeviceBitmap);
        for (std::string_view m : {"wmetafile", "emfblip", "macpict", "pmmetafile"}) {
            add(m, RtfWord::Metafile);
        }
        add("picw", RtfWord::PictureWidth);
        add("pich", RtfWord::PictureHeight);
        add("picwgoal", RtfWord::GoalWidth);
        add("pichgoal", RtfWord::GoalHeight);
        add("picscalex", RtfWord::ScaleX);
        add("picscaley", RtfWord::ScaleY);
        add("wbmbitspixel", RtfWord::BitsPerPixel);
        add("wbmwidthbytes", RtfWord::WidthBytes);
        return t;
    }();
    return table;
}

WordInfo lookUp(QByteArrayView word)
{
    const auto& table = wordTable();
    const auto it = table.find(std::string_view(word.data(), size_t(word.size())));
    return it == table.end() ? WordInfo{RtfWord::Unknown} : it->second;
}

int clampTwips(int value)
{
    return std::clamp(value, -kMaxTwips, kMaxTwips);
}

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

void RtfParser::handleWord(const RtfToken& token)
{
    if (m_map && m_map->tableInsertion < 0 && m_stack.size() == 2) {
        m_map->tableInsertion = int(token.end); // after "{\rtf1"
    }
    const WordInfo info = lookUp(token.word);
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

    switch (word) {
    case RtfWord::Unknown:
        return;
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
    case RtfWord::Ud:
        return;
    case RtfWord::FontTable:
        s.destination = Destination::FontTable;
        m_fontNumber = -1;
        m_fontCodePage = 0;
        m_fontName.clear();
        return;
    case RtfWord::ColorTable:
        s.destination = Destination::ColorTable;
        m_colorGiven = false;
        return;
    case RtfWord::SkipDestination:
        s.destination = Destination::Skip;
        return;
    case RtfWord::Picture:
        if (s.destination == Destination::Text) {
            s.destination = Destination::Picture;
            m_picture = RtfPicture();
        } else {
            s.destination = Destination::Skip;
        }
        return;
    case RtfWord::FieldInstruction:
        s.destination = Destination::FieldInstruction;
        m_fieldInstruction.clear();
        return;
    case RtfWord::Footnote:
        if (s.destination == Destination::Text && !s.chars.hidden) {
            // The note's text is gathered apart and given to its reference mark at the end.
            flushBytes();
            s.destination = Destination::Footnote;
            m_noteText.clear();
            if (!m_markPending) {
                ++m_noteNumber; // a note whose mark is the text before it
            }
        } else {
            s.destination = Destination::Skip;
        }
        return;
    case RtfWord::FootnoteMark:
        if (s.destination == Destination::Footnote) {
            m_noteText += QString::number(m_noteNumber);
        } else if (s.destination == Destination::Text && !s.chars.hidden) {
            // The running text keeps the automatic number as a raised mark.
            ++m_noteNumber;
            const unsigned char alignment = s.chars.verticalAlignment;
            s.chars.verticalAlignment = QTextCharFormat::AlignSuperScript;
            const QString number = QString::number(m_noteNumber);
            setSource(m_token.begin, m_token.end, SourceSpan::Atom);
            emitText(number);
            m_markEnd = m_builder.position();
            m_markStart = m_markEnd - int(number.size());
            m_markPending = true;
            s.chars.verticalAlignment = alignment;
        }
        return;
    case RtfWord::FieldResult:
        if (!s.fieldHref.isEmpty()) {
            s.chars.href = s.fieldHref;
        }
        return;
    case RtfWord::Field:
        s.fieldHref.clear();
        return;
    case RtfWord::TextDestination:
    case RtfWord::PictureName:
        return;
    case RtfWord::Shape:
        if (s.destination == Destination::Text) {
            s.wrapper = Wrapper::Shape;
            m_heldImage = QImage();
        }
        return;
    case RtfWord::ShapePicture:
        if (s.destination == Destination::Text) {
            s.wrapper = Wrapper::ShapePicture;
            m_heldImage = QImage();
        }
        return;
    case RtfWord::ShapePictureFallback:
        s.destination = Destination::Skip;
        s.wrapper = Wrapper::PictureFallback;
        return;
    case RtfWord::ShapeInstructions:
        // Only a shape in the running text shows its picture.
        s.destination = m_stack[m_stack.size() - 2].wrapper == Wrapper::Shape
                            ? Destination::ShapeInstructions
                            : Destination::Skip;
        return;
    case RtfWord::ShapeResult:
        // What stands in for a shape's picture is left out once the picture is shown.
        if (m_stack[m_stack.size() - 2].wrapper == Wrapper::Shape && !m_heldImage.isNull()) {
            s.destination = Destination::Skip;
        }
        return;
    case RtfWord::ShapeProperty:
    case RtfWord::ShapeName:
    case RtfWord::ShapeValue:
        s.destination = Destination::Skip;
        return;
    case RtfWord::ListText:
        if (isText()) {
            m_listTextGiven = true;
        }
        return;
    case RtfWord::ListTable:
        s.destination = Destination::ListTable;
        return;
    case RtfWord::ListOverrideTable:
        s.destination = Destination::ListOverrideTable;
        return;
    case RtfWord::ListNumber:
        s.para.list = std::max(p, 0);
        return;
    case RtfWord::ListItemLevel:
        s.para.listLevel = std::clamp(p, 0, 8);
        return;
    case RtfWord::Font:
        s.chars.font = p;
        s.fontCodePage = m_fonts.value(p).codePage;
        updateCodePage();
        return;
    case RtfWord::FontCharset:
    case RtfWord::CodePage:
        return;
    case RtfWord::Red:
    case RtfWord::Green:
    case RtfWord::Blue:
        if (s.destination == Destination::ColorTable) {
            const int v = std::clamp(p, 0, 255);
            (word == RtfWord::Red ? m_red : word == RtfWord::Green ? m_green : m_blue) = v;
            m_colorGiven = true;
        }
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
    case RtfWord::InTable:
        s.para.inTable = true;
        return;
    case RtfWord::PageBreakBefore:
        s.para.pageBreakBefore = !token.hasParameter || p != 0;
        return;
    case RtfWord::OutlineLevel:
        // Levels 0 to 8 are headings; 9 is the level of body text.
        s.para.outlineLevel = token.hasParameter && p >= 0 && p <= 8 ? p : -1;
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
    case RtfWord::Line:
        emitChar(QChar::LineSeparator);
        return;
    case RtfWord::Tab:
    case RtfWord::NestCell:
        emitChar(u'\t');
        return;
    case RtfWord::NestRow:
        if (isText()) {
            endParagraph();
        }
        return;
    case RtfWord::Character:
        emitChar(info.character);
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

void RtfParser::handleFontTableWord(RtfWord word, const RtfToken& token)
{
    switch (word) {
    case RtfWord::Font:
        if (!m_fontName.isEmpty()) {
            endFontEntry();
        }
        m_fontNumber = token.parameter;
        m_fontCodePage = 0;
        return;
    case RtfWord::FontCharset:
        m_fontCodePage = CodePage::forCharset(token.parameter);
        return;
    case RtfWord::CodePage:
        if (token.parameter > 0) {
            m_fontCodePage = codePage(token.parameter)->number();
        }
        return;
    case RtfWord::Unicode: {
        const int value = token.parameter < 0 ? token.parameter + 65536 : token.parameter;
        m_fontName.append(QChar(char16_t(std::clamp(value, 0, 0xFFFF))));
        m_skipCount = state().unicodeSkip;
        m_unicodeInText = false;
        return;
    }
    case RtfWord::SkipDestination:
        state().destination = Destination::Skip;
        return;
    default:
        return;
    }
}

void RtfParser::handleListWord(RtfWord word, const RtfToken& token)
{
    const int p = token.parameter;
    GroupState& s = state();
    switch (word) {
    case RtfWord::List:
        m_listId = 0;
        return;
    case RtfWord::ListId:
        m_listId = p;
        if (s.destination == Destination::ListTable && m_listLevels.size() < kMaxFonts) {
            // The id follows the levels it names: they were gathered under id 0.
            m_listLevels[p] = m_listLevels.take(0);
        }
        return;
    case RtfWord::ListLevel:
        if (s.destination == Destination::ListTable && m_listLevels.value(m_listId).size() < 9) {
            m_listLevels[m_listId].append(ListLevel());
        }
        return;
    case RtfWord::LevelNumbering:
        if (s.destination == Destination::ListTable && !m_listLevels.value(m_listId).isEmpty()) {
            m_listLevels[m_listId].last().numbering = p;
        }
        return;
    case RtfWord::LevelText:
        if (s.destination == Destination::ListTable) {
            s.destination = Destination::LevelText;
        }
        return;
    case RtfWord::Unicode:
        if (s.destination == Destination::LevelText && !m_listLevels.value(m_listId).isEmpty()) {
            const int value = p < 0 ? p + 65536 : p;
            m_listLevels[m_listId].last().text.append(
                QChar(char16_t(std::clamp(value, 0, 0xFFFF))));
        }
        m_skipCount = s.unicodeSkip;
        m_unicodeInText = false;
        return;
    case RtfWord::ListNumber:
        if (s.destination == Destination::ListOverrideTable && m_listOverrides.size() < kMaxFonts) {
            m_listOverrides.insert(p, m_listId);
        }
        return;
    case RtfWord::SkipDestination:
        s.destination = Destination::Skip;
        return;
    default:
        return;
    }
}

QTextListFormat RtfParser::listFormat(const ParaState& para) const
{
    QTextListFormat format;
    const auto id = m_listOverrides.constFind(para.list);
    if (id == m_listOverrides.constEnd()) {
        return format;
    }
    const QList<ListLevel> levels = m_listLevels.value(*id);
    if (para.listLevel >= levels.size()) {
        return format;
    }
    const ListLevel& level = levels[para.listLevel];
    QTextListFormat::Style style = QTextListFormat::ListStyleUndefined;
    switch (level.numbering) {
    case 0:
        style = QTextListFormat::ListDecimal;
        break;
    case 1:
        style = QTextListFormat::ListUpperRoman;
        break;
    case 2:
        style = QTextListFormat::ListLowerRoman;
        break;
    case 3:
        style = QTextListFormat::ListUpperAlpha;
        break;
    case 4:
        style = QTextListFormat::ListLowerAlpha;
        break;
    case 23: {
        // The bullet the level writes: symbol fonts' bullets sit in the private area.
        const char16_t c = level.text.isEmpty() ? u'\x2022' : level.text[0].unicode();
        if (c == u'o' || c == 0x25E6 || c == 0x25CB || c == 0xF06F) {
            style = QTextListFormat::ListCircle;
        } else if (c == 0x25AA || c == 0x25A0 || c == 0xF0A7 || c == 0xF0A8 || c == 0xA7 ||
                   c == 0xF06E) {
            style = QTextListFormat::ListSquare;
        } else {
            style = QTextListFormat::ListDisc;
        }
        break;
    }
    default:
        return format; // no marker, or a numbering the view cannot count
    }
    format.setStyle(style);
    // A paragraph indented by the file is indented already; otherwise by its level.
    format.setIndent(para.leftIndent > 0 ? 0 : para.listLevel + 1);
    return format;
}

void RtfParser::endFontEntry()
{
    QString name = m_fontName.trimmed();
    if (name.isEmpty() && m_fonts.contains(m_fontNumber)) {
        m_fontName.clear();
        return; // blanks between entries
    }
    if (m_fontNumber >= 0 && (m_fonts.size() < kMaxFonts || m_fonts.contains(m_fontNumber))) {
        FontInfo info;
        info.name = name;
        info.codePage = m_fontCodePage;
        m_fonts.insert(m_fontNumber, info);
    }
    m_fontName.clear();
}

void RtfParser::handlePictureWord(RtfWord word, const RtfToken& token)
{
    const int p = token.parameter;
    switch (word) {
    case RtfWord::PngBlip:
        m_picture.kind = RtfPicture::Png;
        return;
    case RtfWord::JpegBlip:
        m_picture.kind = RtfPicture::Jpeg;
        return;
    case RtfWord::DibBitmap:
        m_picture.kind = RtfPicture::Dib;
        return;
    case RtfWord::DeviceBitmap:
        m_picture.kind = RtfPicture::DeviceBitmap;
        return;
    case RtfWord::Metafile:
        m_picture.kind = RtfPicture::Metafile;
        return;
    case RtfWord::PictureWidth:
        m_picture.width = std::max(p, 0);
        return;
    case RtfWord::PictureHeight:
        m_picture.height = std::max(p, 0);
        return;
    case RtfWord::GoalWidth:
        m_picture.goalWidth = std::clamp(p, 0, kMaxTwips * 10);
        return;
    case RtfWord::GoalHeight:
        m_picture.goalHeight = std::clamp(p, 0, kMaxTwips * 10);
        return;
    case RtfWord::ScaleX:
        m_picture.scaleX = std::clamp(p, 1, 10000);
        return;
    case RtfWord::ScaleY:
        m_picture.scaleY = std::clamp(p, 1, 10000);
        return;
    case RtfWord::BitsPerPixel:
        m_picture.bitsPerPixel = p;
        return;
    case RtfWord::WidthBytes:
        m_picture.widthBytes = std::max(p, 0);
        return;
    case RtfWord::PictureName:
        state().destination = Destination::PictureName;
        m_picture.name.clear();
        return;
    case RtfWord::SkipDestination:
    case RtfWord::ShapeProperty:
    case RtfWord::ShapeName:
    case RtfWord::ShapeValue:
        state().destination = Destination::Skip;
        return;
    default:
        return;
    }
}

void RtfParser::finishNote()
{
    flushBytes();
    QString text = m_noteText.trimmed();
    m_noteText.clear();
    if (!m_markPending) {
        // A note without an automatic mark belongs to the character before it.
        m_markEnd = m_builder.position();
        m_markStart = m_markEnd - 1;
    }
    m_markPending = false;
    if (m_markStart >= 0 && m_markEnd > m_markStart) {
        m_builder.setCharProperty(m_markStart, m_markEnd, NoteTextProperty, text);
    }
}

void RtfParser::finishPicture()
{
    RtfPicture picture = std::move(m_picture);
    m_picture = RtfPicture();
    if (!isText() || state().chars.hidden) {
        return;
    }
    const QImage image = picture.toImage();
    if (image.isNull()) {
        return; // metafiles and damaged data: the fallback that follows is shown instead
    }
    showPicture(picture, image);
}

void RtfParser::holdPicture()
{
    m_heldPicture = std::move(m_picture);
    m_picture = RtfPicture();
    // A picture that cannot be shown leaves the shape's own fallback to be shown.
    m_heldImage = m_heldPicture.toImage();
}

void RtfParser::closeWrapper(Wrapper wrapper, qsizetype begin)
{
    if (wrapper == Wrapper::PictureFallback) {
        // Kept with the picture it follows, so that nothing is ever put between the two.
        if (!m_map || !m_map->extendLastPicture(m_data, begin, m_token.end)) {
            m_fallbackBegin = begin;
            m_fallbackEnd = m_token.end;
        }
        return;
    }
    if (wrapper == Wrapper::ShapePicture) {
        // The picture, shown where its own group ended, stands for the whole \shppict group
        // when that holds nothing else, and for a fallback just before it too.
        if (m_map) {
            const bool fallbackBefore = m_fallbackEnd >= 0 && onlyLineEnds(m_fallbackEnd, begin);
            m_map->widenLastPicture(m_data, fallbackBefore ? m_fallbackBegin : begin, begin,
                                    m_token.end);
        }
        return;
    }
    // A shape shows the picture it holds as one character, and its bytes are the picture's.
    const QImage image = std::move(m_heldImage);
    m_heldImage = QImage();
    if (image.isNull() || !isText() || state().chars.hidden) {
        return;
    }
    setSource(begin, m_token.end, SourceSpan::Picture);
    showPicture(m_heldPicture, image);
    m_heldPicture = RtfPicture();
}

bool RtfParser::onlyLineEnds(qsizetype from, qsizetype to) const
{
    for (qsizetype i = from; i < to; ++i) {
        const char c = m_data[i];
        if (c != '\r' && c != '\n' && c != '\0') {
            return false;
        }
    }
    return from <= to;
}

void RtfParser::handleShapeWord(RtfWord word)
{
    GroupState& s = state();
    switch (word) {
    case RtfWord::ShapeProperty:
        s.destination = Destination::ShapeProperty;
        m_shapeProperty.clear();
        return;
    case RtfWord::ShapeName:
        s.destination = s.destination == Destination::ShapeProperty ? Destination::ShapeName
                                                                    : Destination::Skip;
        m_shapeProperty.clear();
        return;
    case RtfWord::ShapeValue:
        // Of all the shape's properties only its picture is read.
        s.destination =
            s.destination == Destination::ShapeProperty && m_shapeProperty == QLatin1String("pib")
                ? Destination::ShapeValue
                : Destination::Skip;
        return;
    case RtfWord::Picture:
        if (s.destination == Destination::ShapeValue) {
            s.destination = Destination::Picture;
            m_picture = RtfPicture();
        } else {
            s.destination = Destination::Skip;
        }
        return;
    case RtfWord::Unknown:
        return;
    default:
        // Groups of anything else the shape holds (text boxes, groups of shapes) are skipped.
        if (s.destination != Destination::ShapeInstructions) {
            s.destination = Destination::Skip;
        }
        return;
    }
}

BaseStyle RtfParser::baseStyle(const CharState& chars) const
{
    BaseStyle base;
    if (chars.foreground > 0 && chars.foreground < m_colors.size() &&
        m_colors[chars.foreground].isValid()) {
        base.automaticColor = false;
        base.color = m_colors[chars.foreground].rgb();
    }
    if (chars.underline != QTextCharFormat::NoUnderline) {
        base.underline =
            chars.underline == QTextCharFormat::SingleUnderline && !chars.doubleUnderline ? 1 : 2;
    }
    return base;
}

void RtfParser::showPicture(const RtfPicture& picture, const QImage& image)
{
    // The document lays pictures out in pixels: 15 twips a pixel.
    double width = picture.goalWidth > 0 ? picture.goalWidth / 15.0 : image.width();
    double height = picture.goalHeight > 0 ? picture.goalHeight / 15.0 : image.height();
    width = width * picture.scaleX / 100.0;
    height = height * picture.scaleY / 100.0;
    prepareContent();
    m_builder.insertImage(image, picture.name, width, height);
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

QTextCharFormat RtfParser::charFormat(const CharState& chars) const
{
    QTextCharFormat format;
    if (chars.bold) {
        format.setFontWeight(QFont::Bold);
    }
    if (chars.italic) {
        format.setFontItalic(true);
    }
    if (chars.underline == QTextCharFormat::SingleUnderline) {
        format.setFontUnderline(true); // as the view underlines a selection
    } else if (chars.underline != QTextCharFormat::NoUnderline) {
        format.setUnderlineStyle(QTextCharFormat::UnderlineStyle(chars.underline));
    }
    if (chars.doubleUnderline && chars.underline == QTextCharFormat::SingleUnderline) {
        format.setProperty(DoubleUnderlineProperty, true);
    }
    if (chars.smallCaps) {
        format.setFontCapitalization(QFont::SmallCaps);
    }
    if (chars.strike) {
        format.setFontStrikeOut(true);
    }
    if (chars.verticalAlignment != QTextCharFormat::AlignNormal) {
        format.setVerticalAlignment(QTextCharFormat::VerticalAlignment(chars.verticalAlignment));
    }
    if (chars.size > 0) {
        format.setFontPointSize(chars.size / 2.0);
    }
    if (chars.offset != 0) {
        // The offset is kept relative to the font size, as the document lays it out.
        const int size = chars.size > 0 ? chars.size : 24;
        format.setBaselineOffset(chars.offset * 100.0 / size);
    }
    if (chars.font >= 0) {
        const auto it = m_fonts.constFind(chars.font);
        if (it != m_fonts.constEnd() && !it->name.isEmpty()) {
            format.setFontFamilies(QStringList(it->name));
        }
    }
    if (chars.foreground > 0 && chars.foreground < m_colors.size() &&
        m_colors[chars.foreground].isValid()) {
        format.setForeground(m_colors[chars.foreground]);
    }
    if (chars.background > 0 && chars.background < m_colors.size() &&
        m_colors[chars.background].isValid()) {
        format.setBackground(m_colors[chars.background]);
    }
    if (!chars.href.isEmpty()) {
        format.setAnchor(true);
        format.setAnchorHref(chars.href);
    }
    return format;
}

QTextBlockFormat RtfParser::blockFormat(const ParaState& para) const
{
    QTextBlockFormat format;
    switch (para.alignment) {
    case 1:
        format.setAlignment(Qt::AlignHCenter);
        break;
    case 2:
        format.setAlignment(Qt::AlignRight);
        break;
    case 3:
        format.setAlignment(Qt::AlignJustify);
        break;
    default:
        break;
    }
    if (para.leftIndent != 0) {
        format.setLeftMargin(para.leftIndent / 15.0);
    }
    if (para.rightIndent != 0) {
        format.setRightMargin(para.rightIndent / 15.0);
    }
    if (para.firstIndent != 0) {
        format.setTextIndent(para.firstIndent / 15.0);
    }
    if (para.spaceBefore != 0) {
        format.setTopMargin(para.spaceBefore / 15.0);
    }
    if (para.spaceAfter != 0) {
        format.setBottomMargin(para.spaceAfter / 15.0);
    }
    if (para.pageBreakBefore) {
        format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    }
    // A heading keeps its level, so the book's table of contents can be made from it.
    if (para.outlineLevel >= 0) {
        format.setHeadingLevel(para.outlineLevel + 1);
    }
    return format;
}

QString RtfParser::hrefFromInstruction(const QString& instruction)
{
    const QString text = instruction.trimmed();
    if (!text.startsWith(QLatin1String("HYPERLINK"), Qt::CaseInsensitive)) {
        return {};
    }
    // Arguments: a target (quoted or bare) and switches; \l names a place in the document,
    // \o \t \m take an argument of their own.
    QStringList arguments;
    qsizetype i = 9;
    while (i < text.size()) {
        while (i < text.size() && text[i].isSpace()) {
            ++i;
        }
        if (i >= text.size()) {
            break;
        }
        QString argument;
        if (text[i] == u'"') {
            ++i;
            while (i < text.size() && text[i] != u'"') {
                if (text[i] == u'\\' && i + 1 < text.size()) {
                    ++i; // an escaped quote or backslash
                }
                argument.append(text[i++]);
            }
            ++i;
        } else {
            while (i < text.size() && !text[i].isSpace()) {
                argument.append(text[i++]);
            }
        }
        arguments.append(argument);
    }
    QString target;
    QString place;
    for (qsizetype k = 0; k < arguments.size(); ++k) {
        const QString& a = arguments[k];
        if (a == QLatin1String("\\l") && k + 1 < arguments.size()) {
            place = arguments[++k];
        } else if (a.startsWith(u'\\')) {
            if (a.size() == 2 && a != QLatin1String("\\n") && k + 1 < arguments.size()) {
                ++k;
            }
        } else if (target.isEmpty()) {
            target = a;
        }
    }
    if (!place.isEmpty()) {
        target += u'#' + place;
    }
    return target;
}

} // namespace Rtf
