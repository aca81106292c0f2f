#pragma once
// The bookmark store's two pictures in the main window: the items of the Bookmarks menu
// (folders as submenus) and the J bar tree. Both are rebuilt whenever the store changes;
// choosing a bookmark in either is reported, and the frame opens it.
//
// Both are built as they are opened: a rebuild makes the top level only, a folder's
// submenu gets its items when it is first about to show, and a folder's tree node its
// children when it is first expanded. What the user sees is the same as with everything
// built at once; start-up costs the top level, whatever the size and depth of the store.
// While the model is still reading the store the tree stays empty (and fills when the
// reading arrives), and the menu, if opened, waits for the reading.

#include "bookmarks/BookmarkModel.h"
#include "bookmarks/BookmarkStore.h"

#include <QIcon>
#include <QList>
#include <QObject>
#include <QString>

class QAction;
class QMenu;
class QTreeWidget;
class QTreeWidgetItem;

// What menu items and tree nodes carry besides their text.
namespace BookmarkData {
inline constexpr int ValueRole = 0x0100;       // Qt::UserRole: address or folder marker
inline constexpr int ImageIndexRole = 0x0101;  // image index (also the selected image)
// A folder node whose children are not made yet: the address of its entry, which the
// owner of the tree keeps alive (see BookmarkModel::Reading).
inline constexpr int PendingEntryRole = 0x0102;
}  // namespace BookmarkData

// The images a tree of bookmarks is drawn with, by index into `images`.
struct BookmarkImages {
    QList<QIcon> images;
    int folder = 0;
    int page = 1;
};

// One tree node. Nodes are editable in place, which changes only what is shown in the
// J bar; the editor writes its tree back.
QTreeWidgetItem* NewBookmarkNode(const QString& text, int image, const QString& value, const QList<QIcon>& images);

// A tree node for an entry: the J bar and the editor build their trees with it. A
// folder's value is the folder marker, a bookmark's its address. A folder's children
// are made when it is first filled (FillBookmarkNode); until then it shows the expand
// mark and points at its entry, which must outlive the node's pending state.
QTreeWidgetItem* BookMarkSubTreeRead(const BookmarkStore::Entry& entry, const BookmarkImages& images);

// The entry whose children the node has yet to get, or null.
const BookmarkStore::Entry* PendingEntry(const QTreeWidgetItem* node);
// Gives a pending folder node its children (each pending in turn); does nothing for
// any other node. Trees connect their expansion to it, and whatever looks at a node's
// children first calls it.
void FillBookmarkNode(QTreeWidgetItem* node, const BookmarkImages& images);

// The bookmark item's hint: its address, empty for a folder.
QString MenuItemHint(const QAction* item);

class TBookmarkViews : public QObject {
    Q_OBJECT
public:
    // menu: the Bookmarks menu, whose first two items (the editor item and a separator)
    // stay; tree: the J bar tree; images: the frame's image list.
    TBookmarkViews(BookmarkModel& model, QMenu* menu, QTreeWidget* tree, const QList<QIcon>& images,
                   QObject* parent = nullptr);

    void BookMarkMenuRead();
    // Fills the submenu of a folder's item with the folder's entries; runs when the
    // submenu is first about to show.
    void BookMarkSubMenuRead(const BookmarkStore::Entry& entry, QAction* item);
    void BookMarkTreeRead();

    void iventMenuClick(QAction* sender);
    void TreeView1Change(QTreeWidgetItem* node);

signals:
    // The user chose a bookmark with this address.
    void BookmarkChosen(const QString& address);

private:
    QAction* addEntryItem(QAction* item, const BookmarkStore::Entry& entry);
    BookmarkImages treeImages() const;

    BookmarkModel& model_;
    // The readings the menu and the tree were built from: their pending folders point
    // into them.
    BookmarkModel::Reading menuReading_;
    BookmarkModel::Reading treeReading_;
    QMenu* menu_;
    QTreeWidget* tree_;
    QList<QIcon> images_;
};
