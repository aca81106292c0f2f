#!/usr/bin/env python3
"""First paint of the real program, measured from outside on an X display with a window
manager (bench/first_paint.sh makes one).

For each program given, interleaved, RUNS times (env RUNS, default 5):
  mapped      exec -> the frame's window is mapped (polled every 5 ms)
  painted     exec -> the frame's window holds a picture (the window's image polled; the
              first image with more than 12 distinct pixel values)
  reported    exec -> the program's own first-paint stamp (TAVIX_REPORT_STARTUP; only
              programs that print it)
  idle        exec -> the end of the start-up's work in the event loop (the lists read):
              from then on input is answered at once
  engine      exec -> the engine's library loaded, a moment after the start-up (programs
              that load it after their paint)
  chromium    Chromium processes of the program 1.5 s after the paint
  first load  Enter in the address box -> the page's onload reached the server (the address
              is typed with TYPE_DELAY_MS between keys, default 5)
and the time a user waits for a page opened at start, exec -> the page painted, with the
view maximized in the frame:
  restore     the page comes back from session.txt ("restore previous windows" on), in the
              Internet Explorer slot and, with --webkit-host, in the Gekko slot
  typed       the address is typed (TYPE_DELAY_MS between keys) and Enter pressed as soon as
              the frame has the keyboard (X input focus)
and, in each of these starts, the frame's longest unanswered moment from its first paint
on: the longest round trip of a window manager's ping (_NET_WM_PING, which Qt answers on
the frame's own thread), sent every 5 ms from another X connection until the page is on
the screen and for a second after (a plain start: for 1.5 s after the paint).
"Painted" is the same test for every program: the screen in the middle of the frame's
window (the middle half of its width and height) shows the page's own background colour
over half of it or more (the screen is read every 10 ms). Pages come from
bench/page_server.py on 127.0.0.1; a page not painted within 10 s counts as not painted.

A label "ref" names the reference program (bench/ref): a bare QMdiArea in a program that
links QtWebEngine, shown at the size of the frame (960x600 on a 1280x800 screen). For the
frame's paint only its own paint stamp is taken: its empty area has no picture to
recognise, and it starts no engine. For the page it is given the address on its command
line and opens it at once, maximized in the area.
Usage: first_paint.py [--bench] [--webkit-host HOST] <label>=<program> [<label>=<program> ...]
       first_paint.py --ie-engines <label>=<program>
  --bench        also print the medians as rows for bench/run ("BENCH<TAB>..." lines)
  --ie-engines   only the page opened at start in the Internet Explorer slot, by session
                 restore and on the command line, with the system's Chromium (IEEngine=0)
                 against the built-in engine (IEEngine=1), and the rows for bench/run
  --webkit-host  the Gecko slot's host program, copied beside each program for its restore
"""
import ctypes
import ctypes.util
import os
import shutil
import socket
import statistics
import subprocess
import sys
import tempfile
import threading
import time

# The page fills its view with a colour no part of the frames uses, and tells the server
# when its onload ran. One file; each run asks for it with a query of its own.
PAGE_COLOUR = (0x17, 0xA3, 0x60)
PAGE = ("<!DOCTYPE html><html><head><title>bench page</title><style>html,body{margin:0;height:100%%;"
        "background:#%02x%02x%02x}</style></head><body onload=\"new Image().src='/loaded'+location.search\">"
        "<h1>bench</h1></body></html>" % PAGE_COLOUR)
HERE = os.path.dirname(os.path.abspath(__file__))
pages = tempfile.mkdtemp()
with open(pages + "/page.html", "w") as f:
    f.write(PAGE)
sent = {}  # path -> monotonic time its response went out


def start_page_server():
    probe = socket.socket()
    probe.bind(("127.0.0.1", 0))
    port = probe.getsockname()[1]
    probe.close()
    server = subprocess.Popen([sys.executable, HERE + "/page_server.py", pages, str(port)], stdout=subprocess.PIPE,
                              text=True)
    ready = threading.Event()

    def read():
        for line in server.stdout:
            fields = line.split()
            if fields[:1] == ["ready"]:
                ready.set()
            elif fields[:1] == ["sent"] and len(fields) == 3:
                sent.setdefault(fields[2], float(fields[1]))
    threading.Thread(target=read, daemon=True).start()
    if not ready.wait(10):
        sys.exit("first_paint.py: the page server did not start")
    return server, port


