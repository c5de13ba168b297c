#include "formats/epub/PageFolder.h"

#include "formats/AtomicFile.h"
#include "formats/epub/EpubBook.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QSize>
#include <QStorageInfo>
#include <QUrl>
#include <cerrno>
#include <limits>
#include <signal.h>
#include <unistd.h>

namespace Epub {

namespace {
const QLatin1String FolderPrefix("quillmere-pages-");

QString tr(const char* text)
{
    return QCoreApplication::translate("Epub::PageFolder", text);
}

QString megabytes(qint64 bytes)
{
    return QLocale().formattedDataSize(bytes, 1, QLocale::DataSizeTraditionalFormat);
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

// Whether the process with this id still runs (a process of another user counts as running).
bool isRunning(qint64 pid)
{
    if (pid <= 0 || pid > std::numeric_limits<pid_t>::max()) {
        return false;
    }
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
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

QString PageFolder::folderTemplate(const QString& tempFolder)
{
    return QDir(tempFolder)
        .filePath(FolderPrefix + QString::number(QCoreApplication::applicationPid()) +
                  QStringLiteral("-XXXXXX"));
}

int PageFolder::removeLeftovers(const QString& tempFolder)
{
    static const QRegularExpression name(QStringLiteral("^quillmere-pages-([0-9]+)-[^/]+$"));
    int removed = 0;
    const QFileInfoList entries =
        QDir(tempFolder)
            .entryInfoList({FolderPrefix + QLatin1Char('*')},
                           QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
    for (const QFileInfo& entry : entries) {
        const QRegularExpressionMatch match = name.match(entry.fileName());
        // Only real folders of this user, whose reader is gone: a link or another user's
        // folder in the shared temporary folder is never followed or touched.
        if (!match.hasMatch() || entry.isSymLink() || entry.ownerId() != ::getuid() ||
            isRunning(match.captured(1).toLongLong())) {
            continue;
        }
        if (QDir(entry.absoluteFilePath()).removeRecursively()) {
            ++removed;
        }
    }
    return removed;
}

QString PageFolder::write(const Book& book, const QString& folder, QString* error)
{
    auto fail = [&](const QString& text) {
        if (error) {
            *error = text;
        }
        return QString();
    };
    const Entries& archive = book.archive();
    QStringList names;
    qint64 needed = 0;
    for (const QString& name : archive.entryNames()) {
        const qint64 size = archive.declaredSize(name);
        // Parts past the entry cap are refused by the archive and left out.
        if (name != pageName() && size >= 0 && size <= archive.entryCap()) {
            names.append(name);
            needed += size;
        }
    }
    // The sizes the entries declare are checked before anything is written; the bytes really
    // unpacked are counted as they come, for a declared size may lie.
    if (needed > archive.totalCap()) {
        return fail(tr("The book unpacks to %1, far more than the whole book; its pages were "
                       "not unpacked.")
                        .arg(megabytes(needed)));
    }
    const QStorageInfo disk(folder);
    if (disk.isValid() && needed + SpareRoom > disk.bytesAvailable()) {
        return fail(tr("There is not enough room in %1 for the book's pages: they take %2, and "
                       "%3 is free.")
                        .arg(QDir::toNativeSeparators(folder), megabytes(needed),
                             megabytes(qMax<qint64>(0, disk.bytesAvailable()))));
    }
    const QDir root(folder);
    qint64 written = 0;
    for (const QString& name : std::as_const(names)) {
        QByteArray data;
        // Parts that cannot be read (refused, damaged) are left out; the page shows the rest.
        if (!archive.read(name, &data)) {
            continue;
        }
        written += data.size();
        if (written > archive.totalCap()) {
            return fail(tr("The book unpacks to far more than the whole book; its pages were "
                           "not unpacked."));
        }
        const QString path = root.filePath(name);
        if (!root.mkpath(QFileInfo(path).path())) {
            return fail(tr("The folder %1 cannot be written.").arg(QFileInfo(path).path()));
        }
        QString writeError;
        if (!writeFileAtomically(path, data, &writeError)) {
            return fail(writeError);
        }
    }
    QString frames;
    const QStringList chapters = book.chapters();
    for (int i = 0; i < chapters.size(); ++i) {
        QByteArray chapter;
        archive.read(chapters.at(i), &chapter);
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
    const QString page = root.filePath(pageName());
    const QByteArray html =
        QStringLiteral("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"/><title>%1</title>"
                       "<style>body { background: #808080; margin: 0; padding: 16px 0; } "
                       "iframe { display: block; margin: 0 auto 16px; border: 0; "
                       "background: white; }</style></head><body>\n%2</body></html>\n")
            .arg(book.title().toHtmlEscaped(), frames)
            .toUtf8();
    QString writeError;
    if (!writeFileAtomically(page, html, &writeError)) {
        return fail(writeError);
    }
    return page;
}

} // namespace Epub
