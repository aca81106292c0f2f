// Opening view windows and the commands that act on the page in front.

#include "app/Main.h"
#include "engines/Address.h"
#include "engines/EngineControls.h"
#include "engines/EngineModule.h"
#include "engines/EngineRegistry.h"
#include "engines/chromium/ChromiumEngine.h"
#include "platform/Beep.h"
#include "platform/ErrorBox.h"
#include "platform/Errors.h"
#include "settings/Settings.h"
#include "settings/SiteRules.h"
#include "views/TabControl.h"
#include "views/untTab.h"
#include "views/childIE.h"
#include "views/childMoz.h"

#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QTimer>
#include <QElapsedTimer>
#include <QToolButton>
#include <algorithm>
#include <cerrno>
#include <unistd.h>
#include <utility>

template <typename Window>
TViewWindow* TMainForm::createViewWindow(const QString& caption, int id) {
    auto* window = new Window;
    ui.MDIClient->addSubWindow(window);
    window->Tag = id;
    Tabs->AddWindow(window);
    connectView(window);
    const TViewStart start{ui.BackCtrl->isEnabled(), ui.FrwrdCtrl->isEnabled(), ui.StopCtrl->isEnabled(), MojiSize,
                           ViewWindowState};
    ErrorBox::guard([window, &start] { window->FormCreate(start); });
    window->setWindowTitle(caption);
    FitIntoMDIArea(window);
    return window;
}

void TMainForm::FitIntoMDIArea(QMdiSubWindow* window) const {
    if (window->windowState() & (Qt::WindowMinimized | Qt::WindowMaximized)) return;
    const QRect area = ui.MDIClient->viewport()->rect();
    if (area.isEmpty()) return;
    // The layout's size where it fits, less where the area is smaller; and no part of
    // the window (its caption and left edge least of all) beyond the area's edges.
    QRect r = window->geometry();
    r.setSize(r.size().boundedTo(area.size()));
    r.moveLeft(std::clamp(r.left(), 0, area.width() - r.width()));
    r.moveTop(std::clamp(r.top(), 0, area.height() - r.height()));
    window->setGeometry(r);
}

void TMainForm::OpenViewWindow(const QString& caption, const QString& address) {
    OpenViewWindowIn(ui.IE_item->isChecked(), caption, address);
}

TViewWindow* TMainForm::OpenViewWindowIn(bool ie, const QString& caption, const QString& address,
                                         SiteRuleUse rules) {
    QString shownCaption = caption;
    QString waivedHost;
    const QUrl url = addressToUrl(address);
    if (const std::optional<bool> ruled = RuledEngine(url); ruled && *ruled != ie) {
        if (rules == SiteRuleUse::Follow) {
            ie = *ruled;
            // The caption that names the engine names the one the window gets.
            if (caption == QStringLiteral("Internet Explorer") || caption == QStringLiteral("Gecko"))
                shownCaption = ie ? QStringLiteral("Internet Explorer") : QStringLiteral("Gecko");
        } else {
            waivedHost = SiteRules::ruleHost(url);
        }
    }
    const Settings ini(configPath());
    const QString mozPath = ini.Read(Keys::MozPath);
    const int mozilla = ini.ReadByte(Keys::Mozilla);
    const bool len = ini.Read(Keys::TabLen);
    const int maxLen = ini.ReadByte(Keys::TabMaxLen);

    if (len && Tabs->TabControl1->count() == maxLen) return nullptr;
    // An empty folder names no place to go: the current folder stays, rather than
    // every new window failing.
    if (mozilla == 1 && !mozPath.isEmpty() && ::chdir(QFile::encodeName(mozPath).constData()) != 0)
        throw EInOutError(errno, mozPath);

    const int remembered = Tabs->TabControl1->currentIndex();
    ++NextWindowID;
    TViewWindow* window = ie ? createViewWindow<Tfrm_IE>(shownCaption, NextWindowID)
                             : createViewWindow<Tfrm_MZ>(shownCaption, NextWindowID);
    if (!waivedHost.isEmpty()) siteRuleWaived_[window] = waivedHost;
    window->control()->Navigate(address);

    if (ini.Read(Keys::NewWindowActive)) {
        SelectTab(Tabs->TabControl1->count() - 1);
    } else {
        if (remembered >= 0) SelectTab(remembered);
        // Within a turn of a queue the window in front is brought back once, at the turn's
        // end: every activation in the MDI area redraws the caption of every window in it.
        if (queueTurn_) frontAfterTurn_ = true;
        else TabControl1Change();
    }
    return window;
}

