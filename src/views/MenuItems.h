#pragma once
// Menu items the program adds at run time (the Bookmarks and Web list menus).

#include <QIcon>
#include <QList>
#include <QString>

class QAction;
class QMenu;

// A visible, enabled menu item with this caption at `index` among the parent's items
// (at the end when the index is past them).
QAction* AddMenuItem(QMenu* parent, const QString& caption, int index);
// The property that holds an item's image index.
inline constexpr char MenuItemImageProperty[] = "imageIndex";
// Gives the item the image at `index` of the image list, and remembers the index.
void SetMenuItemImage(QAction* item, const QList<QIcon>& images, int index);

// The same under an item, which becomes a submenu on its first sub-item.
QAction* AddMenuItem(QAction* parent, const QString& caption, int index);
