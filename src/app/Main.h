#pragma once
// TMainForm: the MDI frame. It owns the bars, menus, tab strip and J bar, and the state
// the view windows share (window ids, text size, the state new view windows take).

#include "app/BarPanels.h"
#include "app/MainControls.h"
#include "prompts/CertificateExceptions.h"
#include "prompts/KeyCatcher.h"
#include "prompts/PermissionDecisions.h"
#include "views/WindowState.h"

#include <QIcon>
#include <QList>
#include <QMainWindow>
#include <QPointer>
#include <QStringList>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>

class Download;
class Downloads;
class QAction;
class QLabel;
class QLineEdit;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QMenuBar;
class QPainter;
class QProgressBar;
class QPushButton;
class QToolBar;
class QToolButton;
class QUrl;
class QTreeWidget;
class BookmarkModel;
class Settings;
class TBookmarkViews;
class TTabControl;
class TTabStrip;
class TWebListMenu;
class Tfrm_Option;
class Tfrm_WebList;
class TViewWindow;
class Variant;

// [General] WinSize and the window state, both ways (1 is maximised, 2 minimised).
std::optional<TWindowState> WinSizeToState(int winSize);
int StateToWinSize(TWindowState state);

// When the frame reads what it does not need for its first picture: the bookmarks, the
// options window of a first start and the web lists.
enum class TStartup {
    AllAtOnce,        // before the constructor returns
    AfterFirstPaint,  // once the frame has painted, from the event loop
};

