#include "engines/chromium/X11Windows.h"

#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QHash>
#include <QMutex>
#include <QThread>
#include <QPointer>
#include <QSet>
#include <QTimer>
#include <QWindow>
#include <QWidget>
#include <QVector>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <xcb/screensaver.h>
#include <xcb/xcb.h>

namespace X11Windows {
namespace {

xcb_connection_t* connection() {
    auto* x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

xcb_window_t rootWindow(xcb_connection_t* c) {
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    return screen ? screen->root : 0;
}

xcb_atom_t atom(xcb_connection_t* c, const char* name) {
    // Atoms never change for a display, whatever the connection: asked once each, from
    // the frame's thread and the questions' thread alike.
    static QMutex lock;
    static QHash<QByteArray, xcb_atom_t> known;
    {
        const QMutexLocker locked(&lock);
        if (const auto it = known.constFind(name); it != known.constEnd()) return *it;
    }
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr),
        &std::free);
    const QMutexLocker locked(&lock);
    if (reply) known.insert(name, reply->atom);
    return reply ? reply->atom : 0;
}

// Questions whose answers would keep the frame waiting go to a thread of their own (on
// the program's connection, which libxcb lets any thread use): while a browser starts,
// the server can take tens of milliseconds to answer, and the frame is then to answer
// its user meanwhile.
class Asker : public QObject {
public:
    static Asker& instance() {
        // Lives as long as the program: answers may still be on their way at its end.
        static Asker* asker = new Asker;
        return *asker;
    }

    void ask(QObject* context, std::function<std::uint32_t(xcb_connection_t*)> question,
             std::function<void(std::uint32_t)> answer) {
        QPointer<QObject> asking(context);
        QMetaObject::invokeMethod(this, [this, asking, question = std::move(question), answer = std::move(answer)] {
            const std::uint32_t result = connection_ ? question(connection_) : 0;
            QMetaObject::invokeMethod(qApp, [asking, answer, result] {
                if (asking) answer(result);
            }, Qt::QueuedConnection);
        }, Qt::QueuedConnection);
    }

private:
    Asker() : connection_(connection()) {
        thread_.setObjectName(QStringLiteral("X questions"));
        moveToThread(&thread_);
        thread_.start();
        // Ended with the application, before Qt closes the connection it asks on: a thread
        // still running at the program's end would be cut off in the middle of a question.
        qAddPostRoutine([] {
            Asker& asker = instance();
            asker.thread_.quit();
            asker.thread_.wait(2000);
        });
    }

    QThread thread_;
    xcb_connection_t* const connection_;
};

using PropertyReply = std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)>;

PropertyReply property(xcb_connection_t* c, xcb_window_t window, xcb_atom_t name, xcb_atom_t type, uint32_t length) {
    return PropertyReply(xcb_get_property_reply(c, xcb_get_property(c, 0, window, name, type, 0, length), nullptr),
                         &std::free);
}

QVector<xcb_window_t> clients(xcb_connection_t* c, xcb_window_t root) {
    QVector<xcb_window_t> list;
    // A window manager keeps the list of the windows it manages; without one the
    // clients are the root's children.
    if (PropertyReply managed = property(c, root, atom(c, "_NET_CLIENT_LIST"), XCB_ATOM_WINDOW, 4096);
        managed && managed->format == 32 && xcb_get_property_value_length(managed.get()) > 0) {
        const auto* windows = static_cast<const xcb_window_t*>(xcb_get_property_value(managed.get()));
        for (int i = 0; i < xcb_get_property_value_length(managed.get()) / 4; ++i) list.append(windows[i]);
    }
    std::unique_ptr<xcb_query_tree_reply_t, decltype(&std::free)> tree(
        xcb_query_tree_reply(c, xcb_query_tree(c, root), nullptr), &std::free);
    if (tree) {
        const xcb_window_t* children = xcb_query_tree_children(tree.get());
        for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i)
            if (!list.contains(children[i])) list.append(children[i]);
    }
    return list;
}

// The property a page's container widget carries: the X window of its page.
constexpr const char* EmbeddedWindowProperty = "tavixEmbeddedWindow";

