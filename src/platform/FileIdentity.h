#pragma once
// What tells one state of a file from another without reading it: device, inode, size
// and modification time to the nanosecond. A parsed copy of a user file is trusted while
// its file keeps the identity it had when it was read: a replacement (a new inode) or an
// edit in place (a new time or size) is seen at the next check.

#include <sys/stat.h>

struct FileIdentity {
    dev_t dev;
    ino_t ino;
    off_t size;
    struct timespec mtime;

    explicit FileIdentity(const struct stat& st) : dev(st.st_dev), ino(st.st_ino), size(st.st_size), mtime(st.st_mtim) {}
    bool operator==(const FileIdentity& o) const {
        return dev == o.dev && ino == o.ino && size == o.size && mtime.tv_sec == o.mtime.tv_sec &&
               mtime.tv_nsec == o.mtime.tv_nsec;
    }
};
