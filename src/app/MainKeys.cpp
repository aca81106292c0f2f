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
#include <QMenuBar>

void TMainForm::ViewActivateRequest(TViewWindow* view) {
    if (view->mdiArea() == MDIClient) MDIClient->setActiveSubWindow(view);
    activateWindow();
}

void TMainForm::ViewUnusedKey(TViewWindow* view, int key, Qt::KeyboardModifiers modifiers, const QString& text) {
    const QKeySequence sequence(QKeyCombination(modifiers, Qt::Key(key)));
    // The frame's shortcuts first: the page had the keyboard, the frame has the command.
    for (QAction* action : findChildren<QAction*>()) {
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