class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    // appPath: the folder of the user's files, ending in "/"; empty means the one
    // userFilesFolder() gives for the executable's folder.
    explicit TMainForm(const QString& appPath = QString(), QWidget* parent = nullptr,
                       TStartup startup = TStartup::AllAtOnce);
    ~TMainForm() override;

    // --- shared state -------------------------------------------------------------
    QString AppPath;
    std::int32_t NextWindowID = -1;
    TWindowState ViewWindowState = TWindowState::wsNormal;
    int MojiSize = 2;

    QString configPath() const { return AppPath + QStringLiteral("config.ini"); }

    // --- controls -----------------------------------------------------------------
    QList<QIcon> ImageList1;
    TTabStrip* Tabs = nullptr;  // owns TabControl1 and its menu
    // The frame's widgets and menu items, to look at (tests, benchmarks); only the frame
    // changes them.
    const TMainControls& controls() const { return ui; }

    // The bookmarks, and their pictures in the Bookmarks menu and the J bar.
    BookmarkModel* BookMarks = nullptr;
    TBookmarkViews* BookmarkViews = nullptr;
    // The web list items of the Web list menu.
    TWebListMenu* WebLists = nullptr;

    // --- start-up and close -------------------------------------------------------
    void FormCreate();
    // The part of start-up the first picture needs: bars, settings, menus' states.
    void FormCreateFrame();
    // The part that may follow the first paint, in this order: the bookmarks, the
    // options window of a first start, the web lists. An error skips the rest of it.
    void FormCreateLists();
    bool FirstPainted() const { return firstPainted_; }
    // The size a desktop gives a new main window: three quarters of the screen's
    // available area, centred on it. Nothing keeps the frame's size between runs, so
    // every start takes it.
    void PlaceOnScreen();
    void ReadMojiSize();
    void FormClose();

    // --- bar layout ---------------------------------------------------------------
    void BandPositionRead();
    void BandPositionWrite();
    void ViewToolBar();
    void mnuShow_defaultClick();
    void mnuShow_AddressClick();
    void mnuShow_StatusClick();
    void mnuShow_TabClick();
    void mnuShow_JClick();
    void btnBarClick();
    void JBarMouseUp(int x);
    void JBarResize();
    void CoolBar1MouseUp();
    // The J bar's current width: the width asked for, as far as the frame allows.
    int JBarWidth() const;
    void SetJBarWidth(int width);
    int JBarRemembered() const;  // the collapse button's remembered width
    // The bands of the cool bar from top-left to bottom-right.
    QList<TBand*> Bands() const;

    // --- tab strip (TTabStrip does the work) -------------------------------------------
    QList<int> WindowIDs() const;
    std::optional<int> TabPositionOf(int id) const;
    void HitTestPopupTab(const QPoint& globalPos);
    void CloseTab(int p);
    void AddTabToCloseList(int p);
    void ShowTab(int p);
    void SelectTab(int index);
    void TabControl1Change();
    void popTabCloseClick();
    void popAddCloseClick();

    // --- bookmarks ----------------------------------------------------------------
    void BookMarkMenuRead();
    void BookMarkTreeRead();
    // Opens a chosen bookmark: in a new view window when [Option_Window] BookMark says so
    // or no view window is open, else in the active one. The address box shows it.
    void OpenBookmark(const QString& address);
    // Bookmarks ▸ "ブックマークを編集(&E)" and the tab menu's "ブックマークに追加(&A)": the
    // editor with the current page's address and title.
    void mnuBMEditClick();

    // --- the view windows' events, shown as the frame shows them -------------------
    // Whether the view window is the one in front: only its events reach the frame's
    // controls; the others change only themselves and show it when activated.
    bool IsInFront(const TViewWindow* view) const;
    void ViewActivate(TViewWindow* view);
    void ViewTitleChange(TViewWindow* view);
    void ViewStatusTextChange(TViewWindow* view, const QString& text);
    void ViewProgressChange(TViewWindow* view, int progress, int progressMax);
    void ViewCommandStateChange(TViewWindow* view, int command, bool enable);
    void ViewNewWindow2(Variant& ppDisp);
    void ViewClose(TViewWindow* view);
    // What a page hands the frame (MainKeys.cpp): a click that brings its window to the
    // front, and a key the page did not use.
    void ViewActivateRequest(TViewWindow* view);
    void ViewUnusedKey(TViewWindow* view, int key, Qt::KeyboardModifiers modifiers, const QString& text);
    // A page's download (MainDownloads.cpp): the frame asks whether and where to save it
    // and shows how it goes; the status bar says when it starts and how it ends.
    void ViewDownloadRequest(const std::shared_ptr<Download>& download);
    Downloads* DownloadList();
    // Closing the frame cancels the downloads still coming: the user is asked first.
    bool MayCloseWithDownloads();
    // true: the active view window takes the frame's button states; false: the frame's
    // progress, address, status and buttons are cleared.
    void SubChange(bool flag);

    // --- opening view windows and page commands -----------------------------------
    void OpenViewWindow(const QString& caption, const QString& address);
    // Whether a site rule may choose the engine of a window opened for an address.
    enum class SiteRuleUse {
        Follow,  // the rule's engine in place of the one asked for
        Waive,   // the engine asked for; the window keeps it for pages of that host
    };
    // The same in the engine given (true: Internet Explorer) unless a site rule gives
    // the address another; returns the new window, or none when the tab limit refused it.
    TViewWindow* OpenViewWindowIn(bool ie, const QString& caption, const QString& address,
                                  SiteRuleUse rules = SiteRuleUse::Follow);

    // --- site rules (MainRules.cpp) ----------------------------------------------------
    // The engine a site rule gives the address (true: Internet Explorer); none when no
    // rule applies: none matches, it is no web address, or the rule names Gekko while
    // Gekko is off. A rules file that cannot be read rules nothing and says so in the
    // status text.
    std::optional<bool> RuledEngine(const QUrl& url);
    // A page's top frame is about to go to a site ruled for the other engine: the
    // navigation is cancelled and the address opens in a new window of that engine.
    void ViewTopFrameNavigate(TViewWindow* view, const QString& url, bool& cancel);
    // The tab menu's "このサイトを常にこのエンジンで開く": the host of the window's page is
    // ruled for the window's engine, in the rules file at once.
    void AlwaysOpenSiteInEngine(TViewWindow* view);

    // Addresses handed in from outside (the command line, a later start): each in a
    // new view window as New opens one, after any windows already waiting; the refused
    // arguments' report goes to the status text. toFront: the frame comes to the front.
    void OpenFromOutside(const QStringList& addresses, const QString& report, bool toFront);

    // --- the other engine and the last session ----------------------------------------
    // Opens the window's page in a new window of the other engine, in front.
    void OpenInOtherEngine(TViewWindow* view);
    // The other-engine commands follow the "Gekko" item and need a window.
    void UpdateOtherEngineItems();
    // With [Option_Window] Restore on: the open windows to session.txt, and back.
    void SaveSession();
    void RestoreSession();
    // Whether the session the frame on the files in appPath will bring back holds a page
    // for the Gecko slot: its engine can then start before the frame exists. False when
    // the files cannot be read.
    static bool RestoresGeckoPage(const QString& appPath);
    void FileNew1Execute();
    void ToolButton1Click();
    void FileOpen1Execute();
    void txtAddressKeyDown(int key);
    void btnMoveClick();
    void BackCtrlClick();
    void FrwrdCtrlClick();
    void StopCtrlClick();
    void ReLoadCtrlClick();
    void mnuSize_MaxClick();
    void mnuSize_LargeClick();
    void mnuSize_middleClick();
    void mnuSize_SmallClick();
    void mnuSize_MinClick();
    void mnuFile_SaveAsClick();
    void mnuEdit_CopyClick();
    void mnuEdit_slrAllClick();
    // Find in page and printing (MainFindPrint.cpp): the active view window's find bar,
    // its next and previous match, and the print dialog for its page.
    void mnuEdit_FindClick();
    void FindNextClick(bool forward);
    void mnuFile_PrintClick();
    // The popup filter: the switch is on and the address stands in CloseURL.txt.
    bool IsCloseURL(const QString& address);
    // A popup's address: opened as a view window unless the filter drops it.
    void PopupNavigate(const QString& address);

    // --- web lists ----------------------------------------------------------------
    void EnumFiles(const QString& folder);
    // Opens one view window per line of the list, in file order. The windows come one
    // per turn of the event loop, so the frame answers while a long list opens.
    void OpenWebList(const QString& path);
    void mnuWebList_EditClick();
    // The web list editor, made at start-up after the frame.
    void setWebListEditor(Tfrm_WebList* editor);

    // --- options --------------------------------------------------------------------
    // A new options window wired to the frame; shown for the Options command, hidden for
    // the one start-up makes.
    Tfrm_Option* CreateOptionWindow(bool show);
    void mnuOptionClick() { CreateOptionWindow(true); }

    // --- frame upkeep and commands -------------------------------------------------
    void FormResize();
    void IE_ItemClick();
    void Moz_ItemClick();
    void mnuFile_CloseClick();
    void mnuWindow_CascadeClick();
    void mnuWindow_TileHorizontalClick();
    void mnuWindow_TileVerticalClick();
    void mnuWindow_MinimizeAllClick();
    void mnuWindow_ArrangeClick();
    void mnuAboutClick();
    // The view window in front, or none.
    QMdiSubWindow* ActiveMDIChild() const;
    QList<QMdiSubWindow*> MDIChildren() const;
    // Whether windows of a web list or of the last session are still waiting to open.
    bool OpeningQueued() const { return queueRunning_; }

    // --- the address box --------------------------------------------------------------
    // Whether the user is editing the address box: it has the focus and its text changed
    // since the program last set it, or text in it is selected. Page events then leave
    // it alone.
    bool AddressBeingEdited() const;
    // Shows a page's address in the address box unless the user is editing it.
    void ShowAddress(const QString& address, const TViewWindow* view);

