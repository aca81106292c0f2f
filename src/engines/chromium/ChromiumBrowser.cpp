#include "engines/chromium/ChromiumBrowser.h"

#include "engines/Address.h"
#include "engines/EngineRegistry.h"
#include "engines/PageFonts.h"
#include "engines/PageSave.h"
#include "engines/TextSize.h"
#include "engines/chromium/ChromiumEngine.h"
#include "engines/chromium/ChromiumProcess.h"
#include "engines/chromium/HostRules.h"
#include "engines/chromium/PageScript.h"
#include "engines/chromium/X11Windows.h"
#include "platform/AtomicFile.h"
#include "platform/ErrorBox.h"

#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QGuiApplication>
#include <QMenu>
#include <algorithm>
#include <QFileDialog>
#include <QFileInfo>
#include <QJsonArray>
#include <QUrl>
#include <QWindow>

namespace {

// How long the frame looks for a new page's X window, in steps of the timer.
constexpr int WindowSearchStepMs = 10;
constexpr int WindowSearchSteps = 600;
// How long the first address waits for a new window's empty document at most.
constexpr int BlankDocumentWaitMs = 2000;

QString originText(const QString& address) {
    const QUrl url(address);
    const QString text = url.adjusted(QUrl::RemovePath | QUrl::RemoveQuery | QUrl::RemoveFragment | QUrl::RemoveUserInfo)
                             .toString();
    return text.isEmpty() ? url.scheme() + QLatin1Char(':') : text;
}

// The events of the engine serving in Chromium's place, raised as this page's own.
void forwardEvents(DWebBrowserEvents2& from, DWebBrowserEvents2& to, IDispatch* self, QObject* context) {
    QObject::connect(&from, &DWebBrowserEvents2::StatusTextChange, context, [&to](const QString& t) { to.fireStatusTextChange(t); });
    QObject::connect(&from, &DWebBrowserEvents2::ProgressChange, context, [&to](int p, int m) { to.fireProgressChange(p, m); });
    QObject::connect(&from, &DWebBrowserEvents2::CommandStateChange, context, [&to](int c, bool e) { to.fireCommandStateChange(c, e); });
    QObject::connect(&from, &DWebBrowserEvents2::DownloadBegin, context, [&to] { to.fireDownloadBegin(); });
    QObject::connect(&from, &DWebBrowserEvents2::DownloadComplete, context, [&to] { to.fireDownloadComplete(); });
    QObject::connect(&from, &DWebBrowserEvents2::TitleChange, context, [&to](const QString& t) { to.fireTitleChange(t); });
    QObject::connect(&from, &DWebBrowserEvents2::BeforeNavigate2, context,
                     [&to, self](IDispatch* frame, const Variant& url, const Variant& flags, const Variant& target,
                                 const Variant& postData, const Variant& headers, bool& cancel) {
                         IDispatch* as = frame == InnerFrameDispatch() ? frame : self;
                         cancel = to.fireBeforeNavigate2(as, url.toString(), flags, target, postData, headers) || cancel;
                     });
    QObject::connect(&from, &DWebBrowserEvents2::NewWindow2, &to, &DWebBrowserEvents2::NewWindow2);
    QObject::connect(&from, &DWebBrowserEvents2::NavigateComplete2, context,
                     [&to, self](IDispatch*, const Variant& url) { to.fireNavigateComplete2(self, url.toString()); });
    QObject::connect(&from, &DWebBrowserEvents2::DocumentComplete, context,
                     [&to, self](IDispatch*, const Variant& url) { to.fireDocumentComplete(self, url.toString()); });
    QObject::connect(&from, &DWebBrowserEvents2::ActivateRequest, context, [&to] { to.fireActivateRequest(); });
    QObject::connect(&from, &DWebBrowserEvents2::UnusedKey, context,
                     [&to](int key, Qt::KeyboardModifiers mods, const QString& text) { to.fireUnusedKey(key, mods, text); });
    QObject::connect(&from, &DWebBrowserEvents2::DownloadRequest, context,
                     [&to](const std::shared_ptr<Download>& download) { to.fireDownloadRequest(download); });
    QObject::connect(&from, &DWebBrowserEvents2::FindResult, context, [&to](int current, int total) { to.fireFindResult(current, total); });
    QObject::connect(&from, &DWebBrowserEvents2::PrintFinished, context,
                     [&to](const QString& path, bool ok, const QString& why) { to.firePrintFinished(path, ok, why); });
}

}  // namespace

ChromiumBrowser::ChromiumBrowser(QString builtInClassId) : builtInClassId_(std::move(builtInClassId)) {
    page_.widget()->installEventFilter(this);
    windowSearch_.setInterval(WindowSearchStepMs);
    connect(&windowSearch_, &QTimer::timeout, this, &ChromiumBrowser::findWindow);
    // The page's window is asked for with its first navigation: a browser whose every
    // navigation is cancelled (the popup receiver) never costs one.
}

