#include "downloads/DownloadWindow.h"

#include "downloads/DownloadDialogs.h"
#include "downloads/DownloadFile.h"
#include "engines/Download.h"
#include "platform/Errors.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

namespace {

// The rate is taken over this much of the recent past: steady, yet following a change.
constexpr qint64 RateWindowMs = 3000;

QLabel* plainLabel(const QString& text = {}) {
    auto* label = new QLabel(text);
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

}  // namespace

namespace DownloadText {

QString started(const QString& name) { return QStringLiteral("%1 のダウンロードを開始しました").arg(name); }

QString saved(const QString& name, const QString& path) {
    return QStringLiteral("%1 のダウンロードが完了しました (%2)").arg(name, QDir::toNativeSeparators(path));
}

QString failed(const QString& name, const QString& reason) {
    return reason == cancelled() ? QStringLiteral("%1 のダウンロードを中止しました").arg(name)
                                 : QStringLiteral("%1 をダウンロードできませんでした: %2").arg(name, reason);
}

}  // namespace DownloadText

DownloadWindow::DownloadWindow(std::shared_ptr<Download> download, std::unique_ptr<DownloadFile> file, QWidget* parent)
    : QDialog(parent), download_(std::move(download)), file_(std::move(file)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("downloadWindow"));
    name_ = QFileInfo(file_->target()).fileName();
    setWindowTitle(QStringLiteral("0% - %1 をダウンロードしています").arg(name_));

    auto* layout = new QVBoxLayout(this);
    heading_ = plainLabel(QStringLiteral("%1 をダウンロードしています").arg(name_));
    layout->addWidget(heading_);
    layout->addWidget(plainLabel(QStringLiteral("発信元: %1").arg(DownloadDialogs::siteText(download_->url()))));
    bar_ = new QProgressBar;
    bar_->setRange(0, 0);
    layout->addWidget(bar_);
    auto* form = new QFormLayout;
    bytes_ = plainLabel();
    rate_ = plainLabel();
    left_ = plainLabel();
    where_ = plainLabel(QDir::toNativeSeparators(file_->target()));
    form->addRow(QStringLiteral("受信済み:"), bytes_);
    form->addRow(QStringLiteral("転送速度:"), rate_);
    form->addRow(QStringLiteral("残り時間:"), left_);
    form->addRow(QStringLiteral("保存先:"), where_);
    layout->addLayout(form);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    open_ = new QPushButton(QStringLiteral("開く(&O)"));
    openFolder_ = new QPushButton(QStringLiteral("フォルダを開く(&F)"));
    close_ = new QPushButton(QStringLiteral("閉じる"));
    cancel_ = new QPushButton(QStringLiteral("キャンセル"));
    for (QPushButton* b : {open_, openFolder_, close_, cancel_}) buttons->addWidget(b);
    open_->setObjectName(QStringLiteral("openButton"));
    openFolder_->setObjectName(QStringLiteral("openFolderButton"));
    close_->setObjectName(QStringLiteral("closeButton"));
    cancel_->setObjectName(QStringLiteral("cancelButton"));
    open_->hide();
    openFolder_->hide();
    close_->hide();
    // Enter closes the window, never opens what came: a file from the net runs only when
    // the user clicks 開く.
    for (QPushButton* b : {open_, openFolder_, cancel_}) b->setAutoDefault(false);
    layout->addLayout(buttons);
    setMinimumWidth(460);

    connect(cancel_, &QPushButton::clicked, this, [this] {
        download_->cancel();
        close();
    });
    connect(close_, &QPushButton::clicked, this, &QWidget::close);
    connect(open_, &QPushButton::clicked, this, [this] { QDesktopServices::openUrl(QUrl::fromLocalFile(savedPath_)); });
    connect(openFolder_, &QPushButton::clicked, this,
            [this] { QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(savedPath_).absolutePath())); });
    connect(download_.get(), &Download::progress, this, &DownloadWindow::showProgress);
    connect(download_.get(), &Download::finished, this, &DownloadWindow::finish);

    clock_.start();
    showProgress(download_->receivedBytes(), download_->totalBytes());
}

