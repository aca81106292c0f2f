#pragma once
// TUIWebBrowser: the IE control of an IE view window, and the engine's host. Its engine
// asks it the host questions (host flags, download control, context menu, message boxes,
// accelerators) through the client site it is given; eight properties steer the answers
// and nine optional handlers let a window put its own handling in. Keys of the whole
// application reach the engines through one shared hook, THookApplicationMessage.

#include "engines/DocHost.h"
#include "engines/EngineControls.h"

#include <QFont>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <utility>

class QMenu;
class TUIWebBrowser;

// The elements of the download-control set, in bit order.
enum TDownLoadControl : std::uint8_t {
    CS_Images,
    CS_Videos,
    CS_BGSounds,
    CS_NoScripts,
    CS_NoJava,
    CS_NoActiveXRun,
    cs_NoActiveXDownLoad,
    CS_DownLoadOnly,
    CS_ReSynchronize,
    CS_NoCash,
    CS_NoFrame,
    CS_ForceOffLine,
    CS_NoClientPull,
    CS_Silent,
    CS_OffLine,
};
inline constexpr int DownLoadControlElements = 15;

// A set of TDownLoadControl held in 16 bits, element n in bit n.
class TDownLoadControl_ {
public:
    constexpr TDownLoadControl_() = default;
    constexpr TDownLoadControl_(std::initializer_list<TDownLoadControl> elements) {
        for (TDownLoadControl e : elements) bits_ |= bit(e);
    }
    static constexpr TDownLoadControl_ all() {
        TDownLoadControl_ s;
        s.bits_ = (1u << DownLoadControlElements) - 1;
        return s;
    }

    constexpr bool contains(TDownLoadControl e) const { return (bits_ & bit(e)) != 0; }
    constexpr void include(TDownLoadControl e) { bits_ |= bit(e); }
    constexpr void exclude(TDownLoadControl e) { bits_ &= static_cast<std::uint16_t>(~bit(e)); }
    constexpr std::uint16_t bits() const { return bits_; }
    constexpr bool operator==(const TDownLoadControl_&) const = default;

    // The ambient download-control value: the OR of the elements' DLCTL flags.
    std::uint32_t ambientValue() const;
    // The DLCTL flag an element adds.
    static std::uint32_t flagOf(TDownLoadControl e);

private:
    static constexpr std::uint16_t bit(TDownLoadControl e) { return static_cast<std::uint16_t>(1u << e); }
    std::uint16_t bits_ = 0;
};

// The nine published events; the first parameter is always the control.
using TUIWebBrowserShowContextMenu = std::function<void(TUIWebBrowser* Sender, std::uint32_t dwID, const QPoint* ppt)>;
using TUIWebBrowserGetHostInfo = std::function<void(TUIWebBrowser* Sender, TDOCHOSTUIINFO& pInfo)>;
using TUIWebBrowserTranslateAccelerator =
    std::function<void(TUIWebBrowser* Sender, std::uint16_t& VirtualKey, TShiftState& ShiftStates, HRESULT& Done)>;
using TUIWebBrowserGetExternal = std::function<void(TUIWebBrowser* Sender, IDispatch*& ppDispatch)>;
using TUIWebBrowserShowHelp =
    std::function<void(TUIWebBrowser* Sender, QWidget* hwnd, const QString& pszHelpFile, std::uint32_t uCommand,
                       std::uint32_t dwData, QPoint ptMouse, IDispatch*& pDispachObjectHit)>;
using TUIWebBrowserShowMessage =
    std::function<void(TUIWebBrowser* Sender, QWidget* hwnd, const QString& lpstrText, const QString& lpstrCaption,
                       std::uint32_t dwType, const QString& lpstrHelpFile, std::uint32_t dwHelpContext,
                       std::int32_t& plResult)>;
using TUIWebBrowserGetDropTarget =
    std::function<void(TUIWebBrowser* Sender, IDropTarget* pDropTarget, IDropTarget*& ppDropTarget, HRESULT& Done)>;
using TUIWebBrowserTranslateUrl = std::function<void(TUIWebBrowser* Sender, std::uint32_t dwTranslate,
                                                     const QString& pchURLIn, QString& ppchURLOut, HRESULT& Done)>;
using TUIWebBrowserFilterDataObject =
    std::function<void(TUIWebBrowser* Sender, IDataObject* pDO, IDataObject*& ppDORet, HRESULT& Done)>;

// An OLE font object: what the ambient font property hands out.
class TOleFont : public IDispatch {
public:
    explicit TOleFont(const QFont& font) : font_(font) {}
    const QFont& font() const { return font_; }

private:
    QFont font_;
};

