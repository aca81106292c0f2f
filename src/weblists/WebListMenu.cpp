#include "weblists/WebListMenu.h"

#include "views/MenuItems.h"
#include "platform/ErrorBox.h"
#include "resources/ImageList.h"
#include "weblists/WebListFile.h"

#include <QAction>
#include <QDirIterator>
#include <QMenu>

namespace {

// "Webリストを編集(&E)" and its separator.
constexpr int FixedItems = 2;

}  // namespace

TWebListMenu::TWebListMenu(QMenu* mnuWebList, const QList<QIcon>& images, QObject* parent)
    : QObject(parent), menu_(mnuWebList), images_(images) {}

QList<QAction*> TWebListMenu::items() const { return menu_->actions().mid(FixedItems); }

void TWebListMenu::EnumFiles(const QString& folder) {
    const QString dir = folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
    for (QAction* item : items()) {
        menu_->removeAction(item);
        delete item;
    }
    // Plain files only: a folder is not a list, and a pipe or device would hang the
    // reader. No name pattern: every file counts, with or without an extension.
    QDirIterator files(dir, QDir::Files | QDir::Hidden);
    int k = 0;
    while (files.hasNext()) {
        const QString name = files.nextFileInfo().fileName();
        QAction* item = AddMenuItem(menu_, QStringLiteral("&") + WebListDisplayName(name), k + FixedItems);
        item->setStatusTip(name);
        SetMenuItemImage(item, images_, ImageList::WebList);
        const QString path = dir + name;
        connect(item, &QAction::triggered, this, ErrorBox::guarded([this, path](bool) { emit OpenWebList(path); }));
        ++k;
    }
}
