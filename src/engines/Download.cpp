#include "engines/Download.h"

#include <utility>

Download::Download(QUrl url, QString suggestedName, QString mimeType, qint64 totalBytes)
    : url_(std::move(url)),
      suggestedName_(suggestedName.trimmed().isEmpty() ? QStringLiteral("download") : std::move(suggestedName)),
      mimeType_(std::move(mimeType)),
      totalBytes_(totalBytes < 0 ? -1 : totalBytes) {}

// Each engine stops, in its own destructor, a download of its that has not ended: a
// download nobody holds must not go on writing where nobody looks.
Download::~Download() = default;

void Download::accept(const QString& tempPath) {
    if (accepted_ || stopped_ || finished_) return;
    accepted_ = true;
    tempPath_ = tempPath;
    start(tempPath);
}

void Download::cancel() {
    if (stopped_ || finished_) return;
    stopped_ = true;
    stop();
    // An engine that stops without a word of its own still ends the download.
    reportFinished(false, DownloadText::cancelled());
}

void Download::reportProgress(qint64 received, qint64 total) {
    if (finished_) return;
    receivedBytes_ = received;
    if (total >= 0) totalBytes_ = total;
    emit progress(receivedBytes_, totalBytes_);
}

void Download::reportFinished(bool ok, const QString& message) {
    if (finished_) return;
    finished_ = true;
    emit finished(ok && !stopped_, stopped_ ? DownloadText::cancelled() : message);
}

namespace DownloadText {

QString cancelled() { return QStringLiteral("ダウンロードを中止しました"); }

QString engineEnded() { return QStringLiteral("ページを表示していたプロセスが終了したため、ダウンロードできませんでした"); }

}  // namespace DownloadText