server, port = start_page_server()


def page_url(tag):
    return "http://127.0.0.1:%d/page.html?%s" % (port, tag)


xlib = ctypes.cdll.LoadLibrary(ctypes.util.find_library("X11"))
xlib.XInitThreads()  # the ping prober has a connection of its own on another thread
xlib.XOpenDisplay.restype = ctypes.c_void_p
xlib.XGetImage.restype = ctypes.c_void_p
xlib.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int, ctypes.c_uint,
                           ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
xlib.XFree.argtypes = [ctypes.c_void_p]
xlib.XDefaultRootWindow.restype = ctypes.c_ulong
xlib.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
xlib.XInternAtom.restype = ctypes.c_ulong
xlib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
xlib.XQueryTree.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(ctypes.c_ulong),
                            ctypes.POINTER(ctypes.c_ulong), ctypes.POINTER(ctypes.c_void_p),
                            ctypes.POINTER(ctypes.c_uint)]
xlib.XGetWindowProperty.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong, ctypes.c_long, ctypes.c_long,
                                    ctypes.c_int, ctypes.c_ulong, ctypes.POINTER(ctypes.c_ulong),
                                    ctypes.POINTER(ctypes.c_int), ctypes.POINTER(ctypes.c_ulong),
                                    ctypes.POINTER(ctypes.c_ulong), ctypes.POINTER(ctypes.c_void_p)]
xlib.XGetWindowAttributes.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_void_p]
xlib.XTranslateCoordinates.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                                       ctypes.POINTER(ctypes.c_int), ctypes.POINTER(ctypes.c_int),
                                       ctypes.POINTER(ctypes.c_ulong)]
xlib.XGetInputFocus.argtypes = [ctypes.c_void_p, ctypes.POINTER(ctypes.c_ulong), ctypes.POINTER(ctypes.c_int)]
xlib.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
xlib.XSelectInput.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_long]
xlib.XPending.argtypes = [ctypes.c_void_p]
xlib.XNextEvent.argtypes = [ctypes.c_void_p, ctypes.c_void_p]
xlib.XFlush.argtypes = [ctypes.c_void_p]
xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]
ERROR_HANDLER = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)(lambda d, e: 0)
xlib.XSetErrorHandler(ERROR_HANDLER)
display = None


def x_display():
    global display
    if display is None:
        display = xlib.XOpenDisplay(None)
    return display


def window_pid(d, win, pid_atom):
    actual_type, actual_format = ctypes.c_ulong(), ctypes.c_int()
    items, after, data = ctypes.c_ulong(), ctypes.c_ulong(), ctypes.c_void_p()
    if xlib.XGetWindowProperty(d, win, pid_atom, 0, 1, 0, 6, ctypes.byref(actual_type), ctypes.byref(actual_format),
                               ctypes.byref(items), ctypes.byref(after), ctypes.byref(data)) != 0:
        return None
    if not data.value:
        return None
    pid = ctypes.c_long.from_address(data.value).value if items.value == 1 and actual_format.value == 32 else None
    xlib.XFree(data)
    return pid


def viewable(d, win):
    attributes = ctypes.create_string_buffer(256)  # XWindowAttributes is 136 bytes on x86-64
    if not xlib.XGetWindowAttributes(d, win, attributes):
        return False
    return ctypes.c_int.from_buffer(attributes, 92).value == 2  # map_state == IsViewable


