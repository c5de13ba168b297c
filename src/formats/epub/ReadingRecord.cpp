#include "formats/epub/ReadingRecord.h"

#include "formats/AtomicFile.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <quazip/quazip.h>
#include <quazip/quazipfileinfo.h>

namespace Epub {

namespace {
constexpr qint64 FingerprintSpan = 64 * 1024;
// Books up to this size are fingerprinted whole (about 40 ms).
constexpr qint64 WholeFileSpan = 4 * 1024 * 1024;

QString tr(const char* text)
{
    return QCoreApplication::translate("Epub::ReadingRecord", text);
}

QJsonArray toArray(const QStringList& list)
{
    return QJsonArray::fromStringList(list);
}

QStringList toStringList(const QJsonValue& value)
{
    QStringList list;
    for (const QJsonValue& item : value.toArray()) {
        list.append(item.toString());
    }
    return list;
}

QJsonObject markToJson(const Mark& mark)
{
    QJsonObject object = mark.start.toJson();
    object.insert(QStringLiteral("length"), mark.length);
    object.insert(QStringLiteral("text"), mark.text);
    return object;
}

Mark markFromJson(const QJsonObject& object)
{
    Mark mark;
    mark.start = TextAnchor::fromJson(object);
    mark.text = object.value(QStringLiteral("text")).toString();
    // A damaged record cannot make a mark longer than the text it marks, nor negative.
    mark.length = qBound(0, object.value(QStringLiteral("length")).toInt(),
                         static_cast<int>(mark.text.size()));
    return mark;
}

QJsonObject readObject(const QString& file)
{
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QJsonDocument::fromJson(in.readAll()).object();
}

// Whether a record kept under a book's former fingerprint is this book's: two books that share
// that fingerprint shared it, so it goes to the one it names (by path or file name), or, when
// it names neither, to a book that was moved and renamed, unless a file it names still holds
// a book with that fingerprint.
bool ownsLegacyRecord(const QJsonObject& object, const QString& path, const QString& legacy)
{
    const QFileInfo info(path);
    const QStringList paths = toStringList(object.value(QStringLiteral("paths")));
    if (paths.contains(info.absoluteFilePath()) ||
        toStringList(object.value(QStringLiteral("names"))).contains(info.fileName())) {
        return true;
    }
    for (const QString& other : paths) {
        if (QFileInfo(other) != info && QFileInfo::exists(other) &&
            legacyFingerprint(other) == legacy) {
            return false;
        }
    }
    return true;
}

// Of the places where needle occurs, the one closest to near, or nothing.
std::optional<int> closest(const QString& text, const QString& needle, int near)
{
    if (needle.isEmpty()) {
        return std::nullopt;
    }
    std::optional<int> best;
    for (qsizetype at = text.indexOf(needle); at >= 0; at = text.indexOf(needle, at + 1)) {
        if (!best || qAbs(at - near) < qAbs(*best - near)) {
            best = static_cast<int>(at);
        }
    }
    return best;
}
} // namespace

TextAnchor TextAnchor::at(int chapter, const QString& chapterText, int offset)
{
    TextAnchor anchor;
    anchor.chapter = chapter;
    anchor.offset = qBound(0, offset, static_cast<int>(chapterText.size()));
    const int from = qMax(0, anchor.offset - SnippetLength);
    anchor.before = chapterText.mid(from, anchor.offset - from);
    anchor.after = chapterText.mid(anchor.offset, SnippetLength);
    return anchor;
}

QJsonObject TextAnchor::toJson() const
{
    return {{QStringLiteral("chapter"), chapter},
            {QStringLiteral("offset"), offset},
            {QStringLiteral("before"), before},
            {QStringLiteral("after"), after}};
}

TextAnchor TextAnchor::fromJson(const QJsonObject& object)
{
    TextAnchor anchor;
    anchor.chapter = qMax(0, object.value(QStringLiteral("chapter")).toInt());
    anchor.offset = qMax(0, object.value(QStringLiteral("offset")).toInt());
    anchor.before = object.value(QStringLiteral("before")).toString();
    anchor.after = object.value(QStringLiteral("after")).toString();
    return anchor;
}

QString legacyFingerprint(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    const qint64 size = file.size();
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(file.read(FingerprintSpan));
    if (size > FingerprintSpan) {
        file.seek(qMax(FingerprintSpan, size - FingerprintSpan));
        hash.addData(file.read(FingerprintSpan));
    }
    if (file.error() != QFileDevice::NoError) {
        return {};
    }
    return QStringLiteral("%1-%2").arg(size).arg(QString::fromLatin1(hash.result().toHex()));
}

QString fileFingerprint(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    const qint64 size = file.size();
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (size <= WholeFileSpan) {
        // Read whole, a book is told from every other; the digest is the same as the first
        // and last 64 KiB gave for books up to twice that, so their records keep their names.
        while (!file.atEnd()) {
            const QByteArray chunk = file.read(FingerprintSpan);
            if (chunk.isEmpty()) {
                break;
            }
            hash.addData(chunk);
        }
    } else {
        // A big book: its ends, and the zip's directory, which holds a checksum of every
        // entry's content, so books that differ only in the middle differ here too.
        hash.addData(file.read(FingerprintSpan));
        file.seek(size - FingerprintSpan);
        hash.addData(file.read(FingerprintSpan));
        QuaZip zip(path);
        if (zip.open(QuaZip::mdUnzip)) {
            for (const QuaZipFileInfo64& info : zip.getFileInfoList64()) {
                hash.addData(info.name.toUtf8());
                hash.addData(QByteArray::number(info.crc) + ' ' +
                             QByteArray::number(quint64(info.compressedSize)) + ' ' +
                             QByteArray::number(quint64(info.uncompressedSize)) + '\n');
            }
        }
    }
    if (file.error() != QFileDevice::NoError) {
        return {};
    }
    return QStringLiteral("%1-%2").arg(size).arg(QString::fromLatin1(hash.result().toHex()));
}

std::optional<int> placeAnchor(const TextAnchor& anchor, const QString& text)
{
    const int offset = qBound(0, anchor.offset, static_cast<int>(text.size()));
    if (text.mid(offset - anchor.before.size(), anchor.before.size()) == anchor.before &&
        text.mid(offset, anchor.after.size()) == anchor.after) {
        return offset;
    }
    if (const auto both =
            closest(text, anchor.before + anchor.after, offset - anchor.before.size())) {
        return *both + static_cast<int>(anchor.before.size());
    }
    if (const auto after = closest(text, anchor.after, offset)) {
        return *after;
    }
    if (const auto before = closest(text, anchor.before, offset - anchor.before.size())) {
        return *before + static_cast<int>(anchor.before.size());
    }
    return std::nullopt;
}

std::optional<int> placeMark(const Mark& mark, const QString& text)
{
    if (mark.text.isEmpty()) {
        return std::nullopt;
    }
    const int offset = mark.start.offset;
    if (text.mid(offset, mark.text.size()) == mark.text) {
        return offset;
    }
    // A passage that occurs more than once is told apart by the text before it.
    if (const auto withBefore =
            closest(text, mark.start.before + mark.text, offset - mark.start.before.size())) {
        return *withBefore + static_cast<int>(mark.start.before.size());
    }
    return closest(text, mark.text, offset);
}

void ReadingRecord::relocate(int chapterCount, const std::function<QString(int)>& chapterText)
{
    QHash<int, QString> texts;
    auto textOf = [&](int chapter) -> const QString& {
        auto it = texts.find(chapter);
        if (it == texts.end()) {
            it = texts.insert(chapter, chapterText(chapter));
        }
        return *it;
    };
    // Chapters to look in: the anchor's own, then outwards from it.
    auto searchOrder = [&](int home) {
        QList<int> order;
        home = qBound(0, home, qMax(0, chapterCount - 1));
        order.append(home);
        for (int step = 1; step < chapterCount; ++step) {
            if (home + step < chapterCount) {
                order.append(home + step);
            }
            if (home - step >= 0) {
                order.append(home - step);
            }
        }
        return order;
    };
    auto relocateAnchor = [&](std::optional<TextAnchor>& anchor) {
        if (!anchor) {
            return;
        }
        for (int chapter : searchOrder(anchor->chapter)) {
            TextAnchor probe = *anchor;
            if (chapter != anchor->chapter) {
                probe.offset = 0;
            }
            if (const auto offset = placeAnchor(probe, textOf(chapter))) {
                anchor = TextAnchor::at(chapter, textOf(chapter), *offset);
                return;
            }
        }
        // A place that is gone entirely keeps its chapter, at most at the chapter's end.
        anchor->chapter = qBound(0, anchor->chapter, qMax(0, chapterCount - 1));
    };
    relocateAnchor(position);
    relocateAnchor(bookmark);

    QList<Mark> all = marks + unplacedMarks;
    marks.clear();
    unplacedMarks.clear();
    for (Mark mark : all) {
        bool placed = false;
        for (int chapter : searchOrder(mark.start.chapter)) {
            Mark probe = mark;
            if (chapter != mark.start.chapter) {
                probe.start.offset = 0;
            }
            if (const auto offset = placeMark(probe, textOf(chapter))) {
                mark.start = TextAnchor::at(chapter, textOf(chapter), *offset);
                marks.append(mark);
                placed = true;
                break;
            }
        }
        if (!placed) {
            unplacedMarks.append(mark);
        }
    }
}

ReadingRecord ReadingRecord::find(const QString& folder, const QString& path,
                                  const QString& identifier, const QString& title,
                                  const QString& fingerprint)
{
    ReadingRecord record;
    record.m_folder = folder;
    record.m_fingerprint = fingerprint.isEmpty() ? fileFingerprint(path) : fingerprint;
    record.m_identifier = identifier;
    record.m_title = title;
    const QString fileName = QFileInfo(path).fileName();
    const QString absolute = QFileInfo(path).absoluteFilePath();

    QJsonObject same = readObject(record.filePath());
    if (same.isEmpty() && !record.m_fingerprint.isEmpty()) {
        // Records written before books were fingerprinted in full are kept under the first
        // and last 64 KiB; such a record is taken over, and moved on the next save, when it
        // is this book's (see ownsLegacyRecord).
        const QString legacy = legacyFingerprint(path);
        const QString legacyFile = QDir(folder).filePath(legacy + QStringLiteral(".json"));
        const QJsonObject object = legacy.isEmpty() || legacy == record.m_fingerprint
                                       ? QJsonObject()
                                       : readObject(legacyFile);
        if (!object.isEmpty() && ownsLegacyRecord(object, path, legacy)) {
            same = object;
            record.m_legacyFile = legacyFile;
        }
    }
    if (!same.isEmpty() && !record.m_fingerprint.isEmpty()) {
        record.readJson(same);
        record.m_match = Match::SameFile;
    } else {
        // A changed book: the newest record with the same file name, or with the same
        // identifier and the same title (an identifier alone joins unrelated books).
        const QDir dir(folder);
        QDateTime newest;
        for (const QFileInfo& info : dir.entryInfoList({QStringLiteral("*.json")}, QDir::Files)) {
            const QJsonObject object = readObject(info.absoluteFilePath());
            const bool sameName =
                toStringList(object.value(QStringLiteral("names"))).contains(fileName);
            const bool sameBook =
                !identifier.isEmpty() && !title.isEmpty() &&
                object.value(QStringLiteral("identifier")).toString() == identifier &&
                object.value(QStringLiteral("title")).toString() == title;
            if ((sameName || sameBook) && (newest.isNull() || info.lastModified() > newest)) {
                newest = info.lastModified();
                record.readJson(object);
                record.m_match = Match::ChangedBook;
            }
        }
        record.m_identifier = identifier;
        record.m_title = title;
    }
    if (!record.m_names.contains(fileName)) {
        record.m_names.append(fileName);
    }
    if (!record.m_paths.contains(absolute)) {
        record.m_paths.append(absolute);
    }
    return record;
}

QString ReadingRecord::filePath() const
{
    const QString key = m_fingerprint.isEmpty() ? QStringLiteral("unreadable") : m_fingerprint;
    return QDir(m_folder).filePath(key + QStringLiteral(".json"));
}

QJsonObject ReadingRecord::toJson() const
{
    QJsonObject object{{QStringLiteral("fingerprint"), m_fingerprint},
                       {QStringLiteral("names"), toArray(m_names)},
                       {QStringLiteral("paths"), toArray(m_paths)},
                       {QStringLiteral("identifier"), m_identifier},
                       {QStringLiteral("title"), m_title}};
    if (position) {
        object.insert(QStringLiteral("position"), position->toJson());
    }
    if (bookmark) {
        object.insert(QStringLiteral("bookmark"), bookmark->toJson());
    }
    QJsonArray placed;
    for (const Mark& mark : marks) {
        placed.append(markToJson(mark));
    }
    object.insert(QStringLiteral("marks"), placed);
    QJsonArray unplaced;
    for (const Mark& mark : unplacedMarks) {
        unplaced.append(markToJson(mark));
    }
    object.insert(QStringLiteral("unplacedMarks"), unplaced);
    return object;
}

void ReadingRecord::readJson(const QJsonObject& object)
{
    m_names = toStringList(object.value(QStringLiteral("names")));
    m_paths = toStringList(object.value(QStringLiteral("paths")));
    m_identifier = object.value(QStringLiteral("identifier")).toString();
    m_title = object.value(QStringLiteral("title")).toString();
    position.reset();
    bookmark.reset();
    if (object.contains(QStringLiteral("position"))) {
        position = TextAnchor::fromJson(object.value(QStringLiteral("position")).toObject());
    }
    if (object.contains(QStringLiteral("bookmark"))) {
        bookmark = TextAnchor::fromJson(object.value(QStringLiteral("bookmark")).toObject());
    }
    marks.clear();
    for (const QJsonValue& value : object.value(QStringLiteral("marks")).toArray()) {
        marks.append(markFromJson(value.toObject()));
    }
    unplacedMarks.clear();
    for (const QJsonValue& value : object.value(QStringLiteral("unplacedMarks")).toArray()) {
        unplacedMarks.append(markFromJson(value.toObject()));
    }
}

bool ReadingRecord::save(QString* error)
{
    if (m_fingerprint.isEmpty()) {
        if (error) {
            *error = tr("The book cannot be read, so its reading record cannot be kept.");
        }
        return false;
    }
    if (!QDir().mkpath(m_folder)) {
        if (error) {
            *error = tr("The folder %1 cannot be made.").arg(QDir::toNativeSeparators(m_folder));
        }
        return false;
    }
    // The shared writer leaves the old record whole when the new one cannot be written in full
    // (a full disk): a failed save never costs the marks already kept.
    if (!writeFileAtomically(filePath(), QJsonDocument(toJson()).toJson(), error)) {
        return false;
    }
    // A record found under the book's former fingerprint now lives under its own.
    if (!m_legacyFile.isEmpty() && m_legacyFile != filePath()) {
        QFile::remove(m_legacyFile);
    }
    m_legacyFile.clear();
    m_match = Match::SameFile;
    return true;
}

} // namespace Epub
