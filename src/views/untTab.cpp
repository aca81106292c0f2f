#include "views/untTab.h"

#include "platform/ErrorBox.h"
#include "platform/Errors.h"
#include "settings/CloseUrlList.h"
#include "settings/Settings.h"
#include "views/TabControl.h"
#include "views/ViewWindow.h"

#include <QMdiArea>
#include <QMenu>
#include <QPainter>
#include <QPointer>
#include <QTimer>

TTabStrip::TTabStrip(const QString& appPath, QMdiArea* area, QWidget* parent)
    : QObject(parent), appPath_(appPath), area_(area) {
    TabControl1 = new TTabControl(parent);
    TabControl1->setContextMenuPolicy(Qt::CustomContextMenu);
    TabControl1->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);

    TabPopup = new QMenu(parent);
    TabPopup->setObjectName(QStringLiteral("TabPopup"));
    QMenu* add = TabPopup->addMenu(QStringLiteral("追加"));
    popAdd = add->menuAction();
    // The full-width "Ｌ" is the item's own spelling, kept on purpose.
    popAddClose = add->addAction(QStringLiteral("CloseURＬに追加"));
    popAddBookMark = add->addAction(QStringLiteral("ブックマークに追加(&A)"));
    TabPopup->addSeparator();
    popTabClose = TabPopup->addAction(QStringLiteral("閉じる(&C)"));
    TabPopup->addSeparator();
    popOtherEngine = TabPopup->addAction(QStringLiteral("もう一方のエンジンで開く(&O)"));
    popSiteEngine = TabPopup->addAction(QStringLiteral("このサイトを常にこのエンジンで開く"));

    using ErrorBox::guarded;
    // Every tab of one paint shares the colours, read once per paint (at every paint, so
    // a change in config.ini shows at the next one).
    TabControl1->setBeforeDrawTabs([this] { paintColours_ = PaintTabColours(); });
    TabControl1->setDrawTab([this](QPainter& painter, int index, const QRect& rect, bool selected) {
        drawTabFace(painter, index, rect, selected, paintColours_);
    });
    connect(TabControl1, &TTabControl::currentChanged, this, guarded([this](int) { TabControl1Change(); }));
    connect(TabControl1, &QWidget::customContextMenuRequested, this, guarded([this](const QPoint& pos) {
                HitTestPopupTab(TabControl1->mapToGlobal(pos));
                TabPopup->popup(TabControl1->mapToGlobal(pos));
            }));
    connect(popTabClose, &QAction::triggered, this, guarded([this](bool) { popTabCloseClick(); }));
    connect(popAddClose, &QAction::triggered, this, guarded([this](bool) { popAddCloseClick(); }));
    connect(popAddBookMark, &QAction::triggered, this, [this](bool) { emit AddBookmarkRequested(); });
    connect(popOtherEngine, &QAction::triggered, this, [this](bool) {
        if (!PopupTab) return;
        if (TViewWindow* view = ViewOfTab(*PopupTab)) emit OpenInOtherEngineRequested(view);
    });
    connect(popSiteEngine, &QAction::triggered, this, [this](bool) {
        if (!PopupTab) return;
        if (TViewWindow* view = ViewOfTab(*PopupTab)) emit SiteEngineRequested(view);
    });
}

QList<int> TTabStrip::WindowIDs() const {
    QList<int> ids;
    ids.reserve(TabControl1->count());
    for (int i = 0; i < TabControl1->count(); ++i) ids << TabControl1->tabData(i).toInt();
    return ids;
}

void TTabStrip::AddWindow(TViewWindow* view) {
    {
        const QSignalBlocker quiet(TabControl1);
        const int index = TabControl1->addTab(QStringLiteral("loading"));
        TabControl1->setTabData(index, view->Tag);
    }
    views_.append(view);
    connect(view, &TViewWindow::TitleChange, this, [this, view](const QString& title) {
        if (const auto position = TabOf(view)) TabControl1->setTabText(*position, title);
    });
    connect(view, &TViewWindow::Closing, this, [this, view] {
        // The strip's own close takes the tab away itself.
        if (ClosingFromTab == 0) removeWindow(view);
    });
    connect(view, &QObject::destroyed, this, [this, view] { removeWindow(view); });
}

void TTabStrip::removeWindow(const TViewWindow* view) {
    const auto position = TabOf(view);
    if (!position) return;
    const int selected = TabControl1->currentIndex();
    dropTab(*position);
    // The position that was selected stays selected where there still is one, whichever
    // tab now stands there.
    const QSignalBlocker quiet(TabControl1);
    if (selected >= 0 && selected < TabControl1->count()) TabControl1->setCurrentIndex(selected);
}

