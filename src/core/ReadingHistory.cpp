#include "core/ReadingHistory.h"

#include "core/AppSettings.h"
#include "core/Library.h"

#include <QDir>
#include <QFileInfo>

namespace {
const QString Group = QStringLiteral("Reading");
const QString RememberKey = QStringLiteral("RememberPlace");
const QString ListKey = QStringLiteral("RecentBooks");
const QString PathKey = QStringLiteral("Path");
const QString SizeKey = QStringLiteral("Size");
const QString ModifiedKey = QStringLiteral("Modified");
} // namespace

bool ReadingHistory::rememberPlace()
{
    auto settings = AppSettings::open();
    return settings->value(Group + QLatin1Char('/') + RememberKey, false).toBool();
}

void ReadingHistory::setRememberPlace(bool on)
{
    auto settings = AppSettings::open();
    settings->setValue(Group + QLatin1Char('/') + RememberKey, on);
}

QList<ReadingHistory::Entry> ReadingHistory::entries()
{
    auto settings = AppSettings::open();
    settings->beginGroup(Group);
    QList<Entry> list;
    const int count = settings->beginReadArray(ListKey);
    for (int i = 0; i < count && list.size() < MostBooks; ++i) {
        settings->setArrayIndex(i);
        Entry entry;
        entry.path = settings->value(PathKey).toString();
        entry.size = settings->value(SizeKey, -1).toLongLong();
        entry.modified =
            QDateTime::fromMSecsSinceEpoch(settings->value(ModifiedKey, 0).toLongLong());
        if (!entry.path.isEmpty()) {
            list.append(entry);
        }
    }
    settings->endArray();
    settings->endGroup();
    return list;
}

void ReadingHistory::store(const QList<Entry>& list)
{
    auto settings = AppSettings::open();
    settings->beginGroup(Group);
    settings->remove(ListKey);
    settings->beginWriteArray(ListKey, int(list.size()));
    for (int i = 0; i < list.size(); ++i) {
        settings->setArrayIndex(i);
        settings->setValue(PathKey, list.at(i).path);
        settings->setValue(SizeKey, list.at(i).size);
        settings->setValue(ModifiedKey, list.at(i).modified.toMSecsSinceEpoch());
    }
    settings->endArray();
    settings->endGroup();
}

void ReadingHistory::noteRead(const QString& path)
{
    const QFileInfo info(path);
    const QString absolute = QDir::cleanPath(info.absoluteFilePath());
    QList<Entry> list = entries();
    list.removeIf([&](const Entry& e) { return e.path == absolute; });
    list.prepend({absolute, info.exists() ? info.size() : -1, info.lastModified()});
    if (list.size() > MostBooks) {
        list.resize(MostBooks);
    }
    store(list);
}

void ReadingHistory::forget(const QString& path)
{
    const QString absolute = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    QList<Entry> list = entries();
    if (list.removeIf([&](const Entry& e) { return e.path == absolute; }) > 0) {
        store(list);
    }
}

int ReadingHistory::find(const Library& library, const Entry& entry)
{
    const QFileInfo info(entry.path);
    if (QDir::cleanPath(info.absolutePath()) != QDir::cleanPath(library.folder())) {
        return -1;
    }
    const int named = library.find(info.fileName());
    if (named >= 0) {
        return named;
    }
    // Renamed since: the same size and time (a rename changes neither).
    if (entry.size < 0 || !entry.modified.isValid()) {
        return -1;
    }
    for (int i = 0; i < library.count(); ++i) {
        const QFileInfo candidate(library.at(i).path);
        if (candidate.size() == entry.size && candidate.lastModified() == entry.modified) {
            return i;
        }
    }
    return -1;
}

QList<int> ReadingHistory::recentBooks(const Library& library)
{
    QList<int> books;
    for (const Entry& entry : entries()) {
        const int book = find(library, entry);
        if (book >= 0 && !books.contains(book)) {
            books.append(book);
        }
    }
    return books;
}

int ReadingHistory::lastBook(const Library& library)
{
    const QList<Entry> list = entries();
    return list.isEmpty() ? -1 : find(library, list.first());
}
