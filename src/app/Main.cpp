#include "app/Main.h"

#include "app/About.h"
#include "app/tmpWeb.h"
#include "bookmarks/BookMark.h"
#include "bookmarks/BookmarkModel.h"
#include "bookmarks/untBMB.h"
#include "engines/chromium/ChromiumEngine.h"
#include "platform/ErrorBox.h"
#include "resources/Fonts.h"
#include "resources/ImageList.h"
#include "settings/Settings.h"
#include "settings/UserFolder.h"
#include "views/TabControl.h"
#include "views/ViewWindow.h"
#include "views/untTab.h"
#include "weblists/WebListMenu.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QPushButton>
#include <QToolButton>

TMainForm* MainForm = nullptr;

namespace {

// How long the lists wait for the frame's first paint at most.
constexpr int UnpaintedStartupMs = 2000;

}  // namespace

std::optional<TWindowState> WinSizeToState(int winSize) {
    switch (winSize) {
    case 0: return TWindowState::wsNormal;
    case 1: return TWindowState::wsMaximized;
    case 2: return TWindowState::wsMinimized;
    default: return std::nullopt;
    }
}

int StateToWinSize(TWindowState state) {
    switch (state) {
    case TWindowState::wsMaximized: return 1;
    case TWindowState::wsMinimized: return 2;
    case TWindowState::wsNormal: break;
    }
    return 0;
}


TMainForm::TMainForm(const QString& appPath, QWidget* parent, TStartup startup)
    : QMainWindow(parent), startup_(startup) {
    MainForm = this;
    setObjectName(QStringLiteral("MainForm"));
    AppPath = appPath;
    if (AppPath.isEmpty()) AppPath = userFilesFolder(QCoreApplication::applicationDirPath());
    if (!AppPath.endsWith(u'/')) AppPath += u'/';
    createControls();
    installEventFilter(this);
    ErrorBox::guard([this] { FormCreate(); });
    // A frame that never paints (started minimised, say) must not stay without its lists.
    if (startup_ == TStartup::AfterFirstPaint)
        QTimer::singleShot(UnpaintedStartupMs, this, [this] { startAfterFirstPaint(); });
}

TMainForm::~TMainForm() {
    if (MainForm == this) MainForm = nullptr;
}

void TMainForm::createControls() {
    setWindowTitle(QStringLiteral("Tavix"));
    setWindowIcon(ImageList::appIcon());
    setFont(Fonts::japaneseUi(12));
    // The frame's least size is its own, not the sum of its bars': a wide J bar or band
    // must never hold the frame wide (the J bar narrows with the frame instead).
    setMinimumSize(320, 240);
    PlaceOnScreen();
    ImageList1 = ImageList::create();

    ui.MDIClient = new QMdiArea(this);
    ui.MDIClient->setObjectName(QStringLiteral("MDIClient"));
    ui.MDIClient->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    ui.MDIClient->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(ui.MDIClient);

    createBars();
    createMenus();
    connectHandlers();
}

