// tavix-webkit-host: every Gecko view of one shell, in one WebKit context. Each view is a
// borderless X11 window that the shell embeds; commands arrive as lines on standard
// input and events leave as lines on standard output (HostProtocol.h).

#include "engines/TextSize.h"
#include "engines/webkit/HostProtocol.h"

#include <gdk/gdkkeysyms.h>
#include <gdk/gdkx.h>
#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unistd.h>

namespace {

using HostProtocol::Message;

int protocolOut = -1;
WebKitWebContext* context = nullptr;

// How many views share one web process. WebKit gives every unrelated view a process of
// its own (about 55 MiB before the page); a view created related to another joins that
// view's process. A group fills up to this many views, then the next view starts a new
// group. The price: when a web process crashes, every view of its group shows that its
// page ended (each comes back with Reload), so a crash takes at most this many views.
constexpr int ViewsPerWebProcess = 5;

struct View {
    std::int64_t id = 0;
    int group = 0;
    GtkWidget* window = nullptr;
    WebKitWebView* web = nullptr;
    bool focused = false;
    // The caption last reported, so that every change is told once.
    std::string title;
    bool titleSent = false;
    // The last find, so that the same text again steps on, and how many matches it had.
    std::string findText;
    bool findCase = false;
    long findCount = -1;   // not counted yet
};

std::map<std::int64_t, std::unique_ptr<View>> views;

// A live view of a group with room for one more, to relate the next view to; null when
// every group is full and the next view needs a web process of its own.
View* groupWithRoom(int& group) {
    std::map<int, std::pair<int, View*>> groups;   // group → members, one of them
    for (const auto& [id, v] : views) {
        auto& g = groups[v->group];
        ++g.first;
        g.second = v.get();
    }
    for (const auto& [id, g] : groups) {
        if (g.first < ViewsPerWebProcess) {
            group = id;
            return g.second;
        }
    }
    return nullptr;
}

int nextGroup = 0;

void send(const Message& message) {
    const std::string line = HostProtocol::encode(message);
    std::size_t done = 0;
    while (done < line.size()) {
        const ssize_t n = ::write(protocolOut, line.data() + done, line.size() - done);
        if (n < 0 && errno == EINTR) continue;
        // The shell is gone: nobody is left to show a page to.
        if (n <= 0) ::_exit(0);
        done += static_cast<std::size_t>(n);
    }
}

void send(std::string kind, std::int64_t view, std::vector<std::string> args = {}) {
    send(Message{std::move(kind), view, std::move(args)});
}

std::string orEmpty(const char* text) { return text ? text : ""; }

void reportHistory(View* v) {
    send("history", v->id,
         {webkit_web_view_can_go_back(v->web) ? "1" : "0", webkit_web_view_can_go_forward(v->web) ? "1" : "0"});
}

// A page without a title is known by its address, as the other engine shows it: the
// caption and tab must follow every page, about:blank included.
void reportTitle(View* v) {
    std::string title = orEmpty(webkit_web_view_get_title(v->web));
    if (title.empty()) title = HostProtocol::untitledCaption(orEmpty(webkit_web_view_get_uri(v->web)));
    if (title.empty() || (v->titleSent && title == v->title)) return;
    v->title = title;
    v->titleSent = true;
    send("title", v->id, {title});
}

// Keys the frame answers even while a page has the keyboard: its menu shortcuts and
// mnemonics. Editing keys stay with the page.
bool isFrameKey(guint keyval, GdkModifierType state) {
    if (keyval >= GDK_KEY_F1 && keyval <= GDK_KEY_F12) return true;
    if (state & GDK_MOD1_MASK) return true;
    if (!(state & GDK_CONTROL_MASK)) return false;
    switch (gdk_keyval_to_lower(keyval)) {
    case GDK_KEY_c: case GDK_KEY_v: case GDK_KEY_x: case GDK_KEY_z: case GDK_KEY_y:
    case GDK_KEY_Insert: case GDK_KEY_Left: case GDK_KEY_Right: case GDK_KEY_Up: case GDK_KEY_Down:
    case GDK_KEY_Home: case GDK_KEY_End: case GDK_KEY_BackSpace: case GDK_KEY_Delete:
    case GDK_KEY_Control_L: case GDK_KEY_Control_R: case GDK_KEY_Shift_L: case GDK_KEY_Shift_R:
        return false;
    default: return true;
    }
}

gboolean onKeyPress(GtkWidget*, GdkEventKey* event, gpointer data) {
    auto* v = static_cast<View*>(data);
    const auto state = static_cast<GdkModifierType>(event->state);
    // While the shell keeps its keyboard focus elsewhere every key is the shell's.
    if (v->focused && !isFrameKey(event->keyval, state)) return FALSE;
    int modifiers = 0;
    if (state & GDK_SHIFT_MASK) modifiers |= HostProtocol::ModShift;
    if (state & GDK_CONTROL_MASK) modifiers |= HostProtocol::ModControl;
    if (state & GDK_MOD1_MASK) modifiers |= HostProtocol::ModAlt;
    char text[8] = {};
    const gunichar c = gdk_keyval_to_unicode(event->keyval);
    if (c >= 0x20 && c != 0x7f) g_unichar_to_utf8(c, text);
    send("key", v->id, {std::to_string(event->keyval), std::to_string(modifiers), text});
    return TRUE;
}

void takeKeyboard(View* v) {
    GdkWindow* gdkWindow = gtk_widget_get_window(v->window);
    if (!gdkWindow) return;
    Display* display = GDK_WINDOW_XDISPLAY(gdkWindow);
    // The shell's toolkit never hands X focus to a foreign window; take it ourselves.
    gdk_x11_display_error_trap_push(gdk_window_get_display(gdkWindow));
    XSetInputFocus(display, GDK_WINDOW_XID(gdkWindow), RevertToParent, CurrentTime);
    gdk_x11_display_error_trap_pop_ignored(gdk_window_get_display(gdkWindow));
    gtk_widget_grab_focus(GTK_WIDGET(v->web));
}

gboolean onButtonPress(GtkWidget*, GdkEventButton*, gpointer data) {
    auto* v = static_cast<View*>(data);
    v->focused = true;
    takeKeyboard(v);
    send("click", v->id);
    return FALSE;
}

GtkWidget* onCreate(WebKitWebView*, WebKitNavigationAction* action, gpointer data) {
    auto* v = static_cast<View*>(data);
    WebKitURIRequest* request = webkit_navigation_action_get_request(action);
    send("newwindow", v->id, {orEmpty(request ? webkit_uri_request_get_uri(request) : nullptr)});
    // The shell opens the window itself, through its popup filter.
    return nullptr;
}

void onLoadChanged(WebKitWebView*, WebKitLoadEvent event, gpointer data) {
    auto* v = static_cast<View*>(data);
    if (event == WEBKIT_LOAD_STARTED) {
        send("loading", v->id, {"1"});
    } else if (event == WEBKIT_LOAD_COMMITTED) {
        // WebKit tells no title for a page that has none.
        reportTitle(v);
    } else if (event == WEBKIT_LOAD_FINISHED) {
        send("location", v->id, {orEmpty(webkit_web_view_get_uri(v->web))});
        send("loading", v->id, {"0"});
        reportHistory(v);
    }
}

void onWebProcessTerminated(WebKitWebView*, WebKitWebProcessTerminationReason reason, gpointer data) {
    auto* v = static_cast<View*>(data);
    send("gone", v->id, {reason == WEBKIT_WEB_PROCESS_EXCEEDED_MEMORY_LIMIT ? "memory" : "crashed"});
}

void onMouseTarget(WebKitWebView*, WebKitHitTestResult* hit, guint, gpointer data) {
    auto* v = static_cast<View*>(data);
    const bool link = webkit_hit_test_result_context_is_link(hit);
    send("status", v->id, {link ? orEmpty(webkit_hit_test_result_get_link_uri(hit)) : std::string()});
}

// What pages asked the user, held until the shell answers, by the number it was sent
// under. A request of a view that closes is refused.
struct Asked {
    std::int64_t view = 0;
    GObject* request = nullptr;            // a WebKitAuthenticationRequest or WebKitPermissionRequest
    GTlsCertificate* certificate = nullptr;
    std::string host;
    std::string uri;
};

std::map<std::int64_t, Asked> asked;
std::int64_t lastAsked = 0;

// Our own answer must not come back as WebKit's cancelling the request.
void detachCancelled(GObject* request) {
    g_signal_handlers_disconnect_matched(request, G_SIGNAL_MATCH_ID,
                                         g_signal_lookup("cancelled", WEBKIT_TYPE_AUTHENTICATION_REQUEST), 0, nullptr,
                                         nullptr, nullptr);
}

void refuse(const Asked& a) {
    if (a.request && WEBKIT_IS_AUTHENTICATION_REQUEST(a.request)) {
        detachCancelled(a.request);
        webkit_authentication_request_cancel(WEBKIT_AUTHENTICATION_REQUEST(a.request));
    } else if (a.request && WEBKIT_IS_PERMISSION_REQUEST(a.request)) {
        webkit_permission_request_deny(WEBKIT_PERMISSION_REQUEST(a.request));
    }
}

void release(Asked& a) {
    if (a.request) g_object_unref(a.request);
    if (a.certificate) g_object_unref(a.certificate);
    a.request = nullptr;
    a.certificate = nullptr;
}

std::int64_t remember(Asked a) {
    const std::int64_t id = ++lastAsked;
    asked[id] = std::move(a);
    return id;
}

// The request the shell answers, if it is still waiting and belongs to that view.
std::optional<Asked> takeAsked(const Message& m) {
    const auto id = HostProtocol::number(m.args[0], INT64_MAX / 10);
    const auto it = id ? asked.find(*id) : asked.end();
    if (it == asked.end() || it->second.view != m.view) return std::nullopt;
    Asked a = it->second;
    asked.erase(it);
    return a;
}

void forgetAskedOf(std::int64_t view) {
    for (auto it = asked.begin(); it != asked.end();) {
        if (it->second.view != view) {
            ++it;
            continue;
        }
        refuse(it->second);
        release(it->second);
        it = asked.erase(it);
    }
}

std::string siteOf(const char* uri) {
    if (!uri) return {};
    WebKitSecurityOrigin* origin = webkit_security_origin_new_for_uri(uri);
    if (!origin) return {};
    gchar* text = webkit_security_origin_to_string(origin);
    std::string site = orEmpty(text);
    g_free(text);
    webkit_security_origin_unref(origin);
    return site;
}

gboolean onAuthenticate(WebKitWebView*, WebKitAuthenticationRequest* request, gpointer data) {
    auto* v = static_cast<View*>(data);
    std::string host = orEmpty(webkit_authentication_request_get_host(request));
    const guint port = webkit_authentication_request_get_port(request);
    if (port != 0 && port != 80 && port != 443) host += ":" + std::to_string(port);
    const std::int64_t id = remember({v->id, G_OBJECT(g_object_ref(request)), nullptr, host, {}});
    // A load that stops takes its sign-in with it; an answer after that has nobody to go to.
    g_signal_connect(request, "cancelled", G_CALLBACK(+[](WebKitAuthenticationRequest*, gpointer idData) {
        const auto it = asked.find(static_cast<std::int64_t>(reinterpret_cast<std::intptr_t>(idData)));
        if (it == asked.end()) return;
        release(it->second);
        asked.erase(it);
    }), reinterpret_cast<gpointer>(static_cast<std::intptr_t>(id)));
    send("signin", v->id, {std::to_string(id), host, orEmpty(webkit_authentication_request_get_realm(request)),
                           webkit_authentication_request_is_for_proxy(request) ? "1" : "0"});
    return TRUE;
}

std::string certificateReason(GTlsCertificateFlags errors) {
    if (errors & G_TLS_CERTIFICATE_UNKNOWN_CA) return "untrusted";
    if (errors & G_TLS_CERTIFICATE_BAD_IDENTITY) return "name";
    if (errors & (G_TLS_CERTIFICATE_EXPIRED | G_TLS_CERTIFICATE_NOT_ACTIVATED)) return "expired";
    if (errors & G_TLS_CERTIFICATE_REVOKED) return "revoked";
    if (errors & G_TLS_CERTIFICATE_INSECURE) return "insecure";
    return "other";
}

gboolean onTlsErrors(WebKitWebView*, gchar* failingUri, GTlsCertificate* certificate, GTlsCertificateFlags errors,
                     gpointer data) {
    auto* v = static_cast<View*>(data);
    GUri* uri = g_uri_parse(failingUri, G_URI_FLAGS_NONE, nullptr);
    const std::string host = uri ? orEmpty(g_uri_get_host(uri)) : std::string();
    if (uri) g_uri_unref(uri);
    const std::int64_t id =
        remember({v->id, nullptr, G_TLS_CERTIFICATE(g_object_ref(certificate)), host, orEmpty(failingUri)});
    send("certificate", v->id, {std::to_string(id), host, orEmpty(failingUri), certificateReason(errors)});
    // The shell shows the warning in its own words; WebKit's English error page stays away.
    return TRUE;
}

gboolean onPermission(WebKitWebView* web, WebKitPermissionRequest* request, gpointer data) {
    auto* v = static_cast<View*>(data);
    std::string feature;
    if (WEBKIT_IS_GEOLOCATION_PERMISSION_REQUEST(request)) {
        feature = "geolocation";
    } else if (WEBKIT_IS_NOTIFICATION_PERMISSION_REQUEST(request)) {
        feature = "notifications";
    } else if (WEBKIT_IS_POINTER_LOCK_PERMISSION_REQUEST(request)) {
        feature = "pointerlock";
    } else if (WEBKIT_IS_USER_MEDIA_PERMISSION_REQUEST(request)) {
        auto* media = WEBKIT_USER_MEDIA_PERMISSION_REQUEST(request);
        const bool audio = webkit_user_media_permission_is_for_audio_device(media);
        const bool video = webkit_user_media_permission_is_for_video_device(media);
        feature = webkit_user_media_permission_is_for_display_device(media) ? "screen"
                  : audio && video                                          ? "camera+microphone"
                  : video                                                   ? "camera"
                                                                            : "microphone";
    } else {
        // Anything else a page may want (plug-ins, other sites' data) is not ours to give.
        webkit_permission_request_deny(request);
        return TRUE;
    }
    const std::int64_t id = remember({v->id, G_OBJECT(g_object_ref(request)), nullptr, {}, {}});
    send("permission", v->id, {std::to_string(id), feature, siteOf(webkit_web_view_get_uri(web))});
    return TRUE;
}

// The page's content fills the view; the shell makes the view as large as the screen.
// Esc leaves, WebKit's own key.
gboolean onFullScreen(WebKitWebView*, gpointer data, bool on) {
    send("fullscreen", static_cast<View*>(data)->id, {on ? "1" : "0"});
    return FALSE;
}

void answerAsked(View* v, const Message& m) {
    std::optional<Asked> a = takeAsked(m);
    if (!a) return;   // answered, cancelled by WebKit, or never ours
    const bool yes = m.args[1] != "0";
    if (m.kind == "signinanswer" && a->request && WEBKIT_IS_AUTHENTICATION_REQUEST(a->request)) {
        auto* request = WEBKIT_AUTHENTICATION_REQUEST(a->request);
        detachCancelled(a->request);
        if (yes) {
            // Kept for this answer only: nothing of it is stored anywhere.
            WebKitCredential* credential =
                webkit_credential_new(m.args[2].c_str(), m.args[3].c_str(), WEBKIT_CREDENTIAL_PERSISTENCE_NONE);
            webkit_authentication_request_authenticate(request, credential);
            webkit_credential_free(credential);
        } else {
            // Going on without a name shows the page the server sent with its refusal;
            // cancelling would stop the load and leave nothing.
            webkit_authentication_request_authenticate(request, nullptr);
        }
    } else if (m.kind == "permissionanswer" && a->request && WEBKIT_IS_PERMISSION_REQUEST(a->request)) {
        if (yes)
            webkit_permission_request_allow(WEBKIT_PERMISSION_REQUEST(a->request));
        else
            webkit_permission_request_deny(WEBKIT_PERMISSION_REQUEST(a->request));
    } else if (m.kind == "certificateanswer" && a->certificate) {
        if (yes) {
            webkit_web_context_allow_tls_certificate_for_host(context, a->certificate, a->host.c_str());
            webkit_web_view_load_uri(v->web, a->uri.c_str());
        }
    } else {
        refuse(*a);   // an answer of the wrong kind: nothing is granted on it
    }
    release(*a);
}

// --- downloads -------------------------------------------------------------------------
// A response the view cannot show becomes a download, as does a link the site marks as
// one. The shell is asked before a byte is written; meanwhile WebKit holds the transfer.

struct HostDownload {
    WebKitDownload* download = nullptr;
    std::int64_t total = 0;
    gint64 lastReport = 0;   // monotonic microseconds
    std::string failure;
};

std::map<std::int64_t, HostDownload> downloads;
std::int64_t nextDownload = 0;

// Progress goes to the shell at most this often: a fast transfer reports in 64 KiB steps.
constexpr gint64 DownloadReportMicros = 100000;

std::int64_t downloadId(gpointer data) { return static_cast<std::int64_t>(GPOINTER_TO_SIZE(data)); }

View* viewOfWeb(WebKitWebView* web) {
    for (const auto& [id, v] : views)
        if (v->web == web) return v.get();
    return nullptr;
}

gboolean onDecideDestination(WebKitDownload* download, gchar* suggested, gpointer data) {
    const std::int64_t id = downloadId(data);
    auto it = downloads.find(id);
    View* v = viewOfWeb(webkit_download_get_web_view(download));
    if (it == downloads.end() || !v) {
        // No view of ours asked for it: nobody could answer.
        webkit_download_cancel(download);
        return TRUE;
    }
    WebKitURIResponse* response = webkit_download_get_response(download);
    WebKitURIRequest* request = webkit_download_get_request(download);
    std::string uri = orEmpty(response ? webkit_uri_response_get_uri(response) : nullptr);
    if (uri.empty()) uri = orEmpty(request ? webkit_uri_request_get_uri(request) : nullptr);
    it->second.total = response ? static_cast<std::int64_t>(webkit_uri_response_get_content_length(response)) : 0;
    send("download", v->id,
         {std::to_string(id), uri, orEmpty(suggested), orEmpty(response ? webkit_uri_response_get_mime_type(response) : nullptr),
          std::to_string(std::max<std::int64_t>(it->second.total, 0))});
    // The destination is set when the shell answers (downloadaccept).
    return TRUE;
}

void onDownloadData(WebKitDownload* download, guint64, gpointer data) {
    auto it = downloads.find(downloadId(data));
    if (it == downloads.end()) return;
    const gint64 now = g_get_monotonic_time();
    if (now - it->second.lastReport < DownloadReportMicros) return;
    it->second.lastReport = now;
    send("downloadprogress", 0,
         {std::to_string(it->first), std::to_string(webkit_download_get_received_data_length(download)),
          std::to_string(std::max<std::int64_t>(it->second.total, 0))});
}

void onDownloadFailed(WebKitDownload*, GError* error, gpointer data) {
    auto it = downloads.find(downloadId(data));
    if (it == downloads.end()) return;
    it->second.failure = error && error->message && *error->message ? error->message : "failed";
}

void onDownloadFinished(WebKitDownload* download, gpointer data) {
    auto it = downloads.find(downloadId(data));
    if (it == downloads.end()) return;
    if (it->second.failure.empty())
        send("downloadprogress", 0,
             {std::to_string(it->first), std::to_string(webkit_download_get_received_data_length(download)),
              std::to_string(std::max<std::int64_t>(it->second.total, 0))});
    send("downloadend", 0, {std::to_string(it->first), it->second.failure.empty() ? "ok" : it->second.failure});
    g_signal_handlers_disconnect_by_data(download, data);
    g_object_unref(download);
    downloads.erase(it);
}

void onDownloadStarted(WebKitWebContext*, WebKitDownload* download, gpointer) {
    const std::int64_t id = ++nextDownload;
    downloads[id].download = WEBKIT_DOWNLOAD(g_object_ref(download));
    gpointer data = GSIZE_TO_POINTER(static_cast<gsize>(id));
    g_signal_connect(download, "decide-destination", G_CALLBACK(onDecideDestination), data);
    g_signal_connect(download, "received-data", G_CALLBACK(onDownloadData), data);
    g_signal_connect(download, "failed", G_CALLBACK(onDownloadFailed), data);
    g_signal_connect(download, "finished", G_CALLBACK(onDownloadFinished), data);
}

// A response the page (or a frame in it) cannot show is saved rather than dropped, as
// the other engine does.
gboolean onDecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision, WebKitPolicyDecisionType type, gpointer) {
    if (type != WEBKIT_POLICY_DECISION_TYPE_RESPONSE) return FALSE;
    auto* response = WEBKIT_RESPONSE_POLICY_DECISION(decision);
    if (webkit_response_policy_decision_is_mime_type_supported(response)) return FALSE;
    webkit_policy_decision_download(decision);
    return TRUE;
}

