#include "engines/chromium/ChromiumProcess.h"

#include "engines/chromium/ChromiumBrowser.h"
#include "engines/chromium/ChromiumDownload.h"
#include "engines/chromium/ChromiumEngine.h"
#include "engines/chromium/X11Windows.h"

#include <QCoreApplication>
#include <QDir>
#include <QJsonArray>
#include <QProcessEnvironment>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QUrl>
#include <cstring>
#include <unistd.h>

namespace {

// The hidden window every page window is opened from. Its address carries a word no
// other page has, so that it is told apart from the first moment.
const QString FactoryMarker = QStringLiteral("tavix-window-factory");

// How long after a view took the spare window the next one is made: the view's own
// page goes first.
constexpr int SpareRefillDelayMs = 300;
// How long the user's keyboard and mouse have been still before a spare window is made.
constexpr qint64 SpareQuietMs = 500;
// A browser that ends on every start before it has made a window would be started
// without end: after this many runs in a row without a window, the views waiting take
// the built-in engine instead.
constexpr int MostEndsBeforeAWindow = 3;
// The browser's smallest window (it makes smaller ones this size).
constexpr int SmallestWindow = 100;
// How long a window Chromium would have opened of its own lives, waiting for its first
// request to be failed, before it is closed all the same.
constexpr int DoomedPageLifeMs = 1000;
// How soon the factory is asked again whether its own page has loaded.
constexpr int FactoryPageRetryMs = 20;

QString factoryAddress() {
    return QStringLiteral("data:text/html,<title>%1</title>").arg(FactoryMarker);
}

}  // namespace

ChromiumProcess& ChromiumProcess::instance() {
    static auto* process = new ChromiumProcess;
    return *process;
}

ChromiumProcess::ChromiumProcess() {
    spareSearch_.setInterval(10);
    connect(&spareSearch_, &QTimer::timeout, this, &ChromiumProcess::findSpareWindow);
    spareRefill_.setSingleShot(true);
    connect(&spareRefill_, &QTimer::timeout, this, &ChromiumProcess::openNextWindow);
}

void ChromiumProcess::attach(ChromiumBrowser* view) {
    spareWanted_ = true;
    if (ready_ && spare_ && pending_.isEmpty() && running()) {
        const Spare spare = *std::exchange(spare_, std::nullopt);
        spareSearch_.stop();
        pages_.insert(spare.session, {spare.targetId, spare.session, view});
        view->setWindowMarker(spare.marker);
        QPointer<ChromiumBrowser> taker(view);
        // Never inside this call, as when the window is still to be made.
        QMetaObject::invokeMethod(this, [taker, spare] {
            if (taker) taker->pageReady(spare.session, spare.targetId, spare.window, spare.blankLoaded);
        }, Qt::QueuedConnection);
        // The next spare waits until this page has had its start.
        spareRefill_.start(SpareRefillDelayMs);
        return;
    }
    pending_.append({view});
    if (failed_) {
        QMetaObject::invokeMethod(this, [this] { fail(failure_); }, Qt::QueuedConnection);
        return;
    }
    if (!running() && !start()) return;
    if (ready_) openNextWindow();
}

void ChromiumProcess::detach(ChromiumBrowser* view) {
    for (auto it = pending_.begin(); it != pending_.end();)
        it = it->view == view ? pending_.erase(it) : it + 1;
    for (auto it = pages_.begin(); it != pages_.end(); ++it) {
        if (it->view != view) continue;
        if (running()) pipe_->call(QStringLiteral("Target.closeTarget"), {{QStringLiteral("targetId"), it->targetId}});
        pages_.erase(it);
        return;
    }
}

bool ChromiumProcess::send(ChromiumBrowser* view, const QString& method, const QJsonObject& params,
                           DevTools::ReplyHandler handler) {
    if (!running()) return false;
    for (const Page& page : std::as_const(pages_)) {
        if (page.view != view) continue;
        pipe_->call(method, params, page.session, std::move(handler));
        return true;
    }
    return false;
}

void ChromiumProcess::sendBrowser(const QString& method, const QJsonObject& params, DevTools::ReplyHandler handler) {
    if (running()) pipe_->call(method, params, {}, std::move(handler));
}

