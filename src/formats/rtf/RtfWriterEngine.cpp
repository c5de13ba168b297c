#include "formats/rtf/RtfWriterEngine.h"

#include <QBuffer>
#include <QImage>
#include <QPixmap>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextImageFormat>
#include <QTextTable>
#include <QUrl>

#include <cmath>

namespace Rtf {

namespace {

constexpr int kTableWidthTwips = 9360; // 6.5 inches of text

// Characters written as they are; everything else becomes a control word.
constexpr bool isPlain(char16_t c)
{
    return c >= 0x20 && c < 0x7F && c != u'\\' && c != u'{' && c != u'}';
}

void appendNumber(QByteArray& out, const char* word, long long value)
{
    out.append(word);
    out.append(QByteArray::number(value));
}

int twips(double pixels)
{
    return int(std::lround(pixels * 15.0));
}

QImage imageFromResource(const QVariant& resource)
{
    switch (resource.typeId()) {
    case QMetaType::QImage:
        return resource.value<QImage>();
    case QMetaType::QPixmap:
        return resource.value<QPixmap>().toImage();
    case QMetaType::QByteArray:
        return QImage::fromData(resource.toByteArray());
    default:
        return {};
    }
}

} // namespace

RtfWriterEngine::RtfWriterEngine(const QTextDocument* document, int start, int end)
    : m_document(document), m_start(start), m_end(end)
{
}

QByteArray RtfWriterEngine::write()
{
    m_out.reserve(qsizetype((m_end - m_start) * 1.15) + 4096);
    writeHeader();
    writeFrame(m_document->rootFrame());
    // The final paragraph mark of the document itself.
    m_out.append("\\par\n}\n");
    return std::move(m_out);
}

void RtfWriterEngine::writeHeader()
{
    // Fonts and colours come from the document's format collection, which is small, rather
    // than from a pass over the text.
    QStringList fonts{m_document->defaultFont().family()};
    QList<QColor> colors;
    m_fontIndex.insert(fonts.first(), 0);
    const QList<QTextFormat> formats = m_document->allFormats();
    for (const QTextFormat& format : formats) {
        if (!format.isCharFormat()) {
            continue;
        }
        const QTextCharFormat chars = format.toCharFormat();
        const QStringList families = chars.fontFamilies().toStringList();
        if (!families.isEmpty() && !m_fontIndex.contains(families.first())) {
            m_fontIndex.insert(families.first(), int(fonts.size()));
            fonts.append(families.first());
        }
        for (const int property :
             {int(QTextFormat::ForegroundBrush), int(QTextFormat::BackgroundBrush)}) {
            const QBrush brush = chars.brushProperty(property);
            if (brush.style() == Qt::NoBrush) {
                continue;
            }
            const QRgb rgb = brush.color().rgb() | 0xFF000000u;
            if (!m_colorIndex.contains(rgb)) {
                colors.append(QColor::fromRgb(rgb));
                m_colorIndex.insert(rgb, int(colors.size()));
            }
        }
    }
    m_out.append("{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1\n{\\fonttbl");
    for (qsizetype i = 0; i < fonts.size(); ++i) {
        appendNumber(m_out, "{\\f", i);
        m_out.append("\\fnil\\fcharset0 ");
        writeEscaped(fonts[i]);
        m_out.append(";}");
    }
    m_out.append("}\n{\\colortbl;");
    for (const QColor& color : colors) {
        appendNumber(m_out, "\\red", color.red());
        appendNumber(m_out, "\\green", color.green());
        appendNumber(m_out, "\\blue", color.blue());
        m_out.append(';');
    }
    m_out.append("}\n");
}

void RtfWriterEngine::writeFrame(const QTextFrame* frame)
{
    for (auto it = frame->begin(); !it.atEnd(); ++it) {
        if (const QTextFrame* child = it.currentFrame()) {
            const QTextTable* table = qobject_cast<const QTextTable*>(child);
            if (table && covers(table->firstPosition() - 1, table->lastPosition() + 1)) {
                writeTable(table);
            } else {
                writeFrame(child);
            }
            continue;
        }
        const QTextBlock block = it.currentBlock();
        if (!block.isValid() || block.position() + block.length() <= m_start ||
            block.position() >= m_end) {
            continue;
        }
        writeBlock(block, false);
        // Only a paragraph mark inside the range is written.
        if (block.position() + block.length() - 1 < m_end) {
            m_out.append("\\par\n");
        }
    }
}

void RtfWriterEngine::writeTable(const QTextTable* table)
{
    const int rows = table->rows();
    const int columns = table->columns();
    QByteArray rowDefinition = "\\trowd\\trgaph108";
    for (int c = 1; c <= columns; ++c) {
        appendNumber(rowDefinition, "\\cellx", qlonglong(kTableWidthTwips) * c / columns);
    }
    rowDefinition.append('\n');
    for (int r = 0; r < rows; ++r) {
        m_out.append(rowDefinition);
        for (int c = 0; c < columns; ++c) {
            const QTextTableCell cell = table->cellAt(r, c);
            // A spanned cell is written once; the places it covers stay empty.
            if (cell.row() == r && cell.column() == c) {
                bool first = true;
                for (auto it = cell.begin(); !it.atEnd(); ++it) {
                    const QTextBlock block = it.currentBlock();
                    if (!block.isValid()) {
                        continue;
                    }
                    if (!first) {
                        m_out.append("\\par\n");
                    }
                    first = false;
                    writeBlock(block, true);
                }
            } else {
                m_out.append("\\pard\\intbl");
            }
            m_out.append("\\cell\n");
        }
        m_out.append("\\row\n");
    }
}

const QByteArray& RtfWriterEngine::blockControls(const QTextBlock& block)
{
    const int index = block.blockFormatIndex();
    auto it = m_blockControls.find(index);
    if (it != m_blockControls.end()) {
        return *it;
    }
    const QTextBlockFormat format = block.blockFormat();
    QByteArray controls = "\\pard";
    if (format.hasProperty(QTextFormat::BlockAlignment)) {
        const Qt::Alignment alignment = format.alignment() & Qt::AlignHorizontal_Mask;
        if (alignment & Qt::AlignHCenter) {
            controls.append("\\qc");
        } else if (alignment & Qt::AlignRight) {
            controls.append("\\qr");
        } else if (alignment & Qt::AlignJustify) {
            controls.append("\\qj");
        }
    }
    const struct
    {
        const char* word;
        double pixels;
    } spacing[] = {{"\\li", format.leftMargin()},
                   {"\\ri", format.rightMargin()},
                   {"\\fi", format.textIndent()},
                   {"\\sb", format.topMargin()},
                   {"\\sa", format.bottomMargin()}};
    for (const auto& s : spacing) {
        if (s.pixels != 0) {
            appendNumber(controls, s.word, twips(s.pixels));
        }
    }
    return *m_blockControls.insert(index, controls);
}

void RtfWriterEngine::writeBlock(const QTextBlock& block, bool inCell)
{
    m_out.append(blockControls(block));
    if (inCell) {
        m_out.append("\\intbl");
    }
    m_out.append(' ');
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        if (fragment.isValid()) {
            writeFragment(fragment);
        }
    }
}

