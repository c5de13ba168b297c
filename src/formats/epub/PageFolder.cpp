#include "formats/epub/PageFolder.h"

#include "formats/epub/EpubBook.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSize>
#include <QUrl>

namespace Epub {

namespace {
QString tr(const char* text)
{
    return QCoreApplication::translate("Epub::PageFolder", text);
}

// The size a chapter's viewport asks for (<meta name="viewport" content="width=W, height=H">),
// or the usual page of a fixed-layout book when it names none.
QSize pageSize(const QByteArray& chapter)
{
    static const QRegularExpression viewport(
        QStringLiteral("<meta[^>]*name\\s*=\\s*[\"']viewport[\"'][^>]*>"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression width(QStringLiteral("width\\s*=\\s*([0-9]+)"));
    static const QRegularExpression height(QStringLiteral("height\\s*=\\s*([0-9]+)"));
    const QString head = QString::fromUtf8(chapter.left(8192));
    const QString meta = viewport.match(head).captured();
    const int w = width.match(meta).captured(1).toInt();
    const int h = height.match(meta).captured(1).toInt();
    // A page of nothing, or a giant one, is taken as the usual page.
    if (w < 50 || h < 50 || w > 10000 || h > 10000) {
        return {600, 800};
    }
    return {w, h};
}
} // namespace

QString PageFolder::pageName()
{
    return QStringLiteral("quillmere-pages.html");
}

QString PageFolder::chapterFragment(int chapter)
{
    return QStringLiteral("#chapter-%1").arg(chapter + 1);
}

QString PageFolder::write(const Book& book, const QString& folder, QString* error)
{
    auto fail = [&](const QString& text) {
        if (error) {
            *error = text;
        }
        return QString();
    };
    const QDir root(folder);
    for (const QString& name : book.archive().entryNames()) {
        QByteArray data;
        // Parts that cannot be read (refused, damaged) are left out; the page shows the rest.
        if (name == pageName() || !book.archive().read(name, &data)) {
            continue;
        }
        const QString path = root.filePath(name);
        if (!root.mkpath(QFileInfo(path).path())) {
            return fail(tr("The folder %1 cannot be written.").arg(QFileInfo(path).path()));
        }
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit()) {
            return fail(tr("The file %1 cannot be written.").arg(path));
        }
    }
    QString frames;
    const QStringList chapters = book.chapters();
    for (int i = 0; i < chapters.size(); ++i) {
        QByteArray chapter;
        book.archive().read(chapters.at(i), &chapter);
        const QSize size = pageSize(chapter);
        QUrl source;
        source.setPath(chapters.at(i));
        frames += QStringLiteral("<iframe id=\"%1\" src=\"%2\" width=\"%3\" "
                                 "height=\"%4\" scrolling=\"no\"></iframe>\n")
                      .arg(chapterFragment(i).mid(1))
                      .arg(source.toString(QUrl::FullyEncoded).toHtmlEscaped())
                      .arg(size.width())
                      .arg(size.height());
    }
    QSaveFile page(root.filePath(pageName()));
    const QByteArray html =
        QStringLiteral("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"/><title>%1</title>"
                       "<style>body { background: #808080; margin: 0; padding: 16px 0; } "
                       "iframe { display: block; margin: 0 auto 16px; border: 0; "
                       "background: white; }</style></head><body>\n%2</body></html>\n")
            .arg(book.title().toHtmlEscaped(), frames)
            .toUtf8();
    if (!page.open(QIODevice::WriteOnly) || page.write(html) != html.size() || !page.commit()) {
        return fail(tr("The file %1 cannot be written.").arg(page.fileName()));
    }
    return page.fileName();
}

} // namespace Epub
