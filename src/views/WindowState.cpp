#include "views/WindowState.h"

#include <QMdiSubWindow>

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