namespace {

// How long one turn of the event loop may spend opening queued windows.
constexpr int QueueTurnMs = 12;
// How long the first page of a queue may load alone. Opened together with the rest, its
// engine sets up every other window before it shows the first page: a list of 300 showed
// nothing for seconds, and then nearly all of it at once.
constexpr int QueueHeadStartMs = 1000;

}  // namespace

void TMainForm::queueWindows(const QList<PendingWindow>& windows) {
    pendingWindows_ << windows;
    // The first window alone, at once: its page loads before the frame is busy with the rest.
    if (!queueRunning_) openNextQueuedWindow(false);
}

void TMainForm::openNextQueuedWindow(bool several) {
    if (pendingWindows_.isEmpty()) {
        queueRunning_ = false;
        if (queuedFront_)
            if (const auto position = TabPositionOf(queuedFront_->Tag)) ShowTab(*position);
        queuedFront_.clear();
        return;
    }
    queueRunning_ = true;
    // An engine still to start comes up over a few turns first: started with its window,
    // all in one turn, the built-in engine held the frame for up to half a second.
    const bool ie = pendingWindows_.first().ie.value_or(ui.IE_item->isChecked());
    if (ie && !Chromium::serves() && !EngineModule::isStarted(CLASS_BuiltInWebBrowser)) {
        EngineModule::startInSteps(CLASS_BuiltInWebBrowser, this, [this, several] { openNextQueuedWindow(several); });
        return;
    }
    // As many windows a turn as open within a few milliseconds: the frame paints and lays
    // out once for them all, and still answers its user between turns.
    QElapsedTimer turn;
    turn.start();
    queueTurn_ = true;
    do {
        const PendingWindow next = pendingWindows_.takeFirst();
        bool failed = true;
        ErrorBox::guard([&] {
            TViewWindow* window = OpenViewWindowIn(next.ie.value_or(ui.IE_item->isChecked()), next.caption, next.address);
            if (window && next.front) queuedFront_ = window;
            if (window && !several) queueHead_ = window;
            failed = false;
        });
        // A failure ends the queue, as it ends any command; the tab limit only skips a window.
        if (failed) pendingWindows_.clear();
    } while (several && !pendingWindows_.isEmpty() && turn.elapsed() < QueueTurnMs);
    queueTurn_ = false;
    if (std::exchange(frontAfterTurn_, false)) ErrorBox::guard([this] { TabControl1Change(); });
    if (queueHead_ && !pendingWindows_.isEmpty()) {
        // The rest wait until the head has loaded, has closed, or has had its time.
        queueHeadWaiting_ = true;
        const int serial = ++queueHeadSerial_;
        QTimer::singleShot(QueueHeadStartMs, this, [this, serial] { releaseQueueHead(nullptr, serial); });
        return;
    }
    queueHead_.clear();
    QTimer::singleShot(0, this, [this] { openNextQueuedWindow(true); });
}

void TMainForm::releaseQueueHead(const TViewWindow* view, int serial) {
    if (!queueHeadWaiting_ || serial != queueHeadSerial_ || (view && view != queueHead_)) return;
    queueHeadWaiting_ = false;
    queueHead_.clear();
    QTimer::singleShot(0, this, [this] { openNextQueuedWindow(true); });
}

