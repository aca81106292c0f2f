#include "engines/blink/BlinkBrowser.h"

#include "engines/Address.h"
#include "engines/PageSave.h"
#include "engines/TextSize.h"
#include "engines/blink/BlinkDownload.h"
#include "engines/blink/BlinkEngine.h"
#include "engines/blink/PageActions.h"
#include "engines/blink/PageClipboard.h"
#include "engines/blink/PageInput.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QCursor>
#include <QWebEngineContextMenuRequest>
#include <QWebEngineDownloadRequest>
#include <QWebEngineSettings>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QStackedWidget>
#include <QTimer>
#include <QWebEngineHistory>
#include <QWebEngineNewWindowRequest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

namespace {

// The page asks its browser before every navigation, so that BeforeNavigate2 can cancel
// it, and hands it the page's dialogs. A page that outlives its browser (a dialog was
// open when the window closed) refuses everything.
class BlinkPage : public QWebEnginePage {
public:
    BlinkPage(QWebEngineProfile* profile, BlinkBrowser* owner) : QWebEnginePage(profile), owner_(owner) {}
    void detach() { owner_ = nullptr; }

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override {
        return owner_ && owner_->beforeNavigate(url, type, isMainFrame);
    }
    void javaScriptAlert(const QUrl& origin, const QString& text) override {
        if (QPointer<BlinkBrowser> owner = owner_) owner->scriptDialog(PageDialog::Kind::Alert, origin, text, {}, nullptr);
    }
    bool javaScriptConfirm(const QUrl& origin, const QString& text) override {
        QPointer<BlinkBrowser> owner = owner_;
        return owner && owner->scriptDialog(PageDialog::Kind::Confirm, origin, text, {}, nullptr);
    }
    bool javaScriptPrompt(const QUrl& origin, const QString& text, const QString& defaultValue,
                          QString* result) override {
        QPointer<BlinkBrowser> owner = owner_;
        return owner && owner->scriptDialog(PageDialog::Kind::Prompt, origin, text, defaultValue, result);
    }

private:
    QPointer<BlinkBrowser> owner_;
};

// The view lets the host have its say on a right-click, and tells when it is shown.
class BlinkView : public QWebEngineView {
public:
    BlinkView(BlinkBrowser* owner, QWidget* parent) : QWebEngineView(parent), owner_(owner) {}

protected:
    void contextMenuEvent(QContextMenuEvent* event) override {
        if (owner_ && owner_->hostTakesContextMenu(event->globalPos())) return;
        QWebEngineView::contextMenuEvent(event);
    }
    void showEvent(QShowEvent* event) override {
        QWebEngineView::showEvent(event);
        if (owner_) owner_->viewVisibilityChanged(true);
    }
    void hideEvent(QHideEvent* event) override {
        QWebEngineView::hideEvent(event);
        if (owner_) owner_->viewVisibilityChanged(false);
    }

private:
    QPointer<BlinkBrowser> owner_;
};

// What a right-click was on, as the host is told.
std::uint32_t contextMenuKind(const QWebEngineContextMenuRequest* request) {
    if (!request) return CONTEXT_MENU_DEFAULT;
    if (request->mediaType() == QWebEngineContextMenuRequest::MediaTypeImage) return CONTEXT_MENU_IMAGE;
    if (request->isContentEditable()) return CONTEXT_MENU_CONTROL;
    if (request->linkUrl().isValid() && !request->linkUrl().isEmpty()) return CONTEXT_MENU_ANCHOR;
    if (!request->selectedText().isEmpty()) return CONTEXT_MENU_TEXTSELECT;
    return CONTEXT_MENU_DEFAULT;
}

// Alerts waiting behind the one shown; a page that sends more loses them.
constexpr qsizetype MaxPendingAlerts = 10;

QString originText(const QUrl& origin) {
    // "http://host:port": scheme, host and port only, never a path a page could dress up.
    const QString text = origin.adjusted(QUrl::RemovePath | QUrl::RemoveQuery | QUrl::RemoveFragment |
                                         QUrl::RemoveUserInfo)
                             .toString();
    return text.isEmpty() ? origin.scheme() + QLatin1Char(':') : text;
}

}  // namespace

