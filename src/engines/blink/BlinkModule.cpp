// The entry the program calls when it loads this library: the Chromium engine comes
// into the registry only now, after the frame has painted.

#include "engines/blink/BlinkBrowser.h"
#include "engines/blink/BlinkEngine.h"

#include <QQuickWindow>
#include <cstdlib>

extern "C" __attribute__((visibility("default"))) void tavix_blink_register() {
    // Read by QtWebEngine when it starts, at the first page: still in time here.
    ::setenv("QTWEBENGINE_CHROMIUM_FLAGS", Blink::defaultChromiumFlags(), 0);
    // What QtWebEngine asks for when it is loaded before the application exists.
    QQuickWindow::setGraphicsApi(QSGRendererInterface::OpenGL);
    Blink::registerBuiltIn();
}

extern "C" __attribute__((visibility("default"))) void tavix_blink_start() {
    // The profile's making starts QtWebEngine itself, the longest part of the first page.
    Blink::sharedProfile();
}
