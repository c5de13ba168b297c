#pragma once

#include <QByteArray>
#include <QString>

namespace BookFiles {
// Path of the King James Bible as one plain-text book (UTF-8, LF, about 4.2 MB), written once
// per machine by the shared kjv-book tool (QUILLMERE_KJV_TOOL overrides its path) into the
// temporary folder; QUILLMERE_KJV_BOOK names a ready copy instead. Empty when neither works.
QString kjvPlainText();

// The Bible's text as Markdown, for pandoc to make books of: each book of the Bible (its name
// in capitals, two lines above its chapter 1) a level-one heading, each chapter a level-two
// heading, each verse a paragraph.
QByteArray kjvMarkdown(const QString& text);
} // namespace BookFiles