signals:
    // The frame has closed; the program ends, whatever view windows are open.
    void closed();
    // The frame's first picture is on the screen (emitted from the event loop, after the
    // paint that put it there).
    void FirstPaint();
    // The steps left for after the first paint have run.
    void StartupFinished();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    QMenu* createPopupMenu() override { return nullptr; }

private:
    TMainControls ui;
    void createControls();
    // The menus and the bars, each built by a function of its own that returns it.
    void createMenus();
    QMenu* createFileMenu(QMenuBar* bar);
    QMenu* createEditMenu(QMenuBar* bar);
    QMenu* createShowMenu(QMenuBar* bar);
    QMenu* createBookmarkMenu(QMenuBar* bar);
    QMenu* createWebListMenu(QMenuBar* bar);
    QMenu* createToolMenu(QMenuBar* bar);
    QMenu* createWindowMenu(QMenuBar* bar);
    QMenu* createHelpMenu(QMenuBar* bar);
    // Cut, copy and paste for the focused text box: in no menu, but frame-wide.
    QList<QAction*> createEditShortcuts();
    void createBars();
    TBand* createNavigationBand();
    TBand* createAddressBand();
    QToolBar* createJBar();
    QToolBar* createStatusBar();
    QToolBar* createTabBar();
    void connectHandlers();
    void connectFindPrint();
    void fillWindowMenu();
    void placeBands(const QList<TBand*>& order);
    void SetTextSize(int size);
    // Checks the Text size menu's item of this size (0 smallest to 4 largest).
    void CheckTextSize(int size);
    // Save As, Select All and Copy act on the active page.
    void enablePageMenus(bool enabled);
    void showRememberedButtons(const TViewWindow* view);
    void connectView(TViewWindow* view);
    template <typename Window>
    TViewWindow* createViewWindow(const QString& caption, int id);
    bool eventFilter(QObject* watched, QEvent* event) override;
    void applyJBarWidth();
    // The widest J bar the frame's width allows: the collapse button and some page area
    // stay visible whatever width was asked for.
    int JBarLimit() const;
    // A view window in the normal state lies wholly inside the MDI area.
    void FitIntoMDIArea(QMdiSubWindow* window) const;
    void startAfterFirstPaint();
    QAction* addItem(QMenu* menu, const QString& caption, int image = -1);

    int jBarWidth_ = 153;  // the width asked for; the bar shows at most JBarLimit()
    bool firstPainted_ = false;
    bool listsStarted_ = false;
    bool engineWarmed_ = false;
    TStartup startup_ = TStartup::AllAtOnce;
    const TViewWindow* addressOwner_ = nullptr;  // the window whose address the box shows
    QList<TBand*> bandOrder_;  // last known order, for while a band is hidden
    QList<QAction*> windowListItems_;
    // Windows waiting to be opened one per turn of the event loop (a web list's lines,
    // the last session's windows), so that the frame answers while many open and a
    // close in between ends the program at once.
    struct PendingWindow {
        std::optional<bool> ie;  // none: the engine menu's choice at the time it opens
        QString caption;
        QString address;
        bool front = false;  // brought to the front once the queue has run out
        // From the last session: a frame closed before it opened keeps it in the session.
        bool restored = false;
    };
    void queueWindows(const QList<PendingWindow>& windows);
    void openNextQueuedWindow(bool several);
    void releaseQueueHead(const TViewWindow* view, int serial);
    QList<PendingWindow> pendingWindows_;
    bool queueRunning_ = false;
    // A turn of the queue is opening windows; the window in front is to be brought back
    // at its end.
    bool queueTurn_ = false, frontAfterTurn_ = false;
    // The queue's first window, whose page loads before the rest open.
    QPointer<TViewWindow> queueHead_;
    bool queueHeadWaiting_ = false;
    int queueHeadSerial_ = 0;
    QPointer<TViewWindow> queuedFront_;
    // Windows opened against a site rule by the user's own choice, with the host whose
    // pages they keep in their engine.
    std::map<const TViewWindow*, QString> siteRuleWaived_;

    // What pages ask of the user (MainPrompts.cpp); the answers last until the program ends.
    void connectPrompts(TViewWindow* view);
    void ViewSignIn(TViewWindow* view, const AuthRequestPtr& request);
    void ViewCertificateFailed(TViewWindow* view, const CertificateRequestPtr& request);
    void ViewPermission(TViewWindow* view, const PermissionRequestPtr& request);
    void ViewFullScreen(TViewWindow* view, bool on);
    CertificateExceptions certificateExceptions_;
    PermissionDecisions permissionDecisions_;
    // The frame's look before a page went to full screen; none while no page is.
    struct FullScreenReturn {
        QPointer<TViewWindow> view;
        Qt::WindowStates frame;
        Qt::WindowStates viewState;
        QList<QWidget*> hidden;
    };
    std::optional<FullScreenReturn> fullScreen_;
    std::unique_ptr<KeyCatcher> leaveFullScreen_;   // while a page is in full screen
    Downloads* downloads_ = nullptr;
};

// The one main window.
extern TMainForm* MainForm;