ChromiumBrowser::~ChromiumBrowser() {
    windowSearch_.stop();
    if (QWidget* widget = page_.widget()) widget->removeEventFilter(this);
    // Out of our window before it goes, so that X does not destroy Chromium's window
    // with ours: the browser closes it itself.
    page_.release();
    window_ = 0;
    if (attached_) ChromiumProcess::instance().detach(this);
    if (site_) site_->Release();
    substitute_.reset();
}

QWidget* ChromiumBrowser::widget() { return page_.widget(); }

bool ChromiumBrowser::showsGone() const { return page_.showsGone(); }

void ChromiumBrowser::SetClientSite(IOleClientSite* site) {
    if (substitute_) substitute_->SetClientSite(site);
    if (site == site_) return;
    if (site) site->AddRef();
    if (site_) site_->Release();
    site_ = site;
    applyHostAnswers();
}

void ChromiumBrowser::applyHostAnswers() {
    answers_ = ::askHost(site_);
    if (session_.isEmpty() || (applied_ && *applied_ == answers_)) return;
    const bool first = !applied_;
    const HostAnswers before = applied_.value_or(HostAnswers{});
    applied_ = answers_;
    if (first || HostRules::holdsEveryRequest(before) != HostRules::holdsEveryRequest(answers_))
        // Sign-in challenges of the requests held come to the program, which asks in its
        // own dialog.
        send(QStringLiteral("Fetch.enable"),
             {{QStringLiteral("patterns"), HostRules::fetchPatterns(answers_)}, {QStringLiteral("handleAuthRequests"), true}});
    if (first ? answers_.scriptsOff() : before.scriptsOff() != answers_.scriptsOff())
        send(QStringLiteral("Emulation.setScriptExecutionDisabled"), {{QStringLiteral("value"), answers_.scriptsOff()}});
    if (first ? answers_.has(DOCHOSTUIFLAG_SCROLL_NO) : before.has(DOCHOSTUIFLAG_SCROLL_NO) != answers_.has(DOCHOSTUIFLAG_SCROLL_NO))
        send(QStringLiteral("Emulation.setScrollbarsHidden"), {{QStringLiteral("hidden"), answers_.has(DOCHOSTUIFLAG_SCROLL_NO)}});
}

bool ChromiumBrowser::ensurePage() {
    if (substitute_) return true;
    if (attached_) return true;
    attached_ = true;
    ChromiumProcess::instance().attach(this);
    return true;
}

bool ChromiumBrowser::send(const QString& method, const QJsonObject& params, DevTools::ReplyHandler handler) {
    return !session_.isEmpty() && ChromiumProcess::instance().send(this, method, params, std::move(handler));
}

void ChromiumBrowser::pageReady(const QString& session, const QString& targetId, std::uint32_t window, bool blankLoaded) {
    session_ = session;
    targetId_ = targetId;
    searching_ = true;
    navigated_ = false;
    blankDone_ = blankLoaded;
    // A blank document that never says it has loaded holds nobody up for long.
    QTimer::singleShot(BlankDocumentWaitMs, this, [this, session] {
        if (session_ == session && !blankDone_) {
            blankDone_ = true;
            navigatePending();
        }
    });
    const QString binding = ChromiumProcess::instance().bindingName();
    send(QStringLiteral("Page.enable"));
    // The page script's reports arrive as binding calls, which only an enabled Runtime
    // domain passes on.
    send(QStringLiteral("Runtime.enable"));
    send(QStringLiteral("Runtime.addBinding"), {{QStringLiteral("name"), binding}});
    QJsonObject fonts;
    if (const QString sans = PageFonts::sans(); !sans.isEmpty()) {
        fonts.insert(QStringLiteral("standard"), sans);
        fonts.insert(QStringLiteral("sansSerif"), sans);
    }
    if (const QString serif = PageFonts::serif(); !serif.isEmpty()) fonts.insert(QStringLiteral("serif"), serif);
    if (!fonts.isEmpty()) send(QStringLiteral("Page.setFontFamilies"), {{QStringLiteral("fontFamilies"), fonts}});
    // A file input asks the frame, whose dialog opens over the frame and speaks the
    // user's language, instead of opening Chromium's own window.
    send(QStringLiteral("Page.setInterceptFileChooserDialog"), {{QStringLiteral("enabled"), true}});
    send(QStringLiteral("Page.addScriptToEvaluateOnNewDocument"), {{QStringLiteral("source"), PageScript::source(binding)}});
    watchCertificates();
    // Every document the page is about to fetch is held back first, so that
    // BeforeNavigate2 can cancel it before it leaves; with a host, whatever its answers
    // need held back as well.
    applied_.reset();
    applyHostAnswers();
    if (textSize_ != 2) applyZoom();
    // The renderer takes the setup in the order sent, but the browser itself navigates at
    // once: a window made ahead of need has already run, and an address sent with its
    // setup committed before the page script and the host's answers were in place (no
    // title ever came). The first address waits for the renderer's answer to the last.
    // (A page the browser does not know has nobody to wait for.)
    setUp_ = !send(QStringLiteral("Runtime.evaluate"), {{QStringLiteral("expression"), QStringLiteral("0")}},
                   [self = QPointer<ChromiumBrowser>(this), session](const DevTools::Reply& reply) {
                       if (!self || reply.ended || self->session_ != session) return;
                       self->setUp_ = true;
                       self->navigatePending();
                   });
    if (window) {
        windowFound();
        adopt(window);
    } else if (X11Windows::available()) {
        // The window is known by its title only until the page leaves its first,
        // empty document: the first address waits until the window is found.
        windowTries_ = 0;
        windowSearch_.start();
    } else {
        windowFound();
    }
}

