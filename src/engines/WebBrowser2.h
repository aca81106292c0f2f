#pragma once
// The engine boundary: the IWebBrowser2 calls the program makes on a page engine and the
// DWebBrowserEvents2 events an engine raises back. Every engine (Chromium in process,
// WebKit in its host, the test fake) implements WebBrowser2; the rest of the program
// never sees more of an engine than this.

#include "engines/DocHost.h"
#include "engines/PageRequests.h"
#include "platform/Com.h"

#include <QObject>
#include <QPageLayout>
#include <QString>
#include <Qt>
#include <array>
#include <memory>

class Download;
class QWidget;

// Dispatch ids of the properties read through the control's dispatch interface.
enum DISPID_WebBrowser : int {
    DISPID_NAME = 0,          // the engine's name (string)
    DISPID_LOCATIONURL = 211, // the address of the page shown (string)
    DISPID_BUSY = 212,        // the engine is loading (boolean)
};

// The ExecWB commands the program sends.
enum OLECMDID : int {
    OLECMDID_SAVEAS = 4,
    OLECMDID_COPY = 12,
    OLECMDID_SELECTALL = 17,
    OLECMDID_ZOOM = 19,
};

enum OLECMDEXECOPT : int {
    OLECMDEXECOPT_DODEFAULT = 0,
    OLECMDEXECOPT_PROMPTUSER = 1,
    OLECMDEXECOPT_DONTPROMPTUSER = 2,
};

// The command argument of CommandStateChange.
enum CommandStateChangeConstants : int {
    CSC_UPDATECOMMANDS = -1,
    CSC_NAVIGATEFORWARD = 1,
    CSC_NAVIGATEBACK = 2,
};

// Event dispatch ids of DWebBrowserEvents2.
enum DISPID_WebBrowserEvent : int {
    DISPID_STATUSTEXTCHANGE = 102,
    DISPID_DOWNLOADCOMPLETE = 104,
    DISPID_COMMANDSTATECHANGE = 105,
    DISPID_DOWNLOADBEGIN = 106,
    DISPID_PROGRESSCHANGE = 108,
    DISPID_PROPERTYCHANGE = 112,
    DISPID_TITLECHANGE = 113,
    DISPID_BEFORENAVIGATE2 = 250,
    DISPID_NEWWINDOW2 = 251,
    DISPID_NAVIGATECOMPLETE2 = 252,
    DISPID_ONQUIT = 253,
    DISPID_ONVISIBLE = 254,
    DISPID_ONTOOLBAR = 255,
    DISPID_ONMENUBAR = 256,
    DISPID_ONSTATUSBAR = 257,
    DISPID_ONFULLSCREEN = 258,
    DISPID_DOCUMENTCOMPLETE = 259,
    DISPID_ONTHEATERMODE = 260,
};

// The 18 events every control maps, in the order the controls map them.
inline constexpr std::array<int, 18> WebBrowserEventDispIds = {
    DISPID_STATUSTEXTCHANGE, DISPID_PROGRESSCHANGE, DISPID_COMMANDSTATECHANGE,
    DISPID_DOWNLOADBEGIN,    DISPID_DOWNLOADCOMPLETE, DISPID_TITLECHANGE,
    DISPID_PROPERTYCHANGE,   DISPID_BEFORENAVIGATE2, DISPID_NEWWINDOW2,
    DISPID_NAVIGATECOMPLETE2, DISPID_DOCUMENTCOMPLETE, DISPID_ONQUIT,
    DISPID_ONVISIBLE,        DISPID_ONTOOLBAR,       DISPID_ONMENUBAR,
    DISPID_ONSTATUSBAR,      DISPID_ONFULLSCREEN,    DISPID_ONTHEATERMODE,
};

// The event name of a dispatch id ("TitleChange"); empty for an id that is not an event.
QString webBrowserEventName(int dispId);