void TMainForm::connectHandlers() {
    using ErrorBox::guarded;
    connect(ui.mnuShow_default, &QAction::triggered, this, guarded([this](bool) { mnuShow_defaultClick(); }));
    connect(ui.mnuShow_Address, &QAction::triggered, this, guarded([this](bool) { mnuShow_AddressClick(); }));
    connect(ui.mnuShow_Status, &QAction::triggered, this, guarded([this](bool) { mnuShow_StatusClick(); }));
    connect(ui.mnuShow_Tab, &QAction::triggered, this, guarded([this](bool) { mnuShow_TabClick(); }));
    connect(ui.mnuShow_J, &QAction::triggered, this, guarded([this](bool) { mnuShow_JClick(); }));
    connect(ui.btnBar, &QPushButton::clicked, this, guarded([this](bool) { btnBarClick(); }));
    ui.JBarPanel->onMouseUp = guarded([this](int x) { JBarMouseUp(x); });
    for (TBand* band : {ui.ToolBar2, ui.ToolBar3})
        connect(band, &TBand::mouseReleased, this, guarded([this] { CoolBar1MouseUp(); }));

    connect(ui.IE_item, &QAction::triggered, this, guarded([this](bool) { IE_ItemClick(); }));
    connect(ui.Moz_Item, &QAction::triggered, this, guarded([this](bool) { Moz_ItemClick(); }));
    connect(ui.mnuFile_Close, &QAction::triggered, this, guarded([this](bool) { mnuFile_CloseClick(); }));
    connect(ui.mnuFile_Exit, &QAction::triggered, this, guarded([this](bool) { close(); }));
    connect(ui.mnuWindow_Cascade, &QAction::triggered, this, guarded([this](bool) { mnuWindow_CascadeClick(); }));
    connect(ui.mnuWindow_TileHorizontal, &QAction::triggered, this,
            guarded([this](bool) { mnuWindow_TileHorizontalClick(); }));
    connect(ui.mnuWindow_TileVertical, &QAction::triggered, this,
            guarded([this](bool) { mnuWindow_TileVerticalClick(); }));
    connect(ui.mnuWindow_MinimizeAll, &QAction::triggered, this,
            guarded([this](bool) { mnuWindow_MinimizeAllClick(); }));
    connect(ui.mnuWindow_Arrange, &QAction::triggered, this, guarded([this](bool) { mnuWindow_ArrangeClick(); }));
    connect(ui.mnuWindow, &QMenu::aboutToShow, this, guarded([this] { fillWindowMenu(); }));
    connect(ui.mnuAbout, &QAction::triggered, this, guarded([this](bool) { mnuAboutClick(); }));
    connect(ui.mnuOption, &QAction::triggered, this, guarded([this](bool) { mnuOptionClick(); }));
    connect(ui.mnuOtherEngine, &QAction::triggered, this, guarded([this](bool) {
                if (auto* view = qobject_cast<TViewWindow*>(ActiveMDIChild())) OpenInOtherEngine(view);
            }));
    connect(Tabs, &TTabStrip::OpenInOtherEngineRequested, this,
            guarded([this](TViewWindow* view) { OpenInOtherEngine(view); }));
    connect(Tabs, &TTabStrip::SiteEngineRequested, this,
            guarded([this](TViewWindow* view) { AlwaysOpenSiteInEngine(view); }));
    connect(ui.Moz_Item, &QAction::changed, this, [this] { UpdateOtherEngineItems(); });
    connect(ui.mnuTool, &QMenu::aboutToShow, this, [this] { UpdateOtherEngineItems(); });
    connect(Tabs->TabPopup, &QMenu::aboutToShow, this, [this] { UpdateOtherEngineItems(); });
    connect(ui.mnuWebList_Edit, &QAction::triggered, this, guarded([this](bool) { mnuWebList_EditClick(); }));
    connect(WebLists, &TWebListMenu::OpenWebList, this, guarded([this](const QString& path) { OpenWebList(path); }));
    connect(BookmarkViews, &TBookmarkViews::BookmarkChosen, this,
            guarded([this](const QString& address) { OpenBookmark(address); }));
    connect(ui.mnuBMEdit, &QAction::triggered, this, guarded([this](bool) { mnuBMEditClick(); }));
    connect(Tabs, &TTabStrip::AddBookmarkRequested, this, guarded([this] { mnuBMEditClick(); }));

    connect(ui.FileNew1, &QAction::triggered, this, guarded([this](bool) { FileNew1Execute(); }));
    connect(ui.ToolButton1, &QToolButton::clicked, this, guarded([this](bool) { ToolButton1Click(); }));
    connect(ui.FileOpen1, &QAction::triggered, this, guarded([this](bool) { FileOpen1Execute(); }));
    connect(ui.btnMove, &QPushButton::clicked, this, guarded([this](bool) { btnMoveClick(); }));
    connect(ui.BackCtrl, &QToolButton::clicked, this, guarded([this](bool) { BackCtrlClick(); }));
    connect(ui.FrwrdCtrl, &QToolButton::clicked, this, guarded([this](bool) { FrwrdCtrlClick(); }));
    connect(ui.StopCtrl, &QToolButton::clicked, this, guarded([this](bool) { StopCtrlClick(); }));
    connect(ui.ReLoadCtrl, &QToolButton::clicked, this, guarded([this](bool) { ReLoadCtrlClick(); }));
    connect(ui.mnuSize_Max, &QAction::triggered, this, guarded([this](bool) { mnuSize_MaxClick(); }));
    connect(ui.mnuSize_Large, &QAction::triggered, this, guarded([this](bool) { mnuSize_LargeClick(); }));
    connect(ui.mnuSize_middle, &QAction::triggered, this, guarded([this](bool) { mnuSize_middleClick(); }));
    connect(ui.mnuSize_Small, &QAction::triggered, this, guarded([this](bool) { mnuSize_SmallClick(); }));
    connect(ui.mnuSize_Min, &QAction::triggered, this, guarded([this](bool) { mnuSize_MinClick(); }));
    connect(ui.mnuFile_SaveAs, &QAction::triggered, this, guarded([this](bool) { mnuFile_SaveAsClick(); }));
    connect(ui.mnuEdit_Copy, &QAction::triggered, this, guarded([this](bool) { mnuEdit_CopyClick(); }));
    connect(ui.mnuEdit_slrAll, &QAction::triggered, this, guarded([this](bool) { mnuEdit_slrAllClick(); }));
    connectFindPrint();
    connect(ui.MDIClient, &QMdiArea::subWindowActivated, this, guarded([this](QMdiSubWindow* window) {
                if (auto* view = qobject_cast<TViewWindow*>(window)) ViewActivate(view);
            }));
    ui.txtAddress->installEventFilter(this);

    auto focusedEdit = [] { return qobject_cast<QLineEdit*>(QApplication::focusWidget()); };
    connect(ui.EditCut1, &QAction::triggered, this, [focusedEdit] { if (auto* e = focusedEdit()) e->cut(); });
    connect(ui.EditCopy1, &QAction::triggered, this, [focusedEdit] { if (auto* e = focusedEdit()) e->copy(); });
    connect(ui.EditPaste1, &QAction::triggered, this, [focusedEdit] { if (auto* e = focusedEdit()) e->paste(); });
}

