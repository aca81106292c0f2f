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
    QList<TBand*> bands{ToolBar2, ToolBar3};
    // Hidden bands keep the place they last had; shown ones are ordered as laid out.
    if (ToolBar2->isVisible() && ToolBar3->isVisible()) {
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
        mnuShow_default->setChecked(ini.Read(Keys::ShowToolBar));
        mnuShow_Address->setChecked(ini.Read(Keys::ShowAddressBar));
        mnuShow_Status->setChecked(ini.Read(Keys::ShowStatusBar));
        mnuShow_Tab->setChecked(ini.Read(Keys::ShowTabBar));
        mnuShow_J->setChecked(ini.Read(Keys::ShowJBar));
        // A width the frame cannot hold is taken as the widest it can; the frame itself
        // never grows to fit the bar.
        jBarWidth_ = std::min(ini.Read(Keys::JBarSize), JBarLimit());
        const int remembered = ini.Read(Keys::JBarMax);
        btnBar->setProperty("tag", remembered == 0 ? 0 : std::min(remembered, JBarLimit()));
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
    ini.Write(Keys::ShowToolBar, mnuShow_default->isChecked());
    ini.Write(Keys::ShowAddressBar, mnuShow_Address->isChecked());
    ini.Write(Keys::ShowStatusBar, mnuShow_Status->isChecked());
    ini.Write(Keys::ShowTabBar, mnuShow_Tab->isChecked());
    ini.Write(Keys::ShowJBar, mnuShow_J->isChecked());
    ini.Write(Keys::JBarSize, JBarWidth());
    ini.Write(Keys::JBarMax, JBarRemembered());
}

void TMainForm::ViewToolBar() {
    const std::pair<QAction*, QToolBar*> bars[] = {
        {mnuShow_default, ToolBar2}, {mnuShow_Address, ToolBar3}, {mnuShow_Status, ToolBar1},
        {mnuShow_Tab, TabBar},       {mnuShow_J, JBar}};
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
    if (ToolBar2->isVisible() && ToolBar3->isVisible()) bandOrder_ = Bands();
    toggle(mnuShow_default, ToolBar2);
}

void TMainForm::mnuShow_AddressClick() {
    if (ToolBar2->isVisible() && ToolBar3->isVisible()) bandOrder_ = Bands();
    toggle(mnuShow_Address, ToolBar3);
}

void TMainForm::mnuShow_StatusClick() { toggle(mnuShow_Status, ToolBar1); }
void TMainForm::mnuShow_TabClick() { toggle(mnuShow_Tab, TabBar); }
void TMainForm::mnuShow_JClick() { toggle(mnuShow_J, JBar); }

int TMainForm::JBarRemembered() const { return btnBar->property("tag").toInt(); }

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
    if (JBar->minimumWidth() == shown && JBar->maximumWidth() == shown) return;
    JBar->setFixedWidth(shown);
    JBarPanel->setFixedWidth(shown);
    JBarResize();
}

void TMainForm::btnBarClick() {
    if (JBarRemembered() == 0) {
        btnBar->setProperty("tag", JBarWidth());
        SetJBarWidth(CollapsedJBarWidth);
    } else {
        SetJBarWidth(JBarRemembered());
        btnBar->setProperty("tag", 0);
    }
}

void TMainForm::JBarMouseUp(int x) {
    // A release left of the bar's own edge gives the narrowest bar, not a negative one.
    SetJBarWidth(std::max(0, x));
}

void TMainForm::JBarResize() { JBarPanel->fit(); }

void TMainForm::CoolBar1MouseUp() {
    if (ToolBar2->isVisible() && ToolBar3->isVisible()) bandOrder_ = Bands();
    AddressPanel->fit();
}

void TMainForm::createBars() {
    createNavigationBand();
    createAddressBand();
    for (TBand* band : {ToolBar2, ToolBar3}) {
        band->setMinimumHeight(24);
        band->setPreferredWidth(531);
    }
    placeBands({ToolBar2, ToolBar3});

    createJBar();
    createStatusBar();
    createTabBar();
}

TBand* TMainForm::createNavigationBand() {
    // Cool bar band 0: New, then the four navigation buttons (disabled until a view
    // window enables them).
    ToolBar2 = new TBand(0, QStringLiteral("ToolBar2"), this);
    ToolBar2->setIconSize(QSize(16, 16));
    ToolBar2->setToolButtonStyle(Qt::ToolButtonIconOnly);
    auto makeButton = [this](const QString& name, int image, const QString& hint) {
        auto* b = new QToolButton(ToolBar2);
        b->setObjectName(name);
        b->setIcon(ImageList1.value(image));
        b->setToolTip(hint);
        b->setAutoRaise(true);
        return b;
    };
    ToolButton1 = makeButton(QStringLiteral("ToolButton1"), ImageList::New, QStringLiteral("新規作成"));
    BackCtrl = makeButton(QStringLiteral("BackCtrl"), ImageList::Back, QStringLiteral("戻る"));
    FrwrdCtrl = makeButton(QStringLiteral("FrwrdCtrl"), ImageList::Forward, QStringLiteral("進む"));
    StopCtrl = makeButton(QStringLiteral("StopCtrl"), ImageList::Stop, QStringLiteral("中止"));
    ReLoadCtrl = makeButton(QStringLiteral("ReLoadCtrl"), ImageList::Reload, QStringLiteral("更新"));
    ToolBar2->addWidget(ToolButton1);
    ToolBar2->addSeparator();
    for (QToolButton* b : {BackCtrl, FrwrdCtrl, StopCtrl, ReLoadCtrl}) {
        ToolBar2->addWidget(b);
        b->setEnabled(false);
    }
    return ToolBar2;
}

