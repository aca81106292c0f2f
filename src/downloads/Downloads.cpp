#include "downloads/Downloads.h"

#include "downloads/DownloadDialogs.h"
#include "downloads/DownloadFile.h"
#include "downloads/DownloadWindow.h"
#include "engines/Download.h"

#include <QFileInfo>

Downloads::~Downloads() {
    // Windows the frame does not own (no parent) still go with the frame's downloads.
    for (const QPointer<DownloadWindow>& window : std::as_const(windows_))
        if (window && !window->parent()) delete window.data();
}

QList<DownloadWindow*> Downloads::windows() const {
    QList<DownloadWindow*> open;
    for (const QPointer<DownloadWindow>& window : windows_)
        if (window) open << window.data();
    return open;
}

int Downloads::running() const {
    int count = 0;
    for (const QPointer<DownloadWindow>& window : windows_)
        if (window && window->state() == DownloadWindow::State::Running) ++count;
    return count;
}

void Downloads::request(const std::shared_ptr<Download>& download, QWidget* parent) {
    if (download->isFinished()) return;
    const QString name = DownloadDialogs::safeFileName(download->suggestedName());
    QString endedMeanwhile;
    // The engine may end the download while the user decides: its engine ended, or the
    // site broke off. The watch lasts while the questions do.
    auto watch = std::make_unique<QObject>();
    connect(download.get(), &Download::finished, watch.get(),
            [&endedMeanwhile](bool, const QString& message) { endedMeanwhile = message; });
    const auto refused = [&](const QString& why) {
        watch.reset();
        download->cancel();
        emit statusText(DownloadText::failed(name, why));
    };
    {
        DownloadConfirm confirm(*download, parent);
        connect(download.get(), &Download::finished, &confirm, &QDialog::reject);
        if (confirm.exec() != QDialog::Accepted)
            return refused(endedMeanwhile.isEmpty() ? DownloadText::cancelled() : endedMeanwhile);
    }
    const QString target = DownloadDialogs::chooseTarget(parent, name);
    if (target.isEmpty() || !endedMeanwhile.isEmpty())
        return refused(endedMeanwhile.isEmpty() ? DownloadText::cancelled() : endedMeanwhile);
    watch.reset();

    std::unique_ptr<DownloadFile> file;
    try {
        // The save dialog asked before an existing file was chosen.
        file = std::make_unique<DownloadFile>(target, QFileInfo::exists(target));
    } catch (...) {
        download->cancel();
        throw;
    }
    const QString tempPath = file->tempPath();
    auto* window = new DownloadWindow(download, std::move(file), parent);
    windows_.removeAll(nullptr);
    windows_ << window;
    connect(window, &DownloadWindow::statusText, this, &Downloads::statusText);
    window->show();
    emit statusText(DownloadText::started(QFileInfo(target).fileName()));
    download->accept(tempPath);
}
