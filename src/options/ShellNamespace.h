#pragma once
// The folder namespace the folder picker browses, and the well-known shell folders
// (CSIDL) placed onto this system.
//
// The namespace has one virtual item, the desktop, at its top. It holds the user's
// desktop folder (when it exists), the home folder and the computer; the computer is
// the file system root and stands in for the drives. Every other item is a folder of
// the file system, identified by its absolute path.
//
// Where each well-known folder lives here:
//   CSIDL_DESKTOP            the desktop (the virtual top; it has no file-system path)
//   CSIDL_DRIVES             the computer, "/"
//   CSIDL_DESKTOPDIRECTORY   the XDG desktop directory (user-dirs.dirs, else ~/Desktop)
//   CSIDL_TEMPLATES          the XDG templates directory (only when user-dirs.dirs names one)
//   CSIDL_PROGRAMS           the user's application entries, $XDG_DATA_HOME/applications:
//   CSIDL_STARTMENU            the desktop's menu is built from them; there is no
//                              separate start menu folder above them, so both map here
//   CSIDL_STARTUP            the user's autostart folder, $XDG_CONFIG_HOME/autostart
//   CSIDL_RECENT             the recent-documents folder, $XDG_DATA_HOME/RecentDocuments
//   CSIDL_SENDTO             the file manager's scripts for a file's context menu,
//                              $XDG_DATA_HOME/nautilus/scripts
//   CSIDL_FAVORITES          none: browsers here keep their favourites in files, not in
//                              a folder of shortcuts, so the item never exists
// A folder that does not exist on disk is an item that does not exist.

#include <QString>
#include <optional>
#include <vector>

constexpr int CSIDL_DESKTOP = 0x00;
constexpr int CSIDL_PROGRAMS = 0x02;
constexpr int CSIDL_FAVORITES = 0x06;
constexpr int CSIDL_STARTUP = 0x07;
constexpr int CSIDL_RECENT = 0x08;
constexpr int CSIDL_SENDTO = 0x09;
constexpr int CSIDL_STARTMENU = 0x0B;
constexpr int CSIDL_DESKTOPDIRECTORY = 0x10;
constexpr int CSIDL_DRIVES = 0x11;
constexpr int CSIDL_TEMPLATES = 0x15;

// One item of the namespace: the desktop, or a file-system entry by its cleaned
// absolute path.
struct ShellItem {
    enum class Kind { Desktop, FileSystem };
    Kind kind = Kind::Desktop;
    QString path;

    static ShellItem desktop() { return {}; }
    static ShellItem at(const QString& path);
    bool isDesktop() const { return kind == Kind::Desktop; }
    bool operator==(const ShellItem&) const = default;
};

namespace ShellNamespace {

// The item of a well-known folder; nothing when this system has none.
std::optional<ShellItem> specialFolder(int csidl);

// A name typed by a user or stored in a setting: an absolute path of something that
// exists. Anything else does not resolve.
std::optional<ShellItem> parseDisplayName(const QString& name);

// The attributes the picker asks about: a folder, or an item with subfolders.
bool isFolderOrHasSubfolders(const ShellItem& item);

// The file-system path of an item, empty for the desktop.
QString pathOf(const ShellItem& item);

// Whether an item is a folder of the file system that the user can choose: the desktop
// is not, and neither is the computer, which stands for the drives below it.
bool isFileSystemFolder(const ShellItem& item);

// The name an item is shown under.
QString displayName(const ShellItem& item);

// The items directly below one, in the order they are shown. Hidden folders are left
// out; an unreadable folder has none.
std::vector<ShellItem> children(const ShellItem& item);
bool hasSubfolders(const ShellItem& item);

// The items from below `ancestor` down to `item` itself, in order; nothing when `item`
// does not stand below `ancestor` (or is it).
std::optional<std::vector<ShellItem>> pathBetween(const ShellItem& ancestor, const ShellItem& item);

// An XDG user directory ("DESKTOP", "TEMPLATES", ...) as user-dirs.dirs names it;
// empty when the file does not name it.
QString userDirectory(const QString& name);

}  // namespace ShellNamespace
