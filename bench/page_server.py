#!/usr/bin/env python3
# A file server for the benchmarks: serves a folder on 127.0.0.1, optionally holding
# every response back, and prints "sent MONOTONIC PATH" when a response has gone out,
# on the clock the benchmark reads (CLOCK_MONOTONIC).
#
#     page_server.py FOLDER PORT [DELAY_SECONDS]
import functools
import http.server
import sys
import time

folder, port = sys.argv[1], int(sys.argv[2])
delay = float(sys.argv[3]) if len(sys.argv) > 3 else 0.0


class Handler(http.server.SimpleHTTPRequestHandler):
    def do_GET(self):
        if delay:
            time.sleep(delay)
        super().do_GET()
        self.wfile.flush()
        print("sent %.6f %s" % (time.monotonic(), self.path), flush=True)

    def log_message(self, *args):
        pass


server = http.server.ThreadingHTTPServer(("127.0.0.1", port), functools.partial(Handler, directory=folder))
print("ready", flush=True)
server.serve_forever()
