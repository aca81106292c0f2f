#include "options/ShellNamespace.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringList>

namespace {

const QString kComputer = QStringLiteral("/");

QString home() { return QDir::cleanPath(QDir::homePath()); }

QString dataHome() { return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation); }
QString configHome() { return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation); }

std::optional<ShellItem> existingFolder(const QString& path) {
    if (path.isEmpty() || !QFileInfo(path).isDir()) return std::nullopt;
    return ShellItem::at(path);
}

// The desktop folder, also when user-dirs.dirs does not name one.
QString desktopDirectory() {
    const QString named = ShellNamespace::userDirectory(QStringLiteral("DESKTOP"));
    return named.isEmpty() ? home() + QStringLiteral("/Desktop") : named;
}

// Whether `path` is `ancestor` or stands below it.
bool within(const QString& ancestor, const QString& path) {
    if (ancestor == kComputer) return path.startsWith(kComputer);
    return path == ancestor || path.startsWith(ancestor + QLatin1Char('/'));
}

constexpr QDir::Filters kSubfolders = QDir::Dirs | QDir::NoDotAndDotDot;

// One value of user-dirs.dirs: "$HOME/yyy" or "/yyy", in double quotes, with backslash
// escapes.
QString userDirValue(const QString& raw) {
    QString text = raw.trimmed();
    if (text.size() < 2 || !text.startsWith(QLatin1Char('"')) || !text.endsWith(QLatin1Char('"'))) return {};
    text = text.mid(1, text.size() - 2);
    QString value;
    for (int i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('\\') && i + 1 < text.size()) ++i;
        value += text[i];
    }
    if (value.startsWith(QStringLiteral("$HOME")))
        value = home() + value.mid(5);
    else if (!value.startsWith(QLatin1Char('/')))
        return {};
    return QDir::cleanPath(value);
}

}  // namespace

ShellItem ShellItem::at(const QString& path) { return {Kind::FileSystem, QDir::cleanPath(path)}; }

namespace ShellNamespace {

QString userDirectory(const QString& name) {
    QFile file(configHome() + QStringLiteral("/user-dirs.dirs"));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return {};
    const QString key = QStringLiteral("XDG_%1_DIR").arg(name);
    QString found;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
        const QString trimmed = line.trimmed();
        if (trimmed.startsWith(QLatin1Char('#'))) continue;
        const qsizetype eq = trimmed.indexOf(QLatin1Char('='));
        if (eq <= 0 || trimmed.left(eq).trimmed() != key) continue;
        found = userDirValue(trimmed.mid(eq + 1));  // the last assignment wins, as in a shell
    }
    return found;
}

std::optional<ShellItem> specialFolder(int csidl) {
    switch (csidl) {
    case CSIDL_DESKTOP:
        return ShellItem::desktop();
    case CSIDL_DRIVES:
        return ShellItem::at(kComputer);
    case CSIDL_DESKTOPDIRECTORY:
        return existingFolder(desktopDirectory());
    case CSIDL_TEMPLATES: {
        // user-dirs.dirs turns a directory off by pointing it at the home folder.
        const QString templates = userDirectory(QStringLiteral("TEMPLATES"));
        if (templates == home()) return std::nullopt;
        return existingFolder(templates);
    }
    case CSIDL_PROGRAMS:
    case CSIDL_STARTMENU:
        return existingFolder(dataHome() + QStringLiteral("/applications"));
    case CSIDL_STARTUP:
        return existingFolder(configHome() + QStringLiteral("/autostart"));
    case CSIDL_RECENT:
        return existingFolder(dataHome() + QStringLiteral("/RecentDocuments"));
    case CSIDL_SENDTO:
        return existingFolder(dataHome() + QStringLiteral("/nautilus/scripts"));
    default:  // CSIDL_FAVORITES and everything this system has no folder for
        return std::nullopt;
    }
}

std::optional<ShellItem> parseDisplayName(const QString& name) {
    if (!QDir::isAbsolutePath(name) || !QFileInfo::exists(name)) return std::nullopt;
    return ShellItem::at(name);
}

bool isFolderOrHasSubfolders(const ShellItem& item) { return item.isDesktop() || QFileInfo(item.path).isDir(); }

QString pathOf(const ShellItem& item) { return item.isDesktop() ? QString() : item.path; }

bool isFileSystemFolder(const ShellItem& item) { return !item.isDesktop() && item.path != kComputer; }

QString displayName(const ShellItem& item) {
    if (item.isDesktop()) return QStringLiteral("デスクトップ");
    if (item.path == kComputer) return QStringLiteral("コンピュータ");
    if (item.path == home()) return QStringLiteral("ホーム");
    return QFileInfo(item.path).fileName();
}

std::vector<ShellItem> children(const ShellItem& item) {
    std::vector<ShellItem> result;
    if (item.isDesktop()) {
        const QString desktop = desktopDirectory();
        if (desktop != home() && QFileInfo(desktop).isDir()) result.push_back(ShellItem::at(desktop));
        if (QFileInfo(home()).isDir()) result.push_back(ShellItem::at(home()));
        result.push_back(ShellItem::at(kComputer));
        return result;
    }
    const QDir dir(item.path);
    const QStringList names = dir.entryList(kSubfolders, QDir::Name | QDir::IgnoreCase | QDir::LocaleAware);
    result.reserve(static_cast<std::size_t>(names.size()));
    for (const QString& name : names) result.push_back(ShellItem::at(dir.filePath(name)));
    return result;
}

bool hasSubfolders(const ShellItem& item) {
    if (item.isDesktop()) return true;
    return QDirIterator(item.path, kSubfolders).hasNext();
}

std::optional<std::vector<ShellItem>> pathBetween(const ShellItem& ancestor, const ShellItem& item) {
    if (item.isDesktop()) {
        if (ancestor.isDesktop()) return std::vector<ShellItem>{};
        return std::nullopt;
    }
    std::vector<ShellItem> steps;
    QString base;
    if (ancestor.isDesktop()) {
        // Through the first of the desktop's items that holds it: the desktop folder
        // before the home folder before the computer.
        for (const ShellItem& top : children(ancestor)) {
            if (!within(top.path, item.path)) continue;
            steps.push_back(top);
            base = top.path;
            break;
        }
        if (base.isEmpty()) return std::nullopt;
    } else {
        if (!within(ancestor.path, item.path)) return std::nullopt;
        base = ancestor.path;
    }
    if (item.path == base) return steps;
    const QString rest = base == kComputer ? item.path.mid(1) : item.path.mid(base.size() + 1);
    QString path = base == kComputer ? QString() : base;
    for (const QString& part : rest.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        path += QLatin1Char('/') + part;
        steps.push_back(ShellItem::at(path));
    }
    return steps;
}

}  // namespace ShellNamespace
