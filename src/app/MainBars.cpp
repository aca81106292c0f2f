// The bars of the main window: how they are built, the cool bar bands, the five View toggles
// and the J bar.

#include "app/Main.h"
#include "resources/Fonts.h"
#include "resources/ImageList.h"
#include "views/TabControl.h"
#include "views/untTab.h"
#include "settings/Settings.h"

#include <QLabel>
#include <QLayout>
#include <QProgressBar>
#include <QToolBar>
#include <QToolButton>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <algorithm>

namespace {

// The J bar's narrow form, with just the collapse button showing.
constexpr int CollapsedJBarWidth = 11;
// However wide the J bar is asked to be, this much of the page area stays in view beside
// it, so that neither the pages nor the bar's collapse button leave the frame.
constexpr int KeptPageAreaWidth = 120;

}  // namespace

QList<TBand*> TMainForm::Bands() const {
    QList<TBand*> bands{ui.ToolBar2, ui.ToolBar3};
    // Hidden bands keep the place they last had; shown ones are ordered as laid out.
    if (ui.ToolBar2->isVisible() && ui.ToolBar3->isVisible()) {
        // Geometry settles when the frame lays itself out; make sure that happened.
        if (QLayout* frameLayout = const_cast<TMainForm*>(this)->layout()) frameLayout->activate();
        std::stable_sort(bands.begin(), bands.end(), [](const TBand* a, const TBand* b) {
            const QPoint pa = a->geometry().topLeft(), pb = b->geometry().topLeft();
            return pa.y() != pb.y() ? pa.y() < pb.y() : pa.x() < pb.x();
        });
    } else {
        bands = bandOrder_;
    }
    return bands;
}

void TMainForm::placeBands(const QList<TBand*>& order) {
    const bool wasUpdating = updatesEnabled();
    setUpdatesEnabled(false);
    QList<bool> hidden;
    for (TBand* band : order) {
        hidden << (band->isHidden() && band->testAttribute(Qt::WA_WState_ExplicitShowHide));
        removeToolBar(band);
    }
    for (int p = 0; p < order.size(); ++p) {
        if (p > 0 && order[p]->breakFlag()) addToolBarBreak(Qt::TopToolBarArea);
        addToolBar(Qt::TopToolBarArea, order[p]);
        order[p]->setVisible(!hidden[p]);
    }
    bandOrder_ = order;
    setUpdatesEnabled(wasUpdating);
}

void TMainForm::BandPositionRead() {
    int ids[2], widths[2];
    bool breaks[2];
    {
        Settings ini(configPath());
        for (int n = 0; n < 2; ++n) {
            ids[n] = ini.Read(Keys::BandID[n]);
            widths[n] = ini.Read(Keys::BandWidth[n]);
            breaks[n] = ini.Read(Keys::BandBreak[n]);
        }
        ui.mnuShow_default->setChecked(ini.Read(Keys::ShowToolBar));
        ui.mnuShow_Address->setChecked(ini.Read(Keys::ShowAddressBar));
        ui.mnuShow_Status->setChecked(ini.Read(Keys::ShowStatusBar));
        ui.mnuShow_Tab->setChecked(ini.Read(Keys::ShowTabBar));
        ui.mnuShow_J->setChecked(ini.Read(Keys::ShowJBar));
        // A width the frame cannot hold is taken as the widest it can; the frame itself
        // never grows to fit the bar.
        jBarWidth_ = std::min(ini.Read(Keys::JBarSize), JBarLimit());
        const int remembered = ini.Read(Keys::JBarMax);
        ui.btnBar->setProperty("tag", remembered == 0 ? 0 : std::min(remembered, JBarLimit()));
    }
    applyJBarWidth();

    // One batch: reorder first, then breaks and widths, then one layout.
    QList<TBand*> order = Bands();
    for (int p = 0; p < 2; ++p) {
        const auto found = std::find_if(order.begin(), order.end(), [&](TBand* b) { return b->id() == ids[p]; });
        if (found != order.end()) {
            TBand* band = *found;
            order.erase(found);
            order.insert(p, band);
        }
        order[p]->setBreakFlag(breaks[p]);
        order[p]->setPreferredWidth(widths[p]);
    }
    placeBands(order);
}

