// Runtime options of the sanitizer build (TAVIX_SANITIZE), built into each of its
// programs so that they hold however a program is started: by CTest, by a test's
// script, or by hand. Options given in ASAN_OPTIONS, UBSAN_OPTIONS or LSAN_OPTIONS are
// read after these and win.

#define TAVIX_SANITIZER_HOOK extern "C" __attribute__((visibility("default"), used)) const char*

TAVIX_SANITIZER_HOOK __asan_default_options() {
    // new_delete_type_mismatch=0: QtWebEngine 6.4 frees the adapter behind every
    // Chromium page (in WebContentsAdapter's destructor) with a sized delete whose size
    // is not the allocation's. That is inside QtWebEngine, not ours to mend, and it
    // would end every test that opens a Chromium page. Every other finding stays fatal.
    return "new_delete_type_mismatch=0:"
           "halt_on_error=1:"
           "detect_stack_use_after_return=1:"
           "check_initialization_order=1:"
#ifdef TAVIX_FULL_MALLOC_STACKS
           // GTK, GLib and WebKit are built without frame pointers, so the fast unwinder
           // stops at the first of their frames: an allocation made through g_malloc
           // would show no caller, and a leak of theirs could be told from one of ours
           // only by naming all of GLib. The WebKit host unwinds fully instead (it
           // allocates little itself), so that the suppressions below can name the
           // functions that leak. So does the WebKit end-to-end test: QtWebEngine's GL
           // set-up leaves a block with Mesa's software driver, which is unloaded at exit,
           // and only a full stack shows the block came through QtWebEngine.
           "fast_unwind_on_malloc=0:"
#endif
           // The suppressed leaks are not listed at exit: a run's reports are its
           // findings only.
           "print_suppressions=0";
}

TAVIX_SANITIZER_HOOK __ubsan_default_options() { return "halt_on_error=1:print_stacktrace=1"; }

// Leaks are looked for at every exit, but not inside libraries we do not own, which
// keep state to the end of the process on purpose. Each was seen in this build's runs,
// with nothing of ours among the leaked blocks; a leak whose allocation passes through
// one of these is not reported.
TAVIX_SANITIZER_HOOK __lsan_default_suppressions() {
    return
        // The programs with Chromium: QtWebEngine and the udev client Chromium loads
        // keep much of their process-wide state, fontconfig its caches.
        "leak:libQt6WebEngineCore.so\n"
        "leak:libudev.so\n"
        "leak:libfontconfig.so\n"
        // The D-Bus client library keeps its read buffer; Qt's and GTK's accessibility
        // bridges both talk through it on a display.
        "leak:libdbus-1.so\n"
        // The WebKit host: GTK's accessibility bridge, set up by gtk_init, keeps its
        // names; WebKit's JavaScript heap keeps what the views it made held, once they
        // are gone.
        "leak:atk_bridge_adaptor_init\n"
        "leak:libjavascriptcoregtk-4.1.so\n";
}
