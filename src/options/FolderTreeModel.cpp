#include "options/FolderTreeModel.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QStyle>
#include <algorithm>

namespace {

QIcon iconFor(const ShellItem& item) {
    QStyle* style = QApplication::style();
    if (item.isDesktop()) return style->standardIcon(QStyle::SP_DesktopIcon);
    if (item.path == QLatin1String("/")) return style->standardIcon(QStyle::SP_ComputerIcon);
    if (item.path == QDir::cleanPath(QDir::homePath())) return style->standardIcon(QStyle::SP_DirHomeIcon);
    return style->standardIcon(QStyle::SP_DirIcon);
}

}  // namespace

FolderTreeModel::FolderTreeModel(const ShellItem& root, QObject* parent)
    : QAbstractItemModel(parent), root_(makeNode(root, nullptr, 0)) {}

FolderTreeModel::~FolderTreeModel() = default;

std::unique_ptr<FolderTreeModel::Node> FolderTreeModel::makeNode(const ShellItem& item, Node* parent, int row) const {
    auto node = std::make_unique<Node>();
    node->item = item;
    node->name = ShellNamespace::displayName(item);
    node->icon = iconFor(item);
    node->parent = parent;
    node->row = row;
    return node;
}

FolderTreeModel::Node* FolderTreeModel::nodeAt(const QModelIndex& index) const {
    return index.isValid() ? static_cast<Node*>(index.internalPointer()) : nullptr;
}

QModelIndex FolderTreeModel::indexOf(Node* node) const { return node ? createIndex(node->row, 0, node) : QModelIndex(); }

const ShellItem* FolderTreeModel::itemAt(const QModelIndex& index) const {
    const Node* node = nodeAt(index);
    return node ? &node->item : nullptr;
}

QModelIndex FolderTreeModel::index(int row, int column, const QModelIndex& parent) const {
    if (column != 0 || row < 0) return {};
    if (!parent.isValid()) return row == 0 ? rootIndex() : QModelIndex();
    const Node* node = nodeAt(parent);
    if (row >= static_cast<int>(node->children.size())) return {};
    return indexOf(node->children[static_cast<std::size_t>(row)].get());
}

QModelIndex FolderTreeModel::parent(const QModelIndex& child) const {
    const Node* node = nodeAt(child);
    return node ? indexOf(node->parent) : QModelIndex();
}

int FolderTreeModel::rowCount(const QModelIndex& parent) const {
    if (!parent.isValid()) return 1;
    return static_cast<int>(nodeAt(parent)->children.size());
}

int FolderTreeModel::columnCount(const QModelIndex&) const { return 1; }

QVariant FolderTreeModel::data(const QModelIndex& index, int role) const {
    const Node* node = nodeAt(index);
    if (!node) return {};
    if (role == Qt::DisplayRole) return node->name;
    if (role == Qt::ToolTipRole && !node->item.isDesktop()) return node->item.path;
    if (role == Qt::DecorationRole) return node->icon;
    return {};
}

bool FolderTreeModel::hasChildren(const QModelIndex& parent) const {
    if (!parent.isValid()) return true;
    const Node* node = nodeAt(parent);
    return node->fetched ? !node->children.empty() : ShellNamespace::hasSubfolders(node->item);
}

bool FolderTreeModel::canFetchMore(const QModelIndex& parent) const {
    const Node* node = nodeAt(parent);
    return node && !node->fetched;
}

void FolderTreeModel::fetchMore(const QModelIndex& parent) {
    if (Node* node = nodeAt(parent)) fetch(node);
}

void FolderTreeModel::fetch(Node* node) {
    if (node->fetched) return;
    node->fetched = true;
    const std::vector<ShellItem> items = ShellNamespace::children(node->item);
    if (items.empty()) return;
    beginInsertRows(indexOf(node), 0, static_cast<int>(items.size()) - 1);
    for (const ShellItem& item : items)
        node->children.push_back(makeNode(item, node, static_cast<int>(node->children.size())));
    endInsertRows();
}

QModelIndex FolderTreeModel::locate(const ShellItem& item) {
    const auto steps = ShellNamespace::pathBetween(root_->item, item);
    if (!steps) return {};
    Node* node = root_.get();
    for (const ShellItem& step : *steps) {
        fetch(node);
        auto& list = node->children;
        auto found = std::find_if(list.begin(), list.end(), [&](const auto& child) { return child->item == step; });
        if (found == list.end()) {
            // Hidden folders are not listed, but one can still be asked for by name.
            if (!QFileInfo(step.path).isDir()) return {};
            const QString name = ShellNamespace::displayName(step);
            found = std::find_if(list.begin(), list.end(), [&](const auto& child) {
                return QString::localeAwareCompare(child->name.toLower(), name.toLower()) > 0;
            });
            const int row = static_cast<int>(found - list.begin());
            beginInsertRows(indexOf(node), row, row);
            found = list.insert(found, makeNode(step, node, row));
            for (auto it = found + 1; it != list.end(); ++it) ++(*it)->row;
            endInsertRows();
        }
        node = found->get();
    }
    return indexOf(node);
}