void ChromiumBrowser::windowFound() {
    windowSearch_.stop();
    searching_ = false;
    navigatePending();
}

void ChromiumBrowser::navigatePending() {
    if (!pendingUrl_.isEmpty() && !searching_ && blankDone_ && setUp_) navigateNow(std::exchange(pendingUrl_, QString()));
}

void ChromiumBrowser::findWindow() {
    // One question at a time: the timer only asks again once the last answer is in.
    if (askingForWindow_) return;
    askingForWindow_ = true;
    X11Windows::findClientLater(ChromiumProcess::instance().processId(), marker_, this,
                                [this, marker = marker_](std::uint32_t window) {
        askingForWindow_ = false;
        // The search ended, or is for another window, while the question was out.
        if (!searching_ || marker != marker_) return;
        if (!window) {
            if (++windowTries_ > WindowSearchSteps) windowFound();
            return;
        }
        windowFound();
        adopt(window);
    });
}

void ChromiumBrowser::adopt(std::uint32_t window) {
    X11Windows::withdraw(window);
    embedWhenUnframed(window, 0);
}

void ChromiumBrowser::embedWhenUnframed(std::uint32_t window, int step) {
    // The window manager lets go of the window before it is ours: embedding it while
    // still framed would leave the frame behind.
    X11Windows::placeLater(window, this, [this, window, step](X11Windows::Place place) {
        if (place == X11Windows::Place::Framed && step < 100) {
            QTimer::singleShot(10, this, [this, window, step] { embedWhenUnframed(window, step + 1); });
            return;
        }
        if (place != X11Windows::Place::Gone) embed(window);
    });
}

void ChromiumBrowser::embed(std::uint32_t window) {
    QWidget* page = page_.embed(static_cast<WId>(window));
    if (!page) return;
    window_ = window;
    page->installEventFilter(this);
    X11Windows::markEmbedded(page, window);
    if (QWidget* top = page->window(); top && top->windowHandle())
        X11Windows::takeFocusForEmbeddedWindows(static_cast<std::uint32_t>(top->winId()));
}

void ChromiumBrowser::startLoading() {
    if (busy_) return;
    busy_ = true;
    events().fireDownloadBegin();
    events().fireProgressChange(0, 100);
}

void ChromiumBrowser::finishLoading() {
    if (!busy_) return;
    busy_ = false;
    events().fireProgressChange(0, 0);
    events().fireDownloadComplete();
}

void ChromiumBrowser::setLocation(const QString& location) {
    location_ = location;
    events().fireNavigateComplete2(this, location_);
    reportHistory();
}

void ChromiumBrowser::reportHistory() {
    QPointer<ChromiumBrowser> self(this);
    send(QStringLiteral("Page.getNavigationHistory"), {}, [self](const DevTools::Reply& reply) {
        if (!self || !reply.ok()) return;
        const int current = reply.result.value(QStringLiteral("currentIndex")).toInt();
        const int count = reply.result.value(QStringLiteral("entries")).toArray().size();
        const bool back = current > 0;
        const bool forward = current + 1 < count;
        self->canBack_ = back;
        self->canForward_ = forward;
        self->events().fireCommandStateChange(CSC_NAVIGATEBACK, back);
        self->events().fireCommandStateChange(CSC_NAVIGATEFORWARD, forward);
    });
}

