#pragma once
// A response the engine will not show, offered to the frame as a file to save. The
// engine reports it (DWebBrowserEvents2::DownloadRequest) and writes nothing until the
// frame answers: accept() names the file the engine writes to (a temporary one; the
// frame gives it its final name once it is whole), cancel() drops it. Whoever holds the
// last reference decides its end: a download nobody holds is cancelled.

#include <QObject>
#include <QString>
#include <QUrl>

class Download : public QObject {
    Q_OBJECT
public:
    // totalBytes: -1 when the site did not say.
    Download(QUrl url, QString suggestedName, QString mimeType, qint64 totalBytes);
    ~Download() override;

    const QUrl& url() const { return url_; }
    // The file name the site proposes (never empty: "download" when it proposes none).
    const QString& suggestedName() const { return suggestedName_; }
    // Empty when the engine does not know it.
    const QString& mimeType() const { return mimeType_; }
    qint64 totalBytes() const { return totalBytes_; }
    qint64 receivedBytes() const { return receivedBytes_; }

    // The engine writes the file to tempPath (replacing what is there) and reports its
    // progress and end. Once; an answer after the first does nothing.
    void accept(const QString& tempPath);
    // Stops the download; finished(false, ...) follows unless it has ended already. What
    // the engine wrote so far is the caller's to remove.
    void cancel();
    bool isAccepted() const { return accepted_; }
    bool isFinished() const { return finished_; }
    const QString& tempPath() const { return tempPath_; }

signals:
    // total is -1 while unknown.
    void progress(qint64 received, qint64 total);
    // ok: the whole file is in the temporary file. Otherwise message says why, in
    // Japanese, for the user.
    void finished(bool ok, const QString& message);

protected:
    // The engine's part of accept and cancel, each called at most once.
    virtual void start(const QString& tempPath) = 0;
    virtual void stop() = 0;
    // What the engine reports; nothing after the end.
    void reportProgress(qint64 received, qint64 total);
    void reportFinished(bool ok, const QString& message);

private:
    QUrl url_;
    QString suggestedName_;
    QString mimeType_;
    qint64 totalBytes_ = -1;
    qint64 receivedBytes_ = 0;
    QString tempPath_;
    bool accepted_ = false;
    bool stopped_ = false;
    bool finished_ = false;
};

namespace DownloadText {
// The message of a download the user cancelled.
QString cancelled();
// The message of a download whose engine ended before it was done.
QString engineEnded();
}  // namespace DownloadText