bool ChromiumProcess::start() {
    const QString program = Chromium::program();
    if (program.isEmpty()) {
        fail(Chromium::missingMessage());
        return false;
    }
    delete pipe_.data();
    pipe_ = new DevToolsPipe(this);
    connect(pipe_, &DevToolsPipe::event, this, &ChromiumProcess::onEvent);
    connect(pipe_, &DevToolsPipe::ended, this, &ChromiumProcess::onEnded);
    ready_ = false;
    opening_ = false;
    windowMade_ = false;
    factoryLoaded_ = false;
    factoryShown_ = false;
    factoryTarget_.clear();
    factorySession_.clear();
    bindingName_ = QStringLiteral("__tavix_%1").arg(QRandomGenerator::system()->generate64(), 0, 36);
    QStringList arguments = Chromium::browserArguments(Chromium::profileFolder(), ::geteuid() == 0);
    arguments << QStringLiteral("--app=") + factoryAddress();
    // Chromium on Linux takes its language from the environment, not from --lang: its
    // own words on pages (file inputs, error pages) are Japanese like the frame's.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LANGUAGE"), QStringLiteral("ja:en"));
    if (!pipe_->start(program, arguments, environment)) {
        fail(Chromium::startFailedMessage(pipe_->errorText()));
        return false;
    }
    // Its hidden window is looked for from the start: it is taken off the screen as soon
    // as it shows.
    hideFactoryWindow();
    // What the pipe says first decides the rest; a browser that says nothing in time is
    // given up for this run.
    startTimer_.setSingleShot(true);
    startTimer_.disconnect(this);
    connect(&startTimer_, &QTimer::timeout, this, [this] {
        if (!ready_) fail(Chromium::startFailedMessage(QStringLiteral("応答がありません")));
    });
    startTimer_.start(Chromium::startTimeout());
    pipe_->call(QStringLiteral("Browser.getVersion"), {}, {}, [this](const DevTools::Reply& reply) {
        if (!reply.ok()) return;
        const QString product = reply.result.value(QStringLiteral("product")).toString();   // "Chrome/156.0..."
        const QString number = product.section(u'/', 1);
        version_ = QStringLiteral("Chromium ") + number;
        if (!Chromium::versionIsRecentEnough(number))
            fail(Chromium::tooOldMessage(number));
    });
    pipe_->call(QStringLiteral("Target.setDiscoverTargets"), {{QStringLiteral("discover"), true}});
    // Every new page waits, before it asks for anything, until it is ours or closed.
    pipe_->call(QStringLiteral("Target.setAutoAttach"),
                {{QStringLiteral("autoAttach"), true}, {QStringLiteral("waitForDebuggerOnStart"), true},
                 {QStringLiteral("flatten"), true}});
    return true;
}

void ChromiumProcess::fail(const QString& reason) {
    startTimer_.stop();
    failed_ = true;
    failure_ = reason;
    if (pipe_ && pipe_->running()) pipe_->stop(0);
    const QList<Pending> waiting = std::exchange(pending_, {});
    for (const Pending& request : waiting)
        if (request.view) request.view->startFailed(reason);
}

void ChromiumProcess::resetFailure() {
    failed_ = false;
    failure_.clear();
}

void ChromiumProcess::onEnded() {
    startTimer_.stop();
    frameSessions_.clear();
    ready_ = false;
    opening_ = false;
    spare_.reset();
    spareSearch_.stop();
    doomed_.clear();
    const auto pages = std::exchange(pages_, {});
    endsBeforeAWindow_ = windowMade_ ? 0 : endsBeforeAWindow_ + 1;
    const bool started = !factoryTarget_.isEmpty();
    const bool givenUp = started && !pending_.isEmpty() && endsBeforeAWindow_ >= MostEndsBeforeAWindow;
    if (!failed_ && started && !givenUp) {
        for (const Page& page : pages)
            if (page.view) page.view->processEnded();
    } else if (!failed_) {
        endDownloads();
        fail(Chromium::startFailedMessage(givenUp ? QStringLiteral("ウィンドウを開く前に終了しました")
                                                  : QStringLiteral("終了しました")));
        return;
    }
    // After the pages: what the status bar says last is what became of the downloads.
    endDownloads();
    // Views still waiting for a window get one from the next browser.
    if (!pending_.isEmpty()) QMetaObject::invokeMethod(this, [this] {
        if (!pending_.isEmpty() && !running() && !failed_) start();
    }, Qt::QueuedConnection);
}

