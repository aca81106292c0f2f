#include "views/childMoz.h"

#include "app/Main.h"
#include "engines/EngineControls.h"
#include "views/PageMenus.h"

#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QToolButton>

Tfrm_MZ::Tfrm_MZ(QWidget* parent) : TViewWindow(parent) {
    setObjectName(QStringLiteral("frm_MZ"));
    TWeb_MZ = new TMozillaBrowser;
    embed(TWeb_MZ);
    resize(433, 300);
}

TEngineControl* Tfrm_MZ::control() const { return TWeb_MZ; }

void Tfrm_MZ::FormCreate() {
    FormResize();
    setWindowTitle(QStringLiteral("Gecko"));
    // Taken before the window shows, as for the IE window.
    SavedBack = MainForm->BackCtrl->isEnabled();
    SavedForward = MainForm->FrwrdCtrl->isEnabled();
    SavedStop = MainForm->StopCtrl->isEnabled();
    applyWindowState(this, MainForm->ViewWindowState);
    IsOpen = true;
}

void Tfrm_MZ::FormResize() {
    if (!MainForm || !IsOpen) return;
    // A minimized Gecko window does not make new windows open minimized.
    const TWindowState state = windowStateOf(this);
    if (state != TWindowState::wsMinimized) MainForm->ViewWindowState = state;
}

void Tfrm_MZ::FormActivate() {
    TMainForm* f = MainForm;
    f->txtAddress->setText(LocationURL());
    f->ProgressBar1->setValue(SavedProgress);
    FormResize();
    showRememberedButtons();
    enablePageMenus(true);
    f->mnuShow_Size->menuAction()->setEnabled(false);
    if (const auto position = f->TabPositionOf(Tag)) f->SelectTab(*position);
}

void Tfrm_MZ::FormClose() {
    // The progress bar, status text and navigation buttons keep their states.
    IsOpen = false;
    enablePageMenus(false);
    MainForm->mnuShow_Size->menuAction()->setEnabled(false);
    MainForm->RemoveTabOf(Tag);
    MainForm->txtAddress->clear();
}

void Tfrm_MZ::ProgressChange(int progress, int progressMax) {
    const bool active = isActiveView();
    int position = active ? MainForm->ProgressBar1->value() : SavedProgress;
    if (progress != 0 && progressMax != 0) position = std::clamp(progress * 100 / progressMax, 0, 100);
    bool stop = true;
    if (position == 100) {
        position = 0;
        stop = false;
    }
    if (active) {
        MainForm->ProgressBar1->setValue(position);
        MainForm->StopCtrl->setEnabled(stop);
    } else {
        SavedStop = stop;
    }
    SavedProgress = position;
}
