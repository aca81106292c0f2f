#include "engines/UIWebBrowser.h"

#include "engines/EngineRegistry.h"
#include "platform/ErrorBox.h"

#include <QApplication>
#include <QLocale>
#include <QMenu>

namespace {

// The flag of each element, by bit: bits 8 to 10 do not follow the order of the values.
constexpr std::uint32_t DownLoadControlFlags[DownLoadControlElements] = {
    DLCTL_DLIMAGES,          DLCTL_VIDEOS,         DLCTL_BGSOUNDS,       DLCTL_NO_SCRIPTS,
    DLCTL_NO_JAVA,           DLCTL_NO_RUNACTIVEXCTLS, DLCTL_NO_DLACTIVEXCTLS, DLCTL_DOWNLOADONLY,
    DLCTL_RESYNCHRONIZE,     DLCTL_PRAGMA_NO_CACHE, DLCTL_NO_FRAMEDOWNLOAD, DLCTL_FORCEOFFLINE,
    DLCTL_NO_CLIENTPULL,     DLCTL_SILENT,         DLCTL_OFFLINEIFNOTCONNECTED,
};

// A handler's failure is shown and ends only that handler: the engine that asked gets
// the answer as it stood.
template <typename F>
void runHandler(F&& call) {
    ErrorBox::guard(std::forward<F>(call));
}

}  // namespace

std::uint32_t TDownLoadControl_::flagOf(TDownLoadControl e) { return DownLoadControlFlags[e]; }

std::uint32_t TDownLoadControl_::ambientValue() const {
    std::uint32_t value = 0;
    for (int e = 0; e < DownLoadControlElements; ++e)
        if (contains(static_cast<TDownLoadControl>(e))) value |= DownLoadControlFlags[e];
    return value;
}

std::uint32_t userDefaultLocaleId() {
    const QLocale locale;
    switch (locale.language()) {
    case QLocale::Japanese: return 0x0411;
    case QLocale::English:
        return locale.territory() == QLocale::UnitedKingdom ? 0x0809 : 0x0409;
    case QLocale::German: return 0x0407;
    case QLocale::French: return 0x040C;
    case QLocale::Spanish: return 0x0C0A;
    case QLocale::Italian: return 0x0410;
    case QLocale::Korean: return 0x0412;
    case QLocale::Chinese:
        return locale.script() == QLocale::TraditionalChineseScript ? 0x0404 : 0x0804;
    case QLocale::Russian: return 0x0419;
    case QLocale::Portuguese: return locale.territory() == QLocale::Brazil ? 0x0416 : 0x0816;
    case QLocale::Dutch: return 0x0413;
    case QLocale::Polish: return 0x0415;
    default: return 0x0400;   // the user's default, without a language of its own
    }
}

std::uint32_t oleColorOf(const QColor& colour) {
    const QColor rgb = colour.toRgb();
    return static_cast<std::uint32_t>(rgb.red()) | static_cast<std::uint32_t>(rgb.green()) << 8 |
           static_cast<std::uint32_t>(rgb.blue()) << 16;
}

TUIWebBrowser::TUIWebBrowser(QWidget* parent) : TEngineControl(CLASS_WebBrowser, EngineForm::IE, parent) {
    THookApplicationMessage::ensureInstalled()->AddHandler(&TUIWebBrowser::HandleBrowserMessage, this);
    // From here on the engine asks this control its host questions.
    ControlInterface().SetClientSite(this);
}

TUIWebBrowser::~TUIWebBrowser() {
    if (THookApplicationMessage* hook = THookApplicationMessage::instance())
        hook->RemoveHandler(&TUIWebBrowser::HandleBrowserMessage, this);
    ControlInterface().SetClientSite(nullptr);
    activeObject_ = nullptr;
}