def find_frame(pid):
    """The first viewable window whose _NET_WM_PID is pid, as `xdotool search --onlyvisible
    --pid` finds it, but asked from this process: a tool started every 5 ms would take the
    processor from the start-up it times (on two cores, about a third of its speed)."""
    d = x_display()
    pid_atom = xlib.XInternAtom(d, b"_NET_WM_PID", 0)
    pending = [xlib.XDefaultRootWindow(d)]
    while pending:
        win = pending.pop(0)
        if window_pid(d, win, pid_atom) == pid and viewable(d, win):
            return str(win)
        root, parent, children, count = ctypes.c_ulong(), ctypes.c_ulong(), ctypes.c_void_p(), ctypes.c_uint()
        if xlib.XQueryTree(d, win, ctypes.byref(root), ctypes.byref(parent), ctypes.byref(children), ctypes.byref(count)):
            if children.value:
                pending.extend((ctypes.c_ulong * count.value).from_address(children.value))
                xlib.XFree(children)
    return None


def painted(win, d=None):
    """The top 60 rows of the window (menu and tool bars) hold a picture."""
    image = xlib.XGetImage(d or x_display(), int(win), 0, 0, 400, 60, 0xFFFFFFFF, 2)  # ZPixmap
    if not image:
        return False
    data_ptr = ctypes.c_void_p.from_address(image + 16).value
    bytes_per_line = ctypes.c_int.from_address(image + 44).value
    data = ctypes.string_at(data_ptr, bytes_per_line * 60)
    xlib.XFree(data_ptr)
    xlib.XFree(image)
    return len(set(data[::3])) > 12


class WindowAttributes(ctypes.Structure):
    _fields_ = [("x", ctypes.c_int), ("y", ctypes.c_int), ("width", ctypes.c_int), ("height", ctypes.c_int),
                ("border_width", ctypes.c_int), ("depth", ctypes.c_int), ("rest", ctypes.c_char * 200)]


def page_on_screen(win):
    """The screen inside the window shows the bench page: its colour covers half of the
    window's middle (the middle half of its width and of its height, which is page area in
    every program measured; reading only that takes a quarter of the time from the program
    timed). Read from the root window, so that a page drawn by another process into a
    window embedded in the frame counts as well. None when the window is gone."""
    d = x_display()
    attributes = WindowAttributes()
    x, y, child = ctypes.c_int(), ctypes.c_int(), ctypes.c_ulong()
    root = xlib.XDefaultRootWindow(d)
    if not xlib.XGetWindowAttributes(d, int(win), ctypes.byref(attributes)) or not xlib.XTranslateCoordinates(
            d, int(win), root, 0, 0, ctypes.byref(x), ctypes.byref(y), ctypes.byref(child)):
        return None
    width, height = attributes.width // 2, attributes.height // 2
    image = xlib.XGetImage(d, root, x.value + width // 2, y.value + height // 2, width, height, 0xFFFFFFFF, 2)  # ZPixmap
    if not image:
        return False
    data_ptr = ctypes.c_void_p.from_address(image + 16).value
    bytes_per_line = ctypes.c_int.from_address(image + 44).value
    data = ctypes.string_at(data_ptr, bytes_per_line * height)
    xlib.XFree(data_ptr)
    xlib.XFree(image)
    r, g, b = PAGE_COLOUR
    return data.count(bytes((b, g, r))) * 2 >= width * height  # 32-bit pixels, blue first


class ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                ("format", ctypes.c_int), ("data", ctypes.c_long * 5), ("pad", ctypes.c_char * 96)]


