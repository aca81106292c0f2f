#include "views/ViewWindow.h"

#include "app/Main.h"
#include "app/tmpWeb.h"
#include "engines/EngineControls.h"
#include "platform/ErrorBox.h"
#include "resources/ImageList.h"
#include "views/TabControl.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QToolButton>
#include <QVBoxLayout>

TViewWindow::TViewWindow(QWidget* parent) : QMdiSubWindow(parent) {
    setAttribute(Qt::WA_DeleteOnClose);
}

QString TViewWindow::LocationURL() {
    TEngineControl* c = control();
    return c ? c->LocationURL() : QString();
}

bool TViewWindow::isActiveView() const { return MainForm && MainForm->ActiveMDIChild() == this; }

void TViewWindow::embed(TEngineControl* c) {
    setWindowIcon(ImageList::appIcon());
    auto* client = new QWidget;
    client->setAutoFillBackground(true);
    auto* layout = new QVBoxLayout(client);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(c);
    setWidget(client);

    using ErrorBox::guarded;
    DWebBrowserEvents2* events = &c->events();
    connect(events, &DWebBrowserEvents2::StatusTextChange, this,
            guarded([this](const QString& text) { StatusTextChange(text); }));
    connect(events, &DWebBrowserEvents2::ProgressChange, this,
            guarded([this](int progress, int progressMax) { ProgressChange(progress, progressMax); }));
    connect(events, &DWebBrowserEvents2::CommandStateChange, this,
            guarded([this](int command, bool enable) { CommandStateChange(command, enable); }));
    connect(events, &DWebBrowserEvents2::TitleChange, this, guarded([this](const QString& text) { TitleChange(text); }));
    connect(events, &DWebBrowserEvents2::NewWindow2, this,
            guarded([this](Variant& ppDisp, bool& cancel) { NewWindow2(ppDisp, cancel); }));
}

void TViewWindow::SubChange(bool flag) {
    TMainForm* f = MainForm;
    if (flag) {
        auto* active = qobject_cast<TViewWindow*>(f->ActiveMDIChild());
        if (!active) return;
        active->SavedBack = f->BackCtrl->isEnabled();
        active->SavedForward = f->FrwrdCtrl->isEnabled();
        active->SavedReload = f->ReLoadCtrl->isEnabled();
        active->SavedStop = f->StopCtrl->isEnabled();
        return;
    }
    f->ProgressBar1->setValue(0);
    f->txtAddress->clear();
    f->StatusBar1->clear();
    for (QToolButton* b : {f->BackCtrl, f->FrwrdCtrl, f->ReLoadCtrl, f->StopCtrl}) b->setEnabled(false);
}

void TViewWindow::TitleChange(const QString& text) {
    setWindowTitle(text);
    if (const auto position = MainForm->TabPositionOf(Tag)) MainForm->TabControl1->setTabText(*position, text);
    // The address box belongs to the page in front.
    if (isActiveView()) MainForm->txtAddress->setText(LocationURL());
}

void TViewWindow::StatusTextChange(const QString& text) {
    if (isActiveView()) MainForm->StatusBar1->setText(text);
}

void TViewWindow::CommandStateChange(int command, bool enable) {
    if (!isActiveView()) {
        if (command == 1) SavedForward = enable;
        if (command == 2) SavedBack = enable;
        SavedReload = true;
        return;
    }
    if (command == 1) MainForm->FrwrdCtrl->setEnabled(enable);
    if (command == 2) MainForm->BackCtrl->setEnabled(enable);
    MainForm->ReLoadCtrl->setEnabled(true);
    SubChange(IsOpen);
}

void TViewWindow::NewWindow2(Variant& ppDisp, bool& cancel) {
    (void)cancel;
    auto* receiver = new Tfrm_tmpWeb;
    ppDisp = Variant::fromDispatch(&receiver->WebBrowser1->ControlInterface());
}

void TViewWindow::resizeEvent(QResizeEvent* event) {
    QMdiSubWindow::resizeEvent(event);
    ErrorBox::guard([this] { FormResize(); });
}

void TViewWindow::closeEvent(QCloseEvent* event) {
    ErrorBox::guard([this] { FormClose(); });
    QMdiSubWindow::closeEvent(event);
}