// The page window of the widget that has the program's keyboard, if it holds one.
std::uint32_t embeddedWindowWithFocus() {
    const QWidget* widget = QApplication::focusWidget();
    const QVariant window = widget ? widget->property(EmbeddedWindowProperty) : QVariant();
    return window.isValid() ? window.toUInt() : 0;
}

struct KeyHold {
    bool held = false;
    QTimer limit;
};

void letKeysGo(xcb_connection_t* c);

KeyHold& keyHold() {
    static KeyHold* hold = [] {
        auto* h = new KeyHold;
        h->limit.setSingleShot(true);
        h->limit.setInterval(1000);
        QObject::connect(&h->limit, &QTimer::timeout, [] {
            if (xcb_connection_t* c = connection()) letKeysGo(c);
        });
        return h;
    }();
    return *hold;
}

void letKeysGo(xcb_connection_t* c) {
    if (!std::exchange(keyHold().held, false)) return;
    keyHold().limit.stop();
    // Ungrabbing lets the keys that waited go, in order, to the window with the keyboard.
    xcb_ungrab_keyboard(c, XCB_CURRENT_TIME);
    xcb_flush(c);
}

}  // namespace

bool available() { return connection() != nullptr; }

namespace {

std::uint32_t findClient(xcb_connection_t* c, qint64 pid, const QByteArray& wanted) {
    const xcb_window_t root = rootWindow(c);
    const xcb_atom_t pidAtom = atom(c, "_NET_WM_PID");
    const xcb_atom_t nameAtom = atom(c, "_NET_WM_NAME");
    const xcb_atom_t utf8 = atom(c, "UTF8_STRING");
    // Every question is sent before any answer is read: one wait for the server per
    // round, not one per window, while the frame looks every few milliseconds.
    const QVector<xcb_window_t> windows = clients(c, root);
    QVector<xcb_get_property_cookie_t> owners;
    owners.reserve(windows.size());
    for (const xcb_window_t window : windows)
        owners.append(xcb_get_property(c, 0, window, pidAtom, XCB_ATOM_CARDINAL, 0, 1));
    QVector<xcb_window_t> ours;
    for (qsizetype i = 0; i < windows.size(); ++i) {
        PropertyReply owner(xcb_get_property_reply(c, owners[i], nullptr), &std::free);
        if (owner && owner->format == 32 && xcb_get_property_value_length(owner.get()) == 4 &&
            *static_cast<const uint32_t*>(xcb_get_property_value(owner.get())) == static_cast<uint32_t>(pid))
            ours.append(windows[i]);
    }
    struct Questions {
        xcb_get_window_attributes_cookie_t attributes;
        xcb_get_property_cookie_t name;
        xcb_get_property_cookie_t windowClass;
    };
    QVector<Questions> questions;
    for (const xcb_window_t window : ours)
        questions.append({xcb_get_window_attributes(c, window), xcb_get_property(c, 0, window, nameAtom, utf8, 0, 1024),
                          xcb_get_property(c, 0, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 0, 256)});
    std::uint32_t found = 0;
    for (qsizetype i = 0; i < ours.size(); ++i) {
        std::unique_ptr<xcb_get_window_attributes_reply_t, decltype(&std::free)> attributes(
            xcb_get_window_attributes_reply(c, questions[i].attributes, nullptr), &std::free);
        PropertyReply name(xcb_get_property_reply(c, questions[i].name, nullptr), &std::free);
        PropertyReply windowClass(xcb_get_property_reply(c, questions[i].windowClass, nullptr), &std::free);
        if (found) continue;   // the rest of the answers are read all the same
        // Not before it shows: withdrawing a window that is still to be shown does
        // nothing, and the manager would take it when it does.
        if (!attributes || attributes->map_state != XCB_MAP_STATE_VIEWABLE) continue;
        if (name && QByteArray(static_cast<const char*>(xcb_get_property_value(name.get())),
                               xcb_get_property_value_length(name.get())) == wanted)
            found = ours[i];
        // An app window's class is made from its address before it is first shown; its
        // title comes only once its page has loaded.
        else if (windowClass && QByteArray(static_cast<const char*>(xcb_get_property_value(windowClass.get())),
                                           xcb_get_property_value_length(windowClass.get()))
                                    .contains(wanted))
            found = ours[i];
    }
    return found;
}

}  // namespace