// The events sink of one engine. Windows attach handlers with QObject::connect to the
// typed signals; engines raise events through the fire functions (or Invoke), which
// deliver them synchronously on the calling thread. A handler's exception ends that
// handler and reaches the error box: it never unwinds into the engine.
//
// Reference arguments (cancel, ppDisp) are in-out: a handler sets them and the engine
// reads them back once the event returns, so handlers must be connected directly
// (the default for objects on the user-interface thread).
class DWebBrowserEvents2 : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Raises an event by dispatch id with COM-shaped arguments in declaration order:
    // StatusTextChange(BSTR), ProgressChange(I4, I4), CommandStateChange(I4, BOOL),
    // TitleChange(BSTR), PropertyChange(BSTR), BeforeNavigate2(DISPATCH, url, flags,
    // target, postData, headers, BOOL cancel), NewWindow2(DISPATCH ppDisp, BOOL cancel),
    // NavigateComplete2 / DocumentComplete(DISPATCH, url), OnVisible...OnTheaterMode(BOOL),
    // the rest none. In-out arguments are written back into args. An id outside the 18
    // gives DISP_E_MEMBERNOTFOUND, too few arguments DISP_E_PARAMNOTFOUND.
    HRESULT Invoke(int dispId, QList<Variant>& args);

    void fireStatusTextChange(const QString& text);
    void fireProgressChange(int progress, int progressMax);
    void fireCommandStateChange(int command, bool enable);
    void fireDownloadBegin();
    void fireDownloadComplete();
    void fireTitleChange(const QString& text);
    void firePropertyChange(const QString& property);
    // Returns whether a handler cancelled the navigation.
    bool fireBeforeNavigate2(IDispatch* pDisp, const QString& url, const Variant& flags = Variant::fromInt(0),
                             const Variant& targetFrameName = Variant::fromString(QString()),
                             const Variant& postData = Variant(), const Variant& headers = Variant());
    // ppDisp starts empty; returns whether a handler cancelled the request.
    bool fireNewWindow2(Variant& ppDisp);
    void fireNavigateComplete2(IDispatch* pDisp, const QString& url);
    void fireDocumentComplete(IDispatch* pDisp, const QString& url);

    // Beside the dispatch events, what only the window hosting the engine can act on,
    // reported the same way by every engine; they have no dispatch id.
    // The user clicked into the page, or the page asks to come to the front: its window
    // should become the active one. An engine whose page is a window of another process
    // reports it, since Qt never sees those clicks; the engine itself then gives its
    // page the keyboard.
    void fireActivateRequest();
    // A key the page did not use (or never got, because the frame's keys are the
    // frame's), as a Qt key with its modifiers and the text it types.
    void fireUnusedKey(int key, Qt::KeyboardModifiers modifiers, const QString& text);
    // What the page asks that only the user may grant (engines/PageRequests.h). The
    // handler keeps the request while it asks the user; one nobody keeps is refused.
    void fireSignInRequested(const AuthRequestPtr& request);
    void fireCertificateFailed(const CertificateRequestPtr& request);
    void firePermissionRequested(const PermissionRequestPtr& request);
    // The page's content (a video) went to full screen, or left it.
    void fireFullScreenRequested(bool on);
    // A response the page will not show, to be saved as a file: a handler that wants it
    // keeps the reference (and may answer it before returning); one nobody keeps is
    // cancelled when this returns.
    void fireDownloadRequest(std::shared_ptr<Download> download);

    // Find in page and printing: what a Find or PrintToPdf came to.
    // The match shown, counted from 1 (0 when the engine does not tell which), and how
    // many matches the page holds (0: none).
    void fireFindResult(int current, int total);
    // The PDF file is complete (ok), or why it is not; a failed file may be half written.
    void firePrintFinished(const QString& path, bool ok, const QString& message);

