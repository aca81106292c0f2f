#pragma once
// Small pieces the two view windows share with the frame.

#include "app/Main.h"

class QMdiSubWindow;

// Enables or disables Save As, Select All and Copy: they act on the active page.
void enablePageMenus(bool enabled);
// The frame's navigation buttons take the active view window's remembered states.
void showRememberedButtons();
TWindowState windowStateOf(const QMdiSubWindow* window);
void applyWindowState(QMdiSubWindow* window, TWindowState state);
