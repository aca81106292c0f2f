#include "engines/WebBrowser2.h"

#include "engines/Download.h"
#include "platform/ErrorBox.h"

QString webBrowserEventName(int dispId) {
    switch (dispId) {
    case DISPID_STATUSTEXTCHANGE: return QStringLiteral("StatusTextChange");
    case DISPID_PROGRESSCHANGE: return QStringLiteral("ProgressChange");
    case DISPID_COMMANDSTATECHANGE: return QStringLiteral("CommandStateChange");
    case DISPID_DOWNLOADBEGIN: return QStringLiteral("DownloadBegin");
    case DISPID_DOWNLOADCOMPLETE: return QStringLiteral("DownloadComplete");
    case DISPID_TITLECHANGE: return QStringLiteral("TitleChange");
    case DISPID_PROPERTYCHANGE: return QStringLiteral("PropertyChange");
    case DISPID_BEFORENAVIGATE2: return QStringLiteral("BeforeNavigate2");
    case DISPID_NEWWINDOW2: return QStringLiteral("NewWindow2");
    case DISPID_NAVIGATECOMPLETE2: return QStringLiteral("NavigateComplete2");
    case DISPID_DOCUMENTCOMPLETE: return QStringLiteral("DocumentComplete");
    case DISPID_ONQUIT: return QStringLiteral("OnQuit");
    case DISPID_ONVISIBLE: return QStringLiteral("OnVisible");
    case DISPID_ONTOOLBAR: return QStringLiteral("OnToolBar");
    case DISPID_ONMENUBAR: return QStringLiteral("OnMenuBar");
    case DISPID_ONSTATUSBAR: return QStringLiteral("OnStatusBar");
    case DISPID_ONFULLSCREEN: return QStringLiteral("OnFullScreen");
    case DISPID_ONTHEATERMODE: return QStringLiteral("OnTheaterMode");
    default: return {};
    }
}

namespace {

// The number of arguments each event takes, so that Invoke can refuse short lists
// before touching them.
int argumentCount(int dispId) {
    switch (dispId) {
    case DISPID_STATUSTEXTCHANGE:
    case DISPID_TITLECHANGE:
    case DISPID_PROPERTYCHANGE:
    case DISPID_ONVISIBLE:
    case DISPID_ONTOOLBAR:
    case DISPID_ONMENUBAR:
    case DISPID_ONSTATUSBAR:
    case DISPID_ONFULLSCREEN:
    case DISPID_ONTHEATERMODE: return 1;
    case DISPID_PROGRESSCHANGE:
    case DISPID_COMMANDSTATECHANGE:
    case DISPID_NEWWINDOW2:
    case DISPID_NAVIGATECOMPLETE2:
    case DISPID_DOCUMENTCOMPLETE: return 2;
    case DISPID_BEFORENAVIGATE2: return 7;
    default: return 0;
    }
}

}  // namespace

HRESULT DWebBrowserEvents2::Invoke(int dispId, QList<Variant>& args) {
    if (webBrowserEventName(dispId).isEmpty()) return DISP_E_MEMBERNOTFOUND;
    if (args.size() < argumentCount(dispId)) return DISP_E_PARAMNOTFOUND;
    switch (dispId) {
    case DISPID_STATUSTEXTCHANGE: fireStatusTextChange(args[0].toString()); break;
    case DISPID_PROGRESSCHANGE: fireProgressChange(args[0].toInt(), args[1].toInt()); break;
    case DISPID_COMMANDSTATECHANGE: fireCommandStateChange(args[0].toInt(), args[1].toBool()); break;
    case DISPID_DOWNLOADBEGIN: fireDownloadBegin(); break;
    case DISPID_DOWNLOADCOMPLETE: fireDownloadComplete(); break;
    case DISPID_TITLECHANGE: fireTitleChange(args[0].toString()); break;
    case DISPID_PROPERTYCHANGE: firePropertyChange(args[0].toString()); break;
    case DISPID_BEFORENAVIGATE2: {
        bool cancel = args[6].toBool();
        ErrorBox::guard([&] { emit BeforeNavigate2(args[0].toDispatch(), args[1], args[2], args[3], args[4], args[5], cancel); });
        args[6] = Variant::fromBool(cancel);
        break;
    }
    case DISPID_NEWWINDOW2: {
        bool cancel = args[1].toBool();
        Variant ppDisp = args[0];
        ErrorBox::guard([&] { emit NewWindow2(ppDisp, cancel); });
        args[0] = ppDisp;
        args[1] = Variant::fromBool(cancel);
        break;
    }
    case DISPID_NAVIGATECOMPLETE2:
        ErrorBox::guard([&] { emit NavigateComplete2(args[0].toDispatch(), args[1]); });
        break;
    case DISPID_DOCUMENTCOMPLETE:
        ErrorBox::guard([&] { emit DocumentComplete(args[0].toDispatch(), args[1]); });
        break;
    case DISPID_ONQUIT: ErrorBox::guard([&] { emit OnQuit(); }); break;
    case DISPID_ONVISIBLE: ErrorBox::guard([&] { emit OnVisible(args[0].toBool()); }); break;
    case DISPID_ONTOOLBAR: ErrorBox::guard([&] { emit OnToolBar(args[0].toBool()); }); break;
    case DISPID_ONMENUBAR: ErrorBox::guard([&] { emit OnMenuBar(args[0].toBool()); }); break;
    case DISPID_ONSTATUSBAR: ErrorBox::guard([&] { emit OnStatusBar(args[0].toBool()); }); break;
    case DISPID_ONFULLSCREEN: ErrorBox::guard([&] { emit OnFullScreen(args[0].toBool()); }); break;
    case DISPID_ONTHEATERMODE: ErrorBox::guard([&] { emit OnTheaterMode(args[0].toBool()); }); break;
    }
    return S_OK;
}

