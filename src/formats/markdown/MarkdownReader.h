#pragma once

#include <QString>

namespace Books {
class BookPackage;
}

// Markdown notes and books (.md, .markdown), read by Qt's own Markdown reader (the GitHub
// dialect).
namespace Markdown {

// Reads the file at path: headings give the contents (each level-one heading starts a
// chapter), with emphasis, code, quotes, lists, tables, links (to headings by their GitHub
// names, "#the-heading") and pictures found relative to the file. A front matter block
// ("---" lines around "title:", "author:", "lang:") gives the metadata and is not shown.
// Pictures elsewhere (on the web) are never fetched: their description is shown instead.
bool read(const QString& path, Books::BookPackage* book, QString* error = nullptr);

// The name GitHub gives a heading's anchor: lower case, spaces as hyphens, punctuation gone.
QString headingSlug(const QString& text);

} // namespace Markdown