void handleDownload(const Message& m) {
    auto it = downloads.find(HostProtocol::number(m.args[0], INT64_MAX / 10).value_or(0));
    // One that has ended already: the shell's answer crossed its end.
    if (it == downloads.end()) return;
    if (m.kind == "downloadcancel") {
        webkit_download_cancel(it->second.download);
        return;
    }
    gchar* uri = g_filename_to_uri(m.args[1].c_str(), nullptr, nullptr);
    if (!uri) {
        webkit_download_cancel(it->second.download);
        return;
    }
    // The shell has made the file, empty, to hold the name.
    webkit_download_set_allow_overwrite(it->second.download, TRUE);
    webkit_download_set_destination(it->second.download, uri);
    g_free(uri);
}

void connectFind(View* v);

View* createView(std::int64_t id, int width, int height) {
    auto v = std::make_unique<View>();
    v->id = id;
    v->window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_decorated(GTK_WINDOW(v->window), FALSE);
    gtk_window_set_default_size(GTK_WINDOW(v->window), std::max(width, 1), std::max(height, 1));
    View* related = groupWithRoom(v->group);
    if (!related) v->group = ++nextGroup;
    // A related view shares the web process, and also the settings object, of its group.
    v->web = related ? WEBKIT_WEB_VIEW(webkit_web_view_new_with_related_view(related->web))
                     : WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", context, nullptr));
    WebKitSettings* settings = webkit_web_view_get_settings(v->web);
    webkit_settings_set_javascript_can_open_windows_automatically(settings, TRUE);
    webkit_settings_set_zoom_text_only(settings, TRUE);
    // Composited GL costs about 25 MiB per page and wakes every page's compositor, where
    // this slot paints in software as the shell's other engine does.
    webkit_settings_set_hardware_acceleration_policy(settings, WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
    gtk_widget_set_size_request(GTK_WIDGET(v->web), 1, 1);
    gtk_container_add(GTK_CONTAINER(v->window), GTK_WIDGET(v->web));
    gtk_widget_add_events(v->window, GDK_BUTTON_PRESS_MASK | GDK_KEY_PRESS_MASK);

    View* raw = v.get();
    g_signal_connect(v->window, "key-press-event", G_CALLBACK(onKeyPress), raw);
    g_signal_connect(v->web, "button-press-event", G_CALLBACK(onButtonPress), raw);
    g_signal_connect(v->web, "create", G_CALLBACK(onCreate), raw);
    g_signal_connect(v->web, "load-changed", G_CALLBACK(onLoadChanged), raw);
    g_signal_connect(v->web, "web-process-terminated", G_CALLBACK(onWebProcessTerminated), raw);
    g_signal_connect(v->web, "mouse-target-changed", G_CALLBACK(onMouseTarget), raw);
    g_signal_connect(v->web, "authenticate", G_CALLBACK(onAuthenticate), raw);
    g_signal_connect(v->web, "load-failed-with-tls-errors", G_CALLBACK(onTlsErrors), raw);
    g_signal_connect(v->web, "permission-request", G_CALLBACK(onPermission), raw);
    g_signal_connect(v->web, "enter-fullscreen", G_CALLBACK(+[](WebKitWebView* web, gpointer data) {
        return onFullScreen(web, data, true);
    }), raw);
    g_signal_connect(v->web, "leave-fullscreen", G_CALLBACK(+[](WebKitWebView* web, gpointer data) {
        return onFullScreen(web, data, false);
    }), raw);
    g_signal_connect(v->web, "decide-policy", G_CALLBACK(onDecidePolicy), raw);
    g_signal_connect(v->web, "notify::title", G_CALLBACK(+[](WebKitWebView*, GParamSpec*, gpointer data) {
        reportTitle(static_cast<View*>(data));
    }), raw);
    g_signal_connect(v->web, "notify::uri", G_CALLBACK(+[](WebKitWebView* web, GParamSpec*, gpointer data) {
        send("location", static_cast<View*>(data)->id, {orEmpty(webkit_web_view_get_uri(web))});
    }), raw);
    g_signal_connect(v->web, "notify::estimated-load-progress", G_CALLBACK(+[](WebKitWebView* web, GParamSpec*, gpointer data) {
        auto* view = static_cast<View*>(data);
        if (!webkit_web_view_is_loading(web)) return;
        const int done = static_cast<int>(webkit_web_view_get_estimated_load_progress(web) * 100);
        send("progress", view->id, {std::to_string(done), "100"});
    }), raw);
    g_signal_connect(webkit_web_view_get_back_forward_list(v->web), "changed",
                     G_CALLBACK(+[](WebKitBackForwardList*, WebKitBackForwardListItem*, gpointer, gpointer data) {
                         reportHistory(static_cast<View*>(data));
                     }), raw);

    connectFind(raw);

    gtk_widget_realize(v->window);
    GdkWindow* gdkWindow = gtk_widget_get_window(v->window);
    // The window lives inside the shell's window; no window manager may adopt it,
    // even for the moment before the shell takes it.
    gdk_window_set_override_redirect(gdkWindow, TRUE);
    views[id] = std::move(v);
    send("window", id, {std::to_string(GDK_WINDOW_XID(gdkWindow))});
    return raw;
}

void closeView(std::int64_t id) {
    auto it = views.find(id);
    if (it == views.end()) return;
    std::unique_ptr<View> v = std::move(it->second);
    views.erase(it);
    forgetAskedOf(id);
    g_signal_handlers_disconnect_by_data(v->web, v.get());
    g_signal_handlers_disconnect_by_data(webkit_web_view_get_back_forward_list(v->web), v.get());
    g_signal_handlers_disconnect_by_data(v->window, v.get());
    g_signal_handlers_disconnect_by_data(webkit_web_view_get_find_controller(v->web), v.get());
    gtk_widget_destroy(v->window);
}

// --- find in page and printing ------------------------------------------------------

void connectFind(View* v) {
    WebKitFindController* finder = webkit_web_view_get_find_controller(v->web);
    g_signal_connect(finder, "counted-matches", G_CALLBACK(+[](WebKitFindController*, guint count, gpointer data) {
        auto* view = static_cast<View*>(data);
        view->findCount = count;
        send("found", view->id, {std::to_string(count)});
    }), v);
    g_signal_connect(finder, "failed-to-find-text", G_CALLBACK(+[](WebKitFindController*, gpointer data) {
        auto* view = static_cast<View*>(data);
        view->findCount = 0;
        send("found", view->id, {"0"});
    }), v);
}

void find(View* v, const std::string& text, bool forward, bool matchCase) {
    WebKitFindController* finder = webkit_web_view_get_find_controller(v->web);
    if (text == v->findText && matchCase == v->findCase && v->findCount > 0) {
        if (forward) webkit_find_controller_search_next(finder);
        else webkit_find_controller_search_previous(finder);
        // Stepping on changes no count.
        send("found", v->id, {std::to_string(v->findCount)});
        return;
    }
    v->findText = text;
    v->findCase = matchCase;
    v->findCount = -1;
    guint32 options = WEBKIT_FIND_OPTIONS_WRAP_AROUND;
    if (!matchCase) options |= WEBKIT_FIND_OPTIONS_CASE_INSENSITIVE;
    if (!forward) options |= WEBKIT_FIND_OPTIONS_BACKWARDS;
    webkit_find_controller_search(finder, text.c_str(), options, G_MAXUINT);
    webkit_find_controller_count_matches(finder, text.c_str(), options, G_MAXUINT);
}

void stopFinding(View* v) {
    webkit_find_controller_search_finish(webkit_web_view_get_find_controller(v->web));
    v->findText.clear();
    v->findCount = -1;
}

// The page as a PDF file, through the toolkit's print-to-file printer: no dialog here,
// the shell has asked the user already.
void print(View* v, const std::string& path, double widthMm, double heightMm, bool landscape) {
    struct Pending {
        std::int64_t id;
        std::string path;
        std::string error;
    };
    GtkPrintSettings* settings = gtk_print_settings_new();
    // The toolkit names its file printer in the user's language.
    gtk_print_settings_set_printer(settings, g_dgettext("gtk30", "Print to File"));
    gtk_print_settings_set(settings, GTK_PRINT_SETTINGS_OUTPUT_FILE_FORMAT, "pdf");
    gchar* uri = g_filename_to_uri(path.c_str(), nullptr, nullptr);
    if (!uri) {
        g_object_unref(settings);
        send("printed", v->id, {path, "bad file name"});
        return;
    }
    gtk_print_settings_set(settings, GTK_PRINT_SETTINGS_OUTPUT_URI, uri);
    g_free(uri);
    GtkPageSetup* setup = gtk_page_setup_new();
    GtkPaperSize* paper = gtk_paper_size_new_custom("tavix", "tavix", widthMm, heightMm, GTK_UNIT_MM);
    gtk_page_setup_set_paper_size_and_default_margins(setup, paper);
    gtk_paper_size_free(paper);
    gtk_page_setup_set_orientation(setup, landscape ? GTK_PAGE_ORIENTATION_LANDSCAPE : GTK_PAGE_ORIENTATION_PORTRAIT);
    gtk_print_settings_set_orientation(settings, landscape ? GTK_PAGE_ORIENTATION_LANDSCAPE : GTK_PAGE_ORIENTATION_PORTRAIT);
    WebKitPrintOperation* operation = webkit_print_operation_new(v->web);
    webkit_print_operation_set_print_settings(operation, settings);
    webkit_print_operation_set_page_setup(operation, setup);
    g_object_unref(settings);
    g_object_unref(setup);
    auto* pending = new Pending{v->id, path, {}};
    g_signal_connect(operation, "failed", G_CALLBACK(+[](WebKitPrintOperation*, GError* error, gpointer data) {
        static_cast<Pending*>(data)->error = error && error->message && *error->message ? error->message : "failed";
    }), pending);
    g_signal_connect(operation, "finished", G_CALLBACK(+[](WebKitPrintOperation* op, gpointer data) {
        std::unique_ptr<Pending> done(static_cast<Pending*>(data));
        send("printed", done->id, {done->path, done->error.empty() ? "ok" : done->error});
        g_signal_handlers_disconnect_by_data(op, data);
        g_object_unref(op);
    }), pending);
    webkit_print_operation_print(operation);
}

double zoomLevel(std::int64_t size) { return zoomFactorForTextSize(static_cast<int>(size)); }

void handle(const Message& m) {
    std::string why;
    if (!HostProtocol::validate(m, HostProtocol::Direction::ToHost, &why)) {
        if (m.kind != "error") send("error", m.view, {why});
        return;
    }
    if (m.kind == "error") {
        std::fprintf(stderr, "tavix-webkit-host: the shell reports: %s\n", m.args[0].c_str());
        return;
    }
    if (m.kind == "quit") {
        gtk_main_quit();
        return;
    }
    if (m.kind == "downloadaccept" || m.kind == "downloadcancel") {
        handleDownload(m);
        return;
    }
    if (m.kind == "create") {
        if (views.count(m.view)) {
            send("error", m.view, {"the view exists"});
            return;
        }
        const auto width = HostProtocol::number(m.args[0], 32767);
        const auto height = HostProtocol::number(m.args[1], 32767);
        if (!width || !height) {
            send("error", m.view, {"bad size"});
            return;
        }
        createView(m.view, static_cast<int>(*width), static_cast<int>(*height));
        return;
    }
    auto it = views.find(m.view);
    if (it == views.end()) {
        send("error", m.view, {"no such view"});
        return;
    }
    View* v = it->second.get();
    if (m.kind == "show") {
        gtk_widget_show_all(v->window);
    } else if (m.kind == "resize") {
        const auto width = HostProtocol::number(m.args[0], 32767);
        const auto height = HostProtocol::number(m.args[1], 32767);
        if (!width || !height) {
            send("error", m.view, {"bad size"});
            return;
        }
        gtk_window_resize(GTK_WINDOW(v->window), std::max<int>(*width, 1), std::max<int>(*height, 1));
    } else if (m.kind == "navigate") {
        webkit_web_view_load_uri(v->web, m.args[0].c_str());
    } else if (m.kind == "back") {
        webkit_web_view_go_back(v->web);
    } else if (m.kind == "forward") {
        webkit_web_view_go_forward(v->web);
    } else if (m.kind == "reload") {
        webkit_web_view_reload(v->web);
    } else if (m.kind == "stop") {
        webkit_web_view_stop_loading(v->web);
    } else if (m.kind == "copy") {
        webkit_web_view_execute_editing_command(v->web, WEBKIT_EDITING_COMMAND_COPY);
    } else if (m.kind == "selectall") {
        webkit_web_view_execute_editing_command(v->web, WEBKIT_EDITING_COMMAND_SELECT_ALL);
    } else if (m.kind == "zoom") {
        const auto size = HostProtocol::number(m.args[0], 4);
        if (!size) {
            send("error", m.view, {"bad text size"});
            return;
        }
        webkit_web_view_set_zoom_level(v->web, zoomLevel(*size));
    } else if (m.kind == "save") {
        struct Pending { std::int64_t id; std::string path; };
        GFile* file = g_file_new_for_path(m.args[0].c_str());
        webkit_web_view_save_to_file(v->web, file, WEBKIT_SAVE_MODE_MHTML, nullptr,
            +[](GObject* source, GAsyncResult* result, gpointer data) {
                std::unique_ptr<Pending> pending(static_cast<Pending*>(data));
                GError* error = nullptr;
                const bool ok = webkit_web_view_save_to_file_finish(WEBKIT_WEB_VIEW(source), result, &error);
                send("saved", pending->id, {pending->path, ok ? "ok" : orEmpty(error ? error->message : "failed")});
                if (error) g_error_free(error);
            }, new Pending{m.view, m.args[0]});
        g_object_unref(file);
    } else if (m.kind == "focus") {
        v->focused = m.args[0] != "0";
        if (v->focused) takeKeyboard(v);
    } else if (m.kind == "close") {
        closeView(m.view);
    } else if (m.kind == "find") {
        find(v, m.args[0], m.args[1] != "0", m.args[2] != "0");
    } else if (m.kind == "findstop") {
        stopFinding(v);
    } else if (m.kind == "print") {
        const auto width = HostProtocol::number(m.args[1], 100000);
        const auto height = HostProtocol::number(m.args[2], 100000);
        if (!width || !height || *width < 100 || *height < 100) {
            send("printed", m.view, {m.args[0], "bad paper size"});
            return;
        }
        print(v, m.args[0], *width / 100.0, *height / 100.0, m.args[3] != "0");
    } else if (m.kind == "leavefullscreen") {
        webkit_web_view_evaluate_javascript(v->web, "document.fullscreenElement && document.exitFullscreen(), true", -1,
                                            nullptr, nullptr, nullptr, nullptr, nullptr);
    } else if (m.kind == "signinanswer" || m.kind == "certificateanswer" || m.kind == "permissionanswer") {
        answerAsked(v, m);
    }
}

// Every web process checks its own memory footprint by reading all of /proc/self/smaps,
// about 20 ms for a process of five documentation pages, and WebKit does it every 30 s:
// with nothing else happening that was most of this process tree's idle time. Every two
// minutes still releases a grown page's caches long before the system would notice.
constexpr double MemoryCheckSeconds = 120;

WebKitWebContext* makeContext() {
    WebKitMemoryPressureSettings* memory = webkit_memory_pressure_settings_new();
    webkit_memory_pressure_settings_set_poll_interval(memory, MemoryCheckSeconds);
    auto* made = WEBKIT_WEB_CONTEXT(g_object_new(WEBKIT_TYPE_WEB_CONTEXT, "memory-pressure-settings", memory, nullptr));
    webkit_memory_pressure_settings_free(memory);
    return made;
}

HostProtocol::LineReader reader;

gboolean onInput(GIOChannel*, GIOCondition condition, gpointer) {
    char buffer[65536];
    const ssize_t n = (condition & (G_IO_IN | G_IO_PRI)) ? ::read(STDIN_FILENO, buffer, sizeof buffer) : 0;
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) return TRUE;
    if (n <= 0) {
        // The shell closed its end: it has ended, or wants us gone.
        gtk_main_quit();
        return FALSE;
    }
    reader.feed(std::string_view(buffer, static_cast<std::size_t>(n)));
    std::string line;
    bool overlong = false;
    while (reader.next(line, overlong)) {
        if (overlong) {
            send("error", 0, {"line too long"});
            continue;
        }
        std::string why;
        if (auto message = HostProtocol::decode(line, &why))
            handle(*message);
        else
            send("error", 0, {why});
    }
    return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
    // Only our lines may reach the shell: whatever the libraries print goes to the log.
    protocolOut = ::dup(STDOUT_FILENO);
    ::dup2(STDERR_FILENO, STDOUT_FILENO);
    ::fcntl(protocolOut, F_SETFD, FD_CLOEXEC);
    ::signal(SIGPIPE, SIG_IGN);
    // The windows are X11 windows inside the shell's, whatever the desktop.
    gdk_set_allowed_backends("x11");
    if (!gtk_init_check(&argc, &argv)) {
        std::fprintf(stderr, "tavix-webkit-host: cannot open the display\n");
        return 1;
    }
    // Our windows live inside the shell's: when the shell closes a view window (or its
    // frame) X destroys ours with it, before our "close" arrives, and drawing into it
    // then fails. GDK ends the process on such an error, which would take every other
    // Gecko page with it; an error trap held for the process's life makes it a no-op.
    gdk_x11_display_error_trap_push(gdk_display_get_default());
    context = makeContext();
    const char* languages[] = {"ja", "en", nullptr};
    webkit_web_context_set_preferred_languages(context, languages);
    g_signal_connect(context, "download-started", G_CALLBACK(onDownloadStarted), nullptr);

    GIOChannel* input = g_io_channel_unix_new(STDIN_FILENO);
    g_io_add_watch(input, static_cast<GIOCondition>(G_IO_IN | G_IO_PRI | G_IO_HUP | G_IO_ERR), onInput, nullptr);
    send("ready", 0, {std::to_string(HostProtocol::Version)});
    gtk_main();
    // What is still coming is cut off: the shell removes its files.
    for (auto& [id, d] : downloads) {
        g_signal_handlers_disconnect_by_data(d.download, GSIZE_TO_POINTER(static_cast<gsize>(id)));
        webkit_download_cancel(d.download);
        g_object_unref(d.download);
    }
    downloads.clear();
    while (!views.empty()) closeView(views.begin()->first);
    g_io_channel_unref(input);
    return 0;
}
