#include "engines/webkit/WebKitBrowser.h"

#include "engines/Address.h"
#include "engines/PageSave.h"
#include "engines/webkit/WebKitEngine.h"
#include "engines/webkit/WebKitHost.h"
#include "platform/ErrorBox.h"

#include <QApplication>
#include <QFileInfo>
#include <QWindow>

namespace {

std::string utf8(const QString& text) { return text.toUtf8().toStdString(); }
QString fromUtf8(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

}  // namespace

WebKitBrowser::WebKitBrowser() {
    if (!ensureView()) page_.showGone(WebKit::hostGoneMessage());
}

WebKitBrowser::~WebKitBrowser() {
    // Out of our window before it goes: X would destroy the host's window with it, and
    // the host's toolkit ends the whole process on the errors that follow.
    page_.release();
    if (view_) WebKitHost::instance().detach(view_);
}

QWidget* WebKitBrowser::widget() { return page_.widget(); }

bool WebKitBrowser::showsGone() const { return page_.showsGone(); }

bool WebKitBrowser::send(const std::string& kind, std::vector<std::string> args) {
    return view_ && WebKitHost::instance().send(kind, view_, std::move(args));
}

bool WebKitBrowser::ensureView() {
    if (view_) return true;
    const QSize size = page_.widget() ? page_.widget()->size() : QSize(1, 1);
    view_ = WebKitHost::instance().attach(this, size.width(), size.height());
    return view_ != 0;
}

void WebKitBrowser::embed(unsigned long long xid) {
    QWidget* page = page_.embed(static_cast<WId>(xid));
    if (!page) return;
    page->installEventFilter(this);
    send("show");
    send("resize", {std::to_string(qMax(1, page->width())), std::to_string(qMax(1, page->height()))});
}

void WebKitBrowser::finishLoading() {
    if (!busy_) return;
    busy_ = false;
    events().fireProgressChange(100, 100);
    events().fireDownloadComplete();
}

void WebKitBrowser::hostEnded() {
    // The host's windows died with it.
    page_.drop();
    view_ = 0;
    page_.showGone(WebKit::hostGoneMessage());
    finishLoading();
    events().fireStatusTextChange(QString());
    failPrints(WebKit::hostGoneMessage());
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
            if (page_.showsGone() && page_.pageWidget()) page_.showPage();
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
        openNewWindow(*this, fromUtf8(args[0]));
    } else if (kind == "click") {
        clicked();
    } else if (kind == "key") {
        reportKey(static_cast<unsigned>(HostProtocol::number(args[0], UINT32_MAX).value_or(0)), integer(1),
                  fromUtf8(args[2]));
    } else if (kind == "saved") {
        if (args[1] != "ok")
            ErrorBox::show(QStringLiteral("%1 を保存できませんでした。\n%2").arg(fromUtf8(args[0]), fromUtf8(args[1])));
    } else if (kind == "found" || kind == "printed") {
        findPrintEvent(kind, args);
    } else if (kind == "gone") {
        page_.showGone(WebKit::pageGoneMessage());
        finishLoading();
    } else {
        hostRequest(kind, args);
    }
}

void WebKitBrowser::clicked() {
    if (!page_.widget()) return;
    // The window it lies in comes to the front first: activating it gives the keyboard to
    // whatever had it last in that window, and the click meant the page.
    events().fireActivateRequest();
    if (QWidget* page = page_.pageWidget()) page->setFocus(Qt::MouseFocusReason);
}

void WebKitBrowser::reportKey(unsigned keysym, int modifiers, const QString& text) {
    const int key = WebKit::qtKeyOfKeysym(keysym);
    if (!key || !page_.widget()) return;
    Qt::KeyboardModifiers mods;
    if (modifiers & HostProtocol::ModShift) mods |= Qt::ShiftModifier;
    if (modifiers & HostProtocol::ModControl) mods |= Qt::ControlModifier;
    if (modifiers & HostProtocol::ModAlt) mods |= Qt::AltModifier;
    // The host keeps the frame's keys from the page, and every key while the shell's
    // keyboard focus is elsewhere: the page used none of them.
    events().fireUnusedKey(key, mods, text);
}

bool WebKitBrowser::eventFilter(QObject* watched, QEvent* event) {
    if (QWidget* page = page_.pageWidget(); page && watched == page) {
        if (event->type() == QEvent::FocusIn) send("focus", {"1"});
        if (event->type() == QEvent::FocusOut) {
            send("focus", {"0"});
            // Take the X keyboard back from the host's window to the shell's.
            if (QWidget* top = page->window())
                if (QWindow* handle = top->windowHandle(); handle && QApplication::focusWidget() != page)
                    handle->requestActivate();
        }
        if (event->type() == QEvent::Resize)
            send("resize", {std::to_string(qMax(1, page->width())), std::to_string(qMax(1, page->height()))});
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
        if (showsGone() && page_.pageWidget()) page_.showPage();
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
        page_.widget(), PageSave::suggestedFileName(title_, QUrl(location_).path(), QStringLiteral("mht")),
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
