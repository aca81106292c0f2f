#!/usr/bin/env python3
"""First paint of the real program, measured from outside on an X display with a window
manager (bench/first_paint.sh makes one).

For each program given, interleaved, RUNS times (env RUNS, default 5):
  mapped      exec -> the frame's window is mapped (xdotool, polled every 5 ms)
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
A label "ref" names the reference program (bench/ref): a bare QMdiArea in a program that
links QtWebEngine, shown at the size of the frame (960x600 on a 1280x800 screen). Only
its own paint stamp is taken: its empty area has no picture to recognise.
Usage: first_paint.py [--bench] <label>=<program> [<label>=<program> ...]
  --bench   also print the medians as rows for bench/run ("BENCH<TAB>..." lines)
"""
import ctypes
import ctypes.util
import http.server
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import threading
import time

loaded = {}


class Handler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        if self.path.startswith("/loaded"):
            loaded[self.path] = time.monotonic()
            body = b""
        else:
            body = ("<html><head><title>bench</title></head><body onload=\"new Image().src='/loaded?%s'\">"
                    "<h1>bench</h1></body></html>" % self.path).encode()
        self.send_response(200)
        self.send_header("Content-Type", "text/html")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
threading.Thread(target=server.serve_forever, daemon=True).start()
port = server.server_address[1]


xlib = ctypes.cdll.LoadLibrary(ctypes.util.find_library("X11"))
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


def painted(win):
    """The top 60 rows of the window (menu and tool bars) hold a picture."""
    image = xlib.XGetImage(x_display(), int(win), 0, 0, 400, 60, 0xFFFFFFFF, 2)  # ZPixmap
    if not image:
        return False
    data_ptr = ctypes.c_void_p.from_address(image + 16).value
    bytes_per_line = ctypes.c_int.from_address(image + 44).value
    data = ctypes.string_at(data_ptr, bytes_per_line * 60)
    xlib.XFree(data_ptr)
    xlib.XFree(image)
    return len(set(data[::3])) > 12


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


def run_ref(ref):
    t0 = time.monotonic()
    proc = subprocess.Popen([ref, "/dev/null", "960", "600"], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    win, mapped = wait_for_frame(proc.pid, t0)
    out, _ = proc.communicate(timeout=30)  # it quits by itself a second after its paint
    reported = float("nan")
    for line in out.splitlines():
        if line.startswith("first-paint-monotonic-ms "):
            reported = float(line.split()[1]) / 1000.0 - t0
    nan = float("nan")
    return mapped, nan, reported, nan, nan, nan, nan


def run_once(tavix, tag):
    folder = tempfile.mkdtemp()
    try:
        shutil.copy(tavix, folder + "/tavix")
        open(folder + "/CloseURL.txt", "w").close()
        os.mkdir(folder + "/WebList")
        with open(folder + "/config.ini", "w", newline="") as f:
            f.write("[General]\r\nLastEngine=IE\r\n")
        env = dict(os.environ, TAVIX_REPORT_STARTUP="1")
        t0 = time.monotonic()
        proc = subprocess.Popen([folder + "/tavix"], env=env, stderr=subprocess.PIPE, text=True)
        win, mapped = wait_for_frame(proc.pid, t0)
        while not painted(win) and time.monotonic() - t0 < 30:
            pass
        paint = time.monotonic() - t0
        time.sleep(1.5)
        chromium = chromium_children(proc.pid)
        path = "/first-%s" % tag
        subprocess.run(["xdotool", "mousemove", "--window", win, "250", "67", "click", "1"])
        time.sleep(0.2)
        subprocess.run(["xdotool", "type", "--delay", os.environ.get("TYPE_DELAY_MS", "5"), "http://127.0.0.1:%d%s" % (port, path)])
        t1 = time.monotonic()
        subprocess.run(["xdotool", "key", "Return"])
        key = "/loaded?" + path
        while key not in loaded and time.monotonic() - t1 < 30:
            time.sleep(0.005)
        load = loaded.get(key, float("nan")) - t1
        proc.terminate()
        _, err = proc.communicate(timeout=10)
        reported = idle = engine = float("nan")
        for line in err.splitlines():
            if stamp(line, "first-paint") is not None:
                reported = stamp(line, "first-paint") - t0
            if stamp(line, "startup-finished") is not None:
                idle = stamp(line, "startup-finished") - t0
            if stamp(line, "engine-loaded") is not None:
                engine = stamp(line, "engine-loaded") - t0
        return mapped, paint, reported, idle, chromium, load, engine
    finally:
        shutil.rmtree(folder, ignore_errors=True)


def median(rows, k):
    values = [r[k] for r in rows if r[k] == r[k]]
    return statistics.median(values) if values else float("nan")


def main():
    args = sys.argv[1:]
    bench = "--bench" in args
    programs = [a.split("=", 1) for a in args if a != "--bench"]
    runs = int(os.environ.get("RUNS", "5"))
    results = {label: [] for label, _ in programs}
    for i in range(runs):
        for label, program in programs:
            run = run_ref if label == "ref" else lambda p: run_once(p, "%s-%d" % (label, i))
            results[label].append(run(program))
    names = ["mapped s", "painted s", "reported paint s", "idle s", "chromium procs", "first load s", "engine s"]
    print("%-10s" % "program" + "".join("%18s" % n for n in names))
    for label, rows in results.items():
        cells = ["%18s" % ("%.3f" % median(rows, k) if median(rows, k) == median(rows, k) else "-") for k in range(len(names))]
        print("%-10s" % label + "".join(cells) + "   (median of %d)" % len(rows))
    if not bench:
        return
    how = "exec to the stamp of the program's first paint event, median of %d interleaved runs, Xvfb+openbox 1280x800" % runs
    for label, rows in results.items():
        if label == "ref":
            continue
        print("BENCH\tfirst paint, %s\t%.3f\ts\t%s; frame 960x600\t<= 0.35 s" % (label, median(rows, 2), how))
        print("BENCH\tfirst paint, %s, picture on screen\t%.3f\ts\twindow image polled until it holds the bars\t" % (label, median(rows, 1)))
        print("BENCH\tstart-up done, %s (answers input)\t%.3f\ts\texec to the end of the start-up's work in the event loop (lists read)\t<= 0.35 s" % (label, median(rows, 3)))
        print("BENCH\tengine library loaded, %s\t%.3f\ts\texec to the end of loading Chromium's library, a moment after the start-up\t" % (label, median(rows, 6)))
        print("BENCH\tChromium processes after start, %s\t%d\tprocs\t1.5 s after the paint\t0" % (label, median(rows, 4)))
        print("BENCH\tfirst page load, %s\t%.3f\ts\tEnter in the address box to onload of a local page, typed right after start\t" % (label, median(rows, 5)))
    if "ref" in results:
        ref = median(results["ref"], 2)
        print("BENCH\tfirst paint, ref\t%.3f\ts\t%s; bare QMdiArea 960x600 in a program linking QtWebEngine\t" % (ref, how))
        for label, rows in results.items():
            if label != "ref":
                print("BENCH\tfirst paint, %s / ref\t%.2f\tratio\tthe two figures above\t<= 0.5" % (label, median(rows, 2) / ref))


main()