void TTabStrip::dropTab(int p) {
    views_.removeAt(p);
    const QSignalBlocker quiet(TabControl1);
    TabControl1->removeTab(p);
}

TViewWindow* TTabStrip::ViewOfTab(int p) const { return views_.value(p); }

std::optional<int> TTabStrip::TabOf(const TViewWindow* view) const {
    const qsizetype position = views_.indexOf(view);
    return position >= 0 ? std::optional<int>(static_cast<int>(position)) : std::nullopt;
}

std::optional<int> TTabStrip::TabPositionOf(int id) const {
    // The last tab with the id wins, deliberately: the strip has always been searched to
    // its end.
    std::optional<int> position;
    for (int i = 0; i < TabControl1->count(); ++i)
        if (TabControl1->tabData(i).toInt() == id) position = i;
    return position;
}

void TTabStrip::HitTestPopupTab(const QPoint& globalPos) {
    const int index = TabControl1->tabAt(TabControl1->mapFromGlobal(globalPos));
    PopupTab = index >= 0 ? std::optional<int>(index) : std::nullopt;
}

void TTabStrip::CloseTab(int p) {
    if (p < 0 || p >= TabControl1->count()) return;
    TViewWindow* view = ViewOfTab(p);
    const QPointer<TViewWindow> alive(view);
    ClosingFromTab = 255;
    struct Reset {
        std::uint8_t& flag;
        ~Reset() { flag = 0; }
    } reset{ClosingFromTab};
    view->close();
    // The tab goes, also when its window refused to close; a window that went at once
    // took its tab with it.
    if (alive)
        if (const auto position = TabOf(view)) dropTab(*position);
}

void TTabStrip::AddTabToCloseList(int p) {
    if (p < 0 || p >= TabControl1->count()) return;
    CloseUrlList list(appPath_);
    // A missing list is reported before anything else happens.
    (void)list.readAll();
    TViewWindow* view = ViewOfTab(p);
    if (!view) return;
    list.append(view->LocationURL());
}

void TTabStrip::ShowTab(int p) {
    TViewWindow* view = ViewOfTab(p);
    if (!view) return;
    if (view->isMinimized()) view->showNormal();
    view->show();
    area_->setActiveSubWindow(view);
    view->raise();
}

TTabStrip::TabColours TTabStrip::ReadTabColours() const {
    const Settings ini(appPath_ + QStringLiteral("config.ini"));
    return {ini.Read(Keys::ActivateChColor), ini.Read(Keys::ActivateBGColor), ini.Read(Keys::DeActivateChColor),
            ini.Read(Keys::DeActivateBGColor)};
}

void TTabStrip::SelectTab(int index) {
    // The program's own selection runs no change handler; only the user's does.
    const QSignalBlocker quiet(TabControl1);
    TabControl1->setCurrentIndex(index);
}

TTabStrip::TabColours TTabStrip::PaintTabColours() {
    try {
        const TabColours colours = ReadTabColours();
        lastTabColourError_.clear();
        return colours;
    } catch (const TavixError& e) {
        // A colour that does not convert is reported once, after the paint: an error
        // box inside painting would repaint and report again without end. Until it is
        // mended the tabs show the standard colours.
        if (e.message() != lastTabColourError_) {
            lastTabColourError_ = e.message();
            QTimer::singleShot(0, this, [message = e.message()] { ErrorBox::show(message); });
        }
        return {clWindowText, clBtnFace, clWindowText, clBtnFace};
    }
}

void TTabStrip::TabControl1DrawTab(QPainter& painter, int index, const QRect& rect, bool selected) {
    drawTabFace(painter, index, rect, selected, PaintTabColours());
}

void TTabStrip::drawTabFace(QPainter& painter, int index, const QRect& rect, bool selected,
                            const TabColours& colours) {
    const QString caption = TabControl1->tabText(index);
    const QColor background = toQColor(selected ? colours.activeBackground : colours.inactiveBackground);
    const QColor text = toQColor(selected ? colours.activeText : colours.inactiveText);
    painter.fillRect(rect, background);
    const QRect textRect = rect.adjusted(0, 0, -10, 0).translated(8, 1);
    painter.setPen(text);
    painter.setFont(TabControl1->font());
    const QString shown = painter.fontMetrics().elidedText(caption, Qt::ElideRight, textRect.width());
    painter.drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine, shown);
}

void TTabStrip::TabControl1Change() { ShowTab(TabControl1->currentIndex()); }

void TTabStrip::popTabCloseClick() {
    if (PopupTab) CloseTab(*PopupTab);
}

void TTabStrip::popAddCloseClick() {
    if (!PopupTab || *PopupTab >= TabControl1->count()) return;
    const int p = *PopupTab;
    AddTabToCloseList(p);
    CloseTab(p);
}
