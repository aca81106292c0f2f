#include "engines/webkit/WebKitBrowser.h"

#include "engines/Address.h"
#include "engines/PageSave.h"
#include "engines/webkit/WebKitEngine.h"
#include "engines/webkit/WebKitHost.h"
#include "platform/ErrorBox.h"

#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <QWindow>

namespace {

std::string utf8(const QString& text) { return text.toUtf8().toStdString(); }
QString fromUtf8(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

}  // namespace

WebKitBrowser::WebKitBrowser() {
    container_ = new QStackedWidget;
    holder_ = new QWidget(container_);
    auto* layout = new QVBoxLayout(holder_);
    layout->setContentsMargins(0, 0, 0, 0);
    goneLabel_ = new QLabel(container_);
    goneLabel_->setAlignment(Qt::AlignCenter);
    goneLabel_->setWordWrap(true);
    container_->addWidget(holder_);
    container_->addWidget(goneLabel_);
    container_->setCurrentWidget(holder_);
    container_->installEventFilter(this);
    if (!ensureView()) showGone(WebKit::hostGoneMessage());
}

WebKitBrowser::~WebKitBrowser() {
    releaseWindow();
    if (view_) WebKitHost::instance().detach(view_);
    delete container_.data();
}

QWidget* WebKitBrowser::widget() { return container_; }

bool WebKitBrowser::showsGone() const { return container_ && container_->currentWidget() == goneLabel_; }

bool WebKitBrowser::send(const std::string& kind, std::vector<std::string> args) {
    return view_ && WebKitHost::instance().send(kind, view_, std::move(args));
}

bool WebKitBrowser::ensureView() {
    if (view_) return true;
    const QSize size = container_ ? container_->size() : QSize(1, 1);
    view_ = WebKitHost::instance().attach(this, size.width(), size.height());
    return view_ != 0;
}

void WebKitBrowser::embed(unsigned long long xid) {
    releaseWindow();
    foreign_ = QWindow::fromWinId(static_cast<WId>(xid));
    if (!foreign_) return;
    pageWidget_ = QWidget::createWindowContainer(foreign_, holder_);
    pageWidget_->setFocusPolicy(Qt::StrongFocus);
    pageWidget_->installEventFilter(this);
    holder_->layout()->addWidget(pageWidget_);
    container_->setCurrentWidget(holder_);
    container_->setFocusProxy(pageWidget_);
    send("show");
    send("resize", {std::to_string(qMax(1, pageWidget_->width())), std::to_string(qMax(1, pageWidget_->height()))});
}

void WebKitBrowser::releaseWindow() {
    if (foreign_) {
        // Out of our window before it goes: X would destroy the host's window with it,
        // and the host's toolkit ends the whole process on the errors that follow.
        foreign_->hide();
        foreign_->setParent(nullptr);
        delete foreign_.data();
    }
    if (container_) container_->setFocusProxy(nullptr);
    delete pageWidget_.data();
}

void WebKitBrowser::showGone(const QString& message) {
    if (!container_) return;
    goneLabel_->setText(message);
    container_->setCurrentWidget(goneLabel_);
}

void WebKitBrowser::finishLoading() {
    if (!busy_) return;
    busy_ = false;
    events().fireProgressChange(100, 100);
    events().fireDownloadComplete();
}

void WebKitBrowser::hostEnded() {
    // The host's windows died with it.
    if (foreign_) {
        container_->setFocusProxy(nullptr);
        delete pageWidget_.data();
    }
    view_ = 0;
    showGone(WebKit::hostGoneMessage());
    finishLoading();
    events().fireStatusTextChange(QString());
}

void WebKitBrowser::hostEvent(const std::string& kind, const std::vector<std::string>& args) {
    const auto flag = [&](std::size_t i) { return args.at(i) != "0"; };
    const auto integer = [&](std::size_t i) { return static_cast<int>(HostProtocol::number(args.at(i)).value_or(0)); };
    if (kind == "window") {
        embed(HostProtocol::number(args[0], INT64_MAX / 10).value_or(0));
    } else if (kind == "title") {
        title_ = fromUtf8(args[0]);
        events().fireTitleChange(title_);
    } else if (kind == "location") {
        const QString location = fromUtf8(args[0]);
        if (location == location_) return;
        location_ = location;
        events().fireNavigateComplete2(this, location_);
    } else if (kind == "loading") {
        if (flag(0) && !busy_) {
            busy_ = true;
            if (container_ && container_->currentWidget() == goneLabel_ && pageWidget_)
                container_->setCurrentWidget(holder_);
            events().fireDownloadBegin();
            events().fireProgressChange(0, 100);
        } else if (!flag(0) && busy_) {
            finishLoading();
            events().fireDocumentComplete(this, location_);
        }
    } else if (kind == "progress") {
        if (busy_) events().fireProgressChange(integer(0), integer(1));
    } else if (kind == "status") {
        events().fireStatusTextChange(fromUtf8(args[0]));
    } else if (kind == "history") {
        events().fireCommandStateChange(CSC_NAVIGATEBACK, flag(0));
        events().fireCommandStateChange(CSC_NAVIGATEFORWARD, flag(1));
    } else if (kind == "newwindow") {
        newWindow(fromUtf8(args[0]));
    } else if (kind == "click") {
        clicked();
    } else if (kind == "key") {
        reportKey(static_cast<unsigned>(HostProtocol::number(args[0], UINT32_MAX).value_or(0)), integer(1),
                  fromUtf8(args[2]));
    } else if (kind == "saved") {
        if (args[1] != "ok")
            ErrorBox::show(QStringLiteral("%1 を保存できませんでした。\n%2").arg(fromUtf8(args[0]), fromUtf8(args[1])));
    } else if (kind == "gone") {
        showGone(WebKit::pageGoneMessage());
        finishLoading();
    }
}

void WebKitBrowser::newWindow(const QString& url) {
    Variant ppDisp;
    if (events().fireNewWindow2(ppDisp)) return;   // cancelled: the request is dropped
    auto* target = dynamic_cast<WebBrowser2*>(ppDisp.toDispatch());
    // Nobody took the window: the page gets none rather than one the program cannot see.
    if (!target || target == this) return;
    // The receiver's first navigation is the request itself, so its own filter judges it.
    (void)target->Navigate(url, Variant::fromInt(0), Variant::fromString(QString()), Variant(), Variant());
}

void WebKitBrowser::clicked() {
    if (!container_) return;
    // The window it lies in comes to the front first: activating it gives the keyboard to
    // whatever had it last in that window, and the click meant the page.
    events().fireActivateRequest();
    if (pageWidget_) pageWidget_->setFocus(Qt::MouseFocusReason);
}

void WebKitBrowser::reportKey(unsigned keysym, int modifiers, const QString& text) {
    const int key = WebKit::qtKeyOfKeysym(keysym);
    if (!key || !container_) return;
    Qt::KeyboardModifiers mods;
    if (modifiers & HostProtocol::ModShift) mods |= Qt::ShiftModifier;
    if (modifiers & HostProtocol::ModControl) mods |= Qt::ControlModifier;
    if (modifiers & HostProtocol::ModAlt) mods |= Qt::AltModifier;
    // The host keeps the frame's keys from the page, and every key while the shell's
    // keyboard focus is elsewhere: the page used none of them.
    events().fireUnusedKey(key, mods, text);
}

bool WebKitBrowser::eventFilter(QObject* watched, QEvent* event) {
    if (watched == pageWidget_.data()) {
        if (event->type() == QEvent::FocusIn) send("focus", {"1"});
        if (event->type() == QEvent::FocusOut) {
            send("focus", {"0"});
            // Take the X keyboard back from the host's window to the shell's.
            if (QWidget* top = container_ ? container_->window() : nullptr)
                if (QWindow* handle = top->windowHandle(); handle && QApplication::focusWidget() != pageWidget_)
                    handle->requestActivate();
        }
        if (event->type() == QEvent::Resize)
            send("resize", {std::to_string(qMax(1, pageWidget_->width())), std::to_string(qMax(1, pageWidget_->height()))});
    }
    return QObject::eventFilter(watched, event);
}

HRESULT WebKitBrowser::Navigate(const QString& url, const Variant&, const Variant&, const Variant&, const Variant&) {
    const QUrl target = addressToUrl(url);
    if (!target.isValid()) return E_INVALIDARG;
    // The next use after the host ended starts a new one.
    if (!ensureView()) return CO_E_SERVER_EXEC_FAILURE;
    return send("navigate", {utf8(target.toString(QUrl::FullyEncoded))}) ? S_OK : RPC_E_DISCONNECTED;
}

HRESULT WebKitBrowser::GoBack() { return send("back") ? S_OK : RPC_E_DISCONNECTED; }

HRESULT WebKitBrowser::GoForward() { return send("forward") ? S_OK : RPC_E_DISCONNECTED; }

HRESULT WebKitBrowser::Refresh() {
    if (view_) {
        if (showsGone() && pageWidget_) container_->setCurrentWidget(holder_);
        return send("reload") ? S_OK : RPC_E_DISCONNECTED;
    }
    // A page whose host ended comes back in a new host.
    if (!ensureView()) return CO_E_SERVER_EXEC_FAILURE;
    if (location_.isEmpty()) return S_OK;
    return send("navigate", {utf8(location_)}) ? S_OK : RPC_E_DISCONNECTED;
}

HRESULT WebKitBrowser::Stop() {
    if (!view_) return S_OK;   // nothing is loading in a host that has ended
    return send("stop") ? S_OK : RPC_E_DISCONNECTED;
}

HRESULT WebKitBrowser::ExecWB(int cmdID, int, const Variant& pvaIn, Variant* pvaOut) {
    switch (cmdID) {
    case OLECMDID_SAVEAS:
        if (!view_) return RPC_E_DISCONNECTED;
        return saveAs();
    case OLECMDID_COPY: return send("copy") ? S_OK : RPC_E_DISCONNECTED;
    case OLECMDID_SELECTALL: return send("selectall") ? S_OK : RPC_E_DISCONNECTED;
    case OLECMDID_ZOOM:
        if (pvaIn.isEmpty() || pvaIn.isMissing()) {
            if (pvaOut) *pvaOut = Variant::fromInt(textSize_);
            return S_OK;
        }
        if (pvaIn.type() != VT_I4) return DISP_E_TYPEMISMATCH;
        if (pvaIn.toInt() < 0 || pvaIn.toInt() > 4) return E_INVALIDARG;
        if (!send("zoom", {std::to_string(pvaIn.toInt())})) return RPC_E_DISCONNECTED;
        textSize_ = pvaIn.toInt();
        return S_OK;
    default: return OLECMDERR_E_NOTSUPPORTED;
    }
}

HRESULT WebKitBrowser::saveAs() {
    const QString path = PageSave::chooseFile(
        container_, PageSave::suggestedFileName(title_, QUrl(location_).path(), QStringLiteral("mht")),
        {{QStringLiteral("Web アーカイブ、単一のファイル (*.mht *.mhtml)"), QStringLiteral("mht")}});
    if (path.isEmpty()) return S_OK;   // the user changed their mind
    return send("save", {utf8(QFileInfo(path).absoluteFilePath())}) ? S_OK : RPC_E_DISCONNECTED;
}

HRESULT WebKitBrowser::GetProperty(int dispId, Variant& result) {
    switch (dispId) {
    case DISPID_LOCATIONURL: result = Variant::fromString(location_); return S_OK;
    case DISPID_BUSY: result = Variant::fromBool(busy_); return S_OK;
    case DISPID_NAME: result = Variant::fromString(QStringLiteral("WebKit")); return S_OK;
    default: return DISP_E_MEMBERNOTFOUND;
    }
}
