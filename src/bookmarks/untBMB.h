#pragma once
// The bookmark store's two pictures in the main window: the items of the Bookmarks menu
// (folders as submenus) and the J bar tree. Both are rebuilt whenever the store changes;
// choosing a bookmark in either is reported, and the frame opens it.

#include "bookmarks/BookmarkStore.h"

#include <QIcon>
#include <QList>
#include <QObject>
#include <QString>

class BookmarkModel;
class QAction;
class QMenu;
class QTreeWidget;
class QTreeWidgetItem;

// What menu items and tree nodes carry besides their text.
namespace BookmarkData {
inline constexpr int ValueRole = 0x0100;       // Qt::UserRole: address or folder marker
inline constexpr int ImageIndexRole = 0x0101;  // image index (also the selected image)
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

// A tree node for an entry and, below it, for every entry of a folder: the J bar and
// the editor build their trees with it. A folder's value is the folder marker, a
// bookmark's its address.
QTreeWidgetItem* BookMarkSubTreeRead(const BookmarkStore::Entry& entry, const BookmarkImages& images);

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
    void BookMarkSubMenuRead(const BookmarkStore::Entry& entry, QAction* item);
    void BookMarkTreeRead();

    void iventMenuClick(QAction* sender);
    void TreeView1Change(QTreeWidgetItem* node);

signals:
    // The user chose a bookmark with this address.
    void BookmarkChosen(const QString& address);

private:
    QAction* addEntryItem(QAction* item, const BookmarkStore::Entry& entry);

    BookmarkModel& model_;
    QMenu* menu_;
    QTreeWidget* tree_;
    QList<QIcon> images_;
};
