#pragma once
// The frame's downloads: every engine's request goes the same way. The user is asked
// whether to save the file and where; the engine then writes it under a temporary name
// beside the target, and a window per download shows how it goes.

#include <QObject>
#include <QPointer>
#include <memory>

class Download;
class DownloadWindow;
class QWidget;

class Downloads : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~Downloads() override;

    // Asks the user (modal dialogs over parent) and starts the download, or cancels it.
    // Returns once the user has answered; the download then goes on in its window.
    void request(const std::shared_ptr<Download>& download, QWidget* parent);

    // The windows of the downloads still open, running or ended.
    QList<DownloadWindow*> windows() const;
    // How many downloads are still coming.
    int running() const;

signals:
    // What the status bar says: a download started, saved, cancelled or failed.
    void statusText(const QString& text);

private:
    QList<QPointer<DownloadWindow>> windows_;
};
