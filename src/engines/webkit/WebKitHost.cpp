#include "engines/webkit/WebKitHost.h"

#include "engines/webkit/HostDownload.h"
#include "engines/webkit/WebKitBrowser.h"
#include "engines/webkit/WebKitEngine.h"

#include <QCoreApplication>
#include <QDebug>

namespace {

// Long enough for WebKit to close its pages and its own processes.
constexpr int QuitWaitMs = 5000;

}  // namespace

WebKitHost& WebKitHost::instance() {
    static WebKitHost* host = new WebKitHost;   // lives as long as the program
    return *host;
}

bool WebKitHost::start() {
    if (running()) return true;
    if (process_) process_->deleteLater();
    reader_ = HostProtocol::LineReader();
    versionChecked_ = false;
    auto* process = new QProcess(this);
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    connect(process, &QProcess::readyReadStandardOutput, this, [this, process] {
        if (process == process_) readEvents();
    });
    connect(process, &QProcess::finished, this, [this, process] {
        if (process == process_) ended();
    });
    connect(process, &QProcess::errorOccurred, this, [this, process](QProcess::ProcessError error) {
        if (process == process_ && error == QProcess::FailedToStart) ended();
    });
    process_ = process;
    process->start(WebKit::hostProgram(), QStringList());
    if (!process->waitForStarted(QuitWaitMs)) {
        qWarning("tavix: cannot start %s", qPrintable(WebKit::hostProgram()));
        process_ = nullptr;
        process->deleteLater();
        return false;
    }
    return true;
}

std::int64_t WebKitHost::attach(WebKitBrowser* browser, int width, int height) {
    if (!start()) return 0;
    if (nextView_ >= HostProtocol::MaxViewId) return 0;
    const std::int64_t view = ++nextView_;
    views_.insert(view, browser);
    send("create", view, {std::to_string(qMax(width, 1)), std::to_string(qMax(height, 1))});
    return view;
}

void WebKitHost::detach(std::int64_t view) {
    if (views_.remove(view)) send("close", view);
}

bool WebKitHost::send(const std::string& kind, std::int64_t view, std::vector<std::string> args) {
    if (!running()) return false;
    const std::string line = HostProtocol::encode({kind, view, std::move(args)});
    return process_->write(line.data(), static_cast<qint64>(line.size())) == static_cast<qint64>(line.size());
}

void WebKitHost::readEvents() {
    // A view may close (and the host end) inside a handler: keep hold of this process.
    QPointer<QProcess> process = process_;
    while (process && process == process_) {
        const QByteArray bytes = process->readAllStandardOutput();
        if (bytes.isEmpty()) break;
        reader_.feed(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
        std::string line;
        bool overlong = false;
        while (process == process_ && reader_.next(line, overlong)) {
            if (overlong) {
                send("error", 0, {"line too long"});
                continue;
            }
            receiveLine(line);
        }
    }
}

void WebKitHost::receiveLine(const std::string& line) {
    std::string why;
    const auto message = HostProtocol::decode(line, &why);
    if (!message) {
        send("error", 0, {why});
        return;
    }
    if (!HostProtocol::validate(*message, HostProtocol::Direction::ToShell, &why)) {
        if (message->kind != "error") send("error", message->view, {why});
        return;
    }
    if (message->kind == "ready") {
        versionChecked_ = HostProtocol::number(message->args[0]) == HostProtocol::Version;
        if (!versionChecked_) {
            qWarning("tavix: the WebKit host speaks protocol %s, not %d", message->args[0].c_str(),
                     HostProtocol::Version);
            if (process_) process_->kill();
        }
        return;
    }
    if (message->kind == "error") {
        qWarning("tavix: the WebKit host reports for view %lld: %s", static_cast<long long>(message->view),
                 message->args[0].c_str());
        return;
    }
    if (message->kind.rfind("download", 0) == 0) {
        downloadEvent(*message);
        return;
    }
    // Events of a view already closed are late, not wrong.
    if (WebKitBrowser* browser = views_.value(message->view)) browser->hostEvent(message->kind, message->args);
}

void WebKitHost::downloadEvent(const HostProtocol::Message& message) {
    const auto& args = message.args;
    const std::int64_t id = HostProtocol::number(args[0], INT64_MAX / 10).value_or(0);
    const auto text = [](const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); };
    if (message.kind == "download") {
        QPointer<WebKitBrowser> browser = views_.value(message.view);
        if (!browser) {
            send("downloadcancel", 0, {args[0]});
            return;
        }
        const qint64 total = HostProtocol::number(args[4], INT64_MAX / 10).value_or(0);
        auto download = std::make_shared<HostDownload>(id, QUrl(text(args[1])), text(args[2]), text(args[3]),
                                                       total > 0 ? total : -1);
        downloads_.insert(id, download.get());
        // Reported from the event loop, not from inside the reading of the pipe: the frame
        // asks the user there. A view gone by then drops it, and so cancels it.
        QMetaObject::invokeMethod(browser.data(), [browser, download] { browser->downloadRequested(download); },
                                  Qt::QueuedConnection);
        return;
    }
    const QPointer<HostDownload> download = downloads_.value(id);
    if (!download) return;
    if (message.kind == "downloadprogress") {
        download->hostProgress(HostProtocol::number(args[1], INT64_MAX / 10).value_or(0),
                               HostProtocol::number(args[2], INT64_MAX / 10).value_or(0));
    } else if (message.kind == "downloadend") {
        downloads_.remove(id);
        download->hostEnd(args[1]);
    }
}

void WebKitHost::ended() {
    if (process_) {
        process_->deleteLater();
        process_ = nullptr;
    }
    const auto browsers = views_.values();
    views_.clear();
    for (WebKitBrowser* browser : browsers) browser->hostEnded();
    // After the pages: what the status bar says last is what became of the downloads.
    const auto downloads = std::exchange(downloads_, {});
    for (const QPointer<HostDownload>& download : downloads)
        if (download) download->hostEnded();
}

void WebKitHost::shutdown() {
    if (!process_) return;
    QPointer<QProcess> process = process_;
    if (running()) {
        send("quit", 0);
        process->closeWriteChannel();
        if (!process->waitForFinished(QuitWaitMs)) {
            process->kill();
            process->waitForFinished(QuitWaitMs);
        }
    }
    // waitForFinished has reported the end already unless the process had ended before.
    if (process && process == process_) ended();
}
