#include "bookmarks/untBMB.h"

#include "app/Main.h"
#include "bookmarks/BookMark.h"
#include "platform/ErrorBox.h"
#include "settings/Settings.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QSignalBlocker>
#include <QTreeWidget>

using BookmarkStore::Entry;

namespace {

constexpr int FolderImage = 11;
constexpr int BookmarkImage = 12;

void setImage(TMainForm& form, QAction* item, int index) {
    item->setIcon(form.ImageList1.value(index));
    item->setProperty(BookmarkData::ImageIndexProperty, index);
}

void setImage(TMainForm& form, QTreeWidgetItem* node, int index) {
    node->setIcon(0, form.ImageList1.value(index));
    node->setData(0, BookmarkData::ImageIndexRole, index);
}

// One item for one entry, whatever its level.
QAction* addEntryItem(TMainForm& form, QAction* item, const Entry& entry) {
    setImage(form, item, FolderImage);
    if (!entry.folder) {
        item->setStatusTip(entry.address);
        setImage(form, item, BookmarkImage);
    }
    QObject::connect(item, &QAction::triggered, &form,
                     ErrorBox::guarded([&form, item](bool) { iventMenuClick(form, item); }));
    return item;
}

QTreeWidgetItem* newNode(TMainForm& form, const Entry& entry) {
    auto* node = new QTreeWidgetItem(QStringList{entry.name});
    // In-place editing changes only what is shown; nothing writes it back.
    node->setFlags(node->flags() | Qt::ItemIsEditable);
    setImage(form, node, FolderImage);
    if (!entry.folder) {
        node->setData(0, BookmarkData::ValueRole, entry.address);
        setImage(form, node, BookmarkImage);
    } else {
        node->setData(0, BookmarkData::ValueRole, BookmarkStore::folderMarker());
    }
    return node;
}

BookmarkStore::ReadResult readStore(TMainForm& form) { return BookmarkStore::readAndReport(form.AppPath); }

BookmarkOpening::OpenNew& openNewHandler() {
    static BookmarkOpening::OpenNew handler;
    return handler;
}

BookmarkOpening::NavigateActive& navigateHandler() {
    static BookmarkOpening::NavigateActive handler;
    return handler;
}

}  // namespace

QAction* AddMenuItem(QMenu* parent, const QString& caption, int index) {
    // Parented to the menu it stands in, so that discarding a folder's item discards its
    // whole submenu with it.
    auto* item = new QAction(caption, parent);
    item->setVisible(true);
    item->setEnabled(true);
    const QList<QAction*> items = parent->actions();
    parent->insertAction(index >= 0 && index < items.size() ? items[index] : nullptr, item);
    return item;
}

QAction* AddMenuItem(QAction* parent, const QString& caption, int index) {
    QMenu* submenu = parent->menu();
    if (!submenu) {
        auto* owner = qobject_cast<QWidget*>(parent->parent());
        submenu = new QMenu(owner ? owner : MainForm);
        parent->setMenu(submenu);
    }
    return AddMenuItem(submenu, caption, index);
}

QString MenuItemHint(const QAction* item) { return item->statusTip(); }

void BookMarkMenuRead(TMainForm& form) {
    QMenu* menu = form.mnuBookMark;
    const QList<QAction*> items = menu->actions();
    for (qsizetype i = 2; i < items.size(); ++i) {
        menu->removeAction(items[i]);
        delete items[i]->menu();
        delete items[i];
    }
    const BookmarkStore::ReadResult store = readStore(form);
    // Every entry, however many: the count is not cut to 8 bits.
    for (std::size_t i = 0; i < store.entries.size(); ++i) {
        const Entry& entry = store.entries[i];
        QAction* item = addEntryItem(form, AddMenuItem(menu, QStringLiteral("&") + entry.name, static_cast<int>(i) + 2), entry);
        BookMarkSubMenuRead(form, entry, item);
    }
}