TBand* TMainForm::createAddressBand() {
    // Cool bar band 1: the address bar.
    ToolBar3 = new TBand(1, QStringLiteral("ToolBar3"), this);
    Label1 = new QLabel(QStringLiteral("アドレス"));
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(Fonts::japaneseUi(13));
    // 44 pixels, or what the text needs where the fallback font runs wider.
    Label1->setFixedWidth(std::max(44, Label1->fontMetrics().horizontalAdvance(Label1->text()) + 4));
    Label1->setAlignment(Qt::AlignVCenter | Qt::AlignLeft);
    txtAddress = new QLineEdit;
    txtAddress->setObjectName(QStringLiteral("txtAddress"));
    btnMove = new QPushButton(QStringLiteral("移動"));
    btnMove->setObjectName(QStringLiteral("btnMove"));
    btnMove->setFixedWidth(41);
    AddressPanel = new TAddressPanel(Label1, txtAddress, btnMove, ToolBar3);
    AddressPanel->setFixedHeight(20);
    ToolBar3->addWidget(AddressPanel);
    return ToolBar3;
}

QToolBar* TMainForm::createJBar() {
    // The J bar: bookmark tree and collapse button at the left edge.
    JBar = new QToolBar(this);
    JBar->setObjectName(QStringLiteral("JBar"));
    JBar->setMovable(false);
    JBar->setFloatable(false);
    JBar->setAllowedAreas(Qt::LeftToolBarArea);
    JBar->setCursor(Qt::SizeHorCursor);
    JBar->setStyleSheet(QStringLiteral("QToolBar#JBar { border: 0px; padding: 0px; spacing: 0px; }"));
    JBar->layout()->setContentsMargins(0, 0, 0, 0);
    TreeView1 = new QTreeWidget;
    TreeView1->setObjectName(QStringLiteral("TreeView1"));
    TreeView1->setHeaderHidden(true);
    TreeView1->setIndentation(19);
    TreeView1->setIconSize(QSize(16, 16));
    TreeView1->setCursor(Qt::ArrowCursor);
    btnBar = new QPushButton;
    btnBar->setObjectName(QStringLiteral("btnBar"));
    btnBar->setCursor(Qt::PointingHandCursor);
    btnBar->setFocusPolicy(Qt::NoFocus);
    btnBar->setProperty("tag", 0);
    JBarPanel = new TJBarPanel(TreeView1, btnBar, JBar);
    JBar->addWidget(JBarPanel);
    addToolBar(Qt::LeftToolBarArea, JBar);
    applyJBarWidth();
    return JBar;
}

QToolBar* TMainForm::createStatusBar() {
    // The status strip at the very bottom, the tab bar above it (the bottom area stacks
    // its rows from the edge inwards).
    ToolBar1 = new QToolBar(this);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setMovable(false);
    ToolBar1->setFloatable(false);
    ToolBar1->setAllowedAreas(Qt::BottomToolBarArea);
    StatusBar1 = new QLabel;
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    StatusBar1->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    StatusBar1->resize(50, 20);
    ProgressBar1 = new QProgressBar;
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->resize(127, 16);
    StatusPanel = new TStatusPanel(StatusBar1, ProgressBar1, ToolBar1);
    StatusPanel->setFixedHeight(20);
    ToolBar1->addWidget(StatusPanel);
    addToolBar(Qt::BottomToolBarArea, ToolBar1);
    addToolBarBreak(Qt::BottomToolBarArea);
    return ToolBar1;
}

QToolBar* TMainForm::createTabBar() {
    TabBar = new QToolBar(this);
    TabBar->setObjectName(QStringLiteral("TabBar"));
    TabBar->setMovable(false);
    TabBar->setFloatable(false);
    TabBar->setAllowedAreas(Qt::BottomToolBarArea);
    TabBar->setFixedHeight(28);
    TabBar->layout()->setContentsMargins(0, 0, 0, 0);
    TabBar->setStyleSheet(QStringLiteral("QToolBar#TabBar { border: 0px; padding: 0px; spacing: 0px; }"));
    Tabs = new TTabStrip(AppPath, MDIClient, TabBar);
    TabBar->addWidget(Tabs->TabControl1);
    addToolBar(Qt::BottomToolBarArea, TabBar);
    return TabBar;
}
