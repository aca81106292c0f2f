#!/usr/bin/env python3
"""Pages that ask the user: listens on 127.0.0.1 with plain HTTP and with HTTPS (the
certificate and key given), writes "HTTP_PORT HTTPS_PORT" to argv[1] once both listen.

/auth/REALM/...  Basic sign-in for the realm REALM: taro / himitsu gets a page titled
                 "Signed in REALM"; anything else a 401 titled "Denied REALM"
/geo             asks for the position: the title says what the page heard
/full            goes to full screen on a click; titled "full" or "normal"
/midi            asks for MIDI with system-exclusive messages: "midi allowed" or
                 "midi refused" (also where the engine has no MIDI at all)
anything else    a page titled "Secure page" (over HTTPS) or "Plain page"
"""
import base64
import http.server
import ssl
import sys
import threading


class Handler(http.server.BaseHTTPRequestHandler):
    def answer(self, status, title, headers=()):
        data = ("<html><head><title>%s</title></head><body><h1>%s</h1></body></html>" % (title, title)).encode()
        self.send_response(status)
        for name, value in headers:
            self.send_header(name, value)
        self.send_header("Content-Type", "text/html; charset=utf-8")
        self.send_header("Content-Length", str(len(data)))
        self.send_header("Cache-Control", "no-store")
        self.end_headers()
        self.wfile.write(data)

    def page(self, data):
        self.send_response(200)
        self.send_header("Content-Type", "text/html")
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data)

    def do_GET(self):
        if self.path.startswith("/auth/"):
            realm = self.path.split("/")[2]
            expected = "Basic " + base64.b64encode(b"taro:himitsu").decode()
            if self.headers.get("Authorization") == expected:
                return self.answer(200, "Signed in " + realm)
            return self.answer(401, "Denied " + realm, [("WWW-Authenticate", 'Basic realm="%s"' % realm)])
        if self.path == "/geo":
            data = (b"<html><head><title>geo waiting</title></head><body><script>"
                    b"navigator.geolocation.getCurrentPosition("
                    b"function () { document.title = 'geo allowed'; },"
                    b"function (e) { document.title = 'geo refused ' + e.code; });"
                    b"</script></body></html>")
            return self.page(data)
        if self.path == "/midi":
            data = (b"<html><head><title>midi waiting</title></head><body><script>"
                    b"if (!navigator.requestMIDIAccess) document.title = 'midi refused';"
                    b"else navigator.requestMIDIAccess({sysex: true}).then("
                    b"function () { document.title = 'midi allowed'; },"
                    b"function () { document.title = 'midi refused'; });"
                    b"</script></body></html>")
            return self.page(data)
        if self.path == "/full":
            data = (b"<html><head><title>normal</title></head>"
                    b"<body style='margin:0;height:100vh;background:#336'"
                    b" onclick='document.documentElement.requestFullscreen()'><script>"
                    b"document.onfullscreenchange = function () {"
                    b" document.title = document.fullscreenElement ? 'full' : 'normal'; };"
                    b"</script></body></html>")
            return self.page(data)
        self.answer(200, "Secure page" if isinstance(self.connection, ssl.SSLSocket) else "Plain page")

    def log_message(self, *args):
        pass


def main():
    plain = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    secure = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(sys.argv[2], sys.argv[3])
    secure.socket = context.wrap_socket(secure.socket, server_side=True)
    with open(sys.argv[1] + ".tmp", "w") as f:
        f.write("%d %d\n" % (plain.server_address[1], secure.server_address[1]))
    import os
    os.rename(sys.argv[1] + ".tmp", sys.argv[1])
    threading.Thread(target=secure.serve_forever, daemon=True).start()
    plain.serve_forever()


if __name__ == "__main__":
    main()
