#!/usr/bin/env python3
"""A page server for the end-to-end scripts: listens on 127.0.0.1 at a free port, writes
the port to argv[1] and every requested path, one per line, to argv[2].

/retitle  a page that changes its title every 50 ms, for ever
/loaded   answered empty; pages ask for it when they have loaded
anything else: a small page titled with its path that asks for /loaded?<path> on load
"""
import http.server
import sys


class Handler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        with open(sys.argv[2], "a") as log:
            log.write(self.path + "\n")
        if self.path == "/retitle":
            body = ("<html><head><title>t0</title></head><body>retitle<script>"
                    "var n = 0; setInterval(function () { document.title = 't' + (++n); }, 50);"
                    "</script></body></html>")
        elif self.path.startswith("/loaded"):
            body = ""
        else:
            body = ("<html><head><title>Page %s</title></head><body onload=\"new Image().src='/loaded?%s'\">"
                    "<h1>Page %s</h1></body></html>") % (self.path, self.path, self.path)
        data = body.encode("utf-8")
        self.send_response(200)
        self.send_header("Content-Type", "text/html; charset=utf-8")
        self.send_header("Content-Length", str(len(data)))
        self.send_header("Cache-Control", "no-store")
        self.end_headers()
        self.wfile.write(data)

    def log_message(self, *args):
        pass


server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
with open(sys.argv[1], "w") as f:
    f.write(str(server.server_address[1]))
server.serve_forever()
