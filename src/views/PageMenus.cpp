#include "views/PageMenus.h"

#include "views/ViewWindow.h"

#include <QToolButton>

void enablePageMenus(bool enabled) {
    MainForm->mnuFile_SaveAs->setEnabled(enabled);
    MainForm->mnuEdit_slrAll->setEnabled(enabled);
    MainForm->mnuEdit_Copy->setEnabled(enabled);
}

void showRememberedButtons() {
    auto* active = qobject_cast<TViewWindow*>(MainForm->ActiveMDIChild());
    if (!active) return;
    MainForm->BackCtrl->setEnabled(active->SavedBack);
    MainForm->FrwrdCtrl->setEnabled(active->SavedForward);
    MainForm->StopCtrl->setEnabled(active->SavedStop);
    MainForm->ReLoadCtrl->setEnabled(active->SavedReload);
}

TWindowState windowStateOf(const QMdiSubWindow* window) {
    if (window->isMinimized()) return TWindowState::wsMinimized;
    if (window->isMaximized()) return TWindowState::wsMaximized;
    return TWindowState::wsNormal;
}

void applyWindowState(QMdiSubWindow* window, TWindowState state) {
    switch (state) {
    case TWindowState::wsMaximized: window->showMaximized(); break;
    case TWindowState::wsMinimized: window->showMinimized(); break;
    case TWindowState::wsNormal: window->showNormal(); break;
    }
}
