#include "views/ViewWindow.h"

#include "engines/EngineControls.h"
#include "platform/Bidi.h"
#include "platform/ErrorBox.h"
#include "resources/ImageList.h"
#include "views/FindBar.h"

#include <QCloseEvent>
#include <QLayout>
#include <QVBoxLayout>
#include <algorithm>

TViewWindow::TViewWindow(QWidget* parent) : QMdiSubWindow(parent) {
    setAttribute(Qt::WA_DeleteOnClose);
}

QString TViewWindow::LocationURL() {
    TEngineControl* c = control();
    return c ? c->LocationURL() : QString();
}

void TViewWindow::embed(TEngineControl* c) {
    setWindowIcon(ImageList::appIcon());
    auto* client = new QWidget;
    client->setAutoFillBackground(true);
    auto* layout = new QVBoxLayout(client);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(c, 1);
    setWidget(client);
    control_ = c;

    using ErrorBox::guarded;
    DWebBrowserEvents2* events = &c->events();
    connect(events, &DWebBrowserEvents2::StatusTextChange, this,
            guarded([this](const QString& text) { emit StatusTextChange(shownPageText(text)); }));
    connect(events, &DWebBrowserEvents2::ProgressChange, this,
            guarded([this](int progress, int progressMax) { emit ProgressChange(progress, progressMax); }));
    connect(events, &DWebBrowserEvents2::DocumentComplete, this,
            guarded([this](IDispatch*, const Variant&) { emit DocumentComplete(); }));
    connect(events, &DWebBrowserEvents2::CommandStateChange, this,
            guarded([this](int command, bool enable) { emit CommandStateChange(command, enable); }));
    connect(events, &DWebBrowserEvents2::TitleChange, this, guarded([this](const QString& text) {
                // A page's title must not reorder the program's own captions and tabs, nor
                // break them onto a second line.
                const QString title = shownPageText(text);
                setWindowTitle(title);
                emit TitleChange(title);
            }));
    connect(events, &DWebBrowserEvents2::BeforeNavigate2, this,
            guarded([this](IDispatch* frame, const Variant& url, const Variant&, const Variant&, const Variant&,
                           const Variant&, bool& cancel) {
                if (frame != InnerFrameDispatch()) emit TopFrameNavigate(url.toString(), cancel);
            }));
    connect(events, &DWebBrowserEvents2::NewWindow2, this,
            guarded([this](Variant& ppDisp, bool& cancel) { emit NewWindow2(ppDisp, cancel); }));
    connect(events, &DWebBrowserEvents2::ActivateRequest, this, guarded([this] { emit ActivateRequest(); }));
    connect(events, &DWebBrowserEvents2::UnusedKey, this,
            guarded([this](int key, Qt::KeyboardModifiers modifiers, const QString& text) {
                emit UnusedKey(key, modifiers, text);
            }));
    connect(events, &DWebBrowserEvents2::SignInRequested, this,
            guarded([this](const AuthRequestPtr& request) { emit SignInRequested(request); }));
    connect(events, &DWebBrowserEvents2::CertificateFailed, this,
            guarded([this](const CertificateRequestPtr& request) { emit CertificateFailed(request); }));
    connect(events, &DWebBrowserEvents2::PermissionRequested, this,
            guarded([this](const PermissionRequestPtr& request) { emit PermissionRequested(request); }));
    connect(events, &DWebBrowserEvents2::FullScreenRequested, this, guarded([this](bool on) { emit FullScreenRequested(on); }));
    connect(events, &DWebBrowserEvents2::DownloadRequest, this,
            guarded([this](const std::shared_ptr<Download>& download) { emit DownloadRequest(download); }));
    connect(events, &DWebBrowserEvents2::FindResult, this, guarded([this](int current, int total) {
                if (findBar_) findBar_->showResult(current, total);
            }));
}

TFindBar* TViewWindow::findBar() {
    // Made at its first use: a window whose page is never searched carries none.
    if (!findBar_ && control_ && widget()) {
        WebBrowser2& engine = control_->ControlInterface();
        findBar_ = new TFindBar(engine, engine.widget(), widget());
        widget()->layout()->addWidget(findBar_);
    }
    return findBar_;
}

void TViewWindow::showNotice(QWidget* notice) {
    auto* layout = widget() ? qobject_cast<QVBoxLayout*>(widget()->layout()) : nullptr;
    if (!layout) {
        delete notice;   // no page to speak of: what it asks goes unanswered, refused
        return;
    }
    layout->insertWidget(0, notice);
    notice->show();
}

void TViewWindow::FormCreate(const TViewStart& start) {
    beforeShow(start);
    SavedBack = start.back;
    SavedForward = start.forward;
    SavedStop = start.stop;
    applyWindowState(this, start.state);
    IsOpen = true;
    FormResize();
}

void TViewWindow::FormResize() {
    if (!IsOpen) return;
    const TWindowState state = windowStateOf(this);
    if (state == TWindowState::wsMinimized && !minimizedCounts()) return;
    emit WindowStateChange(state);
}

TProgressStep TViewWindow::ProgressStep(int progress, int progressMax, int shown) const {
    // The bar holds 0 to 100.
    int position = shown;
    if (progressMax != 0)
        position = progress * 100 / progressMax;
    else if (progress == 0)
        position = 0;
    return {std::clamp(position, 0, 100), std::nullopt};
}

void TViewWindow::resizeEvent(QResizeEvent* event) {
    QMdiSubWindow::resizeEvent(event);
    ErrorBox::guard([this] { FormResize(); });
}

void TViewWindow::closeEvent(QCloseEvent* event) {
    ErrorBox::guard([this] {
        IsOpen = false;
        emit Closing();
    });
    QMdiSubWindow::closeEvent(event);
}

EngineTarget DispatchRule(QMdiSubWindow* activeChild) {
    if (!activeChild) return {};
    QWidget* named = activeChild->objectName().isEmpty() && activeChild->widget() ? activeChild->widget() : activeChild;
    return DispatchRule(named);
}