const QByteArray& RtfWriterEngine::charControls(int formatIndex, const QTextCharFormat& format)
{
    auto it = m_charControls.find(formatIndex);
    if (it != m_charControls.end()) {
        return *it;
    }
    QByteArray controls;
    const QStringList families = format.fontFamilies().toStringList();
    if (!families.isEmpty()) {
        appendNumber(controls, "\\f", m_fontIndex.value(families.first()));
    }
    if (format.hasProperty(QTextFormat::FontPointSize)) {
        appendNumber(controls, "\\fs", std::lround(format.fontPointSize() * 2));
    }
    if (format.fontWeight() >= QFont::DemiBold) {
        controls.append("\\b");
    }
    if (format.fontItalic()) {
        controls.append("\\i");
    }
    switch (format.underlineStyle()) {
    case QTextCharFormat::SingleUnderline:
        controls.append("\\ul");
        break;
    case QTextCharFormat::DashUnderline:
        controls.append("\\uldash");
        break;
    case QTextCharFormat::DotLine:
        controls.append("\\uld");
        break;
    case QTextCharFormat::DashDotLine:
        controls.append("\\uldashd");
        break;
    case QTextCharFormat::DashDotDotLine:
        controls.append("\\uldashdd");
        break;
    case QTextCharFormat::WaveUnderline:
        controls.append("\\ulwave");
        break;
    default:
        break;
    }
    if (format.fontStrikeOut()) {
        controls.append("\\strike");
    }
    if (format.verticalAlignment() == QTextCharFormat::AlignSuperScript) {
        controls.append("\\super");
    } else if (format.verticalAlignment() == QTextCharFormat::AlignSubScript) {
        controls.append("\\sub");
    }
    if (format.hasProperty(QTextFormat::TextBaselineOffset) && format.baselineOffset() != 0) {
        // The offset is a share of the font size; RTF wants half-points.
        const double size =
            format.hasProperty(QTextFormat::FontPointSize) ? format.fontPointSize() : 12.0;
        const long long halfPoints = std::lround(format.baselineOffset() * size * 2 / 100.0);
        if (halfPoints > 0) {
            appendNumber(controls, "\\up", halfPoints);
        } else if (halfPoints < 0) {
            appendNumber(controls, "\\dn", -halfPoints);
        }
    }
    if (format.foreground().style() != Qt::NoBrush) {
        const QRgb rgb = format.foreground().color().rgb() | 0xFF000000u;
        appendNumber(controls, "\\cf", m_colorIndex.value(rgb));
    }
    if (format.background().style() != Qt::NoBrush) {
        const QRgb rgb = format.background().color().rgb() | 0xFF000000u;
        appendNumber(controls, "\\highlight", m_colorIndex.value(rgb));
    }
    return *m_charControls.insert(formatIndex, controls);
}

