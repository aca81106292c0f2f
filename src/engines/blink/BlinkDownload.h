#pragma once
// A download of the built-in engine. Chromium asks for an answer before the request's
// signal returns: the page reports it at once, and the frame answers inside the report.

#include "engines/Download.h"

#include <QPointer>

class QWebEngineDownloadRequest;
class QWebEnginePage;

namespace Blink {

class BlinkDownload : public Download {
    Q_OBJECT
public:
    explicit BlinkDownload(QWebEngineDownloadRequest* request);
    ~BlinkDownload() override;

    // Whether the profile's request is a file the page's user should be asked about (and
    // not a page being saved, which its own command has placed).
    static bool wanted(const QWebEngineDownloadRequest* request, const QWebEnginePage* page);

protected:
    void start(const QString& tempPath) override;
    void stop() override;

private:
    void stateChanged();

    QPointer<QWebEngineDownloadRequest> request_;
};

}  // namespace Blink
