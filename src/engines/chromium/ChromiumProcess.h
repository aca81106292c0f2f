#pragma once
// The one Chromium browser process of the program and its DevTools pipe: started at the
// first page, it makes a bare page window for each view from a hidden window of its own
// (a popup of an app window has no browser furniture), hands each page's events to its
// view, and closes every window Chromium would open by itself before it loads anything.

#include "engines/chromium/DevToolsPipe.h"

#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QSize>
#include <functional>
#include <optional>

class ChromiumBrowser;
class ChromiumDownload;

class ChromiumProcess : public QObject {
    Q_OBJECT
public:
    static ChromiumProcess& instance();

    // Asks for a page window for the view: the process is started if none runs, and the
    // view hears pageReady (or startFailed / ended) later, never inside this call.
    void attach(ChromiumBrowser* view);
    void detach(ChromiumBrowser* view);

    // Sends a command to the view's page; false when the page has no session.
    bool send(ChromiumBrowser* view, const QString& method, const QJsonObject& params = {},
              DevTools::ReplyHandler handler = {});
    // Sends a command to the browser itself.
    void sendBrowser(const QString& method, const QJsonObject& params = {}, DevTools::ReplyHandler handler = {});

    bool running() const { return pipe_ && pipe_->running(); }
    qint64 processId() const { return pipe_ ? pipe_->processId() : 0; }
    // "Chromium 156.0.8078.129" once the browser has said; empty before.
    QString version() const { return version_; }
    // Whether starting failed for good this run (missing, too old, no answer).
    bool failed() const { return failed_; }
    QString failure() const { return failure_; }
    // The name of the binding the page script reports through, new for every start.
    QString bindingName() const { return bindingName_; }

    void shutdown();
    // Forgets a failure, so that the next page tries again (tests).
    void resetFailure();

private:
    ChromiumProcess();
    struct Pending {
        QPointer<ChromiumBrowser> view;
    };
    struct Page {
        QString targetId;
        QString session;
        QPointer<ChromiumBrowser> view;
    };

    bool start();
    void fail(const QString& reason);
    void onEvent(const QString& method, const QJsonObject& params, const QString& session);
    void onEnded();
    void attached(const QJsonObject& params);
    void factoryAttached(const QString& targetId, const QString& session);
    void waitForFactoryPage();
    void checkVersion();
    void openNextWindow();
    void windowAttached(const QString& targetId, const QString& session);
    void closeTarget(const QString& targetId);
    void keepSpare(const QString& targetId, const QString& session);
    void findSpareWindow();
    void hideFactoryWindow();
    void allowDownloads();
    void refusePermissions();
    void downloadEvent(const QString& method, const QJsonObject& params);
    Page* pageOfSession(const QString& session);

    QPointer<DevToolsPipe> pipe_;
    QTimer startTimer_;
    QString factoryTarget_;
    QString factorySession_;
    QString bindingName_;
    QString version_;
    QString failure_;
    bool failed_ = false;
    bool ready_ = false;
    bool factoryLoaded_ = false;   // the hidden window's page has loaded
    bool factoryShown_ = false;    // ... and its window has shown (and been hidden)
    bool opening_ = false;   // a window asked of the factory and not yet attached
    bool windowMade_ = false;   // this run of the browser has made a page window
    int endsBeforeAWindow_ = 0;   // runs in a row that ended before they made one
    QString openingMarker_;
    // A page window made ahead of need, hidden, for the next view: a new view then takes
    // a window at once instead of waiting for one to be made and found.
    struct Spare {
        QString targetId;
        QString session;
        QString marker;
        std::uint32_t window = 0;
        bool blankLoaded = false;
    };
    std::optional<Spare> spare_;
    bool spareWanted_ = false;   // pages of this slot are in use: keep a spare
    QTimer spareSearch_;
    bool askingForSpare_ = false;
    QTimer spareRefill_;
    QList<Pending> pending_;
    QHash<QString, Page> pages_;   // by session
    QHash<QString, QString> doomed_;   // windows of Chromium's own, session -> target, to close
    int nextMarker_ = 0;
    void endDownloads();
    QHash<QString, QPointer<ChromiumDownload>> downloads_;   // by the browser's id of the download
    QHash<QString, QString> frameSessions_;   // the session of each page's frames, by frame id
    QString downloadFolder_;   // where the browser writes them, under their ids
};
