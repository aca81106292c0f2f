#include "engines/chromium/ChromiumDownload.h"

#include "engines/chromium/ChromiumProcess.h"
#include "platform/FileNames.h"

#include <QFile>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

ChromiumDownload::ChromiumDownload(QString guid, QUrl url, QString suggestedName, QString stagedPath)
    : Download(std::move(url), std::move(suggestedName), QString(), -1),
      guid_(std::move(guid)),
      staged_(std::move(stagedPath)) {}

ChromiumDownload::~ChromiumDownload() {
    if (!over_) ChromiumProcess::instance().sendBrowser(QStringLiteral("Browser.cancelDownload"), {{QStringLiteral("guid"), guid_}});
    removeStaged();
}

void ChromiumDownload::progressed(qint64 received, qint64 total, const QString& state, const QString& filePath) {
    if (over_) return;
    reportProgress(received, total > 0 ? total : -1);
    if (state == QLatin1String("completed")) {
        over_ = true;
        complete_ = true;
        if (!filePath.isEmpty()) staged_ = filePath;
        if (isAccepted()) deliver();
    } else if (state == QLatin1String("canceled")) {
        over_ = true;
        removeStaged();
        reportFinished(false, QStringLiteral("転送が中断されました"));
    }
}

void ChromiumDownload::browserEnded() {
    if (over_) return;
    over_ = true;
    removeStaged();
    reportFinished(false, DownloadText::engineEnded());
}

void ChromiumDownload::start(const QString&) {
    if (complete_) deliver();
}

void ChromiumDownload::stop() {
    if (!over_) ChromiumProcess::instance().sendBrowser(QStringLiteral("Browser.cancelDownload"), {{QStringLiteral("guid"), guid_}});
    over_ = true;
    removeStaged();
}

void ChromiumDownload::deliver() {
    const QString why = moveFile(staged_, tempPath());
    if (why.isEmpty()) {
        staged_.clear();
        reportFinished(true, {});
    } else {
        removeStaged();
        reportFinished(false, why);
    }
}

void ChromiumDownload::removeStaged() {
    if (!staged_.isEmpty()) QFile::remove(staged_);
    staged_.clear();
}

QString ChromiumDownload::moveFile(const QString& from, const QString& to) {
    const std::string source = encodeFileName(from);
    const std::string target = encodeFileName(to);
    if (::rename(source.c_str(), target.c_str()) == 0) return {};
    if (errno != EXDEV) return QString::fromLocal8Bit(std::strerror(errno));
    // Another file system: copied whole and flushed before the original goes.
    const int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return QString::fromLocal8Bit(std::strerror(errno));
    const int out = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (out < 0) {
        const int error = errno;
        ::close(in);
        return QString::fromLocal8Bit(std::strerror(error));
    }
    char buffer[1 << 16];
    int error = 0;
    for (;;) {
        const ssize_t n = ::read(in, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) error = errno;
        if (n <= 0) break;
        for (ssize_t done = 0; done < n && !error;) {
            const ssize_t w = ::write(out, buffer + done, static_cast<std::size_t>(n - done));
            if (w < 0 && errno == EINTR) continue;
            if (w < 0) error = errno;
            else done += w;
        }
        if (error) break;
    }
    if (!error && ::fsync(out) != 0) error = errno;
    ::close(in);
    if (::close(out) != 0 && !error) error = errno;
    if (error) return QString::fromLocal8Bit(std::strerror(error));
    ::unlink(source.c_str());
    return {};
}
