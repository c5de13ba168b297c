#pragma once

#include <QByteArray>
#include <QString>

// The King James Bible as the large book of the benchmarks. Its path comes from QUILLMERE_KJV
// (default /tmp/kjv.txt); a missing book is written by the kjv-book tool (QUILLMERE_KJV_TOOL,
// default /work/shared/tools/kjv-book).
namespace KjvBook {
// The book's path, producing the book first when needed; empty (with a message on stderr)
// when it cannot be had.
QString path();
QByteArray readAll(const QString& path);
// The book converted to RTF by LibreOffice, cached next to it; empty when LibreOffice is not
// installed or the conversion fails.
QString libreOfficeRtf(const QString& bookPath);
} // namespace KjvBook
