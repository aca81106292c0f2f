#pragma once
// The small window of one download: how far it is (bytes, rate, time left) with
// キャンセル; once it has ended, what became of it, with 開く, フォルダを開く and 閉じる
// for a saved file. It owns the download and its file: the file gets its final name
// here when the engine reports it whole, and goes when the download ends otherwise.
// Closing the window while the file is still coming cancels the download.

#include <QDialog>
#include <QElapsedTimer>
#include <QList>
#include <QPair>
#include <memory>

class Download;
class DownloadFile;
class QLabel;
class QProgressBar;
class QPushButton;

class DownloadWindow : public QDialog {
    Q_OBJECT
public:
    enum class State { Running, Saved, Failed };

    DownloadWindow(std::shared_ptr<Download> download, std::unique_ptr<DownloadFile> file, QWidget* parent);
    ~DownloadWindow() override;

    State state() const { return state_; }
    // The saved file's path once saved; the target before.
    QString savedPath() const { return savedPath_; }
    Download& download() const { return *download_; }
    const DownloadFile& file() const { return *file_; }

    QPushButton* cancelButton() const { return cancel_; }
    QPushButton* openButton() const { return open_; }
    QPushButton* openFolderButton() const { return openFolder_; }
    QPushButton* closeButton() const { return close_; }

signals:
    // What the status bar says of this download: started, saved, cancelled, failed.
    void statusText(const QString& text);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void showProgress(qint64 received, qint64 total);
    void finish(bool ok, const QString& message);

    std::shared_ptr<Download> download_;
    std::unique_ptr<DownloadFile> file_;
    State state_ = State::Running;
    QString name_;
    QString savedPath_;
    QElapsedTimer clock_;
    // (milliseconds, bytes) of the last seconds, for the rate.
    QList<QPair<qint64, qint64>> samples_;
    QLabel* heading_ = nullptr;
    QLabel* bytes_ = nullptr;
    QLabel* rate_ = nullptr;
    QLabel* left_ = nullptr;
    QLabel* where_ = nullptr;
    QProgressBar* bar_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QPushButton* open_ = nullptr;
    QPushButton* openFolder_ = nullptr;
    QPushButton* close_ = nullptr;
};

namespace DownloadText {
QString started(const QString& name);
QString saved(const QString& name, const QString& path);
QString failed(const QString& name, const QString& reason);
}  // namespace DownloadText
