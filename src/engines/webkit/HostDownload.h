#pragma once
// A download of a WebKit page: the host holds the transfer until the frame answers, then
// writes the file itself to the path the frame gave and reports how far it is.

#include "engines/Download.h"

#include <cstdint>

class HostDownload : public Download {
    Q_OBJECT
public:
    HostDownload(std::int64_t id, QUrl url, QString suggestedName, QString mimeType, qint64 totalBytes);
    ~HostDownload() override;

    std::int64_t id() const { return id_; }

    // From the connection.
    void hostProgress(qint64 received, qint64 total);
    // "ok", or why not.
    void hostEnd(const std::string& result);
    void hostEnded();

protected:
    void start(const QString& tempPath) override;
    void stop() override;

private:
    std::int64_t id_;
    bool over_ = false;
};