void TMainForm::PlaceOnScreen() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) {
        resize(543, 333);
        return;
    }
    const QRect available = screen->availableGeometry();
    const QSize size(available.width() * 3 / 4, available.height() * 3 / 4);
    setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size, available));
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == this && event->type() == QEvent::Paint && !firstPainted_) {
        // The paint that puts the first picture on the screen ends in a flush within this
        // same turn of the event loop; what follows waits for the next turn.
        firstPainted_ = true;
        QTimer::singleShot(0, this, [this] {
            emit FirstPaint();
            if (startup_ == TStartup::AfterFirstPaint) startAfterFirstPaint();
        });
        return false;
    }
    if (watched == ui.txtAddress && event->type() == QEvent::KeyPress) {
        // The user is typing an address: a page will need the engine soon, and bringing
        // it up now rather than at Enter takes its start-up off the page's load time.
        // Not the system's Chromium: a window of its own appears as it starts and would
        // take the keyboard from the typing for a moment.
        if (!engineWarmed_ && ui.IE_item->isChecked() && !Chromium::serves()) {
            engineWarmed_ = true;
            QTimer::singleShot(0, this, [] {
                if (frm_tmpWeb) ErrorBox::guard([] { frm_tmpWeb->browser(); });
            });
        }
        // Every key in the address box beeps, Enter too, as it always has.
        const int key = static_cast<QKeyEvent*>(event)->key();
        const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
        ErrorBox::guard([&] { txtAddressKeyDown(key); });
        // Enter belongs to the address box alone; other keys go on to edit the text.
        return enter;
    }
    return QMainWindow::eventFilter(watched, event);
}

