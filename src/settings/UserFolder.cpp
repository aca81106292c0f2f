#include "settings/UserFolder.h"

#include "platform/Errors.h"
#include "platform/FileNames.h"
#include "settings/CloseUrlList.h"

#include <QDir>
#include <QStandardPaths>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

QString withSlash(QString folder) {
    if (!folder.endsWith(u'/')) folder += u'/';
    return folder;
}

bool inSystemHierarchy(const QString& folder) {
    const QString canonical = withSlash(QDir(folder).canonicalPath());
    for (const char* root : {"/usr/", "/bin/", "/sbin/", "/opt/"})
        if (canonical.startsWith(QLatin1String(root))) return true;
    return false;
}

bool bitsAllowWriting(const struct stat& st) {
    const uid_t uid = ::geteuid();
    if (st.st_uid == uid) return st.st_mode & S_IWUSR;
    bool inGroup = st.st_gid == ::getegid();
    if (!inGroup) {
        const int n = ::getgroups(0, nullptr);
        std::vector<gid_t> groups(n > 0 ? n : 0);
        if (n > 0 && ::getgroups(n, groups.data()) == n)
            for (gid_t g : groups) inGroup = inGroup || g == st.st_gid;
    }
    return st.st_mode & (inGroup ? S_IWGRP : S_IWOTH);
}

// A file made and removed at once: whatever the bits say, only this tells a read-only
// mount or a denying ACL.
bool probeWriting(const std::string& folder) {
    std::string name = folder + "/.tavix-probe-XXXXXX";
    const int fd = ::mkstemp(name.data());
    if (fd < 0) return false;
    ::close(fd);
    ::unlink(name.c_str());
    return true;
}

}  // namespace

bool programFolderWritable(const QString& programFolder) {
    const std::string name = encodeFileName(programFolder);
    struct stat st {};
    if (::stat(name.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
    return !inSystemHierarchy(programFolder) && bitsAllowWriting(st) && probeWriting(name);
}

QString userFilesFolder(const QString& programFolder) {
    if (programFolderWritable(programFolder)) return withSlash(programFolder);
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (data.isEmpty() || !QDir().mkpath(data)) throw EWriteError(data);
    const QString folder = withSlash(data);
    // The popup filter and the options window read CloseURL.txt and fail without it;
    // the web list editor's dialogs start in WebList. A program folder comes with both.
    CloseUrlList(folder).createIfMissing();
    const QString webLists = folder + QStringLiteral("WebList");
    if (!QDir().mkpath(webLists)) throw EWriteError(webLists);
    return folder;
}