void findClientLater(qint64 pid, const QString& title, QObject* context, std::function<void(std::uint32_t)> found) {
    if (!available()) return;
    Asker::instance().ask(context, [pid, wanted = title.toUtf8()](xcb_connection_t* c) { return findClient(c, pid, wanted); },
                          std::move(found));
}

void withdraw(std::uint32_t window) {
    xcb_connection_t* c = connection();
    if (!c) return;
    const xcb_window_t root = rootWindow(c);
    // The window manager gave the new window the keyboard when it appeared: it goes
    // back to the frame's window that had it, before more of the user's typing is lost.
    std::unique_ptr<xcb_get_input_focus_reply_t, decltype(&std::free)> focused(
        xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr), &std::free);
    bool stolen = false;
    for (xcb_window_t w = focused ? focused->focus : 0; w > 1 && w != root;) {
        if (w == window) {
            stolen = true;
            break;
        }
        std::unique_ptr<xcb_query_tree_reply_t, decltype(&std::free)> tree(
            xcb_query_tree_reply(c, xcb_query_tree(c, w), nullptr), &std::free);
        w = tree ? tree->parent : 0;
    }
    if (stolen) {
        // Straight back, before the held keys are let go to wherever the keyboard is.
        if (const std::uint32_t page = embeddedWindowWithFocus())
            xcb_set_input_focus(c, XCB_INPUT_FOCUS_PARENT, page, XCB_CURRENT_TIME);
        else if (lastFocusWindow() && lastFocusWindow()->handle())
            xcb_set_input_focus(c, XCB_INPUT_FOCUS_PARENT, static_cast<xcb_window_t>(lastFocusWindow()->winId()),
                                XCB_CURRENT_TIME);
        if (lastFocusWindow()) lastFocusWindow()->requestActivate();
    }
    // The manager may also hand the keyboard on (or to nobody) once it lets go of the
    // window: if the program lost it by then, it is taken back.
    for (const int delay : {30, 150, 500})
        QTimer::singleShot(delay, qApp, [] {
            if (!QGuiApplication::focusWindow() && lastFocusWindow() && lastFocusWindow()->isVisible())
                lastFocusWindow()->requestActivate();
        });
    xcb_unmap_window(c, window);
    // The synthetic UnmapNotify is how a client tells the manager the window is
    // withdrawn, whether or not the real one reaches it first.
    xcb_unmap_notify_event_t notify{};
    notify.response_type = XCB_UNMAP_NOTIFY;
    notify.event = root;
    notify.window = window;
    notify.from_configure = 0;
    xcb_send_event(c, 0, root, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&notify));
    letKeysGo(c);
    xcb_flush(c);
}

void holdKeys() {
    xcb_connection_t* c = connection();
    if (!c) return;
    KeyHold& hold = keyHold();
    if (!hold.held) {
        std::unique_ptr<xcb_grab_keyboard_reply_t, decltype(&std::free)> grab(
            xcb_grab_keyboard_reply(c,
                                    xcb_grab_keyboard(c, 0, rootWindow(c), XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC,
                                                      XCB_GRAB_MODE_SYNC),
                                    nullptr),
            &std::free);
        hold.held = grab && grab->status == XCB_GRAB_STATUS_SUCCESS;
        if (!hold.held) return;
    }
    hold.limit.start();
}

void placeLater(std::uint32_t window, QObject* context, std::function<void(Place)> answer) {
    if (!available()) return;
    Asker::instance().ask(
        context,
        [window](xcb_connection_t* c) -> std::uint32_t {
            std::unique_ptr<xcb_query_tree_reply_t, decltype(&std::free)> tree(
                xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr), &std::free);
            if (!tree) return static_cast<std::uint32_t>(Place::Gone);
            return static_cast<std::uint32_t>(tree->parent == rootWindow(c) ? Place::Unframed : Place::Framed);
        },
        [answer = std::move(answer)](std::uint32_t place) { answer(static_cast<Place>(place)); });
}

