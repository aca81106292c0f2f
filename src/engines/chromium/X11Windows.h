#pragma once
// The few X11 questions the Chromium engine asks about the browser's own windows:
// which top-level window belongs to a page, and taking one out of the window manager's
// hands so that it can live inside a view. What needs an answer from the server is asked off the frame's thread.

#include <QString>
#include <cstdint>
#include <functional>

class QObject;
class QWidget;
class QWindow;
#include <QPointer>

namespace X11Windows {

// Whether the program runs on X11 at all (not offscreen, not Wayland).
bool available();

// Questions about the browser's windows are answered on a thread of their own, with an
// X connection of its own, so that the frame never waits for the X server; each answer
// comes on the frame's thread, unless `context` is gone by then.

// The shown top-level client window of process `pid` whose title is `title` (or whose
// class holds it); 0 when there is none (yet).
void findClientLater(qint64 pid, const QString& title, QObject* context, std::function<void(std::uint32_t)> found);
// Where a window is: gone, still in the window manager's frame, or a direct child of
// the root window again.
enum class Place { Gone, Framed, Unframed };
void placeLater(std::uint32_t window, QObject* context, std::function<void(Place)> answer);

// The program's window that last had the keyboard; watched from the first call on.
QPointer<QWindow>& lastFocusWindow();

// Holds the user's keys back (they wait at the X server, in order) while a window of the
// browser comes up: the window manager gives a new window the keyboard until the frame
// withdraws it, and keys typed then would be lost in it. Let go by withdraw(), or after
// a second at the latest; nothing is held while another program holds the keyboard.
void holdKeys();
// Asks the window manager to let go of the window (hidden, as a client withdraws it),
// gives the keyboard back to the program if the window took it, and lets the held keys go.
void withdraw(std::uint32_t window);
// Gives the window the X keyboard focus.
void focus(std::uint32_t window);
// Milliseconds since the user last pressed a key or moved or clicked the mouse
// anywhere on the display; -1 when the server cannot tell.
qint64 userIdleMs();

// Makes a top-level window of the program "globally active": the window manager no
// longer gives it the keyboard on a click but asks it to take it, and the program gives
// it to the page window whose view has the program's keyboard, or else to its own window. Chromium treats its
// window as inactive, and opens neither a list nor a menu, while the keyboard is
// anywhere else at the moment of a click.
void takeFocusForEmbeddedWindows(std::uint32_t topLevel);
// Marks the widget that holds an embedded window, for the keyboard to go there.
void markEmbedded(QWidget* container, std::uint32_t window);
// The X window to give the keyboard to for this widget of the frame, as it takes it from
// the page: the window of its own when it has one that holds no embedded page (X would
// hand keys typed with the pointer over a page to the page, inside a window that holds
// it), else its top-level's.
std::uint32_t keyboardWindowFor(QWidget* widget, const QWidget* page);

}  // namespace X11Windows
