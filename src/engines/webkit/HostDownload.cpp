#include "engines/webkit/HostDownload.h"

#include "engines/webkit/WebKitHost.h"
#include "platform/FileNames.h"

HostDownload::HostDownload(std::int64_t id, QUrl url, QString suggestedName, QString mimeType, qint64 totalBytes)
    : Download(std::move(url), std::move(suggestedName), std::move(mimeType), totalBytes), id_(id) {}

HostDownload::~HostDownload() {
    WebKitHost::instance().forgetDownload(id_);
    if (!over_) WebKitHost::instance().send("downloadcancel", 0, {std::to_string(id_)});
}

void HostDownload::hostProgress(qint64 received, qint64 total) { reportProgress(received, total > 0 ? total : -1); }

void HostDownload::hostEnd(const std::string& result) {
    if (over_) return;
    over_ = true;
    if (result == "ok") {
        reportFinished(true, {});
        return;
    }
    reportFinished(false, QStringLiteral("転送が中断されました (%1)").arg(QString::fromUtf8(result.data(), static_cast<qsizetype>(result.size()))));
}

void HostDownload::hostEnded() {
    if (over_) return;
    over_ = true;
    reportFinished(false, DownloadText::engineEnded());
}

void HostDownload::start(const QString& tempPath) {
    if (over_) return;
    if (!WebKitHost::instance().send("downloadaccept", 0, {std::to_string(id_), encodeFileName(tempPath)})) hostEnded();
}

void HostDownload::stop() {
    if (over_) return;
    over_ = true;
    WebKitHost::instance().send("downloadcancel", 0, {std::to_string(id_)});
}