BlinkBrowser::BlinkBrowser() {
    container_ = new QStackedWidget;
    view_ = new BlinkView(this, container_);
    page_ = new BlinkPage(Blink::sharedProfile(), this);
    view_->setPage(page_);
    Blink::translateActions(page_);
    const auto host = [this]() -> IDocHostUIHandler* { return site_ ? site_->QueryDocHostUIHandler() : nullptr; };
    new Blink::PageInput(view_, host);
    new Blink::PageClipboard(view_, host);
    goneLabel_ = new QLabel(Blink::rendererGoneMessage(), container_);
    goneLabel_->setAlignment(Qt::AlignCenter);
    goneLabel_->setWordWrap(true);
    container_->addWidget(view_);
    container_->addWidget(goneLabel_);
    container_->setCurrentWidget(view_);
    container_->setFocusProxy(view_);
    // Chromium hands a key the page did not use back to the view's parent.
    container_->installEventFilter(this);
    wirePage();
}

BlinkBrowser::~BlinkBrowser() {
    // No event may reach the program while the page goes away.
    page_->disconnect(this);
    page_->action(QWebEnginePage::Back)->disconnect(this);
    page_->action(QWebEnginePage::Forward)->disconnect(this);
    static_cast<BlinkPage*>(page_)->detach();
    page_->setUrlRequestInterceptor(nullptr);
    if (site_) site_->Release();
    site_ = nullptr;
    // The container's own destruction still sends events; this object is half gone by then.
    if (container_) container_->removeEventFilter(this);
    delete container_.data();   // the view first (it ends an open dialog), then the page it showed
    if (dialogsOpen_ > 0)
        page_->deleteLater();   // the page is still inside its dialog call: it goes once that returns
    else
        delete page_;
}

void BlinkBrowser::SetClientSite(IOleClientSite* site) {
    if (site == site_) return;
    if (site) site->AddRef();
    if (site_) site_->Release();
    site_ = site;
    if (!site_) return;
    if (!interceptor_) {
        interceptor_ = new Blink::HostRequestInterceptor(&answers_, &site_, this);
        page_->setUrlRequestInterceptor(interceptor_);
    }
    askHost();
}

void BlinkBrowser::askHost() {
    answers_ = ::askHost(site_);
    Blink::applyToSettings(page_->settings(), page_->profile()->settings(), answers_);
}

QWidget* BlinkBrowser::widget() { return container_; }

bool BlinkBrowser::rendererGone() const { return container_ && container_->currentWidget() == goneLabel_; }

void BlinkBrowser::wirePage() {
    connect(page_, &QWebEnginePage::loadStarted, this, [this] {
        busy_ = true;
        showPage();
        events().fireDownloadBegin();
        events().fireProgressChange(0, 100);
    });
    connect(page_, &QWebEnginePage::loadProgress, this, [this](int progress) {
        if (busy_) events().fireProgressChange(progress, 100);
    });
    connect(page_, &QWebEnginePage::loadFinished, this, [this](bool) {
        if (!busy_) return;
        busy_ = false;
        events().fireProgressChange(0, 0);
        events().fireDownloadComplete();
        reportHistory(true);
        events().fireDocumentComplete(this, urlText(page_->url()));
    });
    connect(page_, &QWebEnginePage::urlChanged, this, [this](const QUrl& url) {
        events().fireNavigateComplete2(this, urlText(url));
        reportHistory(true);
    });
    connect(page_, &QWebEnginePage::titleChanged, this, [this](const QString& title) { events().fireTitleChange(title); });
    connect(page_, &QWebEnginePage::linkHovered, this, [this](const QString& url) { events().fireStatusTextChange(url); });
    connect(page_, &QWebEnginePage::newWindowRequested, this, &BlinkBrowser::newWindowRequested);
    connect(page_, &QWebEnginePage::pdfPrintingFinished, this, [this](const QString& path, bool ok) {
        events().firePrintFinished(path, ok, ok ? QString() : QStringLiteral("ページを PDF に書き出せませんでした。"));
    });
    connect(page_, &QWebEnginePage::renderProcessTerminated, this,
            [this](QWebEnginePage::RenderProcessTerminationStatus status, int) { rendererTerminated(status); });
    wireRequests();
    connect(page_->action(QWebEnginePage::Back), &QAction::changed, this, [this] { reportHistory(false); });
    connect(page_->action(QWebEnginePage::Forward), &QAction::changed, this, [this] { reportHistory(false); });
    // Downloads are the shared profile's; each page reports its own.
    connect(page_->profile(), &QWebEngineProfile::downloadRequested, this, [this](QWebEngineDownloadRequest* request) {
        if (Blink::BlinkDownload::wanted(request, page_))
            events().fireDownloadRequest(std::make_shared<Blink::BlinkDownload>(request));
    });
}

