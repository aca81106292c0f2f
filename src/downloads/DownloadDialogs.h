#pragma once
// The questions a download asks before it starts: whether to save the file at all (its
// name, type and site), then where.

#include <QDialog>

class Download;
class QPushButton;

// "ファイルのダウンロード": 保存 accepts, キャンセル rejects.
class DownloadConfirm : public QDialog {
    Q_OBJECT
public:
    DownloadConfirm(const Download& download, QWidget* parent);

    QPushButton* saveButton() const { return save_; }
    QPushButton* cancelButton() const { return cancel_; }

private:
    QPushButton* save_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

namespace DownloadDialogs {

// The folder the save dialog starts in: the user's download folder, made when missing.
QString downloadFolder();
// A name the site proposes, fit to be a file name here: no folders, no control
// characters, never empty.
QString safeFileName(const QString& suggested);
// The type as the user reads it: "ZIP ファイル (application/zip)、20.0 MB"; the MIME type
// when the site gave a telling one, the size when known.
QString typeText(const QString& mimeType, const QString& fileName, qint64 totalBytes);
// The site a download comes from: scheme, host and port.
QString siteText(const QUrl& url);
// Bytes as the user reads them: "512 バイト", "12.3 KB", "20.0 MB", "1.50 GB".
QString sizeText(qint64 bytes);
// Seconds left as the user reads them: "約 12 秒", "約 3 分 5 秒", "約 1 時間 2 分".
QString timeText(qint64 seconds);

// The save dialog (名前を付けて保存), in the download folder with the name proposed; the
// path chosen, or empty when the user cancelled. The dialog itself asks before an existing
// file is chosen.
QString chooseTarget(QWidget* parent, const QString& suggestedName);

}  // namespace DownloadDialogs