ChromiumProcess::Page* ChromiumProcess::pageOfSession(const QString& session) {
    auto it = pages_.find(session);
    return it == pages_.end() ? nullptr : &it.value();
}

void ChromiumProcess::onEvent(const QString& method, const QJsonObject& params, const QString& session) {
    if (method == QLatin1String("Target.attachedToTarget")) {
        attached(params);
        return;
    }
    if (method == QLatin1String("Target.detachedFromTarget")) {
        const QString gone = params.value(QStringLiteral("sessionId")).toString();
        frameSessions_.removeIf([&gone](const auto& frame) { return frame.value() == gone; });
        if (Page* page = pageOfSession(gone)) {
            QPointer<ChromiumBrowser> view = page->view;
            pages_.remove(gone);
            if (view) view->pageClosed();
        }
        return;
    }
    if (method.startsWith(QLatin1String("Browser.download"))) {
        downloadEvent(method, params);
        return;
    }
    if (method == QLatin1String("Target.targetInfoChanged")) {
        const QJsonObject info = params.value(QStringLiteral("targetInfo")).toObject();
        const QString target = info.value(QStringLiteral("targetId")).toString();
        for (const Page& page : std::as_const(pages_))
            if (page.targetId == target && page.view) page.view->targetInfoChanged(info);
        return;
    }
    if (session.isEmpty()) return;
    if (doomed_.contains(session)) {
        if (method == QLatin1String("Fetch.requestPaused")) {
            pipe_->call(QStringLiteral("Fetch.failRequest"),
                        {{QStringLiteral("requestId"), params.value(QStringLiteral("requestId"))},
                         {QStringLiteral("errorReason"), QStringLiteral("Aborted")}},
                        session);
            closeTarget(doomed_.take(session));
        }
        return;
    }
    if (spare_ && session == spare_->session) {
        if (method == QLatin1String("Page.frameStoppedLoading")) spare_->blankLoaded = true;
        return;
    }
    // The frames of each page, so that a download a frame starts finds its page.
    if (method == QLatin1String("Page.frameAttached"))
        frameSessions_.insert(params.value(QStringLiteral("frameId")).toString(), session);
    else if (method == QLatin1String("Page.frameDetached"))
        frameSessions_.remove(params.value(QStringLiteral("frameId")).toString());
    if (Page* page = pageOfSession(session); page && page->view) {
        QPointer<ChromiumBrowser> view = page->view;
        view->pageEvent(method, params);
    }
}

void ChromiumProcess::attached(const QJsonObject& params) {
    const QString session = params.value(QStringLiteral("sessionId")).toString();
    const QJsonObject info = params.value(QStringLiteral("targetInfo")).toObject();
    const QString targetId = info.value(QStringLiteral("targetId")).toString();
    const QString type = info.value(QStringLiteral("type")).toString();
    const QString opener = info.value(QStringLiteral("openerId")).toString();
    const bool waiting = params.value(QStringLiteral("waitingForDebugger")).toBool();
    const auto resume = [this, session] {
        pipe_->call(QStringLiteral("Runtime.runIfWaitingForDebugger"), {}, session);
    };
    if (type != QLatin1String("page")) {
        // Workers and the like run as they would; only pages make windows.
        if (waiting) resume();
        return;
    }
    if (factoryTarget_.isEmpty() && info.value(QStringLiteral("url")).toString().contains(FactoryMarker)) {
        factoryAttached(targetId, session);
        if (waiting) resume();
        return;
    }
    if (opening_ && opener == factoryTarget_) {
        windowAttached(targetId, session);
        return;
    }
    // Any other page is one Chromium would show in a window of its own: a page's popup
    // (its opener's view has heard of it as Page.windowOpen and asks the frame) or a
    // window the browser opened itself. It goes before it has fetched anything. Left
    // paused, it would hold its opener's renderer paused too: it runs, with every
    // request held back and never let go, until it is closed.
    // A request still held when its page closes would be let go: the first one is
    // failed before the page goes (or the page goes after a moment without one).
    if (!waiting) return closeTarget(targetId);
    doomed_.insert(session, targetId);
    pipe_->call(QStringLiteral("Fetch.enable"),
                {{QStringLiteral("patterns"), QJsonArray{QJsonObject{{QStringLiteral("urlPattern"), QStringLiteral("*")}}}}},
                session);
    resume();
    QTimer::singleShot(DoomedPageLifeMs, this, [this, session] {
        if (doomed_.contains(session)) closeTarget(doomed_.take(session));
    });
}