void BlinkBrowser::reportHistory(bool always) {
    const bool back = page_->history()->canGoBack();
    const bool forward = page_->history()->canGoForward();
    if (always || back != reportedBack_) events().fireCommandStateChange(CSC_NAVIGATEBACK, back);
    if (always || forward != reportedForward_) events().fireCommandStateChange(CSC_NAVIGATEFORWARD, forward);
    reportedBack_ = back;
    reportedForward_ = forward;
}

bool BlinkBrowser::beforeNavigate(const QUrl& url, int navigationType, bool isMainFrame) {
    if (events().fireBeforeNavigate2(isMainFrame ? static_cast<IDispatch*>(this) : InnerFrameDispatch(), urlText(url)))
        return false;
    if (!site_ || !isMainFrame) return true;
    // A page that reloads or moves itself (a meta refresh) is what the page being left
    // may not do when its host forbids client pull.
    if (navigationType == QWebEnginePage::NavigationTypeRedirect && answers_.has(DLCTL_NO_CLIENTPULL)) return false;
    askHost();
    dialogs_.reset();
    pendingAlerts_.clear();
    return true;
}

bool BlinkBrowser::scriptDialog(PageDialog::Kind kind, const QUrl& origin, const QString& text,
                                const QString& defaultText, QString* result) {
    if (site_ && answers_.has(DLCTL_SILENT)) return false;
    // A hidden page (a popup receiver) has nobody to answer it.
    if (!view_ || !view_->window()->isVisible()) return false;
    if (!dialogs_.admit()) return false;
    const QString caption = originText(origin);
    if (site_) {
        if (IDocHostShowUI* showUI = site_->QueryDocHostShowUI()) {
            std::int32_t answer = 0;
            const std::uint32_t type = kind == PageDialog::Kind::Alert ? MB_OK | MB_ICONEXCLAMATION
                                                                       : MB_OKCANCEL | MB_ICONQUESTION;
            // The host may show its own box as well; the page's dialog follows unless it
            // said it has shown the message itself.
            if (showUI->ShowMessage(view_, text, caption, type, QString(), 0, &answer) == S_OK)
                return answer == static_cast<std::int32_t>(IDOK);
        }
    }
    PageDialog::Request request{kind, caption, text, defaultText, dialogs_.shownCount() > 1};
    if (kind == PageDialog::Kind::Alert) {
        // An alert needs no answer: the page goes on at once and the alerts show one
        // after another. Waiting here would hold every Chromium page, not only this one.
        if (pendingAlerts_.size() < MaxPendingAlerts) pendingAlerts_.append(request);
        showNextAlert();
        return true;
    }
    // confirm() and prompt() need their answer before the page's script goes on.
    QPointer<BlinkBrowser> self(this);
    ++dialogsOpen_;
    const PageDialog::Answer answer = PageDialog::exec(view_, request);
    // The window may have closed while the dialog was open.
    if (!self) return false;
    --dialogsOpen_;
    if (answer.suppressMore) dialogs_.forbid();
    if (result && answer.accepted) *result = answer.text;
    return answer.accepted;
}

void BlinkBrowser::showNextAlert() {
    if (alertShowing_ || pendingAlerts_.isEmpty() || !view_) return;
    alertShowing_ = true;
    const PageDialog::Request request = pendingAlerts_.takeFirst();
    QPointer<BlinkBrowser> self(this);
    PageDialog::open(view_, request, [self](const PageDialog::Answer& answer) {
        if (!self) return;
        self->alertShowing_ = false;
        if (answer.suppressMore) {
            self->dialogs_.forbid();
            self->pendingAlerts_.clear();
        }
        self->showNextAlert();
    });
}

