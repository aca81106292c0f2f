#pragma once
// The window state of a view window, as new view windows take it ([General] WinSize).

class QMdiSubWindow;

enum class TWindowState { wsNormal, wsMinimized, wsMaximized };

TWindowState windowStateOf(const QMdiSubWindow* window);
void applyWindowState(QMdiSubWindow* window, TWindowState state);
