// What a page hands the frame. A click into a page brings its view window to the front;
// a key the page did not use is the frame's: one of its shortcuts, the menu of an
// Alt+mnemonic, or a key for the widget that holds the frame's keyboard focus. Every
// engine reports these alike; only the frame knows its actions, menus and focus.

#include "app/Main.h"
#include "engines/EngineControls.h"
#include "views/ViewWindow.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>

void TMainForm::ViewActivateRequest(TViewWindow* view) {
    if (view->mdiArea() == ui.MDIClient) ui.MDIClient->setActiveSubWindow(view);
    activateWindow();
}

void TMainForm::ViewUnusedKey(TViewWindow* view, int key, Qt::KeyboardModifiers modifiers, const QString& text) {
    const QKeySequence sequence(QKeyCombination(modifiers, Qt::Key(key)));
    // The frame's shortcuts first: the page had the keyboard, the frame has the command.
    // Of the view windows' own commands (Ctrl+F4 closes), only those of the window whose
    // page had the key: another window's would close the wrong page.
    const auto inViewArea = [this](const QAction* action) {
        for (const QObject* o = action->parent(); o; o = o->parent())
            if (o == ui.MDIClient) return true;
        return false;
    };
    QList<QAction*> commands;
    for (QAction* action : findChildren<QAction*>())
        if (!inViewArea(action)) commands << action;
    if (view->systemMenu()) commands << view->systemMenu()->actions();
    for (QAction* action : commands) {
        if (action->isEnabled() && action->shortcuts().contains(sequence)) {
            action->trigger();
            return;
        }
    }
    if (modifiers == Qt::AltModifier) {
        QMenuBar* bar = menuBar();
        for (QAction* action : bar->actions()) {
            if (action->isVisible() && QKeySequence::mnemonic(action->text()) == sequence) {
                activateWindow();
                bar->setActiveAction(action);
                return;
            }
        }
    }
    // A key the page got while the frame's keyboard focus was elsewhere goes there; never
    // back into the page that handed it over.
    QWidget* focus = QApplication::focusWidget();
    if (!focus) return;
    if (TEngineControl* page = view->control(); page && (focus == page || page->isAncestorOf(focus))) return;
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
    QApplication::sendEvent(focus, &press);
    QApplication::sendEvent(focus, &release);
}
