#include "core/Library.h"

#include "core/BookKinds.h"
#include "core/RawNameAlias.h"
#include "formats/record/ReadingRecord.h"

#include <QCollator>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QTimer>
#include <algorithm>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace {
// Changes in the folder come in bursts (a copy of many files, a download finishing): the
// library is read once the burst has settled a little.
constexpr int SettleMilliseconds = 150;
constexpr int MostNumbers = 10000;

char16_t codeOf(QChar c)
{
    return c.unicode();
}

char16_t codeOf(char c)
{
    return static_cast<unsigned char>(c);
}

template <typename Name, typename Char> qsizetype extensionOf(const Name& name, Char dotChar)
{
    const qsizetype size = name.size();
    const qsizetype dot = name.lastIndexOf(dotChar);
    // A leading dot begins a hidden name, not an extension.
    if (dot <= 0 || size - dot - 1 < 1 || size - dot - 1 > 8) {
        return size;
    }
    for (qsizetype k = dot + 1; k < size; ++k) {
        const char16_t c = codeOf(name.at(k));
        if (!((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9'))) {
            return size;
        }
    }
    return dot;
}

template <typename Name> Name numbered(const Name& name, const Name& number, qsizetype dot)
{
    return name.left(dot) + number + name.mid(dot);
}

// True when something, a dangling link included, has the name.
bool isTaken(const QByteArray& path)
{
    struct stat info;
    return ::lstat(path.constData(), &info) == 0;
}

QByteArray withSlash(QByteArray folder)
{
    if (!folder.isEmpty() && !folder.endsWith('/')) {
        folder += '/';
    }
    return folder;
}
} // namespace

Library::Library(const QString& booksFolder, QObject* parent)
    : QObject(parent),
      m_folder(booksFolder.endsWith(QLatin1Char('/')) ? booksFolder
                                                      : booksFolder + QLatin1Char('/'))
{
    m_collator.setCaseSensitivity(Qt::CaseInsensitive);
    m_collator.setNumericMode(false);
}

Library::~Library() = default;

int Library::find(const QString& name) const
{
    for (int i = 0; i < count(); ++i) {
        if (m_books.at(i).name == name) {
            return i;
        }
    }
    return -1;
}

int Library::findRaw(const QByteArray& rawName) const
{
    for (int i = 0; i < count(); ++i) {
        if (m_books.at(i).rawName == rawName) {
            return i;
        }
    }
    return -1;
}

QString Library::fingerprint(int index) const
{
    const LibraryBook& book = m_books.at(index);
    const QFileInfo info(book.path);
    Fingerprint& known = m_fingerprints[book.rawName];
    const qint64 size = info.exists() ? info.size() : -1;
    const QDateTime modified = info.lastModified();
    if (known.value.isEmpty() || known.size != size || known.modified != modified) {
        known = {size, modified, Reading::fileFingerprint(book.path)};
    }
    return known.value;
}

QList<LibraryBook> Library::listFolder() const
{
    QList<LibraryBook> books;
    // Read by the names' bytes: a name that is not UTF-8 must still reach its file.
    const QByteArray folder = QFile::encodeName(m_folder);
    DIR* dir = ::opendir(folder.constData());
    if (!dir) {
        return books;
    }
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray raw(entry->d_name);
        // Hidden files (and the hidden temporary files of downloads under way) are not books.
        if (raw.startsWith('.')) {
            continue;
        }
        bool regular = entry->d_type == DT_REG;
        if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) {
            struct stat info;
            regular =
                ::fstatat(::dirfd(dir), entry->d_name, &info, 0) == 0 && S_ISREG(info.st_mode);
        }
        if (regular) {
            LibraryBook book;
            book.name = QString::fromUtf8(raw);
            book.rawName = raw;
            books.append(std::move(book));
        }
    }
    ::closedir(dir);
    std::sort(books.begin(), books.end(),
              [this](const LibraryBook& a, const LibraryBook& b) { return comesBefore(a, b); });
    return books;
}

bool Library::comesBefore(const LibraryBook& a, const LibraryBook& b) const
{
    const int c = m_collator.compare(a.name, b.name);
    if (c != 0) {
        return c < 0;
    }
    return a.name != b.name ? a.name < b.name : a.rawName < b.rawName;
}

