#include "formats/epub/EpubArchive.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QMutexLocker>
#include <QUrl>
#include <quazip/quazip.h>
#include <quazip/quazipfile.h>
#include <quazip/quazipfileinfo.h>

namespace Epub {

namespace {
// An entry may unpack to this many times the whole book, but never less than the floor (a
// small book may hold one well-compressed chapter) nor more than the ceiling.
constexpr qint64 EntryCapFactor = 100;
constexpr qint64 EntryCapFloor = qint64(32) * 1024 * 1024;
constexpr qint64 EntryCapCeiling = qint64(512) * 1024 * 1024;

QString tr(const char* text)
{
    return QCoreApplication::translate("Epub::Archive", text);
}
} // namespace

Archive::Archive() = default;
Archive::~Archive() = default;

QString Archive::normalisedName(const QString& name)
{
    if (name.isEmpty() || name.startsWith(QLatin1Char('/')) || name.contains(QLatin1Char('\\')) ||
        name.contains(QLatin1Char(':'))) {
        return {};
    }
    QStringList parts;
    for (const QString& part : name.split(QLatin1Char('/'))) {
        if (part.isEmpty() || part == QLatin1String(".")) {
            continue;
        }
        if (part == QLatin1String("..")) {
            if (parts.isEmpty()) {
                return {};
            }
            parts.removeLast();
            continue;
        }
        parts.append(part);
    }
    return parts.join(QLatin1Char('/'));
}

QString Archive::resolve(const QString& base, const QString& href)
{
    const QUrl url(href);
    if (href.isEmpty() || url.isRelative() == false) {
        return {};
    }
    const QString path = url.path(QUrl::FullyDecoded);
    if (path.isEmpty() || path.startsWith(QLatin1Char('/'))) {
        return {};
    }
    const int slash = base.lastIndexOf(QLatin1Char('/'));
    const QString folder = slash >= 0 ? base.left(slash + 1) : QString();
    return normalisedName(folder + path);
}

bool Archive::open(const QString& path, QString* error)
{
    auto fail = [&](const QString& text) {
        m_zip.reset();
        m_entries.clear();
        m_sizes.clear();
        if (error) {
            *error = text;
        }
        return false;
    };
    m_fileSize = QFileInfo(path).size();
    m_entryCap = qBound(EntryCapFloor, m_fileSize * EntryCapFactor, EntryCapCeiling);
    // The whole book is held to the same proportion; a big book of pictures stored as they
    // are unpacks to about its own size, so twice that is always allowed.
    m_totalCap = qMax(m_entryCap, m_fileSize * 2);
    m_zip = std::make_unique<QuaZip>(path);
    if (!m_zip->open(QuaZip::mdUnzip)) {
        return fail(tr("It is not an EPUB book: the file is not a zip archive."));
    }
    const QList<QuaZipFileInfo64> infos = m_zip->getFileInfoList64();
    if (m_zip->getZipError() != UNZ_OK) {
        return fail(tr("It is not an EPUB book: the zip archive is damaged."));
    }
    for (const QuaZipFileInfo64& info : infos) {
        const QString name = normalisedName(info.name);
        // Names that leave the book, and folders, are never read.
        if (name.isEmpty() || info.name.endsWith(QLatin1Char('/'))) {
            continue;
        }
        m_entries.insert(name, info.name);
        m_sizes.insert(name, static_cast<qint64>(info.uncompressedSize));
    }
    return true;
}

bool Archive::contains(const QString& name) const
{
    return m_entries.contains(name);
}

QStringList Archive::entryNames() const
{
    QStringList names = m_entries.keys();
    names.sort();
    return names;
}

qint64 Archive::declaredSize(const QString& name) const
{
    return m_sizes.value(name, -1);
}

bool Archive::read(const QString& name, QByteArray* data, QString* error) const
{
    return readStart(name, -1, data, nullptr, error);
}

bool Archive::readStart(const QString& name, qint64 limit, QByteArray* data, bool* truncated,
                        QString* error) const
{
    // One zip handle serves every reader of the book: a long chapter is converted on a thread
    // of its own while the window reads pictures and other chapters.
    const QMutexLocker lock(&m_readLock);
    if (truncated) {
        *truncated = false;
    }
    auto fail = [&](const QString& text) {
        if (error) {
            *error = text;
        }
        return false;
    };
    data->clear();
    if (!m_zip || !m_entries.contains(name)) {
        return fail(tr("The book has no part named %1.").arg(name));
    }
    if (m_sizes.value(name) > m_entryCap) {
        return fail(tr("The part %1 of the book unpacks to far more than the whole book and was "
                       "refused.")
                        .arg(name));
    }
    if (!m_zip->setCurrentFile(m_entries.value(name))) {
        return fail(tr("The part %1 of the book cannot be found.").arg(name));
    }
    QuaZipFile file(m_zip.get());
    if (!file.open(QIODevice::ReadOnly)) {
        return fail(tr("The part %1 of the book cannot be read (it may be protected).").arg(name));
    }
    // The header's size is not trusted: reading stops at the cap whatever it claims.
    QByteArray bytes;
    const qint64 wanted = limit < 0 ? m_entryCap : qMin(limit, m_entryCap);
    bytes.reserve(static_cast<qsizetype>(qMin(m_sizes.value(name), wanted)));
    char buffer[64 * 1024];
    for (;;) {
        const qint64 got = file.read(buffer, sizeof buffer);
        if (got < 0) {
            return fail(tr("The part %1 of the book is damaged.").arg(name));
        }
        if (got == 0) {
            break;
        }
        if (limit >= 0 && bytes.size() + got > limit) {
            bytes.append(buffer, static_cast<qsizetype>(limit - bytes.size()));
            if (truncated) {
                *truncated = true;
            }
            *data = std::move(bytes);
            return true;
        }
        if (bytes.size() + got > m_entryCap) {
            return fail(tr("The part %1 of the book unpacks to far more than the whole book and "
                           "was refused.")
                            .arg(name));
        }
        bytes.append(buffer, static_cast<qsizetype>(got));
    }
    file.close();
    if (file.getZipError() != UNZ_OK) {
        return fail(tr("The part %1 of the book is damaged.").arg(name));
    }
    *data = std::move(bytes);
    return true;
}

} // namespace Epub
