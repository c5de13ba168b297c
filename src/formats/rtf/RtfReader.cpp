#include "formats/rtf/RtfReader.h"

#include "formats/rtf/RtfParser.h"

#include <QCoreApplication>
#include <QTextCursor>
#include <QTextDocument>

namespace {

// RTF starts with "{\rtf", after blanks and perhaps a UTF-8 byte order mark.
qsizetype rtfStart(const QByteArray& data)
{
    qsizetype i = 0;
    if (data.startsWith("\xEF\xBB\xBF")) {
        i = 3;
    }
    while (i < data.size() && (data[i] == ' ' || data[i] == '\t' || data[i] == '\r' ||
                               data[i] == '\n' || data[i] == '\f' || data[i] == '\v')) {
        ++i;
    }
    return QByteArrayView(data).sliced(i).startsWith("{\\rtf") ? i : -1;
}

} // namespace

bool Rtf::read(const QByteArray& data, QTextDocument* document, QString* error, RtfSourceMap* map)
{
    const qsizetype start = rtfStart(data);
    if (start < 0) {
        if (error) {
            *error = QCoreApplication::translate("Rtf", "The file is not in Rich Text Format.");
        }
        return false;
    }
    const bool undo = document->isUndoRedoEnabled();
    document->setUndoRedoEnabled(false);
    document->clear();
    {
        // One edit block: the layout sees the finished document once, not every run.
        QTextCursor edit(document);
        edit.beginEditBlock();
        Rtf::RtfParser parser(data, start, document, map);
        parser.run();
        edit.endEditBlock();
    }
    document->setUndoRedoEnabled(undo);
    if (error) {
        error->clear();
    }
    return true;
}
