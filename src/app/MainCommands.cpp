// Frame commands that do not depend on a page: the engine menu, the Window menu,
// closing the active view window and the version box.

#include "app/About.h"
#include "app/Main.h"
#include "bookmarks/BookMark.h"
#include "bookmarks/untBMB.h"
#include "engines/EngineControls.h"
#include "settings/Settings.h"
#include "views/ViewWindow.h"

#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QStyle>

// The child in front stays the active child while the frame itself is in the background
// (another program, or a page engine's own window, has the keyboard for a moment).
QMdiSubWindow* TMainForm::ActiveMDIChild() const { return ui.MDIClient->currentSubWindow(); }

QList<QMdiSubWindow*> TMainForm::MDIChildren() const {
    return ui.MDIClient->subWindowList(QMdiArea::CreationOrder);
}

void TMainForm::IE_ItemClick() {
    ui.IE_item->setChecked(true);
    ui.Moz_Item->setChecked(false);
}

void TMainForm::Moz_ItemClick() {
    ui.Moz_Item->setChecked(true);
    ui.IE_item->setChecked(false);
}

void TMainForm::mnuFile_CloseClick() { ui.MDIClient->closeActiveSubWindow(); }

void TMainForm::mnuWindow_CascadeClick() { ui.MDIClient->cascadeSubWindows(); }

namespace {

QList<QMdiSubWindow*> tileable(QMdiArea* area) {
    QList<QMdiSubWindow*> windows;
    for (QMdiSubWindow* w : area->subWindowList(QMdiArea::StackingOrder))
        if (w->isVisible() && !w->isMinimized()) windows << w;
    return windows;
}

// Lays the windows out in equal strips, one above the other or side by side.
void tile(QMdiArea* area, bool stacked) {
    const QList<QMdiSubWindow*> windows = tileable(area);
    if (windows.isEmpty()) return;
    const QRect r = area->viewport()->rect();
    const int n = static_cast<int>(windows.size());
    for (int i = 0; i < n; ++i) {
        QMdiSubWindow* w = windows[n - 1 - i];  // the front window takes the first strip
        if (w->isMaximized()) w->showNormal();
        if (stacked) {
            const int top = r.height() * i / n, bottom = r.height() * (i + 1) / n;
            w->setGeometry(0, top, r.width(), bottom - top);
        } else {
            const int left = r.width() * i / n, right = r.width() * (i + 1) / n;
            w->setGeometry(left, 0, right - left, r.height());
        }
    }
}

}  // namespace

void TMainForm::mnuWindow_TileHorizontalClick() { tile(ui.MDIClient, true); }
void TMainForm::mnuWindow_TileVerticalClick() { tile(ui.MDIClient, false); }

void TMainForm::mnuWindow_MinimizeAllClick() {
    for (QMdiSubWindow* w : MDIChildren()) w->showMinimized();
    mnuWindow_ArrangeClick();
}

void TMainForm::mnuWindow_ArrangeClick() {
    // Minimized windows line up along the bottom edge, left to right, row above row.
    const QRect r = ui.MDIClient->viewport()->rect();
    int x = 0, y = r.height();
    for (QMdiSubWindow* w : MDIChildren()) {
        if (!w->isMinimized()) continue;
        const QSize s = w->size();
        if (x > 0 && x + s.width() > r.width()) {
            x = 0;
            y -= s.height();
        }
        w->move(x, y - s.height());
        x += s.width();
    }
}

void TMainForm::fillWindowMenu() {
    for (QAction* a : windowListItems_) {
        ui.mnuWindow->removeAction(a);
        a->deleteLater();
    }
    windowListItems_.clear();
    const QList<QMdiSubWindow*> windows = MDIChildren();
    if (windows.isEmpty()) return;
    windowListItems_ << ui.mnuWindow->addSeparator();
    int number = 1;
    for (QMdiSubWindow* w : windows) {
        const QString title = QString(w->windowTitle()).replace(u'&', QStringLiteral("&&"));
        const QString text = number < 10 ? QStringLiteral("&%1 %2").arg(number).arg(title)
                                         : QStringLiteral("%1 %2").arg(number).arg(title);
        QAction* item = ui.mnuWindow->addAction(text);
        item->setCheckable(true);
        item->setChecked(w == ActiveMDIChild());
        connect(item, &QAction::triggered, w, [this, w] {
            if (w->isMinimized()) w->showNormal();
            ui.MDIClient->setActiveSubWindow(w);
        });
        windowListItems_ << item;
        ++number;
    }
}

void TMainForm::mnuAboutClick() {
    if (AboutBox) AboutBox->exec();
}

void TMainForm::BookMarkMenuRead() { BookmarkViews->BookMarkMenuRead(); }
void TMainForm::BookMarkTreeRead() { BookmarkViews->BookMarkTreeRead(); }

void TMainForm::OpenBookmark(const QString& address) {
    ui.txtAddress->setText(address);
    int choice = Settings(configPath()).ReadByte(Keys::BookMark);
    if (MDIChildren().isEmpty()) choice = 1;
    if (choice == 1) OpenViewWindow(QString(), address);
    // The address goes over as it stands, also when empty: choosing a bookmark without an
    // address in the J bar opens the empty address.
    else DispatchRule(ActiveMDIChild()).Navigate(address);
}

void TMainForm::mnuBMEditClick() {
    if (!frm_BMEdit) return;
    // With no view window there is no page title: the name box is emptied rather than
    // left holding an earlier page's title.
    QMdiSubWindow* active = ActiveMDIChild();
    frm_BMEdit->ShowWith(ui.txtAddress->text(), active ? active->windowTitle() : QString());
}