class TUIWebBrowser : public TEngineControl,
                      public IOleClientSite,
                      public IDocHostUIHandler,
                      public IDocHostShowUI,
                      public IAmbientDispatch {
    Q_OBJECT
public:
    explicit TUIWebBrowser(QWidget* parent = nullptr);
    ~TUIWebBrowser() override;

    // Published properties: plain values, read when the engine asks.
    bool IeEnableAccelerator = true;
    bool IeNoContext = false;
    bool IeSCROLL_hidden = false;
    bool IeNO3DBORDER = false;
    bool IeDontSCRIPT = false;
    bool IeNoBehavior = false;
    bool IeAutoComplete = true;
    TDownLoadControl_ DownLoadControl{CS_Images, CS_Videos, CS_BGSounds};

    // Published events; none assigned by default.
    TUIWebBrowserShowContextMenu OnUIShowContextMenu;
    TUIWebBrowserGetHostInfo onUIGetHostInfo;   // declared; the control never raises it
    TUIWebBrowserTranslateAccelerator onUITranslateAccelerator;
    TUIWebBrowserGetExternal onUIGetExternal;
    TUIWebBrowserShowHelp onUIShowHelp;
    TUIWebBrowserShowMessage onUIShowMessage;
    TUIWebBrowserGetDropTarget onUIGetDropTarget;
    TUIWebBrowserTranslateUrl OnUITranslateUrl;
    TUIWebBrowserFilterDataObject onUIFilterDataObject;

    // The control's own pop-up menu, shown on a right-click in place of the engine's
    // when IeNoContext is set and the menu pops up automatically.
    QPointer<QMenu> PopupMenu;
    bool PopupMenuAutoPopup = true;

    // IOleClientSite. The count is a plain counter: the control lives as long as its
    // view window, whatever the count.
    IDocHostUIHandler* QueryDocHostUIHandler() override { return this; }
    IDocHostShowUI* QueryDocHostShowUI() override { return this; }
    IAmbientDispatch* QueryAmbientDispatch() override { return this; }
    std::uint32_t AddRef() override { return ++refCount_; }
    std::uint32_t Release() override { return refCount_ ? --refCount_ : 0; }
    std::uint32_t refCount() const { return refCount_; }

    // IDocHostUIHandler
    HRESULT ShowContextMenu(std::uint32_t dwID, const QPoint* ppt, void* pcmdtReserved,
                            IDispatch* pdispReserved) override;
    HRESULT GetHostInfo(TDOCHOSTUIINFO* pInfo) override;
    HRESULT ShowUI(std::uint32_t, void*, void*, void*, void*) override { return S_FALSE; }
    HRESULT HideUI() override { return S_FALSE; }
    HRESULT UpdateUI() override { return S_FALSE; }
    HRESULT EnableModeless(bool) override { return E_NOTIMPL; }
    HRESULT OnDocWindowActivate(bool) override { return S_FALSE; }
    HRESULT OnFrameWindowActivate(bool) override { return S_FALSE; }
    HRESULT ResizeBorder(const QRect&, void*, bool) override { return S_FALSE; }
    HRESULT TranslateAccelerator(const TMessage* lpMsg, const void* pguidCmdGroup, std::uint32_t nCmdID) override;
    HRESULT GetOptionKeyPath(QString*, std::uint32_t) override { return S_FALSE; }
    HRESULT GetDropTarget(IDropTarget* pDropTarget, IDropTarget** ppDropTarget) override;
    HRESULT GetExternal(IDispatch** ppDispatch) override;
    HRESULT TranslateUrl(std::uint32_t dwTranslate, const QString& pchURLIn, QString* ppchURLOut) override;
    HRESULT FilterDataObject(IDataObject* pDO, IDataObject** ppDORet) override;

    // IDocHostShowUI
    HRESULT ShowMessage(QWidget* hwnd, const QString& lpstrText, const QString& lpstrCaption, std::uint32_t dwType,
                        const QString& lpstrHelpFile, std::uint32_t dwHelpContext, std::int32_t* plResult) override;
    HRESULT ShowHelp(QWidget* hwnd, const QString& pszHelpFile, std::uint32_t uCommand, std::uint32_t dwData,
                     QPoint ptMouse, IDispatch* pDispatchObjectHit) override;

    // IDispatch of the site: the ambient properties.
    HRESULT GetTypeInfoCount(unsigned* pctinfo) override;
    HRESULT GetTypeInfo(unsigned iTInfo, std::uint32_t lcid, void** ppTInfo) override;
    HRESULT GetIDsOfNames(const QString* rgszNames, unsigned cNames, std::uint32_t lcid, int* rgDispId) override;
    HRESULT Invoke(int dispIdMember, std::uint16_t wFlags, Variant* pVarResult) override;

    // The control's message filter in the application hook.
    void HandleBrowserMessage(TMessage& msg, bool& handled);
    // The dialog-message step: whether the message is for this control's widget or a
    // widget inside it (it then goes to that widget, as every event does).
    bool IsDialogMessage(const TMessage& msg) const;
    // The engine's accelerator translation, once obtained.
    IOleInPlaceActiveObject* inPlaceActiveObject() const { return activeObject_; }

private:
    std::uint32_t refCount_ = 0;
    IOleInPlaceActiveObject* activeObject_ = nullptr;
    std::unique_ptr<TOleFont> ambientFont_;
};

// The user's default locale as a Windows locale identifier (0x0411 for Japanese).
std::uint32_t userDefaultLocaleId();
// A colour as an OLE_COLOR (0x00BBGGRR).
std::uint32_t oleColorOf(const QColor& colour);

// One hook for the whole program: an application event filter that offers every event
// the application takes from its queue to the handlers of the control the event is for
// (the control that holds its widget), in the order they were added, until one of them
// sets the handled flag. Found by the widget's ancestors, not by asking every control:
// a key costs the same with one page open or hundreds.
class THookApplicationMessage : public QObject {
    Q_OBJECT
public:
    using Handler = void (TUIWebBrowser::*)(TMessage&, bool&);
    using Entry = std::pair<Handler, TUIWebBrowser*>;

    // The program's one hook; null until the first TUIWebBrowser makes it.
    static THookApplicationMessage* instance();
    // Makes the hook and installs it as the application's message handler, once.
    static THookApplicationMessage* ensureInstalled();
    // At the end of the program: frees the hook and clears the application's handler.
    static void release();

    void AddHandler(Handler handler, TUIWebBrowser* browser);
    void RemoveHandler(Handler handler, TUIWebBrowser* browser);
    void ApplicationMessage(TMessage& msg, bool& handled);
    const QList<Entry>& entries() const { return entries_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    THookApplicationMessage() = default;
    QList<Entry> entries_;
    struct Own {
        TUIWebBrowser* browser = nullptr;
        QList<Handler> handlers;
    };
    QHash<const QWidget*, Own> handlersOf_;
};
