#include "support/FormatBooks.h"

#include "formats/comic/ComicReader.h"
#include "formats/docx/DocxReader.h"
#include "formats/epub/ChapterConverter.h"
#include "formats/fb2/Fb2Reader.h"
#include "formats/markdown/MarkdownReader.h"
#include "formats/mobi/MobiReader.h"
#include "formats/odt/OdtReader.h"
#include "formats/package/BookPackage.h"
#include "formats/package/PackageEpub.h"

#include <QTextDocument>

namespace FormatBooks {

QString dataPath(const QString& name)
{
    return QStringLiteral(QUILLMERE_TEST_DATA "/books/") + name;
}

bool read(const QString& path, Books::BookPackage* book, QString* error)
{
    const QString name = path.toLower();
    if (name.endsWith(QLatin1String(".fb2")) || name.endsWith(QLatin1String(".fb2.zip"))) {
        return Fb2::read(path, book, error);
    }
    if (name.endsWith(QLatin1String(".mobi")) || name.endsWith(QLatin1String(".azw3"))) {
        return Mobi::read(path, book, error);
    }
    if (name.endsWith(QLatin1String(".docx"))) {
        return Docx::read(path, book, error);
    }
    if (name.endsWith(QLatin1String(".odt")) || name.endsWith(QLatin1String(".fodt"))) {
        return Odt::read(path, book, error);
    }
    if (name.endsWith(QLatin1String(".md")) || name.endsWith(QLatin1String(".markdown"))) {
        return Markdown::read(path, book, error);
    }
    if (name.endsWith(QLatin1String(".cbz"))) {
        return Comic::read(path, book, error);
    }
    if (error) {
        *error = QStringLiteral("no reader for %1").arg(path);
    }
    return false;
}

bool Shown::open(const Books::BookPackage& package)
{
    const QString path = m_dir.filePath(QStringLiteral("book.epub"));
    return m_dir.isValid() && Books::PackageEpub::write(package, path) &&
           m_book.open(path) == Epub::Book::OpenResult::Opened;
}

bool Shown::convert(int chapter, QTextDocument* document)
{
    Epub::ChapterConverter converter(m_book);
    return converter.convert(chapter, document);
}

QString Shown::wholeText()
{
    QString text;
    for (int chapter = 0; chapter < m_book.chapters().size(); ++chapter) {
        QTextDocument document;
        if (convert(chapter, &document)) {
            text += document.toPlainText() + QLatin1Char('\n');
        }
    }
    return text;
}

} // namespace FormatBooks
