#include "bookmarks/untBMB.h"

#include "bookmarks/BookmarkModel.h"
#include "platform/Bidi.h"
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
    if (!entry.folder) return NewBookmarkNode(entry.name, images.page, entry.address, images.images);
    QTreeWidgetItem* node = NewBookmarkNode(entry.name, images.folder, BookmarkStore::folderMarker(), images.images);
    if (!entry.entries.empty()) {
        node->setData(0, BookmarkData::PendingEntryRole, QVariant::fromValue(reinterpret_cast<quintptr>(&entry)));
        node->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    }
    return node;
}

const Entry* PendingEntry(const QTreeWidgetItem* node) {
    const QVariant pending = node->data(0, BookmarkData::PendingEntryRole);
    return pending.isValid() ? reinterpret_cast<const Entry*>(pending.value<quintptr>()) : nullptr;
}

void FillBookmarkNode(QTreeWidgetItem* node, const BookmarkImages& images) {
    const Entry* entry = PendingEntry(node);
    if (!entry) return;
    node->setData(0, BookmarkData::PendingEntryRole, QVariant());
    node->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
    QList<QTreeWidgetItem*> children;
    children.reserve(static_cast<qsizetype>(entry->entries.size()));
    for (const Entry& child : entry->entries) children << BookMarkSubTreeRead(child, images);
    node->addChildren(children);
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
    // Opened while the store is still being read, the menu waits for the reading rather
    // than show the store as if it had no bookmarks.
    connect(menu_, &QMenu::aboutToShow, this, ErrorBox::guarded([this] { model_.waitForLoad(); }));
    connect(tree_, &QTreeWidget::itemExpanded, this,
            ErrorBox::guarded([this](QTreeWidgetItem* node) { FillBookmarkNode(node, treeImages()); }));
    // The selection, not the keyboard focus mark: focusing the tree opens nothing.
    connect(tree_, &QTreeWidget::itemSelectionChanged, this,
            ErrorBox::guarded([this] { TreeView1Change(tree_->selectedItems().value(0)); }));
}

BookmarkImages TBookmarkViews::treeImages() const { return {images_, ImageList::Folder, ImageList::Bookmark}; }

QAction* TBookmarkViews::addEntryItem(QAction* item, const Entry& entry) {
    const int image = entry.folder ? ImageList::Folder : ImageList::Bookmark;
    SetMenuItemImage(item, images_, image);
    if (!entry.folder) item->setStatusTip(entry.address);
    connect(item, &QAction::triggered, this, ErrorBox::guarded([this, item](bool) { iventMenuClick(item); }));
    if (entry.folder && !entry.entries.empty()) {
        // The submenu exists (so the item shows as one) but gets its items only when it
        // is first about to show. Items made here stand in a menu, which owns the
        // submenu too.
        auto* submenu = new QMenu(qobject_cast<QWidget*>(item->parent()));
        item->setMenu(submenu);
        connect(submenu, &QMenu::aboutToShow, this, ErrorBox::guarded([this, item, entry = &entry] {
                    if (item->menu() && item->menu()->isEmpty()) BookMarkSubMenuRead(*entry, item);
                }));
    }
    return item;
}

void TBookmarkViews::BookMarkMenuRead() {
    const QList<QAction*> items = menu_->actions();
    for (qsizetype i = 2; i < items.size(); ++i) {
        menu_->removeAction(items[i]);
        delete items[i]->menu();
        delete items[i];
    }
    menuReading_ = model_.reading();
    const std::vector<Entry>& entries = menuReading_->entries;
    // Every entry, however many: the count is not cut to 8 bits.
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const Entry& entry = entries[i];
        addEntryItem(AddMenuItem(menu_, QStringLiteral("&") + onOneLine(entry.name), static_cast<int>(i) + 2), entry);
    }
}

void TBookmarkViews::BookMarkSubMenuRead(const Entry& entry, QAction* item) {
    if (!entry.folder) return;
    for (std::size_t k = 0; k < entry.entries.size(); ++k) {
        const Entry& child = entry.entries[k];
        addEntryItem(AddMenuItem(item, QStringLiteral("&") + onOneLine(child.name), static_cast<int>(k)), child);
    }
}

void TBookmarkViews::BookMarkTreeRead() {
    {
        // Emptying the tree is the program's own change: it opens nothing.
        const QSignalBlocker quiet(tree_);
        tree_->clear();
    }
    treeReading_ = model_.reading();
    const BookmarkImages images = treeImages();
    QList<QTreeWidgetItem*> nodes;
    nodes.reserve(static_cast<qsizetype>(treeReading_->entries.size()));
    for (const Entry& entry : treeReading_->entries) nodes << BookMarkSubTreeRead(entry, images);
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