class PingProber:
    """The frame's longest unanswered moment: pings the window as a window manager does,
    one at a time, 5 ms apart, from the window's first paint until stop(); the longest
    wait for an answer is the longest the frame's thread did not take its events. Qt
    answers by sending the ping back to the root window, which this connection watches."""

    def __init__(self, win):
        self.win = int(win)
        self.longest = NAN
        self.answers = 0
        self.slow = []  # (monotonic time sent, wait) of every wait over 50 ms, for the log
        self.stopping = threading.Event()
        self.thread = threading.Thread(target=self.run, daemon=True)
        self.thread.start()

    def stop(self):
        self.stopping.set()
        self.thread.join(30)
        return self.longest

    def run(self):
        d = xlib.XOpenDisplay(None)
        try:
            self.probe(d)
        finally:
            xlib.XCloseDisplay(d)

    def probe(self, d):
        root = xlib.XDefaultRootWindow(d)
        protocols = xlib.XInternAtom(d, b"WM_PROTOCOLS", 0)
        ping = xlib.XInternAtom(d, b"_NET_WM_PING", 0)
        while not self.stopping.is_set() and not painted(self.win, d):
            time.sleep(0.005)
        xlib.XSelectInput(d, root, (1 << 17) | (1 << 19))  # Structure- and SubstructureNotifyMask: Qt answers with the first
        longest, serial = 0.0, 0
        event = ClientMessage()
        while not self.stopping.is_set():
            serial += 1
            message = ClientMessage(type=33, window=self.win, message_type=protocols, format=32)
            message.data[0], message.data[1], message.data[2] = ping, serial, self.win
            sent = time.monotonic()
            if not xlib.XSendEvent(d, self.win, 0, 0, ctypes.byref(message)):
                return
            xlib.XFlush(d)
            answered = False
            while not answered and not self.stopping.is_set():
                while xlib.XPending(d):
                    xlib.XNextEvent(d, ctypes.byref(event))
                    if event.type == 33 and event.data[0] == ping and event.data[1] == serial:
                        answered = True
                if not answered:
                    time.sleep(0.001)
            wait = time.monotonic() - sent
            if answered:
                self.answers += 1
            if wait > 0.05:
                self.slow.append((sent, wait))
            # A ping still out when measuring ends counts as far as it got.
            longest = max(longest, wait)
            self.longest = longest
            time.sleep(0.005)


def has_focus(win):
    """X input focus is on the window or inside it."""
    d = x_display()
    focus, revert = ctypes.c_ulong(), ctypes.c_int()
    xlib.XGetInputFocus(d, ctypes.byref(focus), ctypes.byref(revert))
    current = focus.value
    while current > 1:  # None and PointerRoot
        if current == int(win):
            return True
        root, parent, children, count = ctypes.c_ulong(), ctypes.c_ulong(), ctypes.c_void_p(), ctypes.c_uint()
        if not xlib.XQueryTree(d, current, ctypes.byref(root), ctypes.byref(parent), ctypes.byref(children),
                               ctypes.byref(count)):
            return False
        if children.value:
            xlib.XFree(children)
        if current == root.value:
            return False
        current = parent.value
    return False


def chromium_children(pid):
    n = 0
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open("/proc/%s/stat" % entry) as f:
                fields = f.read().rsplit(")", 1)[1].split()
            with open("/proc/%s/comm" % entry) as f:
                comm = f.read().strip()
        except OSError:
            continue
        if comm.startswith("QtWebEngine") and int(fields[1]) == pid:
            n += 1
    return n


def stamp(line, name):
    """The monotonic time in s of a start-up stamp line, or None."""
    prefix = "tavix-startup %s " % name
    return float(line.split()[2]) / 1000.0 if line.startswith(prefix) else None


def wait_for_frame(pid, t0):
    """The window of process pid once it is mapped, and the seconds since t0 until then."""
    win = None
    while win is None and time.monotonic() - t0 < 30:
        win = find_frame(pid)
        if win is None:
            time.sleep(0.005)
    return win, time.monotonic() - t0


NAN = float("nan")
TYPE_DELAY_MS = os.environ.get("TYPE_DELAY_MS", "5")
PAGE_WAIT_S = 10


