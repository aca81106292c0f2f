// How the frame shows its view windows: the events of the window in front reach the
// frame's controls; a window in the background changes only itself, and its activation
// later shows what it remembered. The frame never shows the state of a page the user is
// not looking at.

#include "app/Main.h"
#include "app/tmpWeb.h"
#include "engines/EngineControls.h"
#include "platform/ErrorBox.h"
#include "views/TabControl.h"
#include "views/ViewWindow.h"
#include "views/untTab.h"

#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QProgressBar>
#include <QToolButton>

void TMainForm::connectView(TViewWindow* view) {
    using ErrorBox::guarded;
    connect(view, &TViewWindow::TitleChange, this, guarded([this, view](const QString&) { ViewTitleChange(view); }));
    connect(view, &TViewWindow::StatusTextChange, this,
            guarded([this, view](const QString& text) { ViewStatusTextChange(view, text); }));
    connect(view, &TViewWindow::ProgressChange, this,
            guarded([this, view](int progress, int progressMax) { ViewProgressChange(view, progress, progressMax); }));
    connect(view, &TViewWindow::DocumentComplete, this,
            [this, view] { releaseQueueHead(view, queueHeadSerial_); });
    connect(view, &TViewWindow::CommandStateChange, this,
            guarded([this, view](int command, bool enable) { ViewCommandStateChange(view, command, enable); }));
    connect(view, &TViewWindow::TopFrameNavigate, this, guarded([this, view](const QString& url, bool& cancel) {
                ViewTopFrameNavigate(view, url, cancel);
            }));
    connect(view, &TViewWindow::NewWindow2, this, guarded([this](Variant& ppDisp, bool&) { ViewNewWindow2(ppDisp); }));
    connect(view, &TViewWindow::WindowStateChange, this, [this](TWindowState state) { ViewWindowState = state; });
    connect(view, &TViewWindow::Closing, this, guarded([this, view] { ViewClose(view); }));
    connect(view, &TViewWindow::ActivateRequest, this, guarded([this, view] { ViewActivateRequest(view); }));
    connect(view, &TViewWindow::UnusedKey, this,
            guarded([this, view](int key, Qt::KeyboardModifiers modifiers, const QString& text) {
                ViewUnusedKey(view, key, modifiers, text);
            }));
    connectPrompts(view);
    connect(view, &TViewWindow::DownloadRequest, this,
            guarded([this](const std::shared_ptr<Download>& download) { ViewDownloadRequest(download); }));
}

bool TMainForm::IsInFront(const TViewWindow* view) const { return ActiveMDIChild() == view; }

bool TMainForm::AddressBeingEdited() const {
    // A selection the user made is the start of typing over it.
    return ui.txtAddress->hasFocus() && (ui.txtAddress->isModified() || ui.txtAddress->hasSelectedText());
}

void TMainForm::ShowAddress(const QString& address, const TViewWindow* view) {
    // A page reporting its title or being activated again must not take away what the
    // user is typing; a window coming to the front in its place does.
    if (AddressBeingEdited() && view == addressOwner_) return;
    addressOwner_ = view;
    ui.txtAddress->setText(address);
}

void TMainForm::ViewActivate(TViewWindow* view) {
    view->FormActivate();
    ShowAddress(view->LocationURL(), view);
    ui.ProgressBar1->setValue(view->SavedProgress);
    showRememberedButtons(view);
    enablePageMenus(true);
    const std::optional<int> size = view->textSize();
    if (size) CheckTextSize(*size);
    ui.mnuShow_Size->menuAction()->setEnabled(size.has_value());
    if (const auto position = TabPositionOf(view->Tag)) SelectTab(*position);
}

void TMainForm::ViewTitleChange(TViewWindow* view) {
    // The address box belongs to the page in front.
    if (IsInFront(view)) ShowAddress(view->LocationURL(), view);
}

void TMainForm::ViewStatusTextChange(TViewWindow* view, const QString& text) {
    if (IsInFront(view)) ui.StatusBar1->setText(text);
}

void TMainForm::ViewProgressChange(TViewWindow* view, int progress, int progressMax) {
    const bool front = IsInFront(view);
    const TProgressStep step = view->ProgressStep(progress, progressMax, front ? ui.ProgressBar1->value() : view->SavedProgress);
    view->SavedProgress = step.position;
    if (front) {
        ui.ProgressBar1->setValue(step.position);
        if (step.stop) ui.StopCtrl->setEnabled(*step.stop);
    } else if (step.stop) {
        view->SavedStop = *step.stop;
    }
}

