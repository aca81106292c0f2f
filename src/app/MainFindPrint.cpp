// Find in page and printing, on the page in front: Edit ▸ find (Ctrl+F) opens the view
// window's find bar, F3 / Shift+F3 go to its next and previous match; File ▸ print
// (Ctrl+P) prints the page through the print dialog. The status bar tells where a print
// went; a failed print says why in the error box.

#include "app/Main.h"
#include "app/PagePrint.h"
#include "engines/EngineControls.h"
#include "platform/ErrorBox.h"
#include "views/FindBar.h"
#include "views/ViewWindow.h"

#include <QAction>
#include <QLabel>

void TMainForm::connectFindPrint() {
    using ErrorBox::guarded;
    connect(ui.mnuEdit_Find, &QAction::triggered, this, guarded([this](bool) { mnuEdit_FindClick(); }));
    connect(ui.FindNext1, &QAction::triggered, this, guarded([this](bool) { FindNextClick(true); }));
    connect(ui.FindPrevious1, &QAction::triggered, this, guarded([this](bool) { FindNextClick(false); }));
    connect(ui.mnuFile_Print, &QAction::triggered, this, guarded([this](bool) { mnuFile_PrintClick(); }));
}

void TMainForm::mnuEdit_FindClick() {
    auto* view = qobject_cast<TViewWindow*>(ActiveMDIChild());
    if (view && view->findBar()) view->findBar()->open();
}

void TMainForm::FindNextClick(bool forward) {
    auto* view = qobject_cast<TViewWindow*>(ActiveMDIChild());
    if (!view || !view->findBar()) return;
    if (forward) view->findBar()->findNext();
    else view->findBar()->findPrevious();
}

void TMainForm::mnuFile_PrintClick() {
    auto* view = qobject_cast<TViewWindow*>(ActiveMDIChild());
    if (!view || !view->control()) return;
    QPointer<QLabel> status = ui.StatusBar1;
    PagePrint::chooseAndPrint(this, view->control()->ControlInterface(), view->windowTitle(),
                              [status](PagePrint::Job* job) {
                                  const QString target = job->target();
                                  if (status) status->setText(QStringLiteral("印刷しています: %1").arg(target));
                                  connect(job, &PagePrint::Job::finished, job, [status, target](bool ok, const QString& why) {
                                      if (status) status->setText(ok ? QStringLiteral("印刷しました: %1").arg(target) : QString());
                                      if (!ok) ErrorBox::show(QStringLiteral("印刷できませんでした。\n%1").arg(why));
                                  });
                              });
}