HRESULT TUIWebBrowser::ShowContextMenu(std::uint32_t dwID, const QPoint* ppt, void*, IDispatch*) {
    if (OnUIShowContextMenu) runHandler([&] { OnUIShowContextMenu(this, dwID, ppt); });
    if (!IeNoContext) return S_FALSE;
    if (PopupMenu && PopupMenuAutoPopup && ppt) PopupMenu->popup(*ppt);
    return S_OK;
}

HRESULT TUIWebBrowser::GetHostInfo(TDOCHOSTUIINFO* pInfo) {
    if (!pInfo) return E_POINTER;
    std::uint32_t flags = 0;
    if (IeNO3DBORDER) flags |= DOCHOSTUIFLAG_NO3DBORDER;
    if (IeSCROLL_hidden) flags |= DOCHOSTUIFLAG_SCROLL_NO;
    if (IeDontSCRIPT) flags |= DOCHOSTUIFLAG_DISABLE_SCRIPT_INACTIVE;
    if (IeNoBehavior) flags |= DOCHOSTUIFLAG_OVERRIDEBEHAVIORFACTORY;
    if (IeAutoComplete) flags |= DOCHOSTUIFLAG_ENABLE_FORMS_AUTOCOMPLETE;
    pInfo->dwFlags = flags;
    pInfo->cbSize = 12;
    pInfo->dwDoubleClick = DOCHOSTUIDBLCLK_DEFAULT;
    return S_OK;
}

HRESULT TUIWebBrowser::TranslateAccelerator(const TMessage* lpMsg, const void*, std::uint32_t) {
    if (!IeEnableAccelerator) return S_OK;
    TShiftState shift = currentShiftState();
    std::uint16_t virtualKey = lpMsg ? static_cast<std::uint16_t>(lpMsg->wParam) : 0;
    HRESULT done = S_FALSE;
    if (!onUITranslateAccelerator) return S_FALSE;
    runHandler([&] { onUITranslateAccelerator(this, virtualKey, shift, done); });
    return done;
}

HRESULT TUIWebBrowser::GetDropTarget(IDropTarget* pDropTarget, IDropTarget** ppDropTarget) {
    if (ppDropTarget) *ppDropTarget = nullptr;
    if (!onUIGetDropTarget) return S_OK;
    IDropTarget* replacement = nullptr;
    HRESULT done = S_OK;
    runHandler([&] { onUIGetDropTarget(this, pDropTarget, replacement, done); });
    if (ppDropTarget) *ppDropTarget = replacement;
    return done;
}

HRESULT TUIWebBrowser::GetExternal(IDispatch** ppDispatch) {
    if (ppDispatch) *ppDispatch = nullptr;
    if (!onUIGetExternal) return E_NOTIMPL;
    IDispatch* external = nullptr;
    runHandler([&] { onUIGetExternal(this, external); });
    if (ppDispatch) *ppDispatch = external;
    return S_OK;
}

HRESULT TUIWebBrowser::TranslateUrl(std::uint32_t dwTranslate, const QString& pchURLIn, QString* ppchURLOut) {
    if (!OnUITranslateUrl) return S_FALSE;
    QString out = ppchURLOut ? *ppchURLOut : QString();
    HRESULT done = S_FALSE;
    runHandler([&] { OnUITranslateUrl(this, dwTranslate, pchURLIn, out, done); });
    if (ppchURLOut) *ppchURLOut = out;
    return done;
}

HRESULT TUIWebBrowser::FilterDataObject(IDataObject* pDO, IDataObject** ppDORet) {
    if (ppDORet) *ppDORet = nullptr;
    if (!onUIFilterDataObject) return S_FALSE;
    IDataObject* replacement = nullptr;
    HRESULT done = S_FALSE;
    runHandler([&] { onUIFilterDataObject(this, pDO, replacement, done); });
    if (ppDORet) *ppDORet = replacement;
    return done;
}

