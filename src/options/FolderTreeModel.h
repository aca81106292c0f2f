#pragma once
// The folder tree of the folder picker: one top item (the root the picker was given)
// and the folders below it, read from disk when a branch is first opened.

#include "options/ShellNamespace.h"

#include <QAbstractItemModel>
#include <QIcon>
#include <memory>
#include <vector>

class FolderTreeModel : public QAbstractItemModel {
    Q_OBJECT
public:
    explicit FolderTreeModel(const ShellItem& root, QObject* parent = nullptr);
    ~FolderTreeModel() override;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

    QModelIndex rootIndex() const { return createIndex(0, 0, root_.get()); }
    const ShellItem* itemAt(const QModelIndex& index) const;
    // The row of an item at or below the root, reading the branches on the way; a
    // hidden folder on the way is added to its branch. Invalid when it is not there.
    QModelIndex locate(const ShellItem& item);

private:
    struct Node {
        ShellItem item;
        QString name;
        QIcon icon;
        Node* parent = nullptr;
        int row = 0;
        bool fetched = false;
        std::vector<std::unique_ptr<Node>> children;
    };

    std::unique_ptr<Node> makeNode(const ShellItem& item, Node* parent, int row) const;
    Node* nodeAt(const QModelIndex& index) const;
    QModelIndex indexOf(Node* node) const;
    void fetch(Node* node);

    std::unique_ptr<Node> root_;
};
