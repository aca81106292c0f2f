#include "downloads/DownloadFile.h"

#include "platform/Errors.h"
#include "platform/FileNames.h"

#include <QDir>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int MaxTries = 1000;

QString systemText(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

// Renames without ever replacing: false with errno EEXIST when `to` exists.
bool renameNoReplace(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return false;
    // A file system that cannot rename so: a hard link fails as surely on an existing name.
    if (::link(from.c_str(), to.c_str()) == 0) {
        ::unlink(from.c_str());
        return true;
    }
    if (errno == EEXIST) return false;
    // Nor link (FAT and the like): the last check and the rename are apart by a moment.
    if (::access(to.c_str(), F_OK) == 0) {
        errno = EEXIST;
        return false;
    }
    return ::rename(from.c_str(), to.c_str()) == 0;
}

// "name (n).ext" for the target "name.ext".
QString numbered(const QString& target, int n) {
    const QFileInfo info(target);
    const QString name = info.fileName();
    // The number goes before the whole extension ("a (2).tar.gz"); a name that is all
    // extension (".profile") takes it at the end.
    const qsizetype dot = name.indexOf(QLatin1Char('.'), 1);
    const QString numberedName = dot < 0 ? QStringLiteral("%1 (%2)").arg(name).arg(n)
                                         : QStringLiteral("%1 (%2)%3").arg(name.left(dot)).arg(n).arg(name.mid(dot));
    return info.dir().filePath(numberedName);
}

// The temporary name the engine writes to: "name.ext.part", or "name.ext.n.part" when that
// is taken.
QString tempName(const QString& target, int n) {
    return n <= 1 ? target + QStringLiteral(".part") : QStringLiteral("%1.%2.part").arg(target).arg(n);
}

}  // namespace

DownloadFile::DownloadFile(const QString& target, bool replaceAllowed)
    : target_(QFileInfo(target).absoluteFilePath()), replaceAllowed_(replaceAllowed) {
    for (int n = 1; n <= MaxTries; ++n) {
        const QString candidate = tempName(target_, n);
        const int fd = ::open(encodeFileName(candidate).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd >= 0) {
            ::close(fd);
            tempPath_ = candidate;
            return;
        }
        if (errno != EEXIST)
            throw TavixError(QStringLiteral("%1 に書き込めません (%2)").arg(QDir::toNativeSeparators(candidate), systemText(errno)));
    }
    throw EWriteError(QDir::toNativeSeparators(target_));
}

DownloadFile::~DownloadFile() {
    if (!committed_) discard();
}

void DownloadFile::discard() {
    if (committed_ || discarded_) return;
    discarded_ = true;
    ::unlink(encodeFileName(tempPath_).c_str());
}

QString DownloadFile::commit() {
    if (committed_) return finalPath_;
    if (discarded_) throw TavixError(QStringLiteral("%1 は既に削除されています").arg(QDir::toNativeSeparators(tempPath_)));
    const std::string from = encodeFileName(tempPath_);
    const auto fail = [&](const QString& to, int error) {
        return TavixError(QStringLiteral("%1 を保存できませんでした (%2)。\nダウンロードしたファイルは %3 にあります。")
                              .arg(QDir::toNativeSeparators(to), systemText(error), QDir::toNativeSeparators(tempPath_)));
    };
    if (replaceAllowed_) {
        if (::rename(from.c_str(), encodeFileName(target_).c_str()) != 0) throw fail(target_, errno);
        finalPath_ = target_;
    } else {
        for (int n = 1;; ++n) {
            const QString candidate = n == 1 ? target_ : numbered(target_, n);
            if (renameNoReplace(from, encodeFileName(candidate))) {
                finalPath_ = candidate;
                break;
            }
            if (errno != EEXIST || n >= MaxTries) throw fail(candidate, errno);
        }
    }
    committed_ = true;
    return finalPath_;
}