def run_ref(ref):
    t0 = time.monotonic()
    proc = subprocess.Popen([ref, "/dev/null", "960", "600"], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    win, mapped = wait_for_frame(proc.pid, t0)
    out, _ = proc.communicate(timeout=30)  # it quits by itself a second after its paint
    reported = NAN
    for line in out.splitlines():
        if line.startswith("first-paint-monotonic-ms "):
            reported = float(line.split()[1]) / 1000.0 - t0
    return mapped, NAN, reported, NAN, NAN, NAN, NAN, NAN


def program_folder(tavix, config, session=None, host=None):
    """A fresh folder holding a copy of the program and its files; config and session are
    the texts of config.ini and session.txt (CR LF added)."""
    folder = tempfile.mkdtemp()
    shutil.copy(tavix, folder + "/tavix")
    # The program finds its libraries in its own folder.
    built = os.path.dirname(os.path.abspath(tavix))
    for lib in ("libtavixcore.so", "libtavix-blink.so"):
        os.symlink(built + "/" + lib, folder + "/" + lib)
    if host:
        shutil.copy(host, folder + "/tavix-webkit-host")
    open(folder + "/CloseURL.txt", "w").close()
    os.mkdir(folder + "/WebList")
    for name, text in (("config.ini", config), ("session.txt", session)):
        if text is not None:
            with open(folder + "/" + name, "w", newline="") as f:
                f.write("".join(line + "\r\n" for line in text.splitlines()))
    return folder


def run_once(tavix, tag):
    folder = program_folder(tavix, "[General]\nLastEngine=IE")
    try:
        env = dict(os.environ, TAVIX_REPORT_STARTUP="1")
        t0 = time.monotonic()
        proc = subprocess.Popen([folder + "/tavix"], env=env, stderr=subprocess.PIPE, text=True)
        win, mapped = wait_for_frame(proc.pid, t0)
        while not painted(win) and time.monotonic() - t0 < 30:
            pass
        paint = time.monotonic() - t0
        prober = PingProber(win)
        time.sleep(1.5)
        gap = prober.stop()
        chromium = chromium_children(proc.pid)
        subprocess.run(["xdotool", "mousemove", "--window", win, "250", "67", "click", "1"])
        time.sleep(0.2)
        subprocess.run(["xdotool", "type", "--delay", TYPE_DELAY_MS, page_url(tag)])
        t1 = time.monotonic()
        subprocess.run(["xdotool", "key", "Return"])
        key = "/loaded?" + tag
        while key not in sent and time.monotonic() - t1 < 30:
            time.sleep(0.005)
        load = sent.get(key, NAN) - t1
        proc.terminate()
        _, err = proc.communicate(timeout=10)
        reported = idle = engine = NAN
        for line in err.splitlines():
            if stamp(line, "first-paint") is not None:
                reported = stamp(line, "first-paint") - t0
            if stamp(line, "startup-finished") is not None:
                idle = stamp(line, "startup-finished") - t0
            if stamp(line, "engine-loaded") is not None:
                engine = stamp(line, "engine-loaded") - t0
        return mapped, paint, reported, idle, chromium, load, engine, gap
    finally:
        shutil.rmtree(folder, ignore_errors=True)


def wait_for_page(proc, tag, typed=False):
    """Runs a started program (proc, started at proc.t0) until the bench page is on the
    screen; with typed, its address is typed once the frame has the keyboard. Gives, in s
    from exec: page painted, page sent by the server, page's onload at the server, the
    time the typing took (focus to Enter), and the frame's longest unanswered moment from
    its paint until a second after the page was on the screen."""
    t0 = proc.t0
    typing = NAN
    prober = None
    try:
        win, _ = wait_for_frame(proc.pid, t0)
        if win is None:
            return NAN, NAN, NAN, NAN, NAN
        prober = PingProber(win)
        if typed:
            while not has_focus(win) and time.monotonic() - t0 < PAGE_WAIT_S:
                time.sleep(0.005)
                win = find_frame(proc.pid) or win  # Qt may make the window anew
            t1 = time.monotonic()
            subprocess.run(["xdotool", "type", "--delay", TYPE_DELAY_MS, page_url(tag)])
            subprocess.run(["xdotool", "key", "Return"])
            typing = time.monotonic() - t1
        while True:
            shown = page_on_screen(win)
            if shown:
                break
            if time.monotonic() - t0 > PAGE_WAIT_S:
                return NAN, NAN, NAN, typing, prober.stop()
            if shown is None:  # Qt made the window anew, fit for the page's drawing
                win = find_frame(proc.pid) or win
            time.sleep(0.01)
        shown = time.monotonic() - t0
        # The onload comes with or just after the paint; it is not waited for long.
        t1 = time.monotonic()
        while "/loaded?" + tag not in sent and time.monotonic() - t1 < 2:
            time.sleep(0.005)
        time.sleep(max(0.0, 1 - (time.monotonic() - t1)))
        return (shown, sent.get("/page.html?" + tag, NAN) - t0, sent.get("/loaded?" + tag, NAN) - t0, typing,
                prober.stop())
    finally:
        if prober:
            prober.stop()
        proc.terminate()
        try:
            proc.wait(timeout=10)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()


def started(command, **kwargs):
    t0 = time.monotonic()
    proc = subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, **kwargs)
    proc.t0 = t0
    return proc