void ChromiumBrowser::pageEvent(const QString& method, const QJsonObject& params) {
    // The empty document a new window starts with is no page of the user's. The first
    // address waits until it has loaded, so that none of its events follow.
    if (!navigated_ && method.startsWith(QLatin1String("Page.frame"))) {
        if (method == QLatin1String("Page.frameStoppedLoading") && !blankDone_) {
            blankDone_ = true;
            navigatePending();
        }
        return;
    }
    const QString frameId = params.value(QStringLiteral("frameId")).toString();
    const bool topFrame = frameId == targetId_;
    if (method == QLatin1String("Page.frameStartedLoading")) {
        if (topFrame) startLoading();
    } else if (method == QLatin1String("Page.frameNavigated")) {
        const QJsonObject frame = params.value(QStringLiteral("frame")).toObject();
        if (frame.contains(QStringLiteral("parentId"))) return;
        announcedUrl_.clear();
        dialogs_.reset();
        if (busy_) events().fireProgressChange(50, 100);
        // An error page stands for the address that failed, as in the other engines.
        const QString unreachable = frame.value(QStringLiteral("unreachableUrl")).toString();
        setLocation(!unreachable.isEmpty() ? unreachable
                                           : frame.value(QStringLiteral("url")).toString() +
                                                 frame.value(QStringLiteral("urlFragment")).toString());
    } else if (method == QLatin1String("Page.navigatedWithinDocument")) {
        if (topFrame) setLocation(params.value(QStringLiteral("url")).toString());
    } else if (method == QLatin1String("Page.domContentEventFired")) {
        if (busy_) events().fireProgressChange(80, 100);
    } else if (method == QLatin1String("Page.frameStoppedLoading")) {
        if (!topFrame || !busy_) return;
        finishLoading();
        reportHistory();
        events().fireDocumentComplete(this, location_);
    } else if (method == QLatin1String("Page.frameRequestedNavigation")) {
        const QString reason = params.value(QStringLiteral("reason")).toString();
        if (topFrame) clientPull_ = reason == QLatin1String("metaTagRefresh") || reason == QLatin1String("httpHeaderRefresh");
    } else if (method == QLatin1String("Page.windowOpen")) {
        openNewWindow(*this, params.value(QStringLiteral("url")).toString());
    } else if (method == QLatin1String("Page.fileChooserOpened")) {
        chooseFiles(params);
    } else if (method == QLatin1String("Page.javascriptDialogOpening")) {
        scriptDialog(params);
    } else if (method == QLatin1String("Runtime.bindingCalled")) {
        if (params.value(QStringLiteral("name")).toString() == ChromiumProcess::instance().bindingName())
            bindingCalled(params.value(QStringLiteral("payload")).toString());
    } else if (method == QLatin1String("Fetch.requestPaused")) {
        requestPaused(params);
    } else if (method == QLatin1String("Fetch.authRequired")) {
        authRequired(params);
    } else if (method == QLatin1String("Security.certificateError")) {
        certificateError(params);
    } else if (method == QLatin1String("Inspector.targetCrashed")) {
        page_.showGone(Chromium::processGoneMessage());
        finishLoading();
        events().fireStatusTextChange(QString());
    }
}

void ChromiumBrowser::targetInfoChanged(const QJsonObject& info) {
    // The browser's own title: the page's, or its address while it has none. Later
    // changes by script come from the page script.
    const QString title = info.value(QStringLiteral("title")).toString();
    if (!navigated_ || title.isEmpty() || title == title_ || title == marker_) return;
    title_ = title;
    events().fireTitleChange(title_);
}

void ChromiumBrowser::bindingCalled(const QString& payload) {
    const PageScript::Report report = PageScript::parse(payload);
    switch (report.kind) {
    case PageScript::Report::Kind::Click:
        // The window it lies in comes to the front first: activating it gives the
        // keyboard to whatever had it last in that window, and the click meant the page.
        events().fireActivateRequest();
        if (QWidget* page = page_.pageWidget()) {
            page->setFocus(Qt::MouseFocusReason);
            // Qt sees no change when the page already had its keyboard (the X keyboard
            // stayed with the frame's own window), so it is handed over here as well.
            if (QApplication::focusWidget() == page && window_) X11Windows::focus(window_);
        }
        break;
    case PageScript::Report::Kind::Status: events().fireStatusTextChange(report.text); break;
    case PageScript::Report::Kind::Title: {
        // A document without a title is called by its address, as the browser itself
        // calls it, and as the other engines do: the caption never keeps the title of
        // the page before.
        const QString title = report.text.isEmpty() ? untitledCaption(location_) : report.text;
        if (title.isEmpty() || title == title_ || title == marker_) return;
        title_ = title;
        events().fireTitleChange(title_);
        break;
    }
    case PageScript::Report::Kind::Key: events().fireUnusedKey(report.key, report.modifiers, report.text); break;
    case PageScript::Report::Kind::Menu: contextMenu(report); break;
    case PageScript::Report::Kind::Ask: permissionAsked(report.text); break;
    case PageScript::Report::Kind::None: break;
    }
}