void TMainForm::OpenFromOutside(const QStringList& addresses, const QString& report, bool toFront) {
    if (!report.isEmpty()) ui.StatusBar1->setText(report);
    QList<PendingWindow> windows;
    for (const QString& address : addresses) windows.append({std::nullopt, QString(), address});
    if (!windows.isEmpty()) queueWindows(windows);
    if (!toFront) return;
    if (isMinimized()) setWindowState(windowState() & ~Qt::WindowMinimized);
    raise();
    activateWindow();
}

void TMainForm::FileNew1Execute() {
    if (ui.IE_item->isChecked())
        OpenViewWindow(QStringLiteral("Internet Explorer"), QString());
    else
        OpenViewWindow(QStringLiteral("Gecko"), QStringLiteral("about:blank"));
}

void TMainForm::ToolButton1Click() { FileNew1Execute(); }

void TMainForm::FileOpen1Execute() {
    const QString path = QFileDialog::getOpenFileName(this, QString(), QString(), QStringLiteral("すべてのファイル(*.*) (*)"));
    if (!path.isEmpty()) OpenViewWindow(QString(), path);
}

void TMainForm::txtAddressKeyDown(int key) {
    if (key == Qt::Key_Return || key == Qt::Key_Enter) btnMoveClick();
    Beep::defaultBeep();
}

void TMainForm::btnMoveClick() {
    int addressBar = Settings(configPath()).ReadByte(Keys::AddressBar);
    if (MDIChildren().isEmpty()) addressBar = 1;
    const QString target = ui.txtAddress->text();
    // Taken: from now on the box follows the pages again.
    ui.txtAddress->setModified(false);
    if (addressBar == 1) {
        // A site with an engine of its own opens straight in it, with no empty window of
        // the other engine left behind; with the tab limit reached the window in front
        // goes there instead, as with any address.
        if (const std::optional<bool> ruled = RuledEngine(addressToUrl(target)))
            if (OpenViewWindowIn(*ruled, *ruled ? QStringLiteral("Internet Explorer") : QStringLiteral("Gecko"), target))
                return;
        FileNew1Execute();
    }
    const EngineTarget engine = DispatchRule(ActiveMDIChild());
    if (!engine) return;
    if (engine.form() == EngineForm::IE || !target.isEmpty()) engine.Navigate(target);
}

void TMainForm::BackCtrlClick() { DispatchRule(ActiveMDIChild()).GoBack(); }
void TMainForm::FrwrdCtrlClick() { DispatchRule(ActiveMDIChild()).GoForward(); }
void TMainForm::StopCtrlClick() { DispatchRule(ActiveMDIChild()).Stop(); }
void TMainForm::ReLoadCtrlClick() { DispatchRule(ActiveMDIChild()).Refresh(); }

void TMainForm::SetTextSize(int size) {
    const EngineTarget engine = DispatchRule(ActiveMDIChild());
    if (!engine || engine.Busy()) return;
    MojiSize = size;
    if (auto* view = qobject_cast<TViewWindow*>(ActiveMDIChild())) view->setTextSize(size);
    engine.ExecWBIEForm(OLECMDID_ZOOM, Variant::fromInt(size));
    CheckTextSize(size);
}

void TMainForm::mnuSize_MaxClick() { SetTextSize(4); }
void TMainForm::mnuSize_LargeClick() { SetTextSize(3); }
void TMainForm::mnuSize_middleClick() { SetTextSize(2); }
void TMainForm::mnuSize_SmallClick() { SetTextSize(1); }
void TMainForm::mnuSize_MinClick() { SetTextSize(0); }

void TMainForm::mnuFile_SaveAsClick() { DispatchRule(ActiveMDIChild()).ExecWB(OLECMDID_SAVEAS); }
void TMainForm::mnuEdit_CopyClick() { DispatchRule(ActiveMDIChild()).ExecWB(OLECMDID_COPY); }
void TMainForm::mnuEdit_slrAllClick() { DispatchRule(ActiveMDIChild()).ExecWB(OLECMDID_SELECTALL); }
