#include "core/LibraryModel.h"

#include "core/Library.h"

#include <algorithm>
#include <utility>

namespace {
// The root's internal id; its children carry the other.
constexpr quintptr RootId = 0;
constexpr quintptr BookId = 1;
} // namespace

LibraryModel::LibraryModel(Library& library, QObject* parent)
    : QAbstractItemModel(parent), m_library(library)
{
    const auto moved = [this](int first) {
        m_firstMoved = m_firstMoved < 0 ? first : std::min(m_firstMoved, first);
    };
    connect(&library, &Library::aboutToRemove, this, [this, moved](int first, int last) {
        moved(first);
        beginRemoveRows(rootIndex(), first, last);
    });
    connect(&library, &Library::removed, this, [this] { endRemoveRows(); });
    connect(&library, &Library::aboutToInsert, this, [this, moved](int first, int last) {
        moved(first);
        beginInsertRows(rootIndex(), first, last);
    });
    connect(&library, &Library::inserted, this, [this] { endInsertRows(); });
    connect(&library, &Library::changed, this, [this] {
        // The books after the first change keep their names but not their keys.
        const int first = std::exchange(m_firstMoved, -1);
        if (first >= 0 && first < m_library.count()) {
            emit dataChanged(indexOfBook(first), indexOfBook(m_library.count() - 1), {KeyRole});
        }
    });
}

QModelIndex LibraryModel::rootIndex() const
{
    return createIndex(0, 0, RootId);
}

QModelIndex LibraryModel::indexOfBook(int book) const
{
    if (book < 0 || book >= m_library.count()) {
        return {};
    }
    return createIndex(book, 0, BookId);
}

bool LibraryModel::isRoot(const QModelIndex& index) const
{
    return index.isValid() && index.model() == this && index.internalId() == RootId;
}

int LibraryModel::bookAt(const QModelIndex& index) const
{
    if (!index.isValid() || index.model() != this || index.internalId() != BookId ||
        index.row() >= m_library.count()) {
        return -1;
    }
    return index.row();
}

QModelIndex LibraryModel::index(int row, int column, const QModelIndex& parent) const
{
    if (column != 0 || row < 0) {
        return {};
    }
    if (!parent.isValid()) {
        return row == 0 ? rootIndex() : QModelIndex();
    }
    return isRoot(parent) ? indexOfBook(row) : QModelIndex();
}

QModelIndex LibraryModel::parent(const QModelIndex& child) const
{
    return child.isValid() && child.internalId() == BookId ? rootIndex() : QModelIndex();
}

int LibraryModel::rowCount(const QModelIndex& parent) const
{
    if (!parent.isValid()) {
        return 1;
    }
    return isRoot(parent) ? m_library.count() : 0;
}

int LibraryModel::columnCount(const QModelIndex& parent) const
{
    Q_UNUSED(parent);
    return 1;
}

QVariant LibraryModel::data(const QModelIndex& index, int role) const
{
    if (isRoot(index)) {
        switch (role) {
        case Qt::DisplayRole:
            return QStringLiteral("Books");
        case KeyRole:
            return QStringLiteral("R");
        case PathRole:
            return m_library.folder() + QStringLiteral("Books");
        default:
            return {};
        }
    }
    const int book = bookAt(index);
    if (book < 0) {
        return {};
    }
    const LibraryBook& entry = m_library.at(book);
    switch (role) {
    case Qt::DisplayRole:
    // The tree is narrow: a long title is shown whole when the pointer rests on it.
    case Qt::ToolTipRole:
        return entry.name;
    case KeyRole:
        return QStringLiteral("C %1").arg(book + 1);
    case PathRole:
        return entry.path;
    case RawNameRole:
        return entry.rawName;
    default:
        return {};
    }
}

Qt::ItemFlags LibraryModel::flags(const QModelIndex& index) const
{
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (!isRoot(index)) {
        flags |= Qt::ItemNeverHasChildren;
    }
    return flags;
}