DownloadWindow::~DownloadWindow() {
    // The window goes with the frame too: what is still coming is not wanted any more, and
    // the file's part goes with it.
    download_->disconnect(this);
    if (!download_->isFinished()) download_->cancel();
}

void DownloadWindow::closeEvent(QCloseEvent* event) {
    if (state_ == State::Running) download_->cancel();
    QDialog::closeEvent(event);
}

void DownloadWindow::showProgress(qint64 received, qint64 total) {
    if (state_ != State::Running) return;
    const qint64 now = clock_.elapsed();
    samples_.append({now, received});
    while (samples_.size() > 2 && now - samples_.at(1).first >= RateWindowMs) samples_.removeFirst();
    const qint64 spanMs = now - samples_.first().first;
    const qint64 rate = spanMs > 0 ? (received - samples_.first().second) * 1000 / spanMs : 0;

    if (total > 0) {
        const int percent = static_cast<int>(qMin<qint64>(received * 100 / total, 100));
        bar_->setRange(0, 100);
        bar_->setValue(percent);
        bytes_->setText(QStringLiteral("%1 / %2").arg(DownloadDialogs::sizeText(received), DownloadDialogs::sizeText(total)));
        setWindowTitle(QStringLiteral("%1% - %2 をダウンロードしています").arg(percent).arg(name_));
    } else {
        bar_->setRange(0, 0);
        bytes_->setText(DownloadDialogs::sizeText(received));
    }
    rate_->setText(spanMs > 0 ? QStringLiteral("%1/秒").arg(DownloadDialogs::sizeText(rate)) : QStringLiteral("-"));
    left_->setText(total > 0 && rate > 0 ? DownloadDialogs::timeText((total - received + rate - 1) / rate)
                                         : QStringLiteral("不明"));
}

void DownloadWindow::finish(bool ok, const QString& message) {
    if (state_ != State::Running) return;
    QString failure = message;
    if (ok) {
        try {
            savedPath_ = file_->commit();
        } catch (const TavixError& error) {
            ok = false;
            failure = error.message();
        }
    } else {
        file_->discard();
    }
    cancel_->hide();
    close_->show();
    close_->setDefault(true);
    close_->setFocus();
    left_->clear();
    if (ok) {
        state_ = State::Saved;
        bar_->setRange(0, 100);
        bar_->setValue(100);
        const qint64 size = QFileInfo(savedPath_).size();
        bytes_->setText(DownloadDialogs::sizeText(size));
        // The whole download's rate: the last moments of one that waited for the user's
        // answer say little.
        const qint64 ms = qMax<qint64>(clock_.elapsed(), 1);
        rate_->setText(QStringLiteral("%1/秒 (平均)").arg(DownloadDialogs::sizeText(size * 1000 / ms)));
        where_->setText(QDir::toNativeSeparators(savedPath_));
        QString heading = QStringLiteral("ダウンロードが完了しました");
        if (savedPath_ != file_->target())
            heading += QStringLiteral("\n%1 は保存中に別のファイルが置かれたため、%2 として保存しました")
                           .arg(QFileInfo(file_->target()).fileName(), QFileInfo(savedPath_).fileName());
        heading_->setText(heading);
        setWindowTitle(QStringLiteral("ダウンロードの完了 - %1").arg(QFileInfo(savedPath_).fileName()));
        open_->show();
        openFolder_->show();
        emit statusText(DownloadText::saved(name_, savedPath_));
    } else {
        state_ = State::Failed;
        if (bar_->maximum() == 0) bar_->setRange(0, 100);
        rate_->clear();
        heading_->setText(DownloadText::failed(name_, failure));
        setWindowTitle(QStringLiteral("ダウンロードできませんでした - %1").arg(name_));
        emit statusText(DownloadText::failed(name_, failure));
    }
}
