#pragma once

#include "formats/rtf/RtfSourceMap.h"

#include <QByteArray>
#include <QString>

class QTextDocument;

// Reads a book the program shows as text, an RTF book or a plain-text book, with the program's
// refusals and their messages. The reader's text view and the command-line tools both read
// books through it, so they refuse the same files with the same words.
namespace TextBookLoader {

enum class Kind
{
    Rtf,
    PlainText
};

struct Book
{
    QByteArray bytes;      // the file as read
    Rtf::RtfSourceMap map; // an RTF book's: where each character came from
    // An RTF book whose every character the map follows: changes are spliced into bytes.
    bool followable = false;
    // Why the book cannot keep marks or bookmarks; empty when it can.
    QString marksRefusal;
};

// Fills the document (emptied first) with the book at path. False with a message naming the
// file when it cannot be read, is a folder or too large, is not RTF (kind Rtf) or not text
// (kind PlainText).
bool load(const QString& path, Kind kind, QTextDocument* document, Book* book, QString* error);

} // namespace TextBookLoader
