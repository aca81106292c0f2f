#pragma once
// What the IE and Gecko view windows share: an MDI child holding one engine control,
// with a window id and the remembered states of the navigation buttons and the progress
// bar. A view window changes only itself; it tells what happened through its signals and
// the frame decides what of it the frame shows.

#include "engines/PageRequests.h"
#include "platform/Com.h"
#include "views/WindowState.h"

#include <QMdiSubWindow>
#include <cstdint>
#include <memory>
#include <optional>

class Download;
class EngineTarget;
class TEngineControl;
class TFindBar;

// What a new view window takes over from the frame as it opens.
struct TViewStart {
    bool back = false;
    bool forward = false;
    bool stop = false;
    int mojiSize = 2;
    TWindowState state = TWindowState::wsNormal;
};

// The outcome of one ProgressChange: the bar's new position and, for the kinds that
// drive it, whether Stop is enabled.
struct TProgressStep {
    int position = 0;
    std::optional<bool> stop;
};

class TViewWindow : public QMdiSubWindow {
    Q_OBJECT
public:
    explicit TViewWindow(QWidget* parent = nullptr);

    // The window id, kept in the window's tag; the key of its tab. None (-1) until
    // the opening sets it.
    std::int32_t Tag = -1;

    bool SavedBack = false;
    bool SavedForward = false;
    bool SavedStop = false;
    bool SavedReload = false;
    std::int32_t SavedProgress = 0;
    bool IsOpen = false;

    // The address of the page shown, from the window's own engine.
    virtual QString LocationURL();
    // The engine control, or none for windows without one.
    virtual TEngineControl* control() const { return nullptr; }

    // Takes the frame's button states (before the window shows: showing activates it,
    // and its activation shows the states it remembers), then shows itself.
    void FormCreate(const TViewStart& start);
    // The window's own part of its activation; the frame shows the rest.
    virtual void FormActivate() {}
    void FormResize();

    // The kinds differ in these.
    // The text size this window shows, for the Text size menu; none when the kind has none.
    virtual std::optional<int> textSize() const { return std::nullopt; }
    virtual void setTextSize(int) {}
    // Whether closing the window clears the frame's progress, address, status and buttons.
    virtual bool clearsFrameOnClose() const { return false; }
    // The bar position after a ProgressChange, starting from the position shown now.
    virtual TProgressStep ProgressStep(int progress, int progressMax, int shown) const;

    // The window's find bar, below its page, hidden until opened; none for windows
    // without an engine.
    TFindBar* findBar();
    // A bar above the page (a warning, a question about the page); the window owns it
    // from then on and it goes with the window, or when it deletes itself.
    void showNotice(QWidget* notice);

signals:
    // The engine's events, after the window has changed itself.
    void TitleChange(const QString& text);
    void StatusTextChange(const QString& text);
    void ProgressChange(int progress, int progressMax);
    // The page has loaded, whether or not it could be shown.
    void DocumentComplete();
    void CommandStateChange(int command, bool enable);
    // The page's top frame is about to go to this address (nothing has been fetched yet);
    // a handler may cancel it. Frames inside the page are not reported.
    void TopFrameNavigate(const QString& url, bool& cancel);
    // The page asks for a new window: a handler hands the engine the browser it opens in.
    void NewWindow2(Variant& ppDisp, bool& cancel);
    // The window state new view windows should take from now on.
    void WindowStateChange(TWindowState state);
    // The window is closing.
    void Closing();
    // The user clicked into the page, or the page asks to come to the front.
    void ActivateRequest();
    // A key the page did not use, for the frame's shortcuts, menus and focused widget.
    void UnusedKey(int key, Qt::KeyboardModifiers modifiers, const QString& text);
    // What the page asks that only the user may grant; the frame asks and answers.
    void SignInRequested(const AuthRequestPtr& request);
    void CertificateFailed(const CertificateRequestPtr& request);
    void PermissionRequested(const PermissionRequestPtr& request);
    void FullScreenRequested(bool on);
    // A response the page will not show: the frame offers it as a file to save.
    void DownloadRequest(const std::shared_ptr<Download>& download);

protected:
    // Puts the control in the window's client area, which it fills, and connects its
    // events, each under the catch point.
    void embed(TEngineControl* control);
    virtual void beforeShow(const TViewStart&) {}
    // Whether a minimized window makes new windows open minimized.
    virtual bool minimizedCounts() const { return true; }

    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    TEngineControl* control_ = nullptr;
    TFindBar* findBar_ = nullptr;
};

// The dispatch rule applied to the frame's active MDI child: a view window carries the
// name that chooses the form itself, any other MDI child on the widget it holds.
EngineTarget DispatchRule(QMdiSubWindow* activeChild);