void BookMarkSubMenuRead(TMainForm& form, const Entry& entry, QAction* item) {
    if (!entry.folder) return;
    for (std::size_t k = 0; k < entry.entries.size(); ++k) {
        const Entry& child = entry.entries[k];
        QAction* sub = addEntryItem(form, AddMenuItem(item, QStringLiteral("&") + child.name, static_cast<int>(k)), child);
        BookMarkSubMenuRead(form, child, sub);
    }
}

void BookMarkTreeRead(TMainForm& form) {
    QTreeWidget* tree = form.TreeView1;
    tree->setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
    {
        // Emptying the tree is the program's own change: it opens nothing.
        const QSignalBlocker quiet(tree);
        tree->clear();
    }
    const BookmarkStore::ReadResult store = readStore(form);
    QList<QTreeWidgetItem*> nodes;
    nodes.reserve(static_cast<qsizetype>(store.entries.size()));
    for (const Entry& entry : store.entries) {
        QTreeWidgetItem* node = newNode(form, entry);
        BookMarkSubTreeRead(form, entry, node);
        nodes << node;
    }
    tree->addTopLevelItems(nodes);
}

void BookMarkSubTreeRead(TMainForm& form, const Entry& entry, QTreeWidgetItem* node) {
    if (!entry.folder) return;
    for (const Entry& child : entry.entries) {
        QTreeWidgetItem* sub = newNode(form, child);
        node->addChild(sub);
        BookMarkSubTreeRead(form, child, sub);
    }
}

void iventMenuClick(TMainForm& form, QAction* sender) {
    const QString hint = MenuItemHint(sender);
    if (hint.isEmpty()) return;
    form.txtAddress->setText(hint);
    OpenAddressBoxText(form);
}

void TreeView1Change(TMainForm& form, QTreeWidget*, QTreeWidgetItem* node) {
    if (!node) return;
    const QString value = node->data(0, BookmarkData::ValueRole).toString();
    if (value == BookmarkStore::folderMarker()) return;
    form.txtAddress->setText(value);
    OpenAddressBoxText(form);
}

void OpenAddressBoxText(TMainForm& form) {
    int choice = Settings(form.configPath()).ReadInteger(Keys::BookMark) & 0xFF;
    if (form.MDIChildren().isEmpty()) choice = 1;
    const QString address = form.txtAddress->text();
    if (choice == 1) BookmarkOpening::openViewWindow(form, QString(), address);
    else BookmarkOpening::navigateActiveViewWindow(form, address);
}

namespace BookmarkOpening {

void setHandlers(OpenNew openNew, NavigateActive navigateActive) {
    openNewHandler() = std::move(openNew);
    navigateHandler() = std::move(navigateActive);
}

void openViewWindow(TMainForm& form, const QString& caption, const QString& address) {
    if (openNewHandler()) openNewHandler()(form, caption, address);
    else defaultOpenViewWindow(form, caption, address);
}

void navigateActiveViewWindow(TMainForm& form, const QString& address) {
    if (navigateHandler()) navigateHandler()(form, address);
    else defaultNavigateActiveViewWindow(form, address);
}

}  // namespace BookmarkOpening

void ConnectBookmarkHandlers(TMainForm& form) {
    QTreeWidget* tree = form.TreeView1;
    // The selection, not the keyboard focus mark: focusing the tree opens nothing.
    QObject::connect(tree, &QTreeWidget::itemSelectionChanged, &form, ErrorBox::guarded([&form, tree] {
                         const QList<QTreeWidgetItem*> selected = tree->selectedItems();
                         TreeView1Change(form, tree, selected.value(0));
                     }));
    QObject::connect(form.mnuBMEdit, &QAction::triggered, &form,
                     ErrorBox::guarded([&form](bool) { mnuBMEditClick(form.mnuBMEdit); }));
    QObject::connect(form.popAddBookMark, &QAction::triggered, &form,
                     ErrorBox::guarded([&form](bool) { mnuBMEditClick(form.popAddBookMark); }));
}