QPointer<QWindow>& lastFocusWindow() {
    static QPointer<QWindow> window;
    static bool watching = false;
    if (!watching && qApp) {
        watching = true;
        window = QGuiApplication::focusWindow();
        QObject::connect(qApp, &QGuiApplication::focusWindowChanged, qApp, [](QWindow* now) {
            if (now) window = now;
        });
    }
    return window;
}

namespace {

// Whether a click on the widget gives the keyboard to a control of the program's own,
// rather than leaving it where it was (a bar's button) or to a page (which its own
// window's grab decides).
bool takesFocusOnClick(QWidget* widget) {
    for (; widget; widget = widget->parentWidget()) {
        if (widget->property(EmbeddedWindowProperty).isValid()) return false;
        if (widget->isEnabled() && (widget->focusPolicy() & Qt::ClickFocus)) return true;
        if (widget->isWindow()) break;
    }
    return false;
}

// Clicks with the buttons that choose something pass through the program first; the
// keyboard waits with them, so that keys typed after a click reach where it sent the
// keyboard. The wheel only scrolls and needs no keyboard.
void grabClicks(xcb_connection_t* c, xcb_window_t window) {
    for (const auto button : {XCB_BUTTON_INDEX_1, XCB_BUTTON_INDEX_2, XCB_BUTTON_INDEX_3})
        xcb_grab_button(c, 0, window, XCB_EVENT_MASK_BUTTON_PRESS, XCB_GRAB_MODE_SYNC, XCB_GRAB_MODE_SYNC, XCB_NONE,
                        XCB_NONE, button, XCB_MOD_MASK_ANY);
    xcb_flush(c);
}

// The keyboard for the page windows inside the frame. Chromium counts its window as
// inactive, and a click in it neither focuses a field nor opens a list or a menu, unless
// the window has the X keyboard at the moment of the click. The window manager hands it
// over only when the frame as a whole was not active; so every click into a page window
// passes through the frame first (a passive grab, as window managers hold on their
// clients), which gives the window the keyboard and then lets the click go on to it.
class FocusFilter : public QAbstractNativeEventFilter {
public:
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override {
        if (eventType != "xcb_generic_event_t") return false;
        auto* event = static_cast<xcb_generic_event_t*>(message);
        xcb_connection_t* c = connection();
        if (!c) return false;
        switch (event->response_type & 0x7f) {
        case XCB_BUTTON_PRESS: {
            auto* press = reinterpret_cast<xcb_button_press_event_t*>(event);
            if (pages_.contains(press->event)) {
                xcb_set_input_focus(c, XCB_INPUT_FOCUS_PARENT, press->event, press->time);
            } else if (const auto frame = frames_.constFind(press->event); frame != frames_.constEnd()) {
                // A click on the frame's own controls: the keyboard leaves the page
                // before the keys typed after the click arrive, if the click gives a
                // control the keyboard at all (a button of a bar does not).
                if (takesFocusOnClick(QApplication::widgetAt(QPoint(press->root_x, press->root_y))))
                    xcb_set_input_focus(c, XCB_INPUT_FOCUS_PARENT, *frame, press->time);
            } else {
                return false;
            }
            // The keyboard, which waited with the click, goes on once the click does;
            // never thawed here on its own, as it may be held for a coming window.
            xcb_allow_events(c, XCB_ALLOW_REPLAY_POINTER, press->time);
            xcb_flush(c);
            return true;
        }
        case XCB_CLIENT_MESSAGE: {
            auto* client = reinterpret_cast<xcb_client_message_event_t*>(event);
            if (client->format != 32 || client->type != protocols_ || client->data.data32[0] != takeFocus_)
                return false;
            // The frame is "globally active": it takes the keyboard itself when the
            // window manager offers it (Qt would leave it where it was). A click into a
            // page passes the grab below, which gives that page the keyboard.
            // A click on one of the frame's controls brought the offer: the control
            // takes the keyboard, not the page that had it.
            const std::uint32_t window =
                takesFocusOnClick(QApplication::widgetAt(QCursor::pos())) ? 0 : embeddedWindowWithFocus();
            xcb_set_input_focus(c, XCB_INPUT_FOCUS_PARENT, window ? window : client->window, client->data.data32[1]);
            xcb_flush(c);
            return window != 0;
        }
        default: return false;
        }
    }