def run_page(tavix, kind, tag, host=None):
    """A page opened at start in the program: kind is "restore-ie", "restore-builtin" (the
    same with the built-in engine in the IE slot), "restore-gecko" or "typed"."""
    config = "[General]\nLastEngine=IE\nWinSize=1\n"
    if kind == "restore-builtin":
        config += "[Option_Main]\nIEEngine=1\n"
    session = None
    if kind.startswith("restore"):
        config += "[Option_Window]\nRestore=1\n"
        caption = "Gecko" if kind == "restore-gecko" else "Internet Explorer"
        session = "%s\t%s\t*" % (caption, page_url(tag))
    if kind == "restore-gecko":
        config += "[Option_Main]\nMozilla=2\n"
    folder = program_folder(tavix, config, session, host if kind == "restore-gecko" else None)
    try:
        return wait_for_page(started([folder + "/tavix"]), tag, typed=kind == "typed")
    finally:
        shutil.rmtree(folder, ignore_errors=True)


def run_ref_page(ref, tag):
    return wait_for_page(started([ref, "--open", page_url(tag), "960", "600"]), tag)


def run_engine_page(folder, engine, kind, tag):
    """The page opened at start in the IE slot of the program in folder (kept from run to
    run, so that Chromium's profile is not new each time): engine 0 is the system's
    Chromium, 1 the built-in; kind is "restore" or "command line"."""
    config = "[General]\nLastEngine=IE\nWinSize=1\n[Option_Main]\nIEEngine=%d\n" % engine
    session = ""
    if kind == "restore":
        config += "[Option_Window]\nRestore=1\n"
        session = "Internet Explorer\t%s\t*" % page_url(tag)
    for name, text in (("config.ini", config), ("session.txt", session)):
        with open(folder + "/" + name, "w", newline="") as f:
            f.write("".join(line + "\r\n" for line in text.splitlines()))
    command = [folder + "/tavix"] + ([page_url(tag)] if kind == "command line" else [])
    return wait_for_page(started(command), tag)[0]


def spread(values):
    values = sorted(v for v in values if v == v)
    if not values:
        return NAN, "no run painted the page"
    return statistics.median(values), "%.3f s (%.3f-%.3f, n=%d)" % (statistics.median(values), values[0], values[-1],
                                                                   len(values))


def engines_main(tavix, runs):
    engines = {0: "system Chromium", 1: "built-in"}
    folders = {e: program_folder(tavix, "") for e in engines}
    kinds = ["restore", "command line"]
    results = {(e, kind): [] for e in engines for kind in kinds}
    try:
        # One start each first, not counted: the system Chromium makes its profile.
        for e in engines:
            run_engine_page(folders[e], e, "restore", "warm-%d" % e)
        for i in range(runs):
            for kind in kinds:
                # The engines take turns to go first.
                for e in (engines if i % 2 == 0 else list(engines)[::-1]):
                    tag = "ie%d-%s-%d" % (e, kind.replace(" ", "-"), i)
                    results[(e, kind)].append(run_engine_page(folders[e], e, kind, tag))
                    print("%-16s %-13s run %d: %s s" % (engines[e], kind, i + 1, cell(results[(e, kind)][-1])))
                    sys.stdout.flush()
    finally:
        for folder in folders.values():
            shutil.rmtree(folder, ignore_errors=True)
    for kind in kinds:
        system, system_text = spread(results[(0, kind)])
        own, own_text = spread(results[(1, kind)])
        what = {"restore": "session restore (session.txt, Restore=1)",
                "command line": "the address on the command line"}[kind]
        how = ("exec of the real program -> the page on the screen (its colour on half of the middle of the "
               "window, screen read every 10 ms), page by %s, view maximized, local page server, a copied program "
               "folder per engine (IEEngine=0 / 1) after one uncounted start, interleaved runs; median (min-max, n): "
               "system %s, built-in %s" % (what, system_text, own_text))
        print("BENCH\tIE slot first page at start, %s, system Chromium\t%.3f\ts\t%s\t<= 1.5x built-in"
              % (kind, system, how))
        print("BENCH\tIE slot first page at start, %s, built-in\t%.3f\ts\t%s\t" % (kind, own, how))
        print("BENCH\tIE slot first page at start, %s, system Chromium / built-in\t%.2f\tx\tthe two medians "
              "above\t<= 1.5" % (kind, system / own))
    sys.stdout.flush()


