// The groups that are not running text (font, colour and list tables, pictures and shapes,
// fields and notes): the words that open them and the words read inside them.
#include "formats/rtf/RtfParser.h"

#include "formats/rtf/RtfNotes.h"
#include "formats/rtf/RtfParserLimits.h"
#include "formats/rtf/RtfWords.h"

#include <algorithm>

namespace Rtf {

void RtfParser::handleDestinationWord(RtfWord word, const RtfToken& token)
{
    GroupState& s = state();
    const int p = token.parameter;
    switch (word) {
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
    case RtfWord::Red:
    case RtfWord::Green:
    case RtfWord::Blue:
        if (s.destination == Destination::ColorTable) {
            const int v = std::clamp(p, 0, 255);
            (word == RtfWord::Red ? m_red : word == RtfWord::Green ? m_green : m_blue) = v;
            m_colorGiven = true;
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

} // namespace Rtf