void TMainForm::BandPositionWrite() {
    const QList<TBand*> order = Bands();
    // A band that the user dragged onto the row of the one before it no longer starts
    // a row of its own.
    if (order[0]->isVisible() && order[1]->isVisible())
        order[1]->setBreakFlag(order[1]->geometry().top() > order[0]->geometry().top());
    Settings ini(configPath());
    for (int p = 0; p < 2; ++p) {
        ini.Write(Keys::BandID[p], order[p]->id());
        ini.Write(Keys::BandWidth[p], order[p]->isVisible() ? order[p]->width() : order[p]->sizeHint().width());
        ini.Write(Keys::BandBreak[p], order[p]->breakFlag());
    }
    ini.Write(Keys::ShowToolBar, ui.mnuShow_default->isChecked());
    ini.Write(Keys::ShowAddressBar, ui.mnuShow_Address->isChecked());
    ini.Write(Keys::ShowStatusBar, ui.mnuShow_Status->isChecked());
    ini.Write(Keys::ShowTabBar, ui.mnuShow_Tab->isChecked());
    ini.Write(Keys::ShowJBar, ui.mnuShow_J->isChecked());
    ini.Write(Keys::JBarSize, JBarWidth());
    ini.Write(Keys::JBarMax, JBarRemembered());
}

void TMainForm::ViewToolBar() {
    const std::pair<QAction*, QToolBar*> bars[] = {
        {ui.mnuShow_default, ui.ToolBar2}, {ui.mnuShow_Address, ui.ToolBar3}, {ui.mnuShow_Status, ui.ToolBar1},
        {ui.mnuShow_Tab, ui.TabBar},       {ui.mnuShow_J, ui.JBar}};
    for (const auto& [item, bar] : bars)
        if (!item->isChecked()) bar->hide();
}

namespace {

void toggle(QAction* item, QToolBar* bar) {
    // The menu flips a checkable item before the handler runs; the bar follows it.
    bar->setVisible(item->isChecked());
}

}  // namespace

void TMainForm::mnuShow_defaultClick() {
    if (ui.ToolBar2->isVisible() && ui.ToolBar3->isVisible()) bandOrder_ = Bands();
    toggle(ui.mnuShow_default, ui.ToolBar2);
}

void TMainForm::mnuShow_AddressClick() {
    if (ui.ToolBar2->isVisible() && ui.ToolBar3->isVisible()) bandOrder_ = Bands();
    toggle(ui.mnuShow_Address, ui.ToolBar3);
}

void TMainForm::mnuShow_StatusClick() { toggle(ui.mnuShow_Status, ui.ToolBar1); }
void TMainForm::mnuShow_TabClick() { toggle(ui.mnuShow_Tab, ui.TabBar); }
void TMainForm::mnuShow_JClick() { toggle(ui.mnuShow_J, ui.JBar); }

int TMainForm::JBarRemembered() const { return ui.btnBar->property("tag").toInt(); }

int TMainForm::JBarLimit() const { return std::max(CollapsedJBarWidth, width() - KeptPageAreaWidth); }

int TMainForm::JBarWidth() const { return std::min(jBarWidth_, JBarLimit()); }

void TMainForm::SetJBarWidth(int width) {
    jBarWidth_ = std::min(width, JBarLimit());
    applyJBarWidth();
}

void TMainForm::applyJBarWidth() {
    // However narrow the stored width, the collapse button stays on screen so that the
    // user can always bring the bar back. A frame made narrower narrows the bar with it;
    // made wider again, it gives the bar back the width it had.
    const int shown = std::max(JBarWidth(), 10);
    if (ui.JBar->minimumWidth() == shown && ui.JBar->maximumWidth() == shown) return;
    ui.JBar->setFixedWidth(shown);
    ui.JBarPanel->setFixedWidth(shown);
    JBarResize();
}