void RtfWriterEngine::writeFragment(const QTextFragment& fragment)
{
    const int position = fragment.position();
    const int from = std::max(position, m_start);
    const int to = std::min(position + fragment.length(), m_end);
    if (from >= to) {
        return;
    }
    const QString text = fragment.text();
    const QStringView part = QStringView(text).sliced(from - position, to - from);
    const QTextCharFormat format = fragment.charFormat();
    const QString href = format.isAnchor() ? format.anchorHref() : QString();
    if (!href.isEmpty()) {
        m_out.append("{\\field{\\*\\fldinst HYPERLINK \"");
        // Field arguments escape quotes and backslashes with a backslash.
        QString target = href;
        target.replace(u'\\', QLatin1String("\\\\"));
        target.replace(u'"', QLatin1String("\\\""));
        writeEscaped(target);
        m_out.append("\"}{\\fldrslt");
    }
    const QByteArray& controls = charControls(fragment.charFormatIndex(), format);
    m_out.append('{');
    m_out.append(controls);
    if (!controls.isEmpty()) {
        m_out.append(' ');
    }
    if (format.isImageFormat()) {
        const QTextImageFormat image = format.toImageFormat();
        for (const QChar c : part) {
            if (c == QChar::ObjectReplacementCharacter) {
                writeImage(image);
            } else {
                writeText(QStringView(&c, 1));
            }
        }
    } else {
        writeText(part);
    }
    m_out.append('}');
    if (!href.isEmpty()) {
        m_out.append("}}");
    }
}

void RtfWriterEngine::writeText(QStringView text)
{
    // Room for the longest escape of every character, trimmed afterwards.
    const qsizetype old = m_out.size();
    m_out.resize(old + text.size() * 9);
    char* out = m_out.data() + old;
    for (const QChar qc : text) {
        const char16_t c = qc.unicode();
        if (isPlain(c)) {
            *out++ = char(c);
            continue;
        }
        switch (c) {
        case u'\\':
        case u'{':
        case u'}':
            *out++ = '\\';
            *out++ = char(c);
            continue;
        case u'\t':
            memcpy(out, "\\tab ", 5);
            out += 5;
            continue;
        case QChar::LineSeparator:
            memcpy(out, "\\line ", 6);
            out += 6;
            continue;
        default:
            break;
        }
        // \uN with N a signed 16-bit number, then the one-character fallback.
        const int value = c > 32767 ? int(c) - 65536 : int(c);
        *out++ = '\\';
        *out++ = 'u';
        const std::string digits = std::to_string(value);
        memcpy(out, digits.data(), digits.size());
        out += digits.size();
        *out++ = '?';
    }
    m_out.resize(out - m_out.data());
}

void RtfWriterEngine::writeEscaped(const QString& text)
{
    writeText(text);
}

const QByteArray& RtfWriterEngine::pictureHex(const QString& name, int* width, int* height)
{
    auto it = m_pictures.find(name);
    if (it == m_pictures.end()) {
        Picture picture;
        QImage image =
            imageFromResource(m_document->resource(QTextDocument::ImageResource, QUrl(name)));
        if (image.isNull()) {
            const QUrl url(name);
            image = QImage(url.isLocalFile() ? url.toLocalFile() : name);
        }
        if (!image.isNull()) {
            QByteArray png;
            QBuffer buffer(&png);
            buffer.open(QIODevice::WriteOnly);
            image.save(&buffer, "PNG");
            const QByteArray hex = png.toHex();
            picture.hex.reserve(hex.size() + hex.size() / 128 + 1);
            for (qsizetype i = 0; i < hex.size(); i += 128) {
                picture.hex.append(hex.constData() + i, std::min<qsizetype>(128, hex.size() - i));
                picture.hex.append('\n');
            }
            picture.width = image.width();
            picture.height = image.height();
        }
        it = m_pictures.insert(name, picture);
    }
    *width = it->width;
    *height = it->height;
    return it->hex;
}

void RtfWriterEngine::writeImage(const QTextImageFormat& format)
{
    int width = 0;
    int height = 0;
    const QByteArray& hex = pictureHex(format.name(), &width, &height);
    if (hex.isEmpty()) {
        return; // a picture that cannot be found cannot be written
    }
    const double goalWidth = format.width() > 0 ? format.width() : width;
    const double goalHeight = format.height() > 0 ? format.height() : height;
    m_out.append("{\\pict{\\*\\quillmereimage ");
    writeEscaped(format.name());
    m_out.append("}\\pngblip");
    appendNumber(m_out, "\\picw", width);
    appendNumber(m_out, "\\pich", height);
    appendNumber(m_out, "\\picwgoal", twips(goalWidth));
    appendNumber(m_out, "\\pichgoal", twips(goalHeight));
    m_out.append('\n');
    m_out.append(hex);
    m_out.append('}');
}

} // namespace Rtf