signals:
    void StatusTextChange(const QString& text);
    void ProgressChange(int progress, int progressMax);
    void CommandStateChange(int command, bool enable);
    void DownloadBegin();
    void DownloadComplete();
    void TitleChange(const QString& text);
    void PropertyChange(const QString& property);
    void BeforeNavigate2(IDispatch* pDisp, const Variant& url, const Variant& flags, const Variant& targetFrameName,
                         const Variant& postData, const Variant& headers, bool& cancel);
    void NewWindow2(Variant& ppDisp, bool& cancel);
    void NavigateComplete2(IDispatch* pDisp, const Variant& url);
    void DocumentComplete(IDispatch* pDisp, const Variant& url);
    void OnQuit();
    void OnVisible(bool visible);
    void OnToolBar(bool toolBar);
    void OnMenuBar(bool menuBar);
    void OnStatusBar(bool statusBar);
    void OnFullScreen(bool fullScreen);
    void OnTheaterMode(bool theaterMode);
    void ActivateRequest();
    void UnusedKey(int key, Qt::KeyboardModifiers modifiers, const QString& text);
    void SignInRequested(const AuthRequestPtr& request);
    void CertificateFailed(const CertificateRequestPtr& request);
    void PermissionRequested(const PermissionRequestPtr& request);
    void FullScreenRequested(bool on);
    void DownloadRequest(const std::shared_ptr<Download>& download);
    void FindResult(int current, int total);
    void PrintFinished(const QString& path, bool ok, const QString& message);
};

// The control interface of an engine (IWebBrowser2). Every call returns a result code;
// the engine never throws. Strings are Unicode both ways.
class WebBrowser2 : public IDispatch {
public:
    ~WebBrowser2() override = default;

    virtual HRESULT Navigate(const QString& url, const Variant& flags, const Variant& targetFrameName,
                             const Variant& postData, const Variant& headers) = 0;
    virtual HRESULT GoBack() = 0;
    virtual HRESULT GoForward() = 0;
    virtual HRESULT Refresh() = 0;
    virtual HRESULT Stop() = 0;
    // pvaOut may be null when the caller wants no output.
    virtual HRESULT ExecWB(int cmdID, int cmdexecopt, const Variant& pvaIn, Variant* pvaOut) = 0;
    // Reads a property by dispatch id (DISPID_LOCATIONURL, DISPID_BUSY, DISPID_NAME);
    // an unknown id gives DISP_E_MEMBERNOTFOUND.
    virtual HRESULT GetProperty(int dispId, Variant& result) = 0;

    // The widget that shows the page; the hosting control embeds it and keeps it sized.
    virtual QWidget* widget() = 0;

    // The site whose host questions the engine asks from now on (null: none, the engine
    // decides alone). The engine keeps a reference while it holds the site. An engine
    // that cannot be customised ignores it.
    virtual void SetClientSite(IOleClientSite* site) { (void)site; }
    // The engine's accelerator translation; null when the engine has none.
    virtual IOleInPlaceActiveObject* QueryInPlaceActiveObject() { return nullptr; }
    // Takes the page's content out of full screen (FullScreenRequested reports it).
    virtual HRESULT LeaveFullScreen() { return E_NOTIMPL; }

    // Find in page. Searches the page for the text (letter case counts when matchCase),
    // marks every match and shows one; the same text and case again steps to the next
    // match (forward) or the one before, round the ends. A new text starts from the
    // match shown. Each call ends in FindResult. StopFinding takes the marks away.
    virtual HRESULT Find(const QString& text, bool forward, bool matchCase) {
        (void)text, (void)forward, (void)matchCase;
        return E_NOTIMPL;
    }
    virtual HRESULT StopFinding() { return E_NOTIMPL; }
    // Writes the page, laid out for printing on pages of this layout, to a PDF file at
    // the absolute path; ends in PrintFinished. The page goes on answering meanwhile.
    virtual HRESULT PrintToPdf(const QString& path, const QPageLayout& layout) {
        (void)path, (void)layout;
        return E_NOTIMPL;
    }

    // The events this engine raises.
    DWebBrowserEvents2& events() { return events_; }

private:
    DWebBrowserEvents2 events_;
};

// BeforeNavigate2's pDisp for a navigation of a frame inside the page. The page's own
// browser stands for its top frame; this one object stands for every frame within it.
IDispatch* InnerFrameDispatch();

// A page's request for a new window, for an engine that cannot hand its own window over:
// NewWindow2 asks the frame for one, and the window it gives is sent to the address. Its
// first navigation is the request itself, so its own filter judges it. A cancelled
// request, or one nobody took, opens nothing the program cannot see.
void openNewWindow(WebBrowser2& opener, const QString& url);
