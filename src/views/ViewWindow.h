#pragma once
// What the IE and Gecko view windows share: an MDI child holding one engine control,
// with a window id, the remembered states of the navigation buttons and the progress
// bar, and the handlers that mirror its engine into the frame.
//
// Events of the window in front behave as the frame has always shown them. Events of a
// window in the background change only that window: its caption, its tab and its
// remembered states, which its activation then shows. The frame never shows the state
// of a page the user is not looking at.

#include "platform/Com.h"

#include <QMdiSubWindow>
#include <cstdint>

class TEngineControl;

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

    virtual void FormActivate() {}
    virtual void FormResize() {}

    // Whether this window is the frame's active view window.
    bool isActiveView() const;

    void SubChange(bool flag);

    // Handlers both kinds share.
    void TitleChange(const QString& text);
    void StatusTextChange(const QString& text);
    void CommandStateChange(int command, bool enable);
    void NewWindow2(Variant& ppDisp, bool& cancel);

protected:
    // Puts the control in the window's client area, which it fills, and connects its
    // events to the handlers, each under the catch point.
    void embed(TEngineControl* control);
    virtual void ProgressChange(int progress, int progressMax) = 0;
    virtual void FormClose() {}

    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
};
