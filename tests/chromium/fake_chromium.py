#!/usr/bin/env python3
"""A stand-in for the Chromium browser on the DevTools pipe (fd 3 in, fd 4 out), for the
tests of the program's side of the protocol. It answers the commands the program sends
the way Chromium 156 does, with the events Chromium sends, and knows three commands of
its own for the tests: Fake.emit (sends the event in its params), Fake.log (answers with
every command received so far) and Fake.exit (ends at once, as a crash would).

FAKE_CHROMIUM_MODE: "normal", "silent" (reads and never answers), "old" (version 90) or
"dies-opening" (ends on a signal as it is asked for its first page window).

As Chromium's, a page window that has run answers what its renderer handles (its
scripts, bindings, emulation) a moment later, in order, while the browser navigates at
once: a document that commits before the page script was added gets no title of its own.
The hidden window's frame first holds the empty document every frame
starts with (no title, already complete) and commits its own page a moment after it
first answered a script; a window asked of the empty document ends the browser.
"""
import json
import os
import re
import select
import signal
import sys
import time

mode = os.environ.get("FAKE_CHROMIUM_MODE", "normal")
factory_url = next((a[len("--app="):] for a in sys.argv if a.startswith("--app=")), "")
out = 4
received = []
pages = {}  # session -> {"target", "history": [urls], "index", "fetch", "pending"}
next_page = [0]
factory_answered = [None]  # when the hidden window's frame first answered a script
FACTORY_TITLE = "tavix-window-factory"
COMMIT_DELAY = 0.01


RENDERER_DELAY = 0.15
RENDERER_METHODS = ("Page.enable", "Runtime.enable", "Runtime.addBinding", "Runtime.evaluate",
                    "Page.addScriptToEvaluateOnNewDocument", "Page.setFontFamilies",
                    "Page.setInterceptFileChooserDialog", "Emulation.")
later = []  # (when, message): renderer answers still to come, in order


def factory_title():
    answered = factory_answered[0]
    return FACTORY_TITLE if answered is not None and time.monotonic() - answered >= COMMIT_DELAY else ""


def send(message):
    os.write(out, json.dumps(message).encode() + b"\0")


def event(method, params, session=None):
    message = {"method": method, "params": params}
    if session:
        message["sessionId"] = session
    send(message)


def reply(message, result=None, error=None):
    answer = {"id": message["id"]}
    if error:
        answer["error"] = {"code": -32000, "message": error}
    else:
        answer["result"] = result or {}
    if "sessionId" in message:
        answer["sessionId"] = message["sessionId"]
    send(answer)


def attach(target, url, opener=None):
    session = "S-" + target
    info = {"targetId": target, "type": "page", "title": "", "url": url, "attached": True}
    if opener:
        info["openerId"] = opener
    event("Target.attachedToTarget", {"sessionId": session, "targetInfo": info, "waitingForDebugger": True})
    return session


def load(session, url):
    page = pages[session]
    target = page["target"]
    event("Page.frameStartedLoading", {"frameId": target}, session)
    event("Page.frameNavigated", {"frame": {"id": target, "loaderId": "L", "url": url}, "type": "Navigation"}, session)
    title = url.rsplit("/", 1)[-1] or url
    if not page.get("script", True):
        title = url.split("//", 1)[-1]  # the browser's own name for a page with no title reported
    event("Target.targetInfoChanged",
          {"targetInfo": {"targetId": target, "type": "page", "title": title, "url": url, "attached": True}})
    event("Page.domContentEventFired", {"timestamp": 1.0}, session)
    event("Page.loadEventFired", {"timestamp": 1.0}, session)
    event("Page.frameStoppedLoading", {"frameId": target}, session)


def navigate(session, url):
    page = pages[session]
    del page["history"][page["index"] + 1:]
    page["history"].append(url)
    page["index"] = len(page["history"]) - 1
    if page["fetch"] and url.startswith("http"):
        # The document's request waits for the program's word, as Fetch makes it.
        page["pending"] = url
        event("Fetch.requestPaused", {"requestId": "R-" + url, "frameId": page["target"], "resourceType": "Document",
                                      "request": {"url": url, "method": "GET", "headers": {}}}, session)
    else:
        load(session, url)


def handle(message):
    received.append(message)
    method = message.get("method", "")
    session = message.get("sessionId")
    page = pages.get(session)
    if page and page.get("ran") and method.startswith(RENDERER_METHODS):
        if method == "Page.addScriptToEvaluateOnNewDocument":
            page["script"] = False  # until the renderer has taken it
        later.append((time.monotonic() + RENDERER_DELAY, message))
        return
    answer(message)


