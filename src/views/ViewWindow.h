#pragma once
// What the IE and Gecko view windows share: an MDI child with a window id, the
// remembered states of the navigation buttons and the progress bar, and the address of
// the page it shows.

#include <QMdiSubWindow>
#include <cstdint>

class TViewWindow : public QMdiSubWindow {
    Q_OBJECT
public:
    using QMdiSubWindow::QMdiSubWindow;

    // The window id, kept in the window's tag; the key of its tab.
    std::int32_t Tag = 0;

    bool SavedBack = false;
    bool SavedForward = false;
    bool SavedStop = false;
    bool SavedReload = false;
    std::int32_t SavedProgress = 0;
    bool IsOpen = false;

    // The address of the page shown, from the window's own engine.
    virtual QString LocationURL() = 0;
};
