#include "platform/AtomicFile.h"

#include "platform/Errors.h"
#include "platform/FileNames.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace AtomicFile {
namespace {

std::string native(const QString& path) { return encodeFileName(path); }

// Follows a symbolic link so that the link itself survives the replacement.
std::string resolveTarget(const std::string& path) {
    char buffer[PATH_MAX];
    std::string current = path;
    for (int hops = 0; hops < 16; ++hops) {
        const ssize_t n = ::readlink(current.c_str(), buffer, sizeof buffer - 1);
        if (n < 0) break;
        std::string target(buffer, static_cast<std::size_t>(n));
        if (target.empty() || target[0] != '/') {
            const auto slash = current.rfind('/');
            target = (slash == std::string::npos ? std::string() : current.substr(0, slash + 1)) + target;
        }
        current = target;
    }
    return current;
}

bool writeAll(int fd, std::string_view bytes) {
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

void write(const QString& path, std::string_view bytes) {
    const std::string target = resolveTarget(native(path));
    struct stat old {};
    const bool existed = ::stat(target.c_str(), &old) == 0;
    if (existed) {
        // A read-only file stays untouched, also for a user whom the system would let
        // replace it (root): the mark is the owner's wish.
        if (!S_ISREG(old.st_mode) || (old.st_mode & 0222) == 0 || ::access(target.c_str(), W_OK) != 0)
            throw EWriteError(path);
    }
    const auto slash = target.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : target.substr(0, slash);
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    std::string temp = dir + "/." + base + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) throw EWriteError(path);
    mode_t mode = 0666;
    if (existed) {
        mode = old.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode &= ~mask;
    }
    const bool ok = writeAll(fd, bytes) && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
    if (::close(fd) != 0 || !ok || ::rename(temp.c_str(), target.c_str()) != 0) {
        ::unlink(temp.c_str());
        throw EWriteError(path);
    }
    // Make the rename itself durable.
    const int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
}

int openForReading(const QString& path) {
    const std::string name = native(path);
    // O_NONBLOCK: opening a pipe for reading would otherwise wait for a writer.
    const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR) return -1;
        throw EFOpenError(path, QString::fromLocal8Bit(std::strerror(errno)));
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        // A folder is refused for what the system says of reading one.
        if (S_ISDIR(st.st_mode)) throw EFOpenError(path, QString::fromLocal8Bit(std::strerror(EISDIR)));
        throw EFOpenError(path, QStringLiteral("通常のファイルではありません"));
    }
    return fd;
}

std::optional<std::string> readIfExists(const QString& path) {
    const int fd = openForReading(path);
    if (fd < 0) return std::nullopt;
    std::string data;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            const int err = errno;
            ::close(fd);
            throw EFOpenError(path, QString::fromLocal8Bit(std::strerror(err)));
        }
        if (n == 0) break;
        data.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return data;
}

std::string read(const QString& path) {
    auto data = readIfExists(path);
    if (!data) throw EFOpenError(path, QString::fromLocal8Bit(std::strerror(ENOENT)));
    return std::move(*data);
}

bool exists(const QString& path) {
    struct stat st {};
    return ::stat(native(path).c_str(), &st) == 0;
}

}  // namespace AtomicFile