void ChromiumProcess::closeTarget(const QString& targetId) {
    if (running()) pipe_->call(QStringLiteral("Target.closeTarget"), {{QStringLiteral("targetId"), targetId}});
}

void ChromiumProcess::factoryAttached(const QString& targetId, const QString& session) {
    factoryTarget_ = targetId;
    factorySession_ = session;
    waitForFactoryPage();
}

void ChromiumProcess::waitForFactoryPage() {
    // Windows are opened from it only once its own page has loaded and its window has
    // shown. Until its address commits, the frame holds the empty document every frame
    // starts with, already "complete": a window opened from that one ends the browser
    // on an assertion of its own (Chromium 156), so the answer must come from the
    // factory's page, by its title.
    const QString expression =
        QStringLiteral("new Promise(r => { const done = () => r(document.title === '%1');"
                       " document.readyState === 'complete' ? done() : addEventListener('load', done); })")
            .arg(FactoryMarker);
    const QString session = factorySession_;
    pipe_->call(QStringLiteral("Runtime.evaluate"),
                {{QStringLiteral("expression"), expression}, {QStringLiteral("awaitPromise"), true},
                 {QStringLiteral("returnByValue"), true}},
                session, [this, session](const DevTools::Reply& reply) {
                    if (reply.ended || session != factorySession_ || failed_) return;
                    // The empty document answered, or went while it was asked: again, a
                    // moment later (the start's own time limit still holds).
                    if (!reply.ok() || !reply.result.value(QStringLiteral("result")).toObject().value(QStringLiteral("value")).toBool()) {
                        QTimer::singleShot(FactoryPageRetryMs, this, [this, session] {
                            if (session == factorySession_ && running() && !failed_) waitForFactoryPage();
                        });
                        return;
                    }
                    factoryLoaded_ = true;
                    checkVersion();
                });
}

void ChromiumProcess::checkVersion() {
    // The version's answer came first on the pipe; a browser that is too old has failed
    // by now.
    if (failed_ || ready_ || !factoryLoaded_ || !(factoryShown_ || !X11Windows::available())) return;
    startTimer_.stop();
    ready_ = true;
    Chromium::recordVersion(version_);
    allowDownloads();
    refusePermissions();
    openNextWindow();
}

void ChromiumProcess::hideFactoryWindow() {
    if (!X11Windows::available()) return;
    X11Windows::lastFocusWindow();
    // Its title shows on its window a moment after it loads; the window is looked for
    // until then, and taken off the screen.
    auto* timer = new QTimer(this);
    auto tries = std::make_shared<int>(0);
    const qint64 pid = processId();
    connect(timer, &QTimer::timeout, this, [this, timer, tries, pid] {
        // One question at a time: the next tick asks again once the last answer is in.
        if (timer->property("done").toBool() || timer->property("asking").toBool()) return;
        timer->setProperty("asking", true);
        X11Windows::findClientLater(pid, FactoryMarker, timer, [this, timer, tries, pid](std::uint32_t window) {
            timer->setProperty("asking", false);
            if (window) {
                X11Windows::withdraw(window);
                timer->setProperty("done", true);
                timer->deleteLater();
                if (pid == processId()) {
                    factoryShown_ = true;
                    checkVersion();
                }
            } else if (++*tries > (Chromium::startTimeout() + 5000) / 10 || pid != ChromiumProcess::instance().processId()) {
                timer->setProperty("done", true);
                timer->deleteLater();
            }
        });
    });
    timer->start(10);
}

