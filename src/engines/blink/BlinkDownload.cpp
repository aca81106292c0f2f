#include "engines/blink/BlinkDownload.h"

#include <QFileInfo>
#include <QWebEngineDownloadRequest>

namespace Blink {

BlinkDownload::BlinkDownload(QWebEngineDownloadRequest* request)
    // The site's name, not the one the engine made unique in its own default folder.
    : Download(request->url(), request->suggestedFileName(), request->mimeType(), request->totalBytes()),
      request_(request) {
    // The profile deletes a request nobody accepted once its signal returns.
    connect(request, &QObject::destroyed, this, [this] { reportFinished(false, DownloadText::cancelled()); });
}

BlinkDownload::~BlinkDownload() {
    if (request_) {
        request_->disconnect(this);
        if (!isFinished()) request_->cancel();
    }
}

bool BlinkDownload::wanted(const QWebEngineDownloadRequest* request, const QWebEnginePage* page) {
    return request->page() == page && !request->isSavePageDownload() &&
           request->state() == QWebEngineDownloadRequest::DownloadRequested;
}

void BlinkDownload::start(const QString& tempPath) {
    if (!request_) return;
    const QFileInfo file(tempPath);
    request_->setDownloadDirectory(file.absolutePath());
    request_->setDownloadFileName(file.fileName());
    connect(request_, &QWebEngineDownloadRequest::receivedBytesChanged, this,
            [this] { reportProgress(request_->receivedBytes(), request_->totalBytes()); });
    connect(request_, &QWebEngineDownloadRequest::totalBytesChanged, this,
            [this] { reportProgress(request_->receivedBytes(), request_->totalBytes()); });
    connect(request_, &QWebEngineDownloadRequest::stateChanged, this, &BlinkDownload::stateChanged);
    request_->accept();
}

void BlinkDownload::stop() {
    if (request_) request_->cancel();
}

void BlinkDownload::stateChanged() {
    if (!request_) return;
    switch (request_->state()) {
    case QWebEngineDownloadRequest::DownloadCompleted:
        reportProgress(request_->receivedBytes(), request_->totalBytes());
        reportFinished(true, {});
        break;
    case QWebEngineDownloadRequest::DownloadCancelled: reportFinished(false, DownloadText::cancelled()); break;
    case QWebEngineDownloadRequest::DownloadInterrupted: {
        const QString reason = request_->interruptReasonString();
        // Chromium keeps what it had for a later resume; nothing will resume it.
        request_->cancel();
        reportFinished(false, reason.isEmpty() ? QStringLiteral("転送が中断されました") : reason);
        break;
    }
    default: break;
    }
}

}  // namespace Blink