void TMainForm::btnBarClick() {
    if (JBarRemembered() == 0) {
        ui.btnBar->setProperty("tag", JBarWidth());
        SetJBarWidth(CollapsedJBarWidth);
    } else {
        SetJBarWidth(JBarRemembered());
        ui.btnBar->setProperty("tag", 0);
    }
}

void TMainForm::JBarMouseUp(int x) {
    // A release left of the bar's own edge gives the narrowest bar, not a negative one.
    SetJBarWidth(std::max(0, x));
}

void TMainForm::JBarResize() { ui.JBarPanel->fit(); }

void TMainForm::CoolBar1MouseUp() {
    if (ui.ToolBar2->isVisible() && ui.ToolBar3->isVisible()) bandOrder_ = Bands();
    ui.AddressPanel->fit();
}

void TMainForm::createBars() {
    createNavigationBand();
    createAddressBand();
    for (TBand* band : {ui.ToolBar2, ui.ToolBar3}) {
        band->setMinimumHeight(24);
        band->setPreferredWidth(531);
    }
    placeBands({ui.ToolBar2, ui.ToolBar3});

    createJBar();
    createStatusBar();
    createTabBar();
}

TBand* TMainForm::createNavigationBand() {
    // Cool bar band 0: New, then the four navigation buttons (disabled until a view
    // window enables them).
    ui.ToolBar2 = new TBand(0, QStringLiteral("ToolBar2"), this);
    ui.ToolBar2->setIconSize(QSize(16, 16));
    ui.ToolBar2->setToolButtonStyle(Qt::ToolButtonIconOnly);
    auto makeButton = [this](const QString& name, int image, const QString& hint) {
        auto* b = new QToolButton(ui.ToolBar2);
        b->setObjectName(name);
        b->setIcon(ImageList1.value(image));
        b->setToolTip(hint);
        b->setAutoRaise(true);
        return b;
    };
    ui.ToolButton1 = makeButton(QStringLiteral("ToolButton1"), ImageList::New, QStringLiteral("新規作成"));
    ui.BackCtrl = makeButton(QStringLiteral("BackCtrl"), ImageList::Back, QStringLiteral("戻る"));
    ui.FrwrdCtrl = makeButton(QStringLiteral("FrwrdCtrl"), ImageList::Forward, QStringLiteral("進む"));
    ui.StopCtrl = makeButton(QStringLiteral("StopCtrl"), ImageList::Stop, QStringLiteral("中止"));
    ui.ReLoadCtrl = makeButton(QStringLiteral("ReLoadCtrl"), ImageList::Reload, QStringLiteral("更新"));
    ui.ToolBar2->addWidget(ui.ToolButton1);
    ui.ToolBar2->addSeparator();
    for (QToolButton* b : {ui.BackCtrl, ui.FrwrdCtrl, ui.StopCtrl, ui.ReLoadCtrl}) {
        ui.ToolBar2->addWidget(b);
        b->setEnabled(false);
    }
    return ui.ToolBar2;
}

TBand* TMainForm::createAddressBand() {
    // Cool bar band 1: the address bar.
    ui.ToolBar3 = new TBand(1, QStringLiteral("ToolBar3"), this);
    ui.Label1 = new QLabel(QStringLiteral("アドレス"));
    ui.Label1->setObjectName(QStringLiteral("Label1"));
    ui.Label1->setFont(Fonts::japaneseUi(13));
    // 44 pixels, or what the text needs where the fallback font runs wider.
    ui.Label1->setFixedWidth(std::max(44, ui.Label1->fontMetrics().horizontalAdvance(ui.Label1->text()) + 4));
    ui.Label1->setAlignment(Qt::AlignVCenter | Qt::AlignLeft);
    ui.txtAddress = new QLineEdit;
    ui.txtAddress->setObjectName(QStringLiteral("txtAddress"));
    ui.btnMove = new QPushButton(QStringLiteral("移動"));
    ui.btnMove->setObjectName(QStringLiteral("btnMove"));
    ui.btnMove->setFixedWidth(41);
    ui.AddressPanel = new TAddressPanel(ui.Label1, ui.txtAddress, ui.btnMove, ui.ToolBar3);
    ui.AddressPanel->setFixedHeight(20);
    ui.ToolBar3->addWidget(ui.AddressPanel);
    return ui.ToolBar3;
}