void TMainForm::FormCreate() {
    FormCreateFrame();
    if (startup_ == TStartup::AllAtOnce) {
        listsStarted_ = true;
        FormCreateLists();
        emit StartupFinished();
    }
}

void TMainForm::startAfterFirstPaint() {
    if (listsStarted_) return;
    listsStarted_ = true;
    ErrorBox::guard([this] { FormCreateLists(); });
    emit StartupFinished();
}

void TMainForm::FormCreateLists() {
    // The Bookmarks menu and the J bar tree come from one reading of the store, made on
    // a worker: a large store never holds up the frame. A frame built all at once has
    // them when its constructor returns.
    BookMarks->load();
    if (startup_ == TStartup::AllAtOnce) BookMarks->waitForLoad();
    if (!QFileInfo::exists(configPath())) mnuOptionClick();
    EnumFiles(AppPath + QStringLiteral("WebList"));
    RestoreSession();
}

void TMainForm::FormCreateFrame() {
    NextWindowID = -1;

    BandPositionRead();
    show();
    {
        Settings ini(configPath());
        const bool ie = ini.Read(Keys::LastEngine) == QStringLiteral("IE");
        ui.IE_item->setChecked(ie);
        ui.Moz_Item->setChecked(!ie);
        if (ini.Read(Keys::Mozilla) == 0) ui.Moz_Item->setEnabled(false);
        if (ini.ReadInteger(Keys::TabFix) == 1) Tabs->TabControl1->setTabWidth(ini.Read(Keys::TabMaxSize));
        if (auto state = WinSizeToState(ini.Read(Keys::WinSize))) ViewWindowState = *state;
        Tabs->TabControl1->setButtonStyle(ini.Read(Keys::TabType) != 0);
    }
    ViewToolBar();
    ui.mnuFile_SaveAs->setEnabled(false);
    ReadMojiSize();
    ui.mnuShow_Size->menuAction()->setEnabled(false);
    ui.mnuEdit_Copy->setEnabled(false);
    ui.mnuEdit_slrAll->setEnabled(false);
    ui.mnuEdit_Find->setEnabled(false);
    ui.mnuFile_Print->setEnabled(false);
    UpdateOtherEngineItems();
    ui.txtAddress->setFocus();
}

void TMainForm::ReadMojiSize() {
    const int size = Settings(configPath()).ReadByte(Keys::LastMojiSize);
    CheckTextSize(size);
    MojiSize = size;
}

void TMainForm::CheckTextSize(int size) {
    const QList<QAction*> items{ui.mnuSize_Min, ui.mnuSize_Small, ui.mnuSize_middle, ui.mnuSize_Large, ui.mnuSize_Max};
    for (int i = 0; i < items.size(); ++i) items[i]->setChecked(i == size);
}

void TMainForm::FormClose() {
    // The session goes first; its failure is reported and the settings are still saved.
    ErrorBox::guard([this] { SaveSession(); });
    // Every key of the close lands in one replacement of the file: a large config.ini
    // is written once, not once per key.
    Settings::Batch batch(configPath());
    {
        Settings ini(configPath());
        ini.Write(Keys::LastEngine, ui.IE_item->isChecked() ? QStringLiteral("IE") : QStringLiteral("Gecko"));
        ini.Write(Keys::LastMojiSize, MojiSize);
        ini.Write(Keys::WinSize, StateToWinSize(ViewWindowState));
    }
    BandPositionWrite();
    batch.commit();
}

void TMainForm::closeEvent(QCloseEvent* event) {
    if (!MayCloseWithDownloads()) {
        event->ignore();
        return;
    }
    // A failed save is reported; the program still ends as the user asked, and the
    // file keeps what it held before the failed write.
    ErrorBox::guard([this] { FormClose(); });
    event->accept();
    emit closed();
}

void TMainForm::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    ErrorBox::guard([this] { FormResize(); });
}

void TMainForm::FormResize() {
    applyJBarWidth();
    ui.StatusPanel->fit();
    ui.AddressPanel->fit();
    Tabs->TabControl1->resize(ui.TabBar->width(), ui.TabBar->height());
}