void DWebBrowserEvents2::fireStatusTextChange(const QString& text) {
    ErrorBox::guard([&] { emit StatusTextChange(text); });
}

void DWebBrowserEvents2::fireProgressChange(int progress, int progressMax) {
    ErrorBox::guard([&] { emit ProgressChange(progress, progressMax); });
}

void DWebBrowserEvents2::fireCommandStateChange(int command, bool enable) {
    ErrorBox::guard([&] { emit CommandStateChange(command, enable); });
}

void DWebBrowserEvents2::fireDownloadBegin() {
    ErrorBox::guard([&] { emit DownloadBegin(); });
}

void DWebBrowserEvents2::fireDownloadComplete() {
    ErrorBox::guard([&] { emit DownloadComplete(); });
}

void DWebBrowserEvents2::fireTitleChange(const QString& text) {
    ErrorBox::guard([&] { emit TitleChange(text); });
}

void DWebBrowserEvents2::firePropertyChange(const QString& property) {
    ErrorBox::guard([&] { emit PropertyChange(property); });
}

IDispatch* InnerFrameDispatch() {
    static IDispatch frame;
    return &frame;
}

bool DWebBrowserEvents2::fireBeforeNavigate2(IDispatch* pDisp, const QString& url, const Variant& flags,
                                             const Variant& targetFrameName, const Variant& postData,
                                             const Variant& headers) {
    bool cancel = false;
    const Variant urlVariant = Variant::fromString(url);
    ErrorBox::guard([&] { emit BeforeNavigate2(pDisp, urlVariant, flags, targetFrameName, postData, headers, cancel); });
    return cancel;
}

bool DWebBrowserEvents2::fireNewWindow2(Variant& ppDisp) {
    bool cancel = false;
    ErrorBox::guard([&] { emit NewWindow2(ppDisp, cancel); });
    return cancel;
}

void DWebBrowserEvents2::fireNavigateComplete2(IDispatch* pDisp, const QString& url) {
    const Variant urlVariant = Variant::fromString(url);
    ErrorBox::guard([&] { emit NavigateComplete2(pDisp, urlVariant); });
}

void DWebBrowserEvents2::fireDocumentComplete(IDispatch* pDisp, const QString& url) {
    const Variant urlVariant = Variant::fromString(url);
    ErrorBox::guard([&] { emit DocumentComplete(pDisp, urlVariant); });
}

void DWebBrowserEvents2::fireActivateRequest() {
    ErrorBox::guard([&] { emit ActivateRequest(); });
}

void DWebBrowserEvents2::fireUnusedKey(int key, Qt::KeyboardModifiers modifiers, const QString& text) {
    ErrorBox::guard([&] { emit UnusedKey(key, modifiers, text); });
}

void DWebBrowserEvents2::fireFindResult(int current, int total) {
    ErrorBox::guard([&] { emit FindResult(current, total); });
}

void DWebBrowserEvents2::firePrintFinished(const QString& path, bool ok, const QString& message) {
    ErrorBox::guard([&] { emit PrintFinished(path, ok, message); });
}

void DWebBrowserEvents2::fireSignInRequested(const AuthRequestPtr& request) {
    ErrorBox::guard([&] { emit SignInRequested(request); });
}

void DWebBrowserEvents2::fireCertificateFailed(const CertificateRequestPtr& request) {
    ErrorBox::guard([&] { emit CertificateFailed(request); });
}

void DWebBrowserEvents2::firePermissionRequested(const PermissionRequestPtr& request) {
    ErrorBox::guard([&] { emit PermissionRequested(request); });
}

void DWebBrowserEvents2::fireFullScreenRequested(bool on) {
    ErrorBox::guard([&] { emit FullScreenRequested(on); });
}

void DWebBrowserEvents2::fireDownloadRequest(std::shared_ptr<Download> download) {
    ErrorBox::guard([&] { emit DownloadRequest(download); });
    // Nobody took it (or every taker let it go): the engine must not write it anywhere.
    if (download.use_count() == 1) download->cancel();
}

void openNewWindow(WebBrowser2& opener, const QString& url) {
    Variant ppDisp;
    if (opener.events().fireNewWindow2(ppDisp)) return;
    auto* target = dynamic_cast<WebBrowser2*>(ppDisp.toDispatch());
    if (!target || target == &opener) return;
    (void)target->Navigate(url, Variant::fromInt(0), Variant::fromString(QString()), Variant(), Variant());
}