void TMainForm::ViewCommandStateChange(TViewWindow* view, int command, bool enable) {
    if (!IsInFront(view)) {
        if (command == CSC_NAVIGATEFORWARD) view->SavedForward = enable;
        if (command == CSC_NAVIGATEBACK) view->SavedBack = enable;
        view->SavedReload = true;
        return;
    }
    if (command == CSC_NAVIGATEFORWARD) ui.FrwrdCtrl->setEnabled(enable);
    if (command == CSC_NAVIGATEBACK) ui.BackCtrl->setEnabled(enable);
    ui.ReLoadCtrl->setEnabled(true);
    SubChange(view->IsOpen);
}

void TMainForm::ViewNewWindow2(Variant& ppDisp) {
    auto* receiver = new Tfrm_tmpWeb;
    connect(receiver, &Tfrm_tmpWeb::PopupRequested, this,
            ErrorBox::guarded([this](const QString& address) { PopupNavigate(address); }));
    ppDisp = Variant::fromDispatch(&receiver->WebBrowser1->ControlInterface());
}

void TMainForm::ViewClose(TViewWindow* view) {
    // An IE window leaves the frame empty; a Gecko window leaves the progress bar,
    // status text and buttons as they are.
    if (view->clearsFrameOnClose()) SubChange(false);
    enablePageMenus(false);
    ui.mnuShow_Size->menuAction()->setEnabled(false);
    ui.txtAddress->clear();
    if (addressOwner_ == view) addressOwner_ = nullptr;
    releaseQueueHead(view, queueHeadSerial_);
    siteRuleWaived_.erase(view);
}

void TMainForm::SubChange(bool flag) {
    if (flag) {
        auto* active = qobject_cast<TViewWindow*>(ActiveMDIChild());
        if (!active) return;
        active->SavedBack = ui.BackCtrl->isEnabled();
        active->SavedForward = ui.FrwrdCtrl->isEnabled();
        active->SavedReload = ui.ReLoadCtrl->isEnabled();
        active->SavedStop = ui.StopCtrl->isEnabled();
        return;
    }
    ui.ProgressBar1->setValue(0);
    ui.txtAddress->clear();
    ui.StatusBar1->clear();
    for (QToolButton* b : {ui.BackCtrl, ui.FrwrdCtrl, ui.ReLoadCtrl, ui.StopCtrl}) b->setEnabled(false);
}

void TMainForm::enablePageMenus(bool enabled) {
    ui.mnuFile_SaveAs->setEnabled(enabled);
    ui.mnuEdit_slrAll->setEnabled(enabled);
    ui.mnuEdit_Copy->setEnabled(enabled);
    ui.mnuEdit_Find->setEnabled(enabled);
    ui.mnuFile_Print->setEnabled(enabled);
}

void TMainForm::showRememberedButtons(const TViewWindow* view) {
    ui.BackCtrl->setEnabled(view->SavedBack);
    ui.FrwrdCtrl->setEnabled(view->SavedForward);
    ui.StopCtrl->setEnabled(view->SavedStop);
    ui.ReLoadCtrl->setEnabled(view->SavedReload);
}

// --- the tab strip ------------------------------------------------------------------

QList<int> TMainForm::WindowIDs() const { return Tabs->WindowIDs(); }
std::optional<int> TMainForm::TabPositionOf(int id) const { return Tabs->TabPositionOf(id); }
void TMainForm::HitTestPopupTab(const QPoint& globalPos) { Tabs->HitTestPopupTab(globalPos); }
void TMainForm::CloseTab(int p) { Tabs->CloseTab(p); }
void TMainForm::AddTabToCloseList(int p) { Tabs->AddTabToCloseList(p); }
void TMainForm::ShowTab(int p) { Tabs->ShowTab(p); }
void TMainForm::SelectTab(int index) { Tabs->SelectTab(index); }
void TMainForm::TabControl1Change() { Tabs->TabControl1Change(); }
void TMainForm::popTabCloseClick() { Tabs->popTabCloseClick(); }
void TMainForm::popAddCloseClick() { Tabs->popAddCloseClick(); }