bool BlinkBrowser::hostTakesContextMenu(QPoint globalPos) {
    if (!site_) return false;
    IDocHostUIHandler* handler = site_->QueryDocHostUIHandler();
    if (!handler) return false;
    const std::uint32_t kind = contextMenuKind(view_ ? view_->lastContextMenuRequest() : nullptr);
    return handler->ShowContextMenu(kind, &globalPos, nullptr, nullptr) == S_OK;
}

void BlinkBrowser::viewVisibilityChanged(bool visible) {
    // Scripts of a page out of sight sleep when the host asks so; the page wakes as it shows.
    if (visible) {
        if (page_->lifecycleState() != QWebEnginePage::LifecycleState::Active)
            page_->setLifecycleState(QWebEnginePage::LifecycleState::Active);
    } else if (site_ && answers_.has(DOCHOSTUIFLAG_DISABLE_SCRIPT_INACTIVE)) {
        QPointer<QWebEnginePage> page = page_;
        QTimer::singleShot(0, this, [this, page] {
            if (page && view_ && !view_->isVisible() && page->lifecycleState() == QWebEnginePage::LifecycleState::Active)
                page->setLifecycleState(QWebEnginePage::LifecycleState::Frozen);
        });
    }
}

HRESULT BlinkBrowser::TranslateAccelerator(const TMessage& msg) {
    if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN) return S_FALSE;
    if (site_)
        if (IDocHostUIHandler* handler = site_->QueryDocHostUIHandler())
            if (handler->TranslateAccelerator(&msg, nullptr, 0) == S_OK) return S_OK;   // the host took it
    const TShiftState shift = currentShiftState();
    const auto act = [this](QWebEnginePage::WebAction action) {
        page_->triggerAction(action);
        return S_OK;
    };
    switch (msg.wParam) {
    case VK_F5:
        if (shift == ssCtrl) return act(QWebEnginePage::ReloadAndBypassCache);
        if (shift == 0) return act(QWebEnginePage::Reload);
        return S_FALSE;
    case 'R': return shift == ssCtrl ? act(QWebEnginePage::Reload) : S_FALSE;
    case VK_ESCAPE: return busy_ && shift == 0 ? act(QWebEnginePage::Stop) : S_FALSE;
    case VK_LEFT: return shift == ssAlt && page_->history()->canGoBack() ? act(QWebEnginePage::Back) : S_FALSE;
    case VK_RIGHT: return shift == ssAlt && page_->history()->canGoForward() ? act(QWebEnginePage::Forward) : S_FALSE;
    case VK_F1:
        if (shift != 0 || !site_) return S_FALSE;
        if (IDocHostShowUI* showUI = site_->QueryDocHostShowUI())
            (void)showUI->ShowHelp(view_, QString(), 0, 0, QCursor::pos(), nullptr);
        return S_OK;
    default: return S_FALSE;
    }
}

bool BlinkBrowser::eventFilter(QObject* watched, QEvent* event) {
    // The event's type first: looking at container_ casts, which a container that is
    // being destroyed no longer allows.
    if (event->type() == QEvent::KeyPress && watched == container_.data()) {
        const auto* key = static_cast<QKeyEvent*>(event);
        events().fireUnusedKey(key->key(), key->modifiers(), key->text());
    }
    // It goes on up the widgets as it always has.
    return QObject::eventFilter(watched, event);
}

void BlinkBrowser::newWindowRequested(QWebEngineNewWindowRequest& request) {
    Variant ppDisp;
    if (events().fireNewWindow2(ppDisp)) return;   // cancelled: the request is dropped
    auto* target = dynamic_cast<WebBrowser2*>(ppDisp.toDispatch());
    // Nobody took the window: the page gets none rather than one the program cannot see.
    if (!target || target == this) return;
    if (auto* blink = dynamic_cast<BlinkBrowser*>(target)) {
        // The receiving page takes over the new window itself, opener and all, and
        // announces the navigation through its own BeforeNavigate2.
        request.openIn(blink->page());
        return;
    }
    // Another engine cannot adopt a Chromium window; it is sent to the address instead.
    (void)target->Navigate(urlText(request.requestedUrl()), Variant::fromInt(0), Variant::fromString(QString()),
                           Variant(), Variant());
}

