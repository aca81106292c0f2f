#include "engines/chromium/ChromiumDownload.h"

#include "engines/chromium/ChromiumProcess.h"

#include <QFile>

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
    // The frame made `to`, empty, to hold the name; a rename across file systems copies.
    QFile::remove(to);
    QFile file(from);
    return file.rename(to) ? QString() : file.errorString();
}