HRESULT TUIWebBrowser::ShowMessage(QWidget* hwnd, const QString& lpstrText, const QString& lpstrCaption,
                                   std::uint32_t dwType, const QString& lpstrHelpFile, std::uint32_t dwHelpContext,
                                   std::int32_t* plResult) {
    if (onUIShowMessage) {
        std::int32_t result = plResult ? *plResult : 0;
        runHandler([&] { onUIShowMessage(this, hwnd, lpstrText, lpstrCaption, dwType, lpstrHelpFile, dwHelpContext, result); });
        if (plResult) *plResult = result;
    }
    // The engine shows its own box as well, whatever the handler did.
    return S_FALSE;
}

HRESULT TUIWebBrowser::ShowHelp(QWidget* hwnd, const QString& pszHelpFile, std::uint32_t uCommand,
                                std::uint32_t dwData, QPoint ptMouse, IDispatch* pDispatchObjectHit) {
    if (onUIShowHelp) {
        IDispatch* hit = pDispatchObjectHit;
        runHandler([&] { onUIShowHelp(this, hwnd, pszHelpFile, uCommand, dwData, ptMouse, hit); });
    }
    return S_OK;
}

HRESULT TUIWebBrowser::GetTypeInfoCount(unsigned* pctinfo) {
    if (pctinfo) *pctinfo = 0;
    return E_NOTIMPL;
}

HRESULT TUIWebBrowser::GetTypeInfo(unsigned, std::uint32_t, void** ppTInfo) {
    if (ppTInfo) *ppTInfo = nullptr;
    return E_NOTIMPL;
}

HRESULT TUIWebBrowser::GetIDsOfNames(const QString*, unsigned, std::uint32_t, int*) { return E_NOTIMPL; }

HRESULT TUIWebBrowser::Invoke(int dispIdMember, std::uint16_t wFlags, Variant* pVarResult) {
    if (!(wFlags & DISPATCH_PROPERTYGET) || !pVarResult) return DISP_E_MEMBERNOTFOUND;
    switch (dispIdMember) {
    case DISPID_AMBIENT_DLCONTROL:
        *pVarResult = Variant::fromInt(static_cast<std::int32_t>(DownLoadControl.ambientValue()));
        return S_OK;
    case DISPID_AMBIENT_AUTOCLIP:
    case DISPID_AMBIENT_SUPPORTSMNEMONICS:
    case DISPID_AMBIENT_USERMODE:
    case DISPID_AMBIENT_MESSAGEREFLECT: *pVarResult = Variant::fromBool(true); return S_OK;
    case DISPID_AMBIENT_SHOWHATCHING:
    case DISPID_AMBIENT_SHOWGRABHANDLES:
    case DISPID_AMBIENT_UIDEAD: *pVarResult = Variant::fromBool(false); return S_OK;
    case DISPID_AMBIENT_LOCALEID:
        *pVarResult = Variant::fromInt(static_cast<std::int32_t>(userDefaultLocaleId()));
        return S_OK;
    case DISPID_AMBIENT_FORECOLOR:
        *pVarResult = Variant::fromInt(static_cast<std::int32_t>(oleColorOf(palette().color(QPalette::WindowText))));
        return S_OK;
    case DISPID_AMBIENT_BACKCOLOR:
        *pVarResult = Variant::fromInt(static_cast<std::int32_t>(oleColorOf(palette().color(QPalette::Window))));
        return S_OK;
    case DISPID_AMBIENT_FONT: {
        // The control takes its parent's font unless one was set on it.
        const bool parentFont = !testAttribute(Qt::WA_SetFont);
        const QFont font = parentFont && parentWidget() ? parentWidget()->font() : this->font();
        ambientFont_ = std::make_unique<TOleFont>(font);
        *pVarResult = Variant::fromDispatch(ambientFont_.get());
        return S_OK;
    }
    case DISPID_AMBIENT_DISPLAYNAME: {
        Variant name;
        const HRESULT result = ControlInterface().GetProperty(DISPID_NAME, name);
        if (FAILED(result)) return result;
        *pVarResult = Variant::fromString(name.toString());
        return S_OK;
    }
    default: return DISP_E_MEMBERNOTFOUND;
    }
}

