#include "weblists/WebListMenu.h"

#include "platform/ErrorBox.h"
#include "platform/FileNames.h"
#include "resources/ImageList.h"
#include "views/MenuItems.h"
#include "weblists/WebListFile.h"

#include <QAction>
#include <QMenu>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

// "Webリストを編集(&E)" and its separator.
constexpr int FixedItems = 2;

// The names of the plain files directly in the folder (hidden ones too; a link counts
// as what it leads to), in the order the file system lists them. The names are read as
// bytes: one that is not UTF-8 is a list like any other.
QStringList plainFiles(const QString& dir) {
    QStringList names;
    DIR* folder = ::opendir(encodeFileName(dir).c_str());
    if (!folder) return names;
    const int fd = ::dirfd(folder);
    while (const dirent* entry = ::readdir(folder)) {
        const std::string_view name(entry->d_name);
        if (name == "." || name == "..") continue;
        struct stat st {};
        // A folder is not a list, and a pipe or device would hang the reader.
        if (::fstatat(fd, entry->d_name, &st, 0) == 0 && S_ISREG(st.st_mode)) names << decodeFileName(name);
    }
    ::closedir(folder);
    return names;
}

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
    // No name pattern: every file counts, with or without an extension.
    int k = 0;
    for (const QString& name : plainFiles(dir)) {
        const QString shown = displayFileName(name);
        QAction* item = AddMenuItem(menu_, QStringLiteral("&") + WebListDisplayName(shown), k + FixedItems);
        item->setStatusTip(shown);
        SetMenuItemImage(item, images_, ImageList::WebList);
        const QString path = dir + name;
        connect(item, &QAction::triggered, this, ErrorBox::guarded([this, path](bool) { emit OpenWebList(path); }));
        ++k;
    }
}
