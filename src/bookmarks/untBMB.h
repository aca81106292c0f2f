#pragma once
// The bookmark store's two pictures in the main window: the items of the Bookmarks menu
// (folders as submenus) and the J bar tree, and opening the bookmark the user chooses.

#include "bookmarks/BookmarkStore.h"

#include <QString>
#include <functional>

class QAction;
class QMenu;
class QObject;
class QTreeWidget;
class QTreeWidgetItem;
class TMainForm;

// What menu items and tree nodes carry besides their text.
namespace BookmarkData {
inline constexpr int ValueRole = 0x0100;       // Qt::UserRole: address or folder marker
inline constexpr int ImageIndexRole = 0x0101;  // image index (also the selected image)
inline constexpr char ImageIndexProperty[] = "imageIndex";
}  // namespace BookmarkData

// A visible, enabled menu item with this caption at `index` among the parent's items.
// An item given as parent becomes a submenu on its first sub-item. The web list menu
// uses this too.
QAction* AddMenuItem(QMenu* parent, const QString& caption, int index);
QAction* AddMenuItem(QAction* parent, const QString& caption, int index);

// The bookmark item's hint: its address, empty for a folder.
QString MenuItemHint(const QAction* item);

void BookMarkMenuRead(TMainForm& form);
void BookMarkSubMenuRead(TMainForm& form, const BookmarkStore::Entry& entry, QAction* item);
void BookMarkTreeRead(TMainForm& form);
void BookMarkSubTreeRead(TMainForm& form, const BookmarkStore::Entry& entry, QTreeWidgetItem* node);

void iventMenuClick(TMainForm& form, QAction* sender);
void TreeView1Change(TMainForm& form, QTreeWidget* sender, QTreeWidgetItem* node);

// Opens the address box's text: in a new view window when [Option_Window] BookMark
// says so (low 8 bits equal to 1) or when no view window is open, else in the active
// one.
void OpenAddressBoxText(TMainForm& form);

// The two ways a bookmark opens. They stand apart because they belong to the main
// window's view window handling; tests record them instead.
namespace BookmarkOpening {
using OpenNew = std::function<void(TMainForm& form, const QString& caption, const QString& address)>;
using NavigateActive = std::function<void(TMainForm& form, const QString& address)>;
void setHandlers(OpenNew openNew, NavigateActive navigateActive);
void openViewWindow(TMainForm& form, const QString& caption, const QString& address);
void navigateActiveViewWindow(TMainForm& form, const QString& address);
// What runs when no handler is set (BookmarkOpen.cpp).
void defaultOpenViewWindow(TMainForm& form, const QString& caption, const QString& address);
void defaultNavigateActiveViewWindow(TMainForm& form, const QString& address);
}  // namespace BookmarkOpening

// Connects the J bar's selection reports, the Bookmarks menu's editor item and the tab
// strip's "add bookmark" item. Called once while the main window is put together.
void ConnectBookmarkHandlers(TMainForm& form);