    xcb_atom_t protocols_ = 0;
    xcb_atom_t takeFocus_ = 0;
    QSet<xcb_window_t> pages_;    // the page windows
    // The windows directly inside the program's windows that hold pages (the window
    // manager holds the same grab on those windows themselves), with their window.
    QHash<xcb_window_t, xcb_window_t> frames_;
};

FocusFilter* focusFilter(xcb_connection_t* c) {
    static FocusFilter* filter = nullptr;
    if (!filter) {
        filter = new FocusFilter;
        filter->protocols_ = atom(c, "WM_PROTOCOLS");
        filter->takeFocus_ = atom(c, "WM_TAKE_FOCUS");
        qApp->installNativeEventFilter(filter);
    }
    return filter;
}

}  // namespace

void takeFocusForEmbeddedWindows(std::uint32_t topLevel) {
    xcb_connection_t* c = connection();
    if (!c) return;
    FocusFilter* filter = focusFilter(c);
    std::unique_ptr<xcb_query_tree_reply_t, decltype(&std::free)> tree(
        xcb_query_tree_reply(c, xcb_query_tree(c, topLevel), nullptr), &std::free);
    const xcb_window_t* children = tree ? xcb_query_tree_children(tree.get()) : nullptr;
    for (int i = 0; tree && i < xcb_query_tree_children_length(tree.get()); ++i) {
        if (filter->frames_.contains(children[i])) continue;
        grabClicks(c, children[i]);
        filter->frames_.insert(children[i], topLevel);
    }
    // WM_HINTS: flags, input, ... (ICCCM); the input field is the second word.
    PropertyReply hints = property(c, topLevel, XCB_ATOM_WM_HINTS, XCB_ATOM_WM_HINTS, 9);
    uint32_t words[9] = {};
    if (hints && hints->format == 32) {
        const int length = qMin(9, xcb_get_property_value_length(hints.get()) / 4);
        std::memcpy(words, xcb_get_property_value(hints.get()), static_cast<std::size_t>(length) * 4);
    }
    if ((words[0] & 1u) && words[1] == 0) return;   // already so
    words[0] |= 1u;   // InputHint
    words[1] = 0;
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, topLevel, XCB_ATOM_WM_HINTS, XCB_ATOM_WM_HINTS, 32, 9, words);
    xcb_flush(c);
}

std::uint32_t keyboardWindowFor(QWidget* widget, const QWidget* page) {
    QWidget* top = widget->window();
    QWidget* native = widget->internalWinId() ? widget : widget->nativeParentWidget();
    const auto holdsPage = [](const QWidget* w) { return w->property(EmbeddedWindowProperty).isValid(); };
    if (!native || native == top || holdsPage(native) || native->isAncestorOf(page))
        return static_cast<std::uint32_t>(top->winId());
    for (const QWidget* child : native->findChildren<QWidget*>())
        if (holdsPage(child)) return static_cast<std::uint32_t>(top->winId());
    return static_cast<std::uint32_t>(native->winId());
}

void markEmbedded(QWidget* container, std::uint32_t window) {
    container->setProperty(EmbeddedWindowProperty, QVariant::fromValue<uint>(window));
    xcb_connection_t* c = connection();
    if (!c) return;
    grabClicks(c, window);
    focusFilter(c)->pages_.insert(window);
}

void focus(std::uint32_t window) {
    xcb_connection_t* c = connection();
    if (!c) return;
    xcb_set_input_focus(c, XCB_INPUT_FOCUS_PARENT, window, XCB_CURRENT_TIME);
    xcb_flush(c);
}

qint64 userIdleMs() {
    xcb_connection_t* c = connection();
    if (!c) return -1;
    std::unique_ptr<xcb_screensaver_query_info_reply_t, decltype(&std::free)> info(
        xcb_screensaver_query_info_reply(c, xcb_screensaver_query_info(c, rootWindow(c)), nullptr), &std::free);
    return info ? static_cast<qint64>(info->ms_since_user_input) : -1;
}

}  // namespace X11Windows
