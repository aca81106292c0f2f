#include "views/MenuItems.h"

#include <QAction>
#include <QMenu>

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

void SetMenuItemImage(QAction* item, const QList<QIcon>& images, int index) {
    item->setIcon(images.value(index));
    item->setProperty(MenuItemImageProperty, index);
}

QAction* AddMenuItem(QAction* parent, const QString& caption, int index) {
    QMenu* submenu = parent->menu();
    if (!submenu) {
        // Items made here stand in a menu, which owns the submenu too.
        submenu = new QMenu(qobject_cast<QWidget*>(parent->parent()));
        parent->setMenu(submenu);
    }
    return AddMenuItem(submenu, caption, index);
}
