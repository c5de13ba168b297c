#include "formats/package/PackageStore.h"

#include "formats/epub/ReadingRecord.h"
#include "formats/package/BookPackage.h"
#include "formats/package/PackageEpub.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>

namespace Books {

namespace {
// Raised whenever the readers write their packages differently, so that packages kept by an
// earlier version are read afresh.
constexpr int StoreVersion = 1;
const QString ChapterFolder = QStringLiteral("OEBPS/");
} // namespace

PackageStore::PackageStore(const QString& folder, qint64 capacity)
    : m_folder(folder), m_capacity(capacity)
{
}

QString PackageStore::storePath(const QString& fingerprint) const
{
    return QDir(m_folder).filePath(fingerprint + QStringLiteral(".epub"));
}

QString PackageStore::keptPath(const QString& path) const
{
    const QString fingerprint = Epub::fileFingerprint(path);
    const QString stored = fingerprint.isEmpty() ? QString() : storePath(fingerprint);
    return !stored.isEmpty() && QFileInfo::exists(stored) ? stored : QString();
}

qint64 PackageStore::modifiedTime(const QString& path)
{
    return QFileInfo(path).lastModified().toMSecsSinceEpoch();
}

bool PackageStore::loadFile(const QString& stored, const QString& fingerprint, qint64 modified,
                            BookPackage* book) const
{
    auto archive = std::make_shared<Epub::Archive>();
    QByteArray data;
    if (!archive->open(stored) || !archive->read(PackageEpub::descriptionEntry(), &data)) {
        return false;
    }
    const QJsonObject description = QJsonDocument::fromJson(data).object();
    if (description.value(QLatin1String("storeVersion")).toInt() != StoreVersion ||
        description.value(QLatin1String("source")).toString() != fingerprint ||
        description.value(QLatin1String("modified")).toInteger() != modified) {
        return false;
    }
    BookPackage kept;
    PackageEpub::readDescription(description, &kept);
    QStringList chapters;
    for (const QJsonValue& chapter : description.value(QLatin1String("chapters")).toArray()) {
        chapters.append(chapter.toString());
    }
    if (chapters.isEmpty()) {
        return false;
    }
    for (const QString& chapter : std::as_const(chapters)) {
        if (!archive->contains(ChapterFolder + chapter)) {
            return false;
        }
        kept.addArchiveChapter(chapter, archive, ChapterFolder + chapter);
    }
    for (const QString& entry : archive->entryNames()) {
        const QString name = entry.mid(ChapterFolder.size());
        if (entry.startsWith(ChapterFolder) && !chapters.contains(name) &&
            name != QLatin1String("nav.xhtml") && name != QLatin1String("content.opf")) {
            kept.addArchiveResource(name, archive, entry);
        }
    }
    *book = std::move(kept);
    return true;
}

bool PackageStore::load(const QString& path, const QString& fingerprint, BookPackage* book)
{
    if (fingerprint.isEmpty()) {
        return false;
    }
    const QString stored = storePath(fingerprint);
    if (!QFileInfo::exists(stored) || !loadFile(stored, fingerprint, modifiedTime(path), book)) {
        return false;
    }
    // Opened now: the last to go when the folder is pruned.
    QFile file(stored);
    if (file.open(QIODevice::ReadOnly)) {
        file.setFileTime(QDateTime::currentDateTime(), QFileDevice::FileModificationTime);
    }
    return true;
}

bool PackageStore::keep(const QString& fingerprint, qint64 modified, const BookPackage& book)
{
    if (fingerprint.isEmpty() || book.pictureBook || !QDir().mkpath(m_folder)) {
        return false;
    }
    const QString stored = storePath(fingerprint);
    const bool written = PackageEpub::write(book, stored, nullptr,
                                            {{QStringLiteral("storeVersion"), StoreVersion},
                                             {QStringLiteral("source"), fingerprint},
                                             {QStringLiteral("modified"), modified}});
    prune(written ? stored : QString());
    return written;
}

bool PackageStore::read(const QString& path, const Reader& reader, BookPackage* book,
                        QString* error, Source* source)
{
    const QString fingerprint = Epub::fileFingerprint(path);
    const qint64 modified = modifiedTime(path);
    if (load(path, fingerprint, book)) {
        if (source) {
            *source = Source::Store;
        }
        return true;
    }
    *book = BookPackage();
    if (!reader(path, book, error)) {
        return false;
    }
    if (source) {
        *source = Source::Reader;
    }
    // A package that cannot be kept is read again next time; nothing else is lost.
    keep(fingerprint, modified, *book);
    return true;
}

void PackageStore::prune(const QString& keep)
{
    const QString kept = keep.isEmpty() ? QString() : QFileInfo(keep).absoluteFilePath();
    QFileInfoList files = QDir(m_folder).entryInfoList({QStringLiteral("*.epub")}, QDir::Files);
    std::sort(files.begin(), files.end(), [&](const QFileInfo& a, const QFileInfo& b) {
        const bool aKept = a.absoluteFilePath() == kept;
        const bool bKept = b.absoluteFilePath() == kept;
        return aKept != bKept ? aKept : a.lastModified() > b.lastModified();
    });
    qint64 total = 0;
    for (int i = 0; i < files.size(); ++i) {
        total += files.at(i).size();
        // The first package stays whatever its size: it is the book being read.
        if (total > m_capacity && i > 0) {
            QFile::remove(files.at(i).absoluteFilePath());
        }
    }
}

} // namespace Books
