// What pages ask that only the user may grant: sign-in, certificates that failed,
// features of the device, full screen. The frame asks in its own windows and words; the
// answers are kept in memory for as long as the program runs.

#include "app/Main.h"
#include "engines/EngineControls.h"
#include "platform/ErrorBox.h"
#include "prompts/PageNotice.h"
#include "prompts/PromptTexts.h"
#include "prompts/SignInDialog.h"
#include "views/ViewWindow.h"

#include <QApplication>
#include <QMenuBar>
#include <QToolBar>

void TMainForm::connectPrompts(TViewWindow* view) {
    using ErrorBox::guarded;
    connect(view, &TViewWindow::SignInRequested, this,
            guarded([this, view](const AuthRequestPtr& request) { ViewSignIn(view, request); }));
    connect(view, &TViewWindow::CertificateFailed, this,
            guarded([this, view](const CertificateRequestPtr& request) { ViewCertificateFailed(view, request); }));
    connect(view, &TViewWindow::PermissionRequested, this,
            guarded([this, view](const PermissionRequestPtr& request) { ViewPermission(view, request); }));
    connect(view, &TViewWindow::FullScreenRequested, this, guarded([this, view](bool on) { ViewFullScreen(view, on); }));
    // A page closed in full screen gives the frame back as it was.
    connect(view, &TViewWindow::Closing, this, guarded([this, view] { ViewFullScreen(view, false); }));
}

void TMainForm::ViewSignIn(TViewWindow* view, const AuthRequestPtr& request) {
    // The dialog goes with the window whose page asked, cancelling the request.
    auto* dialog = new SignInDialog(request, view);
    dialog->setWindowModality(Qt::NonModal);
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

void TMainForm::ViewCertificateFailed(TViewWindow* view, const CertificateRequestPtr& request) {
    // The user has gone on past this very failure of this host before: not asked again.
    if (certificateExceptions_.allows(request->host(), request->error())) return request->proceed();
    const QString text =
        QStringLiteral("このサイト (%1) の証明書に問題があります。%2\n"
                       "このまま進むと、送ったり受け取ったりする内容を他人に見られたり書き換えられたりするおそれがあります。")
            .arg(request->host(), PromptTexts::certificateReason(request->error()));
    auto* notice = new PageNotice(PageNotice::Tone::Warning, text, QStringLiteral("このサイトへ進む (安全ではありません)"),
                                  QStringLiteral("進まない"), [this, request](bool proceed) {
                                      if (!proceed) return request->refuse();
                                      certificateExceptions_.allow(request->host(), request->error());
                                      request->proceed();
                                  });
    notice->setObjectName(QStringLiteral("CertificateWarning"));
    view->showNotice(notice);
}

void TMainForm::ViewPermission(TViewWindow* view, const PermissionRequestPtr& request) {
    if (const std::optional<bool> decided = permissionDecisions_.decision(request->site(), request->feature()))
        return *decided ? request->allow() : request->deny();
    const QString text = QStringLiteral("このサイト (%1) が%2の使用を求めています。")
                             .arg(request->site(), PromptTexts::featureName(request->feature()));
    auto* notice = new PageNotice(PageNotice::Tone::Question, text, QStringLiteral("許可"), QStringLiteral("拒否"),
                                  [this, request](bool allowed) {
                                      permissionDecisions_.decide(request->site(), request->feature(), allowed);
                                      allowed ? request->allow() : request->deny();
                                  });
    notice->setObjectName(QStringLiteral("PermissionPrompt"));
    view->showNotice(notice);
}

void TMainForm::ViewFullScreen(TViewWindow* view, bool on) {
    if (on) {
        if (fullScreen_) return;
        FullScreenReturn back{view, windowState(), view->windowState(), {}};
        // Everything but the page goes out of sight: the bars, the menu, the tabs.
        for (QWidget* bar : findChildren<QToolBar*>(QString(), Qt::FindDirectChildrenOnly))
            if (bar->isVisible()) back.hidden << bar;
        if (menuBar()->isVisible()) back.hidden << menuBar();
        for (QWidget* w : back.hidden) w->hide();
        fullScreen_ = back;
        view->showMaximized();
        showFullScreen();
        // Esc leaves wherever the keyboard is: the page may have handed it back to the
        // frame's window as the frame changed around it.
        leaveFullScreen_ = std::make_unique<KeyCatcher>(Qt::Key_Escape, [this] {
            if (fullScreen_ && fullScreen_->view)
                if (TEngineControl* control = fullScreen_->view->control()) control->ControlInterface().LeaveFullScreen();
        });
        qApp->installEventFilter(leaveFullScreen_.get());
        // The page keeps the keyboard through the change, so that its Esc reaches it.
        if (TEngineControl* control = view->control())
            if (QWidget* page = control->ControlInterface().widget()) page->setFocus();
        return;
    }
    if (!fullScreen_ || fullScreen_->view != view) return;
    const FullScreenReturn back = *std::exchange(fullScreen_, std::nullopt);
    leaveFullScreen_.reset();
    setWindowState(back.frame);
    for (QWidget* w : back.hidden)
        if (w) w->show();
    if (back.view) back.view->setWindowState(back.viewState);
}
