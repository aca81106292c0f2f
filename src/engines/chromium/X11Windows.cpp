#include "engines/chromium/X11Windows.h"

#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QHash>
#include <QPointer>
#include <QTimer>
#include <QWindow>
#include <QWidget>
#include <QVector>
#include <cstdlib>
#include <cstring>
#include <memory>
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
    // Atoms never change for a display: asked once each.
    static QHash<QByteArray, xcb_atom_t> known;
    if (const auto it = known.constFind(name); it != known.constEnd()) return *it;
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr),
        &std::free);
    if (reply) known.insert(name, reply->atom);
    return reply ? reply->atom : 0;
}

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

}  // namespace

bool available() { return connection() != nullptr; }

std::uint32_t findClient(qint64 pid, const QString& title) {
    xcb_connection_t* c = connection();
    if (!c) return 0;
    const xcb_window_t root = rootWindow(c);
    const xcb_atom_t pidAtom = atom(c, "_NET_WM_PID");
    const xcb_atom_t nameAtom = atom(c, "_NET_WM_NAME");
    const xcb_atom_t utf8 = atom(c, "UTF8_STRING");
    const QByteArray wanted = title.toUtf8();
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
    if (stolen && lastFocusWindow()) lastFocusWindow()->requestActivate();
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
    xcb_flush(c);
}

bool isUnframed(std::uint32_t window) {
    xcb_connection_t* c = connection();
    if (!c) return false;
    std::unique_ptr<xcb_query_tree_reply_t, decltype(&std::free)> tree(
        xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr), &std::free);
    return tree && tree->parent == rootWindow(c);
}

bool exists(std::uint32_t window) {
    xcb_connection_t* c = connection();
    if (!c) return false;
    std::unique_ptr<xcb_get_window_attributes_reply_t, decltype(&std::free)> attributes(
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr), &std::free);
    return attributes != nullptr;
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

// The property a page's container widget carries: the X window of its page.
constexpr const char* EmbeddedWindowProperty = "tavixEmbeddedWindow";

std::uint32_t embeddedWindowUnderPointer() {
    for (QWidget* widget = QApplication::widgetAt(QCursor::pos()); widget; widget = widget->parentWidget()) {
        const QVariant window = widget->property(EmbeddedWindowProperty);
        if (window.isValid()) return window.toUInt();
        if (widget->isWindow()) break;
    }
    return 0;
}

class TakeFocusFilter : public QAbstractNativeEventFilter {
public:
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override {
        if (eventType != "xcb_generic_event_t") return false;
        auto* event = static_cast<xcb_generic_event_t*>(message);
        if ((event->response_type & 0x7f) != XCB_CLIENT_MESSAGE) return false;
        auto* client = reinterpret_cast<xcb_client_message_event_t*>(event);
        xcb_connection_t* c = connection();
        if (!c || client->format != 32 || client->type != protocols_ || client->data.data32[0] != takeFocus_) return false;
        const std::uint32_t window = embeddedWindowUnderPointer();
        if (!window) return false;   // the frame's own controls: Qt takes the keyboard
        xcb_set_input_focus(c, XCB_INPUT_FOCUS_PARENT, window, client->data.data32[1]);
        xcb_flush(c);
        return true;
    }

    xcb_atom_t protocols_ = 0;
    xcb_atom_t takeFocus_ = 0;
};

}  // namespace

void takeFocusForEmbeddedWindows(std::uint32_t topLevel) {
    xcb_connection_t* c = connection();
    if (!c) return;
    static TakeFocusFilter* filter = nullptr;
    if (!filter) {
        filter = new TakeFocusFilter;
        filter->protocols_ = atom(c, "WM_PROTOCOLS");
        filter->takeFocus_ = atom(c, "WM_TAKE_FOCUS");
        qApp->installNativeEventFilter(filter);
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
}

void focus(std::uint32_t window) {
    xcb_connection_t* c = connection();
    if (!c) return;
    xcb_set_input_focus(c, XCB_INPUT_FOCUS_PARENT, window, XCB_CURRENT_TIME);
    xcb_flush(c);
}

}  // namespace X11Windows
