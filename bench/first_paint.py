#!/usr/bin/env python3
"""First paint of the real program, measured from outside on an X display with a window
manager (bench/first_paint.sh makes one).

For each program given, interleaved, RUNS times (env RUNS, default 5):
  mapped      exec -> the frame's window is mapped (xdotool, polled every 5 ms)
  painted     exec -> the frame's window holds a picture (xwd of the window polled; the
              first image with more than 12 distinct pixel values)
  reported    exec -> the program's own first-paint stamp (TAVIX_REPORT_STARTUP; only
              programs that print it)
  chromium    Chromium processes of the program 1.5 s after the paint
  first load  Enter in the address box -> the page's onload reached the server (the address
              is typed with TYPE_DELAY_MS between keys, default 5)
Usage: first_paint.py <label>=<tavix> [<label>=<tavix> ...]
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


def find_frame():
    r = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^Tavix$"], capture_output=True, text=True)
    ids = r.stdout.split()
    return ids[0] if ids else None


xlib = ctypes.cdll.LoadLibrary(ctypes.util.find_library("X11"))
xlib.XOpenDisplay.restype = ctypes.c_void_p
xlib.XGetImage.restype = ctypes.c_void_p
xlib.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int, ctypes.c_uint,
                           ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
xlib.XFree.argtypes = [ctypes.c_void_p]
ERROR_HANDLER = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)(lambda d, e: 0)
xlib.XSetErrorHandler(ERROR_HANDLER)
display = None


def painted(win):
    """The top 60 rows of the window (menu and tool bars) hold a picture."""
    global display
    if display is None:
        display = xlib.XOpenDisplay(None)
    image = xlib.XGetImage(display, int(win), 0, 0, 400, 60, 0xFFFFFFFF, 2)  # ZPixmap
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
        win = None
        while win is None and time.monotonic() - t0 < 30:
            win = find_frame()
            if win is None:
                time.sleep(0.005)
        mapped = time.monotonic() - t0
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
        reported = float("nan")
        for line in err.splitlines():
            if line.startswith("tavix-startup first-paint "):
                reported = float(line.split()[2]) / 1000.0 - t0
        return mapped, paint, reported, chromium, load
    finally:
        shutil.rmtree(folder, ignore_errors=True)


def main():
    programs = [a.split("=", 1) for a in sys.argv[1:]]
    runs = int(os.environ.get("RUNS", "5"))
    results = {label: [] for label, _ in programs}
    for i in range(runs):
        for label, tavix in programs:
            results[label].append(run_once(tavix, "%s-%d" % (label, i)))
    names = ["mapped s", "painted s", "reported paint s", "chromium procs", "first load s"]
    print("%-10s" % "program" + "".join("%18s" % n for n in names))
    for label, rows in results.items():
        cells = []
        for k in range(len(names)):
            values = [r[k] for r in rows if r[k] == r[k]]
            cells.append("%18s" % ("%.3f" % statistics.median(values) if values else "-"))
        print("%-10s" % label + "".join(cells) + "   (median of %d)" % len(rows))


main()
