#!/usr/bin/env python3
# A file server for the benchmarks: serves a folder on 127.0.0.1, optionally holding
# responses back, and prints "sent MONOTONIC PATH" when a response has gone out, on the
# clock the benchmark reads (CLOCK_MONOTONIC).
#
#     page_server.py FOLDER PORT [DELAY_SECONDS] [--hold PATTERN=SECONDS] [--tail PATTERN=SECONDS]
#
# DELAY_SECONDS   every response waits this long before it starts
# --hold P=S      a response whose path matches the shell pattern P waits S seconds more
#                 before it starts (a slow image, say)
# --tail P=S      a matching response is sent but for its last byte, which follows S
#                 seconds later (a page whose end is slow to come)
# Both options may be given more than once; the first matching pattern counts.
import fnmatch
import functools
import http.server
import shutil
import sys
import time


def parse(argv):
    positional, hold, tail = [], [], []
    i = 0
    while i < len(argv):
        if argv[i] in ("--hold", "--tail") and i + 1 < len(argv):
            pattern, _, seconds = argv[i + 1].rpartition("=")
            (hold if argv[i] == "--hold" else tail).append((pattern, float(seconds)))
            i += 2
        else:
            positional.append(argv[i])
            i += 1
    return positional, hold, tail


def seconds_for(rules, path):
    for pattern, seconds in rules:
        if fnmatch.fnmatchcase(path, pattern):
            return seconds
    return 0.0


args, hold, tail = parse(sys.argv[1:])
folder, port = args[0], int(args[1])
delay = float(args[2]) if len(args) > 2 else 0.0


class Handler(http.server.SimpleHTTPRequestHandler):
    def do_GET(self):
        wait = delay + seconds_for(hold, self.path)
        if wait:
            time.sleep(wait)
        body = self.send_head()
        if body:
            try:
                last = seconds_for(tail, self.path)
                if last:
                    data = body.read()
                    self.wfile.write(data[:-1])
                    self.wfile.flush()
                    time.sleep(last)
                    self.wfile.write(data[-1:])
                else:
                    shutil.copyfileobj(body, self.wfile)
            finally:
                body.close()
        self.wfile.flush()
        print("sent %.6f %s" % (time.monotonic(), self.path), flush=True)

    def log_message(self, *args):
        pass


server = http.server.ThreadingHTTPServer(("127.0.0.1", port), functools.partial(Handler, directory=folder))
print("ready", flush=True)
server.serve_forever()