QToolBar* TMainForm::createJBar() {
    // The J bar: bookmark tree and collapse button at the left edge.
    ui.JBar = new QToolBar(this);
    ui.JBar->setObjectName(QStringLiteral("JBar"));
    ui.JBar->setMovable(false);
    ui.JBar->setFloatable(false);
    ui.JBar->setAllowedAreas(Qt::LeftToolBarArea);
    ui.JBar->setCursor(Qt::SizeHorCursor);
    ui.JBar->setStyleSheet(QStringLiteral("QToolBar#ui.JBar { border: 0px; padding: 0px; spacing: 0px; }"));
    ui.JBar->layout()->setContentsMargins(0, 0, 0, 0);
    ui.TreeView1 = new QTreeWidget;
    ui.TreeView1->setObjectName(QStringLiteral("TreeView1"));
    ui.TreeView1->setHeaderHidden(true);
    ui.TreeView1->setIndentation(19);
    ui.TreeView1->setIconSize(QSize(16, 16));
    ui.TreeView1->setCursor(Qt::ArrowCursor);
    ui.btnBar = new QPushButton;
    ui.btnBar->setObjectName(QStringLiteral("btnBar"));
    ui.btnBar->setCursor(Qt::PointingHandCursor);
    ui.btnBar->setFocusPolicy(Qt::NoFocus);
    ui.btnBar->setProperty("tag", 0);
    ui.JBarPanel = new TJBarPanel(ui.TreeView1, ui.btnBar, ui.JBar);
    ui.JBar->addWidget(ui.JBarPanel);
    addToolBar(Qt::LeftToolBarArea, ui.JBar);
    applyJBarWidth();
    return ui.JBar;
}

QToolBar* TMainForm::createStatusBar() {
    // The status strip at the very bottom, the tab bar above it (the bottom area stacks
    // its rows from the edge inwards).
    ui.ToolBar1 = new QToolBar(this);
    ui.ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ui.ToolBar1->setMovable(false);
    ui.ToolBar1->setFloatable(false);
    ui.ToolBar1->setAllowedAreas(Qt::BottomToolBarArea);
    ui.StatusBar1 = new QLabel;
    ui.StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    ui.StatusBar1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    ui.StatusBar1->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    ui.StatusBar1->resize(50, 20);
    ui.ProgressBar1 = new QProgressBar;
    ui.ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ui.ProgressBar1->setRange(0, 100);
    ui.ProgressBar1->setValue(0);
    ui.ProgressBar1->setTextVisible(false);
    ui.ProgressBar1->resize(127, 16);
    ui.StatusPanel = new TStatusPanel(ui.StatusBar1, ui.ProgressBar1, ui.ToolBar1);
    ui.StatusPanel->setFixedHeight(20);
    ui.ToolBar1->addWidget(ui.StatusPanel);
    addToolBar(Qt::BottomToolBarArea, ui.ToolBar1);
    addToolBarBreak(Qt::BottomToolBarArea);
    return ui.ToolBar1;
}

QToolBar* TMainForm::createTabBar() {
    ui.TabBar = new QToolBar(this);
    ui.TabBar->setObjectName(QStringLiteral("TabBar"));
    ui.TabBar->setMovable(false);
    ui.TabBar->setFloatable(false);
    ui.TabBar->setAllowedAreas(Qt::BottomToolBarArea);
    ui.TabBar->setFixedHeight(28);
    ui.TabBar->layout()->setContentsMargins(0, 0, 0, 0);
    ui.TabBar->setStyleSheet(QStringLiteral("QToolBar#ui.TabBar { border: 0px; padding: 0px; spacing: 0px; }"));
    Tabs = new TTabStrip(AppPath, ui.MDIClient, ui.TabBar);
    ui.TabBar->addWidget(Tabs->TabControl1);
    addToolBar(Qt::BottomToolBarArea, ui.TabBar);
    return ui.TabBar;
}
