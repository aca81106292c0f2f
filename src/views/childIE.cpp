#include "views/childIE.h"

#include "app/Main.h"
#include "engines/EngineControls.h"
#include "views/PageMenus.h"

#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QProgressBar>
#include <QToolButton>

Tfrm_IE::Tfrm_IE(QWidget* parent) : TViewWindow(parent) {
    setObjectName(IEViewWindowName);
    // The control is made before the window joins the frame, so a failure to create
    // the engine leaves nothing behind.
    TWeb_IE = new TUIWebBrowser;
    embed(TWeb_IE);
    resize(427, 303);
}

TEngineControl* Tfrm_IE::control() const { return TWeb_IE; }

void Tfrm_IE::FormCreate() {
    // The frame's button states are taken before the window shows: showing activates
    // it, and its activation shows the states it remembers.
    SavedBack = MainForm->BackCtrl->isEnabled();
    SavedForward = MainForm->FrwrdCtrl->isEnabled();
    SavedStop = MainForm->StopCtrl->isEnabled();
    TextSize = static_cast<std::uint8_t>(MainForm->MojiSize & 0xFF);
    applyWindowState(this, MainForm->ViewWindowState);
    IsOpen = true;
    FormResize();
}

void Tfrm_IE::FormResize() {
    if (!MainForm || !IsOpen) return;
    MainForm->ViewWindowState = windowStateOf(this);
}

void Tfrm_IE::FormActivate() {
    TMainForm* f = MainForm;
    f->txtAddress->setText(LocationURL());
    f->ProgressBar1->setValue(SavedProgress);
    showRememberedButtons();
    enablePageMenus(true);
    const QList<QAction*> sizes{f->mnuSize_Min, f->mnuSize_Small, f->mnuSize_middle, f->mnuSize_Large, f->mnuSize_Max};
    for (int i = 0; i < sizes.size(); ++i) sizes[i]->setChecked(i == TextSize);
    f->mnuShow_Size->menuAction()->setEnabled(true);
    if (const auto position = f->TabPositionOf(Tag)) f->SelectTab(*position);
}

void Tfrm_IE::FormClose() {
    IsOpen = false;
    SubChange(false);
    enablePageMenus(false);
    MainForm->mnuShow_Size->menuAction()->setEnabled(false);
    MainForm->RemoveTabOf(Tag);
    MainForm->txtAddress->clear();
}

void Tfrm_IE::ProgressChange(int progress, int progressMax) {
    // The bar holds 0 to 100; a background window keeps its position for later.
    int position = isActiveView() ? MainForm->ProgressBar1->value() : SavedProgress;
    if (progressMax != 0)
        position = progress * 100 / progressMax;
    else if (progress == 0)
        position = 0;
    position = std::clamp(position, 0, 100);
    if (isActiveView()) MainForm->ProgressBar1->setValue(position);
    SavedProgress = position;
}
