#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

class QTextBlock;
class QTextCharFormat;
class QTextDocument;
class QTextFragment;
class QTextFrame;
class QTextImageFormat;
class QTextTable;

namespace Rtf {

// Writes one range of a document as a whole RTF file in a single pass over its blocks and
// fragments. Formats are turned into control words once per format, pictures into hex once
// per picture.
class RtfWriterEngine
{
public:
    RtfWriterEngine(const QTextDocument* document, int start, int end);
    QByteArray write();

private:
    void writeHeader();
    void writeFrame(const QTextFrame* frame);
    void writeTable(const QTextTable* table);
    void writeBlock(const QTextBlock& block, bool inCell);
    void writeFragment(const QTextFragment& fragment);
    void writeText(QStringView text);
    void writeImage(const QTextImageFormat& format);
    void writeEscaped(const QString& text);
    const QByteArray& charControls(int formatIndex, const QTextCharFormat& format);
    const QByteArray& blockControls(const QTextBlock& block);
    const QByteArray& pictureHex(const QString& name, int* width, int* height);
    bool covers(int from, int to) const { return from >= m_start && to <= m_end; }

    const QTextDocument* m_document;
    int m_start;
    int m_end;
    QByteArray m_out;
    QHash<QString, int> m_fontIndex;
    QHash<unsigned int, int> m_colorIndex;
    QHash<int, QByteArray> m_charControls;
    QHash<int, QByteArray> m_blockControls;
    struct Picture
    {
        QByteArray hex;
        int width = 0;
        int height = 0;
    };
    QHash<QString, Picture> m_pictures;
};

} // namespace Rtf
