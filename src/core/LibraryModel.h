#pragma once

#include <QAbstractItemModel>

class Library;

// The library as the tree shows it: the root "Books" (key "R") with one child per book (keys
// "C 1", "C 2", ... in the library's order). It follows the library as it changes.
class LibraryModel : public QAbstractItemModel
{
    Q_OBJECT
public:
    enum Role
    {
        KeyRole = Qt::UserRole + 1,
        // The path that reaches the node's file; the root's is the books folder + "Books".
        PathRole,
        // The book's file name's bytes on the disk.
        RawNameRole
    };

    explicit LibraryModel(Library& library, QObject* parent = nullptr);

    Library& library() const { return m_library; }
    QModelIndex rootIndex() const;
    QModelIndex indexOfBook(int book) const;
    bool isRoot(const QModelIndex& index) const;
    // The library's book at index; -1 for the root and for no index at all.
    int bookAt(const QModelIndex& index) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    Library& m_library;
    // The first row whose key moved during the library's refresh under way.
    int m_firstMoved = -1;
};
