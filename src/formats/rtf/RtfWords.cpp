// The table of control words the reader knows, each with its group.
#include "formats/rtf/RtfWords.h"

#include <string_view>
#include <unordered_map>

namespace Rtf {

namespace {

struct Name
{
    std::string_view name;
    RtfWord word;
};

// The character set and Unicode.
constexpr Name kDocumentWords[] = {
    {"ansi", RtfWord::Ansi},
    {"mac", RtfWord::Mac},
    {"pc", RtfWord::Pc},
    {"pca", RtfWord::Pca},
    {"ansicpg", RtfWord::AnsiCodePage},
    {"deff", RtfWord::DefaultFont},
    {"uc", RtfWord::UnicodeSkip},
    {"u", RtfWord::Unicode},
    {"upr", RtfWord::Upr},
};

// Destinations read, and the words that say what a group holds.
constexpr Name kDestinationWords[] = {
    {"fonttbl", RtfWord::FontTable},
    {"colortbl", RtfWord::ColorTable},
    {"footnote", RtfWord::Footnote},
    {"chftn", RtfWord::FootnoteMark},
    {"pict", RtfWord::Picture},
    {"fldinst", RtfWord::FieldInstruction},
    {"fldrslt", RtfWord::FieldResult},
    {"field", RtfWord::Field},
    {"shppict", RtfWord::ShapePicture},
    {"nonshppict", RtfWord::ShapePictureFallback},
    {"shp", RtfWord::Shape},
    {"shpinst", RtfWord::ShapeInstructions},
    {"sp", RtfWord::ShapeProperty},
    {"sn", RtfWord::ShapeName},
    {"sv", RtfWord::ShapeValue},
    {"listtext", RtfWord::ListText},
    {"pntext", RtfWord::ListText},
    {"listtable", RtfWord::ListTable},
    {"listoverridetable", RtfWord::ListOverrideTable},
    {"shprslt", RtfWord::ShapeResult},
    // a colour table's entries
    {"red", RtfWord::Red},
    {"green", RtfWord::Green},
    {"blue", RtfWord::Blue},
};

// Destinations whose content never reaches the text.
constexpr std::string_view kSkippedDestinations[] = {
    "stylesheet",
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
    "lchars",
};

constexpr Name kCharacterWords[] = {
    {"f", RtfWord::Font},
    {"plain", RtfWord::Plain},
    {"b", RtfWord::Bold},
    {"i", RtfWord::Italic},
    {"ul", RtfWord::Underline},
    {"ulth", RtfWord::Underline},
    {"ulw", RtfWord::Underline},
    {"ulhair", RtfWord::Underline},
    {"uld", RtfWord::UnderlineDotted},
    {"ulthd", RtfWord::UnderlineDotted},
    {"uldash", RtfWord::UnderlineDash},
    {"ulthdash", RtfWord::UnderlineDash},
    {"ulldash", RtfWord::UnderlineDash},
    {"ulthldash", RtfWord::UnderlineDash},
    {"uldashd", RtfWord::UnderlineDashDot},
    {"ulthdashd", RtfWord::UnderlineDashDot},
    {"uldashdd", RtfWord::UnderlineDashDotDot},
    {"ulthdashdd", RtfWord::UnderlineDashDotDot},
    {"ulwave", RtfWord::UnderlineWave},
    {"ulhwave", RtfWord::UnderlineWave},
    {"ululdbwave", RtfWord::UnderlineWave},
    {"ulnone", RtfWord::UnderlineNone},
    {"uldb", RtfWord::UnderlineDouble},
    {"scaps", RtfWord::SmallCaps},
    {"strike", RtfWord::Strike},
    {"striked", RtfWord::Strike},
    {"super", RtfWord::Super},
    {"sub", RtfWord::Sub},
    {"nosupersub", RtfWord::NoSuperSub},
    {"up", RtfWord::Up},
    {"dn", RtfWord::Down},
    {"fs", RtfWord::FontSize},
    {"cf", RtfWord::Foreground},
    {"cb", RtfWord::Background},
    {"highlight", RtfWord::Background},
    {"chcbpat", RtfWord::Background},
    {"v", RtfWord::Hidden},
    {"line", RtfWord::Line},
    {"tab", RtfWord::Tab},
};

// Words that stand for one character.
struct CharacterName
{
    std::string_view name;
    char16_t character;
};
constexpr CharacterName kCharacterNames[] = {
    {"emdash", 0x2014},    {"endash", 0x2013},    {"emspace", 0x2003}, {"enspace", 0x2002},
    {"qmspace", 0x2005},   {"bullet", 0x2022},    {"lquote", 0x2018},  {"rquote", 0x2019},
    {"ldblquote", 0x201C}, {"rdblquote", 0x201D}, {"zwj", 0x200D},     {"zwnj", 0x200C},
    {"zwbo", 0x200B},      {"ltrmark", 0x200E},   {"rtlmark", 0x200F},
};

constexpr Name kParagraphWords[] = {
    {"pard", RtfWord::Pard},       {"ql", RtfWord::AlignLeft},
    {"qc", RtfWord::AlignCenter},  {"qr", RtfWord::AlignRight},
    {"qj", RtfWord::AlignJustify}, {"qd", RtfWord::AlignJustify},
    {"li", RtfWord::LeftIndent},   {"lin", RtfWord::LeftIndent},
    {"ri", RtfWord::RightIndent},  {"rin", RtfWord::RightIndent},
    {"fi", RtfWord::FirstIndent},  {"sb", RtfWord::SpaceBefore},
    {"sa", RtfWord::SpaceAfter},   {"pagebb", RtfWord::PageBreakBefore},
    {"ls", RtfWord::ListNumber},   {"ilvl", RtfWord::ListItemLevel},
    {"par", RtfWord::Par},         {"page", RtfWord::Page},
    {"column", RtfWord::Column},   {"sect", RtfWord::Sect},
};

constexpr Name kTableWords[] = {
    {"intbl", RtfWord::InTable},     {"trowd", RtfWord::RowDefaults}, {"cellx", RtfWord::CellX},
    {"trleft", RtfWord::RowLeft},    {"cell", RtfWord::Cell},         {"row", RtfWord::Row},
    {"nestcell", RtfWord::NestCell}, {"nestrow", RtfWord::NestRow},
};

// Words read only inside the groups they belong to: font and list tables, pictures.
constexpr Name kGroupWords[] = {
    {"ud", RtfWord::Ud},
    {"fcharset", RtfWord::FontCharset},
    {"cpg", RtfWord::CodePage},
    {"list", RtfWord::List},
    {"listid", RtfWord::ListId},
    {"listlevel", RtfWord::ListLevel},
    {"levelnfc", RtfWord::LevelNumbering},
    {"leveltext", RtfWord::LevelText},
    {"listoverride", RtfWord::ListOverride},
    {"result", RtfWord::TextDestination},
    {"quillmereimage", RtfWord::PictureName},
    {"bin", RtfWord::Binary},
    {"pngblip", RtfWord::PngBlip},
    {"jpegblip", RtfWord::JpegBlip},
    {"dibitmap", RtfWord::DibBitmap},
    {"wbitmap", RtfWord::DeviceBitmap},
    {"wmetafile", RtfWord::Metafile},
    {"emfblip", RtfWord::Metafile},
    {"macpict", RtfWord::Metafile},
    {"pmmetafile", RtfWord::Metafile},
    {"picw", RtfWord::PictureWidth},
    {"pich", RtfWord::PictureHeight},
    {"picwgoal", RtfWord::GoalWidth},
    {"pichgoal", RtfWord::GoalHeight},
    {"picscalex", RtfWord::ScaleX},
    {"picscaley", RtfWord::ScaleY},
    {"wbmbitspixel", RtfWord::BitsPerPixel},
    {"wbmwidthbytes", RtfWord::WidthBytes},
};

using WordTable = std::unordered_map<std::string_view, WordInfo>;

WordTable makeTable()
{
    WordTable table;
    const auto add = [&table](const auto& names, WordGroup group) {
        for (const Name& n : names) {
            table.emplace(n.name, WordInfo{n.word, group});
        }
    };
    add(kDocumentWords, WordGroup::Document);
    add(kDestinationWords, WordGroup::Destination);
    for (const std::string_view name : kSkippedDestinations) {
        table.emplace(name, WordInfo{RtfWord::SkipDestination, WordGroup::Destination});
    }
    add(kCharacterWords, WordGroup::Character);
    for (const CharacterName& c : kCharacterNames) {
        table.emplace(c.name, WordInfo{RtfWord::Character, WordGroup::Character, c.character});
    }
    add(kParagraphWords, WordGroup::Paragraph);
    add(kTableWords, WordGroup::Table);
    add(kGroupWords, WordGroup::None);
    return table;
}

} // namespace

WordInfo lookUpWord(QByteArrayView name)
{
    static const WordTable table = makeTable();
    const auto it = table.find(std::string_view(name.data(), size_t(name.size())));
    return it == table.end() ? WordInfo{} : it->second;
}

} // namespace Rtf