void ChromiumProcess::refusePermissions() {
    // Chromium tells its driver nothing of a page asking for these, and its own question
    // would be a bubble of Chromium's in the page: every site is refused them instead.
    for (const char* name : {"geolocation", "notifications", "camera", "microphone", "display-capture", "midi",
                             "pointer-lock", "keyboard-lock", "window-management", "local-fonts", "clipboard-read"}) {
        QJsonObject permission{{QStringLiteral("name"), QString::fromLatin1(name)}};
        // MIDI's system-exclusive messages are the part that asks: the browser names it
        // by a flag on "midi", not by a name of its own.
        if (std::strcmp(name, "midi") == 0) permission.insert(QStringLiteral("sysex"), true);
        pipe_->call(QStringLiteral("Browser.setPermission"),
                    {{QStringLiteral("permission"), permission}, {QStringLiteral("setting"), QStringLiteral("denied")}});
    }
}

void ChromiumProcess::allowDownloads() {
    // The browser writes downloads into a folder of the profile under their ids, and the
    // frame decides where each goes. What a browser that ended left there is a part of a
    // file nobody will finish.
    const QString profile = Chromium::profileFolder();
    downloadFolder_ = (profile.isEmpty() ? QDir::tempPath() : profile) + QStringLiteral("/Tavix downloads");
    QDir(downloadFolder_).removeRecursively();
    QDir().mkpath(downloadFolder_);
    pipe_->call(QStringLiteral("Browser.setDownloadBehavior"),
                {{QStringLiteral("behavior"), QStringLiteral("allowAndName")},
                 {QStringLiteral("downloadPath"), downloadFolder_},
                 {QStringLiteral("eventsEnabled"), true}});
}

void ChromiumProcess::downloadEvent(const QString& method, const QJsonObject& params) {
    const QString guid = params.value(QStringLiteral("guid")).toString();
    if (method == QLatin1String("Browser.downloadWillBegin")) {
        // The page that asked: its top frame's id is its target's; a frame in it was seen
        // attaching to its session.
        const QString frame = params.value(QStringLiteral("frameId")).toString();
        const QString frameSession = frameSessions_.value(frame);
        QPointer<ChromiumBrowser> view;
        for (const Page& page : std::as_const(pages_))
            if (page.targetId == frame || page.session == frameSession) view = page.view;
        auto download = std::make_shared<ChromiumDownload>(
            guid, QUrl(params.value(QStringLiteral("url")).toString()),
            params.value(QStringLiteral("suggestedFilename")).toString(), downloadFolder_ + u'/' + guid);
        downloads_.insert(guid, download.get());
        // Reported from the event loop, not from inside the pipe's reading: the frame asks
        // the user there, and the pipe goes on meanwhile. A download of no page of ours is
        // dropped (the reference goes, and the download is cancelled).
        if (view)
            QMetaObject::invokeMethod(view.data(), [view, download] { view->downloadRequested(download); },
                                      Qt::QueuedConnection);
        return;
    }
    if (method != QLatin1String("Browser.downloadProgress")) return;
    const QPointer<ChromiumDownload> download = downloads_.value(guid);
    const QString state = params.value(QStringLiteral("state")).toString();
    if (state != QLatin1String("inProgress") || !download) downloads_.remove(guid);
    if (!download) return;
    download->progressed(static_cast<qint64>(params.value(QStringLiteral("receivedBytes")).toDouble()),
                         static_cast<qint64>(params.value(QStringLiteral("totalBytes")).toDouble()), state,
                         params.value(QStringLiteral("filePath")).toString());
}

void ChromiumProcess::endDownloads() {
    const auto downloads = std::exchange(downloads_, {});
    for (const QPointer<ChromiumDownload>& download : downloads)
        if (download) download->browserEnded();
}

