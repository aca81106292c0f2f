#pragma once
// The questions a page engine asks the control that hosts it, and the small types they
// travel in. An engine that can be customised takes a client site (SetClientSite) and
// asks the site's interfaces at the moments it would decide on its own: host flags and
// the download-control value before a page loads, the context menu on a right-click,
// message boxes for a page's dialogs, accelerators for keys pressed inside a page.
// Nothing here names an engine; the IE view window's control answers, Chromium asks.

#include "platform/Com.h"

#include <QPoint>
#include <QRect>
#include <QString>
#include <cstdint>

class QEvent;
class QMimeData;
class QWidget;

// DOCHOSTUIINFO: filled by GetHostInfo as far as its first three 32-bit fields.
struct TDOCHOSTUIINFO {
    std::uint32_t cbSize = 0;
    std::uint32_t dwFlags = 0;
    std::uint32_t dwDoubleClick = 0;
    QString pchHostCss;   // later fields: never touched by the host
    QString pchHostNS;
};

enum DOCHOSTUIFLAG : std::uint32_t {
    DOCHOSTUIFLAG_NO3DBORDER = 0x4,
    DOCHOSTUIFLAG_SCROLL_NO = 0x8,
    DOCHOSTUIFLAG_DISABLE_SCRIPT_INACTIVE = 0x10,
    DOCHOSTUIFLAG_OVERRIDEBEHAVIORFACTORY = 0x400,
    DOCHOSTUIFLAG_ENABLE_FORMS_AUTOCOMPLETE = 0x4000,
};

enum DOCHOSTUIDBLCLK : std::uint32_t { DOCHOSTUIDBLCLK_DEFAULT = 0 };

// The download-control flags of the ambient value DISPID_AMBIENT_DLCONTROL.
enum DLCTL : std::uint32_t {
    DLCTL_DLIMAGES = 0x00000010,
    DLCTL_VIDEOS = 0x00000020,
    DLCTL_BGSOUNDS = 0x00000040,
    DLCTL_NO_SCRIPTS = 0x00000080,
    DLCTL_NO_JAVA = 0x00000100,
    DLCTL_NO_RUNACTIVEXCTLS = 0x00000200,
    DLCTL_NO_DLACTIVEXCTLS = 0x00000400,
    DLCTL_DOWNLOADONLY = 0x00000800,
    DLCTL_NO_FRAMEDOWNLOAD = 0x00001000,
    DLCTL_RESYNCHRONIZE = 0x00002000,
    DLCTL_PRAGMA_NO_CACHE = 0x00004000,
    DLCTL_FORCEOFFLINE = 0x10000000,
    DLCTL_NO_CLIENTPULL = 0x20000000,
    DLCTL_SILENT = 0x40000000,
    DLCTL_OFFLINEIFNOTCONNECTED = 0x80000000,
};

enum DISPID_AMBIENT : int {
    DISPID_AMBIENT_BACKCOLOR = -701,
    DISPID_AMBIENT_DISPLAYNAME = -702,
    DISPID_AMBIENT_FONT = -703,
    DISPID_AMBIENT_FORECOLOR = -704,
    DISPID_AMBIENT_LOCALEID = -705,
    DISPID_AMBIENT_MESSAGEREFLECT = -706,
    DISPID_AMBIENT_USERMODE = -709,
    DISPID_AMBIENT_UIDEAD = -710,
    DISPID_AMBIENT_SHOWGRABHANDLES = -711,
    DISPID_AMBIENT_SHOWHATCHING = -712,
    DISPID_AMBIENT_SUPPORTSMNEMONICS = -714,
    DISPID_AMBIENT_AUTOCLIP = -715,
    DISPID_AMBIENT_DLCONTROL = -5512,
};

// The kinds of Invoke call.
enum DISPATCH_FLAGS : std::uint16_t {
    DISPATCH_METHOD = 1,
    DISPATCH_PROPERTYGET = 2,
    DISPATCH_PROPERTYPUT = 4,
};

// What the right-click was on (dwID of ShowContextMenu).
enum CONTEXT_MENU : std::uint32_t {
    CONTEXT_MENU_DEFAULT = 0,
    CONTEXT_MENU_IMAGE = 1,
    CONTEXT_MENU_CONTROL = 2,
    CONTEXT_MENU_TABLE = 3,
    CONTEXT_MENU_TEXTSELECT = 4,
    CONTEXT_MENU_ANCHOR = 5,
};

// Message box types of ShowMessage (dwType) and its answers (plResult).
enum MESSAGEBOX : std::uint32_t {
    MB_OK = 0x0,
    MB_OKCANCEL = 0x1,
    MB_ICONQUESTION = 0x20,
    MB_ICONEXCLAMATION = 0x30,
    IDOK = 1,
    IDCANCEL = 2,
};

// The window messages the keyboard routing tells apart.
enum WINDOW_MESSAGE : std::uint32_t {
    WM_NULL = 0,
    WM_KEYDOWN = 0x100,
    WM_SYSKEYDOWN = 0x104,
    WM_COMMAND = 0x111,
    WM_SYSCOMMAND = 0x112,
};

enum VIRTUAL_KEY : std::uint16_t {
    VK_BACK = 0x08,
    VK_TAB = 0x09,
    VK_RETURN = 0x0D,
    VK_ESCAPE = 0x1B,
    VK_LEFT = 0x25,
    VK_UP = 0x26,
    VK_RIGHT = 0x27,
    VK_DOWN = 0x28,
    VK_F1 = 0x70,
    VK_F5 = 0x74,
    VK_F10 = 0x79,
};

