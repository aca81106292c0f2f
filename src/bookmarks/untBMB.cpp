#include "bookmarks/untBMB.h"

#include "bookmarks/BookmarkModel.h"
#include "platform/ErrorBox.h"
#include "resources/ImageList.h"
#include "views/MenuItems.h"

#include <QAction>
#include <QMenu>
#include <QSignalBlocker>
#include <QTreeWidget>

using BookmarkStore::Entry;

QTreeWidgetItem* NewBookmarkNode(const QString& text, int image, const QString& value, const QList<QIcon>& images) {
    auto* node = new QTreeWidgetItem(QStringList{text});
    node->setFlags(node->flags() | Qt::ItemIsEditable);
    node->setIcon(0, images.value(image));
    node->setData(0, BookmarkData::ImageIndexRole, image);
    node->setData(0, BookmarkData::ValueRole, value);
    return node;
}

QTreeWidgetItem* BookMarkSubTreeRead(const Entry& entry, const BookmarkImages& images) {
    QTreeWidgetItem* node =
        entry.folder ? NewBookmarkNode(entry.name, images.folder, BookmarkStore::folderMarker(), images.images)
                     : NewBookmarkNode(entry.name, images.page, entry.address, images.images);
    if (!entry.folder) return node;
    QList<QTreeWidgetItem*> children;
    children.reserve(static_cast<qsizetype>(entry.entries.size()));
    for (const Entry& child : entry.entries) children << BookMarkSubTreeRead(child, images);
    node->addChildren(children);
    return node;
}

QString MenuItemHint(const QAction* item) { return item->statusTip(); }

TBookmarkViews::TBookmarkViews(BookmarkModel& model, QMenu* menu, QTreeWidget* tree, const QList<QIcon>& images,
                               QObject* parent)
    : QObject(parent), model_(model), menu_(menu), tree_(tree), images_(images) {
    tree_->setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
    connect(&model_, &BookmarkModel::changed, this, [this] {
        BookMarkMenuRead();
        BookMarkTreeRead();
    });
    // The selection, not the keyboard focus mark: focusing the tree opens nothing.
    connect(tree_, &QTreeWidget::itemSelectionChanged, this,
            ErrorBox::guarded([this] { TreeView1Change(tree_->selectedItems().value(0)); }));
}

QAction* TBookmarkViews::addEntryItem(QAction* item, const Entry& entry) {
    const int image = entry.folder ? ImageList::Folder : ImageList::Bookmark;
    SetMenuItemImage(item, images_, image);
    if (!entry.folder) item->setStatusTip(entry.address);
    connect(item, &QAction::triggered, this, ErrorBox::guarded([this, item](bool) { iventMenuClick(item); }));
    return item;
}

void TBookmarkViews::BookMarkMenuRead() {
    const QList<QAction*> items = menu_->actions();
    for (qsizetype i = 2; i < items.size(); ++i) {
        menu_->removeAction(items[i]);
        delete items[i]->menu();
        delete items[i];
    }
    const std::vector<Entry>& entries = model_.entries();
    // Every entry, however many: the count is not cut to 8 bits.
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const Entry& entry = entries[i];
        QAction* item = addEntryItem(AddMenuItem(menu_, QStringLiteral("&") + entry.name, static_cast<int>(i) + 2), entry);
        BookMarkSubMenuRead(entry, item);
    }
}

void TBookmarkViews::BookMarkSubMenuRead(const Entry& entry, QAction* item) {
    if (!entry.folder) return;
    for (std::size_t k = 0; k < entry.entries.size(); ++k) {
        const Entry& child = entry.entries[k];
        QAction* sub = addEntryItem(AddMenuItem(item, QStringLiteral("&") + child.name, static_cast<int>(k)), child);
        BookMarkSubMenuRead(child, sub);
    }
}

void TBookmarkViews::BookMarkTreeRead() {
    {
        // Emptying the tree is the program's own change: it opens nothing.
        const QSignalBlocker quiet(tree_);
        tree_->clear();
    }
    const BookmarkImages images{images_, ImageList::Folder, ImageList::Bookmark};
    QList<QTreeWidgetItem*> nodes;
    nodes.reserve(static_cast<qsizetype>(model_.entries().size()));
    for (const Entry& entry : model_.entries()) nodes << BookMarkSubTreeRead(entry, images);
    tree_->addTopLevelItems(nodes);
}

void TBookmarkViews::iventMenuClick(QAction* sender) {
    const QString hint = MenuItemHint(sender);
    if (hint.isEmpty()) return;
    emit BookmarkChosen(hint);
}

void TBookmarkViews::TreeView1Change(QTreeWidgetItem* node) {
    if (!node) return;
    const QString value = node->data(0, BookmarkData::ValueRole).toString();
    if (value == BookmarkStore::folderMarker()) return;
    emit BookmarkChosen(value);
}