void ChromiumProcess::openNextWindow() {
    if (!ready_ || opening_ || failed_) return;
    while (!pending_.isEmpty() && !pending_.first().view) pending_.removeFirst();
    const bool forSpare = pending_.isEmpty();
    if (forSpare && (spare_ || !spareWanted_ || spareRefill_.isActive())) return;
    // A new window takes the keyboard for a moment when the window manager shows it:
    // the spare waits until the user's hands have been still a while, so that no key
    // typed meanwhile is lost.
    if (const qint64 idle = forSpare ? X11Windows::userIdleMs() : -1; idle >= 0 && idle < SpareQuietMs)
        return spareRefill_.start(static_cast<int>(SpareQuietMs - idle));
    opening_ = true;
    const QString marker = QStringLiteral("tavix-page-%1-%2").arg(processId()).arg(++nextMarker_);
    openingMarker_ = marker;
    if (!forSpare) pending_.first().view->setWindowMarker(marker);
    // A popup of the factory's app window: a bare window. The page gets no handle on it
    // (no opener), and is titled for the frame to find its X window by. It is shown by
    // the window manager until the frame withdraws it, and a click meant for the frame
    // lands on whatever lies under the pointer: so it is made as small as the browser
    // allows, in the screen's far corner; its view gives it its size.
    const QString script =
        QStringLiteral("(() => { const w = window.open('about:blank', '_blank',"
                       " 'popup,left=100000,top=100000,width=%1,height=%2');"
                       " if (!w) return false; w.document.title = '%3'; w.opener = null; return true; })()")
            .arg(SmallestWindow)
            .arg(SmallestWindow)
            .arg(marker);
    if (X11Windows::available()) X11Windows::holdKeys();
    pipe_->call(QStringLiteral("Runtime.evaluate"),
                {{QStringLiteral("expression"), script}, {QStringLiteral("userGesture"), true},
                 {QStringLiteral("returnByValue"), true}},
                factorySession_, [this, forSpare](const DevTools::Reply& reply) {
                    // A browser that ended takes its waiting views to the next one.
                    if (reply.ended) return;
                    if (reply.ok() && reply.result.value(QStringLiteral("result")).toObject().value(QStringLiteral("value")).toBool())
                        return;
                    opening_ = false;
                    if (forSpare) return;   // the views make their own windows
                    // The factory could not open one: this view's window failed, the others try on.
                    if (!pending_.isEmpty()) {
                        const Pending failed = pending_.takeFirst();
                        if (failed.view) failed.view->startFailed(Chromium::startFailedMessage(reply.error));
                    }
                    openNextWindow();
                });
}

void ChromiumProcess::windowAttached(const QString& targetId, const QString& session) {
    opening_ = false;
    windowMade_ = true;
    Pending request;
    while (!pending_.isEmpty() && !request.view) request = pending_.takeFirst();
    if (!request.view) {
        keepSpare(targetId, session);
        return;
    }
    pages_.insert(session, {targetId, session, request.view});
    // A window opened as the spare goes to a view that came meanwhile: the view knows
    // its window by the title it was opened with.
    request.view->setWindowMarker(openingMarker_);
    request.view->pageReady(session, targetId);
    // Set up before it runs, so that its first document has the page script.
    pipe_->call(QStringLiteral("Runtime.runIfWaitingForDebugger"), {}, session);
    if (!pending_.isEmpty()) openNextWindow();
    else spareRefill_.start(SpareRefillDelayMs);   // the spare once this page has had its start
}

void ChromiumProcess::keepSpare(const QString& targetId, const QString& session) {
    spare_ = Spare{targetId, session, openingMarker_, 0, false};
    // Its empty document loads now; a view that takes it later need not wait for that.
    pipe_->call(QStringLiteral("Page.enable"), {}, session);
    pipe_->call(QStringLiteral("Runtime.runIfWaitingForDebugger"), {}, session);
    if (X11Windows::available()) spareSearch_.start();
}

void ChromiumProcess::findSpareWindow() {
    if (!spare_) return spareSearch_.stop();
    // One question at a time: the timer only asks again once the last answer is in.
    if (askingForSpare_) return;
    askingForSpare_ = true;
    X11Windows::findClientLater(processId(), spare_->marker, this, [this, marker = spare_->marker](std::uint32_t window) {
        askingForSpare_ = false;
        // Taken by a view, or another spare, while the question was out: not this one's.
        if (!window || !spare_ || spare_->marker != marker || spare_->window) return;
        spareSearch_.stop();
        X11Windows::withdraw(window);
        spare_->window = window;
    });
}

void ChromiumProcess::shutdown() {
    startTimer_.stop();
    pending_.clear();
    spare_.reset();
    spareSearch_.stop();
    doomed_.clear();
    spareRefill_.stop();
    spareWanted_ = false;
    const auto pages = std::exchange(pages_, {});
    if (pipe_ && pipe_->running()) {
        pipe_->disconnect(this);
        pipe_->stop(2000);
    }
    for (const Page& page : pages)
        if (page.view) page.view->processEnded();
    endDownloads();
    delete pipe_.data();
    ready_ = false;
}
