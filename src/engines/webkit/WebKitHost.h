#pragma once
// The shell's end of the connection to tavix-webkit-host: starts the process on first
// use, sends commands, and hands each event to the view it names. Never blocks the user
// interface thread except at shutdown, when it waits for the host to end.

#include "engines/webkit/HostProtocol.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QProcess>

class HostDownload;
class WebKitBrowser;

class WebKitHost : public QObject {
    Q_OBJECT
public:
    static WebKitHost& instance();

    // Starts the host when none runs; false when it cannot be started.
    bool start();

    // Gives the browser a view id and asks the host (started when none runs) for its
    // window; 0 when the host cannot be started.
    std::int64_t attach(WebKitBrowser* browser, int width, int height);
    // Forgets the view and tells the host to close it.
    void detach(std::int64_t view);
    // Sends a command; false when no host runs.
    bool send(const std::string& kind, std::int64_t view, std::vector<std::string> args = {});
    bool running() const { return process_ && process_->state() != QProcess::NotRunning; }
    qint64 processId() const { return running() ? process_->processId() : 0; }
    void shutdown();

    // Handles one line from the host; public for the tests of the protocol's edge cases.
    void receiveLine(const std::string& line);
    // A download that has gone: later news of it is dropped.
    void forgetDownload(std::int64_t id) { downloads_.remove(id); }

private:
    WebKitHost() = default;
    void readEvents();
    void ended();
    void downloadEvent(const HostProtocol::Message& message);

    QPointer<QProcess> process_;
    HostProtocol::LineReader reader_;
    QHash<std::int64_t, WebKitBrowser*> views_;
    std::int64_t nextView_ = 0;
    bool versionChecked_ = false;
    QHash<std::int64_t, QPointer<HostDownload>> downloads_;
};
