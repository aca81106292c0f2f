#include "engines/blink/BlinkBrowser.h"

#include "engines/Address.h"
#include "engines/PageSave.h"
#include "engines/TextSize.h"
#include "engines/blink/BlinkEngine.h"

#include <QAction>
#include <QFileInfo>
#include <QLabel>
#include <QStackedWidget>
#include <QWebEngineHistory>
#include <QWebEngineNewWindowRequest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

namespace {

// The page asks its browser before every navigation, so that BeforeNavigate2 can cancel it.
class BlinkPage : public QWebEnginePage {
public:
    BlinkPage(QWebEngineProfile* profile, BlinkBrowser* owner) : QWebEnginePage(profile), owner_(owner) {}

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType, bool) override {
        return owner_->beforeNavigate(url);
    }

private:
    BlinkBrowser* owner_;
};

}  // namespace

BlinkBrowser::BlinkBrowser() {
    container_ = new QStackedWidget;
    view_ = new QWebEngineView(container_);
    page_ = new BlinkPage(Blink::sharedProfile(), this);
    view_->setPage(page_);
    goneLabel_ = new QLabel(Blink::rendererGoneMessage(), container_);
    goneLabel_->setAlignment(Qt::AlignCenter);
    goneLabel_->setWordWrap(true);
    container_->addWidget(view_);
    container_->addWidget(goneLabel_);
    container_->setCurrentWidget(view_);
    container_->setFocusProxy(view_);
    wirePage();
}

BlinkBrowser::~BlinkBrowser() {
    // No event may reach the program while the page goes away.
    page_->disconnect(this);
    page_->action(QWebEnginePage::Back)->disconnect(this);
    page_->action(QWebEnginePage::Forward)->disconnect(this);
    delete container_.data();   // the view first, then the page it showed
    delete page_;
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
    connect(page_, &QWebEnginePage::renderProcessTerminated, this,
            [this](QWebEnginePage::RenderProcessTerminationStatus status, int) { rendererTerminated(status); });
    connect(page_->action(QWebEnginePage::Back), &QAction::changed, this, [this] { reportHistory(false); });
    connect(page_->action(QWebEnginePage::Forward), &QAction::changed, this, [this] { reportHistory(false); });
}

void BlinkBrowser::reportHistory(bool always) {
    const bool back = page_->history()->canGoBack();
    const bool forward = page_->history()->canGoForward();
    if (always || back != reportedBack_) events().fireCommandStateChange(CSC_NAVIGATEBACK, back);
    if (always || forward != reportedForward_) events().fireCommandStateChange(CSC_NAVIGATEFORWARD, forward);
    reportedBack_ = back;
    reportedForward_ = forward;
}

bool BlinkBrowser::beforeNavigate(const QUrl& url) {
    return !events().fireBeforeNavigate2(this, urlText(url));
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
