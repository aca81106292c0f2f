// The frame's part in downloads: every view's request goes to the one list of downloads,
// and what the list says of them goes to the status bar, whichever page is in front.

#include "app/Main.h"
#include "downloads/Downloads.h"
#include "platform/ErrorBox.h"

#include <QLabel>
#include <QMessageBox>

Downloads* TMainForm::DownloadList() {
    if (!downloads_) {
        downloads_ = new Downloads(this);
        connect(downloads_, &Downloads::statusText, this,
                ErrorBox::guarded([this](const QString& text) { ui.StatusBar1->setText(text); }));
    }
    return downloads_;
}

void TMainForm::ViewDownloadRequest(const std::shared_ptr<Download>& download) {
    DownloadList()->request(download, this);
}

bool TMainForm::MayCloseWithDownloads() {
    const int running = downloads_ ? downloads_->running() : 0;
    if (running == 0) return true;
    return QMessageBox::question(this, windowTitle(),
                                 QStringLiteral("ダウンロード中のファイルが %1 個あります。\n"
                                                "終了すると、これらのダウンロードは中止されます。終了しますか?")
                                     .arg(running),
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}