def answer(message):
    method = message.get("method", "")
    params = message.get("params", {})
    session = message.get("sessionId")
    if mode == "silent":
        return
    if method == "Fake.emit":
        reply(message)
        event(params["method"], params.get("params", {}), params.get("sessionId"))
    elif method == "Fake.log":
        reply(message, {"received": received[:-1]})
    elif method == "Fake.exit":
        os._exit(1)
    elif method == "Browser.getVersion":
        version = "90.0.4430.0" if mode == "old" else "156.0.8078.129"
        reply(message, {"protocolVersion": "1.3", "product": "Chrome/" + version})
    elif method == "Target.setAutoAttach":
        reply(message)
        attach("FACTORY", factory_url)
    elif method == "Runtime.evaluate" and session == "S-FACTORY" and "window.open" not in params["expression"]:
        # Whether the page has loaded, asked of whichever document the frame holds.
        asked = re.search(r"document\.title === '([^']*)'", params["expression"])
        value = asked.group(1) == factory_title() if asked else True
        reply(message, {"result": {"type": "boolean", "value": value}})
        if factory_answered[0] is None:
            factory_answered[0] = time.monotonic()
    elif method == "Runtime.evaluate" and session == "S-FACTORY" and (mode == "dies-opening" or not factory_title()):
        os.kill(os.getpid(), signal.SIGTRAP)
    elif method == "Runtime.evaluate" and session == "S-FACTORY":
        reply(message, {"result": {"type": "boolean", "value": True}})
        next_page[0] += 1
        target = "T%d" % next_page[0]
        new_session = attach(target, "", opener="FACTORY")
        pages[new_session] = {"target": target, "history": ["about:blank"], "index": 0, "fetch": False, "pending": None}
    elif method == "Page.addScriptToEvaluateOnNewDocument" and session in pages:
        pages[session]["script"] = True
        reply(message, {"identifier": "1"})
    elif method == "Runtime.runIfWaitingForDebugger" and session in pages:
        reply(message)
        pages[session]["ran"] = True
        # A new window's empty document loads as soon as the window may run.
        target = pages[session]["target"]
        event("Page.frameNavigated", {"frame": {"id": target, "loaderId": "B", "url": "about:blank"}, "type": "Navigation"}, session)
        event("Page.frameStartedLoading", {"frameId": target}, session)
        event("Page.frameStoppedLoading", {"frameId": target}, session)
    elif method == "Page.navigate":
        reply(message, {"frameId": pages[session]["target"], "loaderId": "L"})
        navigate(session, params["url"])
    elif method == "Fetch.enable" and session in pages:
        pages[session]["fetch"] = True
        reply(message)
    elif method == "Fetch.continueRequest":
        reply(message)
        page = pages[session]
        url, page["pending"] = page["pending"], None
        if url:
            load(session, url)
    elif method == "Fetch.failRequest":
        reply(message)
        page = pages[session]
        page["pending"] = None
        del page["history"][page["index"]]
        page["index"] -= 1
    elif method == "Page.getNavigationHistory":
        page = pages[session]
        reply(message, {"currentIndex": page["index"],
                        "entries": [{"id": i, "url": u, "title": ""} for i, u in enumerate(page["history"])]})
    elif method == "Page.navigateToHistoryEntry":
        reply(message)
        page = pages[session]
        page["index"] = params["entryId"]
        load(session, page["history"][page["index"]])
    elif method == "Page.reload":
        reply(message)
        page = pages[session]
        load(session, page["history"][page["index"]])
    elif method == "Target.closeTarget":
        reply(message, {"success": True})
        for s, page in list(pages.items()):
            if page["target"] == params["targetId"]:
                del pages[s]
                event("Target.detachedFromTarget", {"sessionId": s, "targetId": params["targetId"]})
    elif method == "Browser.close":
        reply(message)
        os._exit(0)
    else:
        reply(message)


def main():
    buffer = b""
    while True:
        while later and later[0][0] <= time.monotonic():
            answer(later.pop(0)[1])
        if later and not select.select([3], [], [], max(0, later[0][0] - time.monotonic()))[0]:
            continue
        chunk = os.read(3, 65536)
        if not chunk:
            return
        buffer += chunk
        while b"\0" in buffer:
            text, buffer = buffer.split(b"\0", 1)
            handle(json.loads(text))


main()