void BlinkBrowser::rendererTerminated(int status) {
    if (status == QWebEnginePage::NormalTerminationStatus) return;
    const bool wasBusy = busy_;
    busy_ = false;
    container_->setCurrentWidget(goneLabel_);
    if (wasBusy) {
        events().fireProgressChange(0, 0);
        events().fireDownloadComplete();
    }
    events().fireStatusTextChange(QString());
}

void BlinkBrowser::showPage() {
    if (container_ && view_) container_->setCurrentWidget(view_);
}

HRESULT BlinkBrowser::Navigate(const QString& url, const Variant&, const Variant&, const Variant&, const Variant&) {
    const QUrl target = addressToUrl(url);
    if (!target.isValid()) return E_INVALIDARG;
    page_->load(target);
    return S_OK;
}

HRESULT BlinkBrowser::GoBack() {
    if (!page_->history()->canGoBack()) return E_FAIL;
    page_->triggerAction(QWebEnginePage::Back);
    return S_OK;
}

HRESULT BlinkBrowser::GoForward() {
    if (!page_->history()->canGoForward()) return E_FAIL;
    page_->triggerAction(QWebEnginePage::Forward);
    return S_OK;
}

HRESULT BlinkBrowser::Refresh() {
    // Also what brings a page back after its process has ended.
    showPage();
    page_->triggerAction(QWebEnginePage::Reload);
    return S_OK;
}

HRESULT BlinkBrowser::Stop() {
    page_->triggerAction(QWebEnginePage::Stop);
    return S_OK;
}

HRESULT BlinkBrowser::ExecWB(int cmdID, int, const Variant& pvaIn, Variant* pvaOut) {
    switch (cmdID) {
    case OLECMDID_SAVEAS: return saveAs();
    case OLECMDID_COPY: page_->triggerAction(QWebEnginePage::Copy); return S_OK;
    case OLECMDID_SELECTALL: page_->triggerAction(QWebEnginePage::SelectAll); return S_OK;
    case OLECMDID_ZOOM: {
        if (pvaIn.isEmpty() || pvaIn.isMissing()) {
            // A question, not a change: the nearest text size of the current zoom.
            int nearest = 2;
            for (int size = 0; size < 5; ++size)
                if (qAbs(zoomFactorForTextSize(size) - page_->zoomFactor()) <
                    qAbs(zoomFactorForTextSize(nearest) - page_->zoomFactor()))
                    nearest = size;
            if (pvaOut) *pvaOut = Variant::fromInt(nearest);
            return S_OK;
        }
        if (pvaIn.type() != VT_I4) return DISP_E_TYPEMISMATCH;
        const double factor = zoomFactorForTextSize(pvaIn.toInt());
        if (factor <= 0) return E_INVALIDARG;
        page_->setZoomFactor(factor);
        return S_OK;
    }
    default: return OLECMDERR_E_NOTSUPPORTED;
    }
}

HRESULT BlinkBrowser::saveAs() {
    // A page without a title reports its address as the title.
    const QString title = page_->title() == page_->url().toString() ? QString() : page_->title();
    const QString path =
        PageSave::chooseFile(container_, PageSave::suggestedFileName(title, page_->url().path(), QStringLiteral("html")),
                             {{QStringLiteral("Web ページ、完全 (*.html *.htm)"), QStringLiteral("html")},
                              {QStringLiteral("Web アーカイブ、単一のファイル (*.mht *.mhtml)"), QStringLiteral("mht")}});
    if (path.isEmpty()) return S_OK;   // the user changed their mind
    const QString suffix = QFileInfo(path).suffix().toLower();
    const auto format = suffix == QLatin1String("mht") || suffix == QLatin1String("mhtml")
                            ? QWebEngineDownloadRequest::MimeHtmlSaveFormat
                            : QWebEngineDownloadRequest::CompleteHtmlSaveFormat;
    page_->save(path, format);
    return S_OK;
}

HRESULT BlinkBrowser::GetProperty(int dispId, Variant& result) {
    switch (dispId) {
    case DISPID_LOCATIONURL: result = Variant::fromString(urlText(page_->url())); return S_OK;
    case DISPID_BUSY: result = Variant::fromBool(busy_); return S_OK;
    case DISPID_NAME:
        result = Variant::fromString(QStringLiteral("Chromium ") + QString::fromLatin1(qWebEngineChromiumVersion()));
        return S_OK;
    default: return DISP_E_MEMBERNOTFOUND;
    }
}