bool TUIWebBrowser::IsDialogMessage(const TMessage& msg) const {
    return msg.target && (msg.target == this || isAncestorOf(msg.target));
}

void TUIWebBrowser::HandleBrowserMessage(TMessage& msg, bool& handled) {
    if (handled) return;
    handled = IsDialogMessage(msg);
    if (!handled) return;
    if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN && msg.message != WM_COMMAND &&
        msg.message != WM_SYSCOMMAND)
        return;
    if (msg.message == WM_KEYDOWN && (msg.wParam == VK_BACK || msg.wParam == VK_LEFT || msg.wParam == VK_UP ||
                                      msg.wParam == VK_RIGHT || msg.wParam == VK_DOWN))
        return;
    // A key that fails to reach the engine's accelerators is not worth a message box.
    try {
        if (!activeObject_) {
            activeObject_ = ControlInterface().QueryInPlaceActiveObject();
            if (!activeObject_) throw ComError(E_NOINTERFACE);
        }
        (void)activeObject_->TranslateAccelerator(msg);
    } catch (...) {
    }
}

// --- THookApplicationMessage ---------------------------------------------------------

namespace {
THookApplicationMessage* programHook = nullptr;
}

THookApplicationMessage* THookApplicationMessage::instance() { return programHook; }

THookApplicationMessage* THookApplicationMessage::ensureInstalled() {
    if (!programHook) {
        programHook = new THookApplicationMessage;
        if (QCoreApplication* app = QCoreApplication::instance()) app->installEventFilter(programHook);
    }
    return programHook;
}

void THookApplicationMessage::release() {
    if (!programHook) return;
    if (QCoreApplication* app = QCoreApplication::instance()) app->removeEventFilter(programHook);
    delete programHook;
    programHook = nullptr;
}

void THookApplicationMessage::AddHandler(Handler handler, TUIWebBrowser* browser) {
    entries_.append({handler, browser});
    Own& own = handlersOf_[browser];
    own.browser = browser;
    own.handlers.append(handler);
}

void THookApplicationMessage::RemoveHandler(Handler handler, TUIWebBrowser* browser) {
    for (qsizetype i = 0; i < entries_.size(); ++i)
        if (entries_[i].first == handler && entries_[i].second == browser) {
            entries_.removeAt(i);
            const auto own = handlersOf_.find(browser);
            own->handlers.removeOne(handler);
            if (own->handlers.isEmpty()) handlersOf_.erase(own);
            return;
        }
}

void THookApplicationMessage::ApplicationMessage(TMessage& msg, bool& handled) {
    // The nearest control that holds the target; a message for no control is nobody's.
    for (const QWidget* w = msg.target; w; w = w->parentWidget()) {
        const auto own = handlersOf_.constFind(w);
        if (own == handlersOf_.constEnd()) continue;
        TUIWebBrowser* browser = own->browser;
        // A handler may close its window and so leave the hook while it runs: walk a copy.
        const QList<Handler> handlers = own->handlers;
        for (Handler handler : handlers) {
            const auto still = handlersOf_.constFind(w);
            if (still == handlersOf_.constEnd() || !still->handlers.contains(handler)) continue;
            (browser->*handler)(msg, handled);
            if (handled) break;
        }
        return;
    }
}

bool THookApplicationMessage::eventFilter(QObject* watched, QEvent* event) {
    // Only what the application takes from its queue: events the window system delivers.
    // Events a widget sends itself (a page handing back a key it did not use) are not.
    if (!event->spontaneous() || !watched->isWidgetType() || entries_.isEmpty()) return false;
    TMessage msg = TMessage::of(static_cast<QWidget*>(watched), event);
    bool handled = false;
    ApplicationMessage(msg, handled);
    // A handled event has been given to the widget it is for by Qt's own delivery, which
    // follows this filter: it is delivered once either way.
    return false;
}
