// Placeholder bodies until the RTF codec lands.
#include "platform/rtf/PlainTextDecoder.h"
#include "platform/rtf/RtfReader.h"
#include "platform/rtf/RtfWriter.h"

#include <QTextDocument>

bool Rtf::read(const QByteArray&, QTextDocument*, QString* error)
{
    if (error) {
        *error = QStringLiteral("RTF is not supported yet");
    }
    return false;
}

QByteArray Rtf::write(const QTextDocument*)
{
    return {};
}

QByteArray Rtf::writeRange(const QTextDocument*, int, int)
{
    return {};
}

QString PlainText::decode(const QByteArray& data)
{
    return QString::fromUtf8(data);
}
