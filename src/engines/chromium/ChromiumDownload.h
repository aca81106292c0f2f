#pragma once
// A download of the system's Chromium. The browser writes every download into a folder
// of its profile under the download's id (it cannot be told a path per download) and
// goes on while the user decides; once the file is whole and the user has chosen where,
// the file moves to the temporary path the frame gave.

#include "engines/Download.h"

class ChromiumDownload : public Download {
    Q_OBJECT
public:
    ChromiumDownload(QString guid, QUrl url, QString suggestedName, QString stagedPath);
    ~ChromiumDownload() override;

    const QString& guid() const { return guid_; }

    // Browser.downloadProgress: "inProgress", "completed" (filePath where the browser put
    // it, when it says) or "canceled".
    void progressed(qint64 received, qint64 total, const QString& state, const QString& filePath);
    // The browser ended before the download did.
    void browserEnded();

    // Moves a whole file to `to`, replacing what is there. Empty on success, else why not.
    static QString moveFile(const QString& from, const QString& to);

protected:
    void start(const QString& tempPath) override;
    void stop() override;

private:
    void deliver();
    void removeStaged();

    QString guid_;
    QString staged_;
    bool complete_ = false;   // the browser has the whole file in staged_
    bool over_ = false;       // the browser is done with it, whole or not
};