// One event the application takes from its queue, in the shape of a window message:
// the widget it is for, the message kind and, for keys, the virtual key in wParam.
struct TMessage {
    QWidget* target = nullptr;
    QEvent* event = nullptr;
    std::uint32_t message = WM_NULL;
    std::uint32_t wParam = 0;

    // Key presses become WM_KEYDOWN (WM_SYSKEYDOWN with Alt held or for F10), shortcut
    // activations WM_COMMAND; anything else WM_NULL.
    static TMessage of(QWidget* target, QEvent* event);
};

// The Windows virtual-key code of a Qt key; 0 for keys without one.
std::uint16_t virtualKeyOf(int qtKey);

// The shift state of TranslateAccelerator: shift 1, alt 2, control 4.
enum TShiftStateBit : std::uint8_t { ssShift = 1, ssAlt = 2, ssCtrl = 4 };
using TShiftState = std::uint8_t;
// Built from the keyboard as it is at this moment.
TShiftState currentShiftState();

// A data object handed between the page and the host (drag and drop, clipboard).
class IDataObject {
public:
    virtual ~IDataObject() = default;
    virtual const QMimeData* data() const = 0;
};

// A drop target: what receives drags over the page in place of the engine.
class IDropTarget {
public:
    virtual ~IDropTarget() = default;
    // effect: in, the actions the source allows (Qt::DropActions); out, the one chosen.
    virtual HRESULT DragEnter(const QMimeData* data, QPoint pt, std::uint32_t* effect) = 0;
    virtual HRESULT DragOver(QPoint pt, std::uint32_t* effect) = 0;
    virtual HRESULT DragLeave() = 0;
    virtual HRESULT Drop(const QMimeData* data, QPoint pt, std::uint32_t* effect) = 0;
};

// The host's user-interface questions, in the interface's slot order.
class IDocHostUIHandler {
public:
    virtual ~IDocHostUIHandler() = default;
    virtual HRESULT ShowContextMenu(std::uint32_t dwID, const QPoint* ppt, void* pcmdtReserved,
                                    IDispatch* pdispReserved) = 0;
    virtual HRESULT GetHostInfo(TDOCHOSTUIINFO* pInfo) = 0;
    virtual HRESULT ShowUI(std::uint32_t dwID, void* pActiveObject, void* pCommandTarget, void* pFrame,
                           void* pDoc) = 0;
    virtual HRESULT HideUI() = 0;
    virtual HRESULT UpdateUI() = 0;
    virtual HRESULT EnableModeless(bool fEnable) = 0;
    virtual HRESULT OnDocWindowActivate(bool fActivate) = 0;
    virtual HRESULT OnFrameWindowActivate(bool fActivate) = 0;
    virtual HRESULT ResizeBorder(const QRect& prcBorder, void* pUIWindow, bool fFrameWindow) = 0;
    virtual HRESULT TranslateAccelerator(const TMessage* lpMsg, const void* pguidCmdGroup, std::uint32_t nCmdID) = 0;
    virtual HRESULT GetOptionKeyPath(QString* pchKey, std::uint32_t dw) = 0;
    virtual HRESULT GetDropTarget(IDropTarget* pDropTarget, IDropTarget** ppDropTarget) = 0;
    virtual HRESULT GetExternal(IDispatch** ppDispatch) = 0;
    virtual HRESULT TranslateUrl(std::uint32_t dwTranslate, const QString& pchURLIn, QString* ppchURLOut) = 0;
    virtual HRESULT FilterDataObject(IDataObject* pDO, IDataObject** ppDORet) = 0;
};

// Message boxes and help, in slot order.
class IDocHostShowUI {
public:
    virtual ~IDocHostShowUI() = default;
    virtual HRESULT ShowMessage(QWidget* hwnd, const QString& lpstrText, const QString& lpstrCaption,
                                std::uint32_t dwType, const QString& lpstrHelpFile, std::uint32_t dwHelpContext,
                                std::int32_t* plResult) = 0;
    virtual HRESULT ShowHelp(QWidget* hwnd, const QString& pszHelpFile, std::uint32_t uCommand, std::uint32_t dwData,
                             QPoint ptMouse, IDispatch* pDispatchObjectHit) = 0;
};

// The ambient-property dispatch interface of the site, in slot order.
class IAmbientDispatch {
public:
    virtual ~IAmbientDispatch() = default;
    virtual HRESULT GetTypeInfoCount(unsigned* pctinfo) = 0;
    virtual HRESULT GetTypeInfo(unsigned iTInfo, std::uint32_t lcid, void** ppTInfo) = 0;
    virtual HRESULT GetIDsOfNames(const QString* rgszNames, unsigned cNames, std::uint32_t lcid, int* rgDispId) = 0;
    virtual HRESULT Invoke(int dispIdMember, std::uint16_t wFlags, Variant* pVarResult) = 0;
};

// The engine's own accelerator translation (IOleInPlaceActiveObject).
class IOleInPlaceActiveObject {
public:
    virtual ~IOleInPlaceActiveObject() = default;
    // S_OK: the key was an accelerator and the engine acted on it.
    virtual HRESULT TranslateAccelerator(const TMessage& msg) = 0;
};

// The site a control gives its engine. A query returns the site's implementation of an
// interface, or null when the site has none. The reference count is shared by all of
// them.
class IOleClientSite {
public:
    virtual ~IOleClientSite() = default;
    virtual IDocHostUIHandler* QueryDocHostUIHandler() = 0;
    virtual IDocHostShowUI* QueryDocHostShowUI() = 0;
    virtual IAmbientDispatch* QueryAmbientDispatch() = 0;
    virtual std::uint32_t AddRef() = 0;
    virtual std::uint32_t Release() = 0;
};