def spread_of(rows, k):
    return spread([r[k] for r in rows])[1].replace(" s (", " (")


gap_how = ("the longest round trip of _NET_WM_PING (answered on the frame's thread), one at a time 5 ms apart, "
           "from the frame's first paint until %s")


def median(rows, k):
    values = [r[k] for r in rows if r[k] == r[k]]
    return statistics.median(values) if values else NAN


def cell(value):
    return "%.3f" % value if value == value else "-"


def main():
    args = sys.argv[1:]
    if "--ie-engines" in args:
        programs = [a.split("=", 1) for a in args if a != "--ie-engines"]
        engines_main(programs[0][1], int(os.environ.get("RUNS", "4")))
        return
    bench = "--bench" in args
    host = None
    if "--webkit-host" in args:
        at = args.index("--webkit-host")
        host = args[at + 1]
        del args[at:at + 2]
    programs = [a.split("=", 1) for a in args if a != "--bench"]
    runs = int(os.environ.get("RUNS", "5"))
    results = {label: [] for label, _ in programs}
    # Opened at start: for each program, how it opens its page -> one row per run.
    page_kinds = ["restore-ie", "restore-builtin", "typed"] + (["restore-gecko"] if host else [])
    page_results = {(label, kind): [] for label, _ in programs
                    for kind in (["command line"] if label == "ref" else page_kinds)}
    for i in range(runs):
        for label, program in programs:
            run = run_ref if label == "ref" else lambda p: run_once(p, "first-%s-%d" % (label, i))
            results[label].append(run(program))
        for (label, kind), rows in page_results.items():
            program = dict(programs)[label]
            tag = "%s-%s-%d" % (label, kind.replace(" ", "-"), i)
            rows.append(run_ref_page(program, tag) if label == "ref" else run_page(program, kind, tag, host))
    names = ["mapped s", "painted s", "reported paint s", "idle s", "chromium procs", "first load s", "engine s",
             "unanswered s"]
    print("%-10s" % "program" + "".join("%18s" % n for n in names))
    for label, rows in results.items():
        print("%-10s" % label + "".join("%18s" % cell(median(rows, k)) for k in range(len(names))) +
              "   (median of %d)" % len(rows))
    print("\npage opened at start, s from exec (median of %d)" % runs)
    page_names = ["page painted", "page sent", "onload", "typing", "unanswered"]
    print("%-24s" % "program, how" + "".join("%14s" % n for n in page_names))
    for (label, kind), rows in page_results.items():
        print("%-24s" % ("%s, %s" % (label, kind)) + "".join("%14s" % cell(median(rows, k)) for k in range(5)) +
              "   runs: " + " ".join(cell(r[0]) for r in rows))
    if not bench:
        return
    how = "exec to the stamp of the program's first paint event, median of %d interleaved runs, Xvfb+openbox 1280x800" % runs
    for label, rows in results.items():
        if label == "ref":
            continue
        print("BENCH\tframe first paint, %s\t%.3f\ts\t%s; frame 960x600\t<= 0.35 s" % (label, median(rows, 2), how))
        print("BENCH\tframe first paint, %s, picture on screen\t%.3f\ts\twindow image polled until it holds the bars\t" % (label, median(rows, 1)))
        print("BENCH\tstart-up done, %s (answers input)\t%.3f\ts\texec to the end of the start-up's work in the event loop (lists read)\t<= 0.35 s" % (label, median(rows, 3)))
        print("BENCH\tengine library loaded, %s\t%.3f\ts\texec to the end of loading Chromium's library, a moment after the start-up\t" % (label, median(rows, 6)))
        print("BENCH\tChromium processes after start, %s\t%d\tprocs\t1.5 s after the paint\t0" % (label, median(rows, 4)))
        print("BENCH\tfirst page load, %s\t%.3f\ts\tEnter in the address box to onload of a local page, typed 1.5 s after the paint\t" % (label, median(rows, 5)))
        print("BENCH\tframe's longest unanswered moment, %s, plain start\t%.3f\ts\t%s\t<= 0.1 s"
              % (label, median(rows, 7), gap_how % "1.5 s after the paint" + "; " + spread_of(rows, 7)))
    if "ref" in results:
        ref = median(results["ref"], 2)
        print("BENCH\tframe first paint, ref without engine\t%.3f\ts\t%s; bare QMdiArea 960x600 in a program linking QtWebEngine, no page, Chromium never started\t" % (ref, how))
        for label, rows in results.items():
            if label != "ref":
                print("BENCH\tframe first paint, %s / ref without engine\t%.2f\tratio\tthe two figures above: a frame whose engine waits against one with none\t<= 0.5" % (label, median(rows, 2) / ref))
    painted_how = ("exec to the page's own colour on half of the middle of the window on screen (screen read every "
                   "10 ms; the same test for every program), view maximized, local page from page_server.py, "
                   "median of %d interleaved runs" % runs)
    ref_page = median(page_results.get(("ref", "command line"), []), 0)
    what = {"restore-ie": "restore (IE slot)", "typed": "typed at start (IE slot)",
            "restore-builtin": "restore (IE slot, built-in engine)", "restore-gecko": "restore (Gekko slot)"}
    for (label, kind), rows in page_results.items():
        if label == "ref":
            continue
        detail = {"restore-ie": "session restore: session.txt with the page, Restore=1 in [Option_Window]",
                  "restore-builtin": "session restore as above, IEEngine=1 (QtWebEngine in the IE slot)",
                  "restore-gecko": "session restore: session.txt with the page in the Gecko slot, Restore=1 in [Option_Window]",
                  "typed": "address typed (xdotool, %s ms between keys, %.2f s with Enter) as soon as the frame has X input focus"
                           % (TYPE_DELAY_MS, median(rows, 3))}[kind]
        print("BENCH\tfirst page painted, %s, %s\t%.3f\ts\t%s; %s; %s\t" % (label, what[kind], median(rows, 0), painted_how,
                                                                          detail, spread_of(rows, 0)))
        print("BENCH\tframe's longest unanswered moment, %s, %s\t%.3f\ts\t%s\t<= 0.1 s"
              % (label, what[kind], median(rows, 4), gap_how % "a second after the page was on the screen" + "; " +
                 spread_of(rows, 4)))
    if ref_page == ref_page:
        ref_rows = page_results[("ref", "command line")]
        print("BENCH\tfirst page painted, ref, address on command line\t%.3f\ts\t%s; ref opens it at start in one QWebEngineView; %s\t"
              % (ref_page, painted_how, spread_of(ref_rows, 0)))
        print("BENCH\tframe's longest unanswered moment, ref, address on command line\t%.3f\ts\t%s\t"
              % (median(ref_rows, 4), gap_how % "a second after the page was on the screen" + "; " + spread_of(ref_rows, 4)))
        for (label, kind), rows in page_results.items():
            if label != "ref":
                note = "; the program's includes the typing" if kind == "typed" else ""
                print("BENCH\tfirst page painted, %s / ref, %s\t%.2f\tratio\tthe figures above%s\t<= 0.7"
                      % (label, what[kind], median(rows, 0) / ref_page, note))


try:
    main()
finally:
    server.kill()
    shutil.rmtree(pages, ignore_errors=True)