QString ChromiumBrowser::untitledCaption(const QString& address) {
    // "host:port/path" for the web, the whole address otherwise (as Chromium names it).
    const QUrl url(address);
    if (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https"))
        return url.toDisplayString(QUrl::RemoveScheme | QUrl::RemoveUserInfo).mid(2);
    return address;
}

void ChromiumBrowser::contextMenu(const PageScript::Report& report) {
    if (!page_.widget()) return;
    QPoint at = QCursor::pos();
    std::uint32_t kind = CONTEXT_MENU_DEFAULT;
    if (!report.image.isEmpty()) kind = CONTEXT_MENU_IMAGE;
    else if (report.editable) kind = CONTEXT_MENU_CONTROL;
    else if (!report.link.isEmpty()) kind = CONTEXT_MENU_ANCHOR;
    else if (!report.text.isEmpty()) kind = CONTEXT_MENU_TEXTSELECT;
    // The host has the first say; a host that shows its own menu takes the click.
    if (site_)
        if (IDocHostUIHandler* handler = site_->QueryDocHostUIHandler())
            if (handler->ShowContextMenu(kind, &at, nullptr, nullptr) == S_OK) return;
    auto* menu = new QMenu(page_.widget());
    menu->setAttribute(Qt::WA_DeleteOnClose);
    QPointer<ChromiumBrowser> self(this);
    const auto add = [&](const QString& text, bool enabled, std::function<void()> action) {
        QAction* item = menu->addAction(text);
        item->setEnabled(enabled);
        connect(item, &QAction::triggered, this, [self, action] {
            if (self) action();
        });
    };
    const auto script = [this](const QString& expression) {
        send(QStringLiteral("Runtime.evaluate"),
             {{QStringLiteral("expression"), expression}, {QStringLiteral("userGesture"), true}});
    };
    if (!report.link.isEmpty()) {
        const QString link = report.link;
        add(QStringLiteral("新しいウィンドウで開く(&N)"), true, [this, link] { openNewWindow(*this, link); });
        add(QStringLiteral("ショートカットのコピー(&T)"), true, [link] { QGuiApplication::clipboard()->setText(link); });
        menu->addSeparator();
    }
    if (!report.image.isEmpty()) {
        const QString image = report.image;
        add(QStringLiteral("画像のアドレスをコピー"), true, [image] { QGuiApplication::clipboard()->setText(image); });
        menu->addSeparator();
    }
    if (report.editable) {
        add(QStringLiteral("切り取り(&T)"), !report.text.isEmpty(), [script] { script(QStringLiteral("document.execCommand('cut')")); });
        add(QStringLiteral("コピー(&C)"), !report.text.isEmpty(), [script] { script(QStringLiteral("document.execCommand('copy')")); });
        // A page may not read the clipboard: the text is typed in as the user's.
        add(QStringLiteral("貼り付け(&P)"), !QGuiApplication::clipboard()->text().isEmpty(), [this] {
            send(QStringLiteral("Input.insertText"), {{QStringLiteral("text"), QGuiApplication::clipboard()->text()}});
        });
    } else {
        add(QStringLiteral("戻る(&B)"), canBack_, [this] { (void)GoBack(); });
        add(QStringLiteral("進む(&O)"), canForward_, [this] { (void)GoForward(); });
        add(QStringLiteral("最新の情報に更新(&R)"), true, [this] { (void)Refresh(); });
        menu->addSeparator();
        add(QStringLiteral("コピー(&C)"), !report.text.isEmpty(), [script] { script(QStringLiteral("document.execCommand('copy')")); });
    }
    add(QStringLiteral("すべて選択(&A)"), true, [script] { script(QStringLiteral("document.execCommand('selectAll')")); });
    menu->addSeparator();
    add(QStringLiteral("印刷(&I)..."), true, [script] { script(QStringLiteral("window.print()")); });
    menu->popup(at);
}

void ChromiumBrowser::requestPaused(const QJsonObject& params) {
    const QString requestId = params.value(QStringLiteral("requestId")).toString();
    const QJsonObject request = params.value(QStringLiteral("request")).toObject();
    const QString url = request.value(QStringLiteral("url")).toString();
    const QString type = params.value(QStringLiteral("resourceType")).toString();
    const bool document = type == QLatin1String("Document");
    const bool topDocument = document && params.value(QStringLiteral("frameId")).toString() == targetId_;
    const auto failWith = [&](const QString& reason) {
        send(QStringLiteral("Fetch.failRequest"),
             {{QStringLiteral("requestId"), requestId}, {QStringLiteral("errorReason"), reason}});
    };
    const auto fail = [&] { failWith(QStringLiteral("BlockedByClient")); };
    const auto abort = [&] { failWith(QStringLiteral("Aborted")); };
    QString address = url;
    if (document) {
        bool cancel = false;
        if (topDocument && !announcedUrl_.isEmpty() && url == announcedUrl_) {
            announcedUrl_.clear();   // Navigate has raised BeforeNavigate2 for it already
        } else {
            cancel = events().fireBeforeNavigate2(topDocument ? static_cast<IDispatch*>(this) : InnerFrameDispatch(), url);
        }
        // A cancelled page stays as it was: an aborted navigation shows no error page.
        if (cancel) return topDocument ? abort() : fail();
        if (topDocument) {
            // A page that reloads or moves itself (a refresh) is what the page being left
            // may not do when its host forbids client pull.
            if (std::exchange(clientPull_, false) && site_ && answers_.has(DLCTL_NO_CLIENTPULL)) return fail();
            applyHostAnswers();
            dialogs_.reset();
        }
        if (site_)
            if (IDocHostUIHandler* handler = site_->QueryDocHostUIHandler()) {
                QString translated;
                if (handler->TranslateUrl(0, url, &translated) == S_OK && !translated.isEmpty() && QUrl(translated).isValid())
                    address = translated;
            }
    }
    const HostRules::Decision decision =
        HostRules::decide(answers_, type, QUrl(address), topDocument, document && !topDocument);
    if (decision.block) return fail();
    QJsonObject answer{{QStringLiteral("requestId"), requestId}};
    if (address != url) answer.insert(QStringLiteral("url"), address);
    if (!decision.headers.empty()) {
        // The headers given replace the request's own: all of them go back.
        QJsonArray headers;
        const QJsonObject own = request.value(QStringLiteral("headers")).toObject();
        for (auto it = own.begin(); it != own.end(); ++it) {
            const bool replaced = std::any_of(decision.headers.begin(), decision.headers.end(), [&](const auto& h) {
                return h.first.compare(it.key(), Qt::CaseInsensitive) == 0;
            });
            if (!replaced) headers.append(QJsonObject{{QStringLiteral("name"), it.key()}, {QStringLiteral("value"), it.value()}});
        }
        for (const auto& [name, value] : decision.headers)
            headers.append(QJsonObject{{QStringLiteral("name"), name}, {QStringLiteral("value"), value}});
        answer.insert(QStringLiteral("headers"), headers);
    }
    send(QStringLiteral("Fetch.continueRequest"), answer);
}

void ChromiumBrowser::scriptDialog(const QJsonObject& params) {
    const QString type = params.value(QStringLiteral("type")).toString();
    const auto answer = [this](bool accept, const QString& text = {}) {
        QJsonObject reply{{QStringLiteral("accept"), accept}};
        if (!text.isNull()) reply.insert(QStringLiteral("promptText"), text);
        send(QStringLiteral("Page.handleJavaScriptDialog"), reply);
    };
    PageDialog::Kind kind = PageDialog::Kind::Alert;
    if (type == QLatin1String("confirm")) kind = PageDialog::Kind::Confirm;
    else if (type == QLatin1String("prompt")) kind = PageDialog::Kind::Prompt;
    else if (type != QLatin1String("alert")) return answer(true);   // beforeunload: the page may go
    if (site_ && answers_.has(DLCTL_SILENT)) return answer(false);
    // A hidden page (a popup receiver) has nobody to answer it.
    QWidget* view = page_.widget();
    if (!view || !view->window()->isVisible() || !dialogs_.admit()) return answer(false);
    const QString caption = originText(params.value(QStringLiteral("url")).toString());
    if (site_)
        if (IDocHostShowUI* showUI = site_->QueryDocHostShowUI()) {
            std::int32_t result = 0;
            const std::uint32_t style = kind == PageDialog::Kind::Alert ? MB_OK | MB_ICONEXCLAMATION : MB_OKCANCEL | MB_ICONQUESTION;
            // The host may show its own box; the page's dialog follows unless it says
            // it has shown the message itself.
            if (showUI->ShowMessage(view, params.value(QStringLiteral("message")).toString(), caption, style,
                                    QString(), 0, &result) == S_OK)
                return answer(result == static_cast<std::int32_t>(IDOK));
        }
    PageDialog::Request request{kind, caption,
                                params.value(QStringLiteral("message")).toString(),
                                params.value(QStringLiteral("defaultPrompt")).toString(), dialogs_.shownCount() > 1};
    QPointer<ChromiumBrowser> self(this);
    // The page waits in its own process; the frame goes on while the user answers.
    PageDialog::open(view, request, [self, answer, kind](const PageDialog::Answer& given) {
        if (!self) return;
        if (given.suppressMore) self->dialogs_.forbid();
        answer(kind == PageDialog::Kind::Alert || given.accepted,
               kind == PageDialog::Kind::Prompt && given.accepted ? given.text : QString());
    });
}

void ChromiumBrowser::chooseFiles(const QJsonObject& params) {
    const QJsonValue node = params.value(QStringLiteral("backendNodeId"));
    if (node.isUndefined() || !page_.widget()) return;
    auto* dialog = new QFileDialog(page_.widget()->window(), QStringLiteral("アップロードするファイルの選択"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setFileMode(params.value(QStringLiteral("mode")).toString() == QLatin1String("selectMultiple")
                            ? QFileDialog::ExistingFiles
                            : QFileDialog::ExistingFile);
    QPointer<ChromiumBrowser> self(this);
    connect(dialog, &QFileDialog::filesSelected, this, [self, node](const QStringList& files) {
        if (!self) return;
        QJsonArray paths;
        for (const QString& file : files) paths.append(QFileInfo(file).absoluteFilePath());
        self->send(QStringLiteral("DOM.setFileInputFiles"),
                   {{QStringLiteral("files"), paths}, {QStringLiteral("backendNodeId"), node}});
    });
    dialog->open();
}

void ChromiumBrowser::pageClosed() {
    // The page closed itself (window.close()) or the browser closed it.
    session_.clear();
    attached_ = false;
    searching_ = false;
    windowSearch_.stop();
    page_.release();
    window_ = 0;
    page_.showGone(Chromium::processGoneMessage());
    finishLoading();
}

void ChromiumBrowser::processEnded() {
    windowSearch_.stop();
    session_.clear();
    attached_ = false;
    searching_ = false;
    windowSearch_.stop();
    // The browser's windows died with it.
    page_.drop();
    window_ = 0;
    page_.showGone(Chromium::processGoneMessage());
    finishLoading();
    events().fireStatusTextChange(QString());
}

void ChromiumBrowser::startFailed(const QString& reason) {
    attached_ = false;
    if (substitute_) return;
    try {
        substitute_ = EngineRegistry::createInstance(builtInClassId_);
    } catch (const std::exception&) {
        page_.showGone(reason);
        return;
    }
    forwardEvents(substitute_->events(), events(), this, this);
    if (site_) substitute_->SetClientSite(site_);
    page_.place(substitute_->widget());
    events().fireStatusTextChange(Chromium::fallBackStatus(reason));
    if (textSize_ != 2) (void)substitute_->ExecWB(OLECMDID_ZOOM, 0, Variant::fromInt(textSize_), nullptr);
    if (!pendingUrl_.isEmpty())
        (void)substitute_->Navigate(std::exchange(pendingUrl_, QString()), Variant::fromInt(0),
                                    Variant::fromString(QString()), Variant(), Variant());
}

bool ChromiumBrowser::eventFilter(QObject* watched, QEvent* event) {
    if (watched == page_.widget() && (event->type() == QEvent::Show || event->type() == QEvent::Hide)) {
        // Scripts of a page out of sight sleep when the host asks so; the page wakes as
        // it shows.
        const bool shown = event->type() == QEvent::Show;
        if (shown ? frozen_ : site_ && answers_.has(DOCHOSTUIFLAG_DISABLE_SCRIPT_INACTIVE)) {
            frozen_ = !shown;
            send(QStringLiteral("Page.setWebLifecycleState"),
                 {{QStringLiteral("state"), shown ? QStringLiteral("active") : QStringLiteral("frozen")}});
        }
    }
    QWidget* page = page_.pageWidget();
    if (page && watched == page && event->type() == QEvent::FocusIn && window_) {
        X11Windows::focus(window_);
        // The frame's windows are all there by now (not always at the first embedding).
        if (QWidget* top = page->window(); top && top->windowHandle())
            X11Windows::takeFocusForEmbeddedWindows(static_cast<std::uint32_t>(top->winId()));
    }
    if (page && watched == page && event->type() == QEvent::FocusOut && QApplication::focusWidget() != page) {
        // Take the X keyboard back from Chromium's window to the frame's. Qt still counts
        // the frame as active (the keyboard was inside it), so asking it to activate the
        // frame would do nothing and the user's typing would go on into the page.
        // A widget with a window of its own (a find bar below the page) gets it there:
        // X hands keys typed with the pointer over the page to the page for as long as
        // the keyboard is with a window the page lies in, as the frame's top-level is.
        if (QWidget* top = page->window(); top && top->windowHandle()) {
            QWidget* now = QApplication::focusWidget();
            X11Windows::focus(now && now->window() == top ? X11Windows::keyboardWindowFor(now, page)
                                                          : static_cast<std::uint32_t>(top->winId()));
        }
    }
    return QObject::eventFilter(watched, event);
}

HRESULT ChromiumBrowser::Navigate(const QString& url, const Variant& flags, const Variant& target,
                                  const Variant& postData, const Variant& headers) {
    if (substitute_) return substitute_->Navigate(url, flags, target, postData, headers);
    const QUrl address = addressToUrl(url);
    if (!address.isValid()) return E_INVALIDARG;
    const QString text = address.toString(QUrl::FullyEncoded);
    // Announced at once, as a navigation is asked for, even while the page's window is
    // still being made: the request held back later is not announced again.
    if (events().fireBeforeNavigate2(this, text)) return S_OK;
    announcedUrl_ = text;
    return navigateNow(text);
}

HRESULT ChromiumBrowser::navigateNow(const QString& url) {
    if (session_.isEmpty() || searching_ || !blankDone_ || !setUp_) {
        // The window is still being made (or the browser started anew): the address
        // waits for it.
        pendingUrl_ = url;
        ensurePage();
        return S_OK;
    }
    navigated_ = true;
    if (showsGone()) page_.showPage();
    send(QStringLiteral("Page.navigate"), {{QStringLiteral("url"), url}});
    return S_OK;
}

HRESULT ChromiumBrowser::historyStep(int step) {
    if (session_.isEmpty()) return RPC_E_DISCONNECTED;
    if ((step < 0 && !canBack_) || (step > 0 && !canForward_)) return E_FAIL;
    QPointer<ChromiumBrowser> self(this);
    send(QStringLiteral("Page.getNavigationHistory"), {}, [self, step](const DevTools::Reply& reply) {
        if (!self || !reply.ok()) return;
        const QJsonArray entries = reply.result.value(QStringLiteral("entries")).toArray();
        const int index = reply.result.value(QStringLiteral("currentIndex")).toInt() + step;
        if (index < 0 || index >= entries.size()) return;
        self->send(QStringLiteral("Page.navigateToHistoryEntry"),
                   {{QStringLiteral("entryId"), entries.at(index).toObject().value(QStringLiteral("id"))}});
    });
    return S_OK;
}

HRESULT ChromiumBrowser::GoBack() { return substitute_ ? substitute_->GoBack() : historyStep(-1); }

HRESULT ChromiumBrowser::GoForward() { return substitute_ ? substitute_->GoForward() : historyStep(1); }

HRESULT ChromiumBrowser::Refresh() {
    if (substitute_) return substitute_->Refresh();
    if (session_.isEmpty()) {
        // A page whose browser ended comes back in a new one.
        if (!location_.isEmpty()) pendingUrl_ = location_;
        ensurePage();
        return S_OK;
    }
    page_.showPage();
    send(QStringLiteral("Page.reload"));
    return S_OK;
}

HRESULT ChromiumBrowser::Stop() {
    if (substitute_) return substitute_->Stop();
    if (session_.isEmpty()) return S_OK;   // nothing loads in a browser that has ended
    send(QStringLiteral("Page.stopLoading"));
    return S_OK;
}

void ChromiumBrowser::applyZoom() {
    const double factor = zoomFactorForTextSize(textSize_);
    if (!zoomScript_.isEmpty())
        send(QStringLiteral("Page.removeScriptToEvaluateOnNewDocument"), {{QStringLiteral("identifier"), zoomScript_}});
    zoomScript_.clear();
    QPointer<ChromiumBrowser> self(this);
    if (textSize_ != 2)
        send(QStringLiteral("Page.addScriptToEvaluateOnNewDocument"), {{QStringLiteral("source"), PageScript::zoomSource(factor)}},
             [self](const DevTools::Reply& reply) {
                 if (self && reply.ok()) self->zoomScript_ = reply.result.value(QStringLiteral("identifier")).toString();
             });
    send(QStringLiteral("Runtime.evaluate"), {{QStringLiteral("expression"), PageScript::zoomNow(factor)}});
}

HRESULT ChromiumBrowser::ExecWB(int cmdID, int cmdexecopt, const Variant& pvaIn, Variant* pvaOut) {
    if (substitute_) {
        const HRESULT result = substitute_->ExecWB(cmdID, cmdexecopt, pvaIn, pvaOut);
        if (cmdID == OLECMDID_ZOOM && result == S_OK && pvaIn.type() == VT_I4) textSize_ = pvaIn.toInt();
        return result;
    }
    const auto command = [this](const char* name) {
        // Runs as if the user had asked, which the clipboard requires.
        send(QStringLiteral("Runtime.evaluate"),
             {{QStringLiteral("expression"), QStringLiteral("document.execCommand('%1')").arg(QLatin1String(name))},
              {QStringLiteral("userGesture"), true}});
    };
    switch (cmdID) {
    case OLECMDID_SAVEAS:
        if (session_.isEmpty()) return RPC_E_DISCONNECTED;
        return saveAs();
    case OLECMDID_COPY:
        if (session_.isEmpty()) return RPC_E_DISCONNECTED;
        command("copy");
        return S_OK;
    case OLECMDID_SELECTALL:
        if (session_.isEmpty()) return RPC_E_DISCONNECTED;
        command("selectAll");
        return S_OK;
    case OLECMDID_ZOOM:
        if (pvaIn.isEmpty() || pvaIn.isMissing()) {
            if (pvaOut) *pvaOut = Variant::fromInt(textSize_);
            return S_OK;
        }
        if (pvaIn.type() != VT_I4) return DISP_E_TYPEMISMATCH;
        if (pvaIn.toInt() < 0 || pvaIn.toInt() > 4) return E_INVALIDARG;
        textSize_ = pvaIn.toInt();
        applyZoom();
        return S_OK;
    default: return OLECMDERR_E_NOTSUPPORTED;
    }
}

HRESULT ChromiumBrowser::saveAs() {
    const QString title = title_ == location_ ? QString() : title_;
    const QString path = PageSave::chooseFile(
        page_.widget(), PageSave::suggestedFileName(title, QUrl(location_).path(), QStringLiteral("mht")),
        {{QStringLiteral("Web アーカイブ、単一のファイル (*.mht *.mhtml)"), QStringLiteral("mht")}});
    if (path.isEmpty()) return S_OK;   // the user changed their mind
    const QString target = QFileInfo(path).absoluteFilePath();
    send(QStringLiteral("Page.captureSnapshot"), {{QStringLiteral("format"), QStringLiteral("mhtml")}},
         [target](const DevTools::Reply& reply) {
             if (!reply.ok()) {
                 ErrorBox::show(QStringLiteral("%1 を保存できませんでした。\n%2").arg(target, reply.error));
                 return;
             }
             const QByteArray data = reply.result.value(QStringLiteral("data")).toString().toUtf8();
             ErrorBox::guard([&] { AtomicFile::write(target, std::string_view(data.constData(), static_cast<std::size_t>(data.size()))); });
         });
    return S_OK;
}

HRESULT ChromiumBrowser::GetProperty(int dispId, Variant& result) {
    if (substitute_) return substitute_->GetProperty(dispId, result);
    switch (dispId) {
    case DISPID_LOCATIONURL: result = Variant::fromString(location_); return S_OK;
    case DISPID_BUSY: result = Variant::fromBool(busy_); return S_OK;
    case DISPID_NAME: {
        const QString version = ChromiumProcess::instance().version();
        result = Variant::fromString(version.isEmpty() ? QStringLiteral("Chromium") : version);
        return S_OK;
    }
    default: return DISP_E_MEMBERNOTFOUND;
    }
}