void Library::refresh()
{
    replaceBooks(listFolder());
    // A folder made since the watching began is watched from now on.
    if (m_watcher && m_watcher->directories().isEmpty()) {
        watchFolder();
    }
}

void Library::replaceBooks(QList<LibraryBook> fresh)
{
    // Both lists are in the same order: one walk finds the books gone and the books new.
    const auto before = [this](const LibraryBook& a, const LibraryBook& b) {
        return comesBefore(a, b);
    };
    bool anyChange = false;
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < m_books.size() || j < fresh.size()) {
        if (i < m_books.size() && j < fresh.size() &&
            m_books.at(i).rawName == fresh.at(j).rawName) {
            ++i;
            ++j;
            continue;
        }
        anyChange = true;
        if (j == fresh.size() || (i < m_books.size() && before(m_books.at(i), fresh.at(j)))) {
            // m_books[i] and the books after it that come before fresh[j] are gone.
            qsizetype last = i;
            while (last + 1 < m_books.size() &&
                   (j == fresh.size() || before(m_books.at(last + 1), fresh.at(j)))) {
                ++last;
            }
            emit aboutToRemove(int(i), int(last));
            for (qsizetype k = i; k <= last; ++k) {
                m_fingerprints.remove(m_books.at(k).rawName);
            }
            m_books.remove(i, last - i + 1);
            emit removed();
            continue;
        }
        // fresh[j] and the books after it that come before m_books[i] are new.
        qsizetype last = j;
        while (last + 1 < fresh.size() &&
               (i == m_books.size() || before(fresh.at(last + 1), m_books.at(i)))) {
            ++last;
        }
        const qsizetype added = last - j + 1;
        emit aboutToInsert(int(i), int(i + added - 1));
        QList<LibraryBook> books;
        books.reserve(added);
        for (qsizetype k = j; k <= last; ++k) {
            LibraryBook book = std::move(fresh[k]);
            book.kind = BookKinds::kindOf(book.name);
            book.path = m_folder + book.name;
            if (!book.nameIsExact()) {
                book.path = RawNameAlias::pathFor(m_folder, book.rawName, book.name);
            }
            books.append(std::move(book));
        }
        m_books.insert(i, added, LibraryBook());
        std::move(books.begin(), books.end(), m_books.begin() + i);
        emit inserted();
        i += added;
        j = last + 1;
    }
    if (anyChange) {
        emit changed();
    }
}

void Library::setWatching(bool watching)
{
    if (watching == isWatching()) {
        return;
    }
    if (!watching) {
        delete m_watcher;
        m_watcher = nullptr;
        delete m_settle;
        m_settle = nullptr;
        return;
    }
    m_watcher = new QFileSystemWatcher(this);
    m_settle = new QTimer(this);
    m_settle->setSingleShot(true);
    m_settle->setInterval(SettleMilliseconds);
    connect(m_settle, &QTimer::timeout, this, &Library::refresh);
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, [this] {
        // The first change of a burst starts the wait; later ones do not put the reading off.
        if (!m_settle->isActive()) {
            m_settle->start();
        }
    });
    watchFolder();
}

void Library::watchFolder()
{
    const QString folder = QDir::cleanPath(m_folder);
    if (QFileInfo(folder).isDir()) {
        m_watcher->addPath(folder);
    }
}

qsizetype Library::extensionStart(const QString& name)
{
    return extensionOf(name, QLatin1Char('.'));
}

qsizetype Library::extensionStart(const QByteArray& name)
{
    return extensionOf(name, '.');
}

QString Library::numberedName(const QString& name, int n)
{
    if (n <= 1) {
        return name;
    }
    return numbered(name, QStringLiteral(" (%1)").arg(n), extensionStart(name));
}

QByteArray Library::numberedName(const QByteArray& name, int n)
{
    if (n <= 1) {
        return name;
    }
    return numbered(name, " (" + QByteArray::number(n) + ')', extensionStart(name));
}

QByteArray Library::freeName(const QByteArray& folder, const QByteArray& name)
{
    const QByteArray prefix = withSlash(folder);
    for (int n = 1; n < MostNumbers; ++n) {
        const QByteArray candidate = numberedName(name, n);
        if (!isTaken(prefix + candidate)) {
            return candidate;
        }
    }
    return {};
}

QString Library::freeName(const QString& folder, const QString& name)
{
    return QFile::decodeName(freeName(QFile::encodeName(folder), QFile::encodeName(name)));
}
