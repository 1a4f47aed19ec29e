"""A small DevTools-protocol client of our own for the web build's tests, conformance run, benchmark and
screenshot: it serves a folder on a free loopback port, starts Debian's headless Chromium with the flags
the page contract names, opens a page, sends it clicks, keys, wheel notches, mouse motion and a touch
screen's fingers the way the protocol's Input domain does, reads globals and the status line, and captures
the canvas as a picture.

    with Served({"/": "out/web"}) as server, Chromium() as browser:
        page = browser.open(server.url("/index.html?fur=none"))
        page.wait_for_frames(3)
        picture = page.canvas_picture()

Nothing here waits for a fixed time: every wait polls a condition (mostly viewerState.frames) with a
generous timeout and fails with what it waited for. Needs /usr/bin/python3 with Debian's python3-websocket
and python3-pil.
"""
import base64
import http.server
import io
import json
import os
import shutil
import signal
import socketserver
import subprocess
import tempfile
import threading
import time
import urllib.parse
import urllib.request

import websocket
from PIL import Image

CHROMIUM = "/usr/bin/chromium"
CONTRACT_FLAGS = ["--headless=new", "--no-sandbox", "--use-angle=swiftshader", "--enable-unsafe-swiftshader",
                  "--disable-gpu-sandbox", "--no-first-run", "--disable-background-networking",
                  "--disable-component-update", "--disable-sync", "--disable-quic"]
WINDOW = (1280, 1024)  # the browser's viewport: the 1024 x 768 canvas at its own size with the page's lines fits whole
TIMEOUT = 60  # seconds for any wait: generous, because two shared cores may be busy with a build


class PageError(Exception):
    """The page or the browser did something a test must fail on (an exception, a crash, a time-out)."""


# ---------------------------------------------------------------------------------------------------------
# A static server on 127.0.0.1 with a port of its own choosing.

class Served:
    """Serves folders on 127.0.0.1 at a free port, in a thread of this process, until the `with` ends.
    `routes` maps a URL prefix ("/", "/data/") to a folder; the longest prefix wins. `answers` maps a path
    to a function that answers a GET of it in place of a file: it is given the request handler and the
    event that is set when the `with` ends (for an answer that stalls until then)."""

    def __init__(self, routes, answers=None):
        self.routes = sorted(((p, os.path.realpath(d)) for p, d in routes.items()), key=lambda r: -len(r[0]))
        self.answers = answers or {}
        self.ending = threading.Event()
        self.requests = []  # the paths asked for, in order
        self.cookies = []  # (path, its Cookie header or None), in order

    def __enter__(self):
        served = self

        class Handler(http.server.SimpleHTTPRequestHandler):
            extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map,
                              ".wasm": "application/wasm", ".js": "text/javascript", ".data": "application/octet-stream"}

            def translate_path(self, path):
                path = urllib.parse.unquote(urllib.parse.urlsplit(path).path)
                for prefix, folder in served.routes:
                    if path.startswith(prefix):
                        rest = os.path.normpath("/" + path[len(prefix):]).lstrip("/")
                        return os.path.join(folder, rest)
                return "/nonexistent"

            def do_GET(self):
                answer = served.answers.get(urllib.parse.urlsplit(self.path).path)
                if answer is None:
                    return super().do_GET()
                try:
                    answer(self, served.ending)
                except (BrokenPipeError, ConnectionResetError):
                    pass  # the browser gave up reading: what the answer is there to see

            def end_headers(self):
                self.send_header("Cache-Control", "no-store")
                super().end_headers()

            def log_message(self, *args):
                served.requests.append(self.path)
                served.cookies.append((self.path, self.headers.get("Cookie") if self.headers else None))

        class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
            daemon_threads = True

        self.server = Server(("127.0.0.1", 0), Handler)
        self.port = self.server.server_address[1]
        self.thread = threading.Thread(target=self.server.serve_forever, daemon=True)
        self.thread.start()
        return self

    def url(self, path):
        return f"http://127.0.0.1:{self.port}{path}"

    def __exit__(self, *exc):
        self.ending.set()
        self.server.shutdown()
        self.server.server_close()


# ---------------------------------------------------------------------------------------------------------
# The browser and one page in it.

class Chromium:
    """Debian's chromium, headless, with a new empty profile; `extra_flags` are added to the contract's.
    Ended (its whole process group) and its profile removed when the `with` ends."""

    def __init__(self, extra_flags=()):
        self.extra_flags = list(extra_flags)

    def __enter__(self):
        if not os.access(CHROMIUM, os.X_OK):
            raise PageError(f"{CHROMIUM} not found (Debian package chromium)")
        self.profile = tempfile.mkdtemp(prefix="viewer-chromium.")
        self.log = open(os.path.join(self.profile, "chromium.log"), "w+b")
        self.process = subprocess.Popen(
            [CHROMIUM, *CONTRACT_FLAGS, *self.extra_flags, f"--user-data-dir={self.profile}",
             "--remote-debugging-port=0", f"--window-size={WINDOW[0]},{WINDOW[1]}", "about:blank"],
            stdin=subprocess.DEVNULL, stdout=self.log, stderr=self.log, start_new_session=True)
        port_file = os.path.join(self.profile, "DevToolsActivePort")
        wait_until(lambda: self._running() and os.path.exists(port_file) and
                   len(open(port_file).read().split()) == 2, "Chromium to write DevToolsActivePort")
        self.port = int(open(port_file).read().split()[0])
        return self

    def _running(self):
        if self.process.poll() is not None:
            raise PageError(f"Chromium ended with code {self.process.returncode}: {self.log_text()[-2000:]}")
        return True

    def log_text(self):
        self.log.flush()
        self.log.seek(0)
        return self.log.read().decode(errors="replace")

    def open(self, url, state_global="viewerState"):
        """Opens `url` in the browser's first tab and returns its Page; a second call navigates the same.
        `state_global` names the page's global that counts its frames."""
        if getattr(self, "page", None) is None:
            targets = json.load(urllib.request.urlopen(f"http://127.0.0.1:{self.port}/json/list", timeout=TIMEOUT))
            target = next(t for t in targets if t["type"] == "page")
            self.page = Page(target["webSocketDebuggerUrl"], self)
        self.page.state_global = state_global
        self.page.navigate(url)
        return self.page

    def __exit__(self, *exc):
        try:
            os.killpg(self.process.pid, signal.SIGTERM)
            self.process.wait(10)
        except (ProcessLookupError, subprocess.TimeoutExpired):
            try:
                os.killpg(self.process.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
            self.process.wait()
        self.log.close()
        shutil.rmtree(self.profile, ignore_errors=True)


def wait_until(condition, what, timeout=TIMEOUT, interval=0.05):
    """Polls `condition` until it returns something true, which it returns; fails after `timeout` s."""
    end = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > end:
            raise PageError(f"timed out after {timeout} s waiting for {what}")
        time.sleep(interval)


def send_command(connection, method, params):
    """Sends one command of a JSON-over-websocket protocol (DevTools, WebDriver BiDi) on connection.ws, numbered
    from connection.next_id; returns its number, which the answer carries."""
    connection.next_id += 1
    connection.ws.send(json.dumps({"id": connection.next_id, "method": method, "params": params}))
    return connection.next_id


class PageQueries:
    """What a test asks of the viewer's page, whichever browser shows it (the class needs evaluate and
    state)."""

    def status(self):
        return self.evaluate("(document.getElementById('status') || {}).textContent")

    def frames(self):
        state = self.state()
        return state["frames"] if state else 0


class Page(PageQueries):
    """One tab, driven over its DevTools websocket. Records the page's uncaught exceptions, console
    messages and a crash of its renderer as they arrive."""

    def __init__(self, ws_url, browser):
        self.browser = browser
        self.ws = websocket.create_connection(ws_url, timeout=TIMEOUT, suppress_origin=True,
                                              enable_multithread=False)
        self.next_id = 0
        self.exceptions = []  # the page's uncaught exceptions, one line each
        self.console = []  # (type, text) of every console message
        self.crashed = False
        self.pointer = (0.0, 0.0)
        self.state_global = "viewerState"  # the global that counts the page's frames
        for domain in ("Page", "Runtime", "Inspector"):
            self.call(f"{domain}.enable")
        self.call("Emulation.setDeviceMetricsOverride", width=WINDOW[0], height=WINDOW[1], deviceScaleFactor=1,
                  mobile=False)
        # A headless tab is never the focused window; pointer lock and key focus need it to be.
        self.call("Emulation.setFocusEmulationEnabled", enabled=True)
        self.call("Page.bringToFront")

    # --- the protocol
    def call(self, method, **params):
        ident = send_command(self, method, params)
        while True:
            try:
                message = self._receive()
            except PageError as e:
                raise PageError(f"{method}: {e}") from None
            if message.get("id") == ident:
                if "error" in message:
                    raise PageError(f"{method}: {message['error'].get('message')}")
                return message.get("result", {})

    def _receive(self):
        if self.crashed:
            raise PageError("the page's renderer crashed")
        try:
            message = json.loads(self.ws.recv())
        except websocket.WebSocketTimeoutException:
            raise PageError(f"the browser did not answer within {TIMEOUT} s") from None
        self._event(message)
        return message

    def _event(self, message):
        method, params = message.get("method"), message.get("params", {})
        if method == "Runtime.exceptionThrown":
            details = params["exceptionDetails"]
            text = details.get("exception", {}).get("description") or details.get("text", "")
            self.exceptions.append(text.splitlines()[0] if text else "an exception")
        elif method == "Runtime.consoleAPICalled":
            text = " ".join(str(a.get("value", a.get("description", ""))) for a in params.get("args", []))
            self.console.append((params.get("type"), text))
        elif method in ("Inspector.targetCrashed", "Inspector.detached"):
            self.crashed = True

    def pump(self):
        """Reads the events that have arrived (a cheap call round trip)."""
        self.call("Runtime.evaluate", expression="0")

    # --- reading the page
    def navigate(self, url):
        """Opens `url` and waits until the new document has replaced the old one."""
        self.evaluate("window.leftBehind = true")
        result = self.call("Page.navigate", url=url)
        if result.get("errorText"):
            raise PageError(f"{url}: {result['errorText']}")
        self.exceptions.clear()
        self.console.clear()
        self.wait_for(lambda p: p.evaluate("window.leftBehind === undefined && document.readyState !== 'loading'"),
                      f"{url} to open")

    def evaluate(self, expression):
        result = self.call("Runtime.evaluate", expression=expression, returnByValue=True, awaitPromise=True)
        if "exceptionDetails" in result:
            raise PageError(f"{expression}: {result['exceptionDetails'].get('text')}")
        return result["result"].get("value")

    def state(self):
        """window.viewerState as a dict, or None before the page has made it."""
        g = f"window.{self.state_global}"
        return self.evaluate(f"{g} ? JSON.parse(JSON.stringify({g})) : null")

    def title(self):
        return self.evaluate("document.title")

    def check_sound(self):
        """Fails when the page threw or crashed."""
        if self.crashed:
            raise PageError("the page's renderer crashed")
        if self.exceptions:
            raise PageError(f"the page threw: {self.exceptions[0]}")

    def wait_for(self, condition, what, timeout=TIMEOUT):
        """Polls `condition(page)` until true; fails at once when the page throws or crashes."""
        def check():
            self.check_sound()
            return condition(self)
        return wait_until(check, what, timeout)

    def wait_for_frames(self, count, timeout=TIMEOUT):
        """Waits until viewerState.frames reaches `count` (the program runs: no hang, no exit)."""
        return self.wait_for(lambda p: p.frames() >= count, f"frame {count} (at {self.frames()})", timeout)

    def wait_for_more_frames(self, count=3, timeout=TIMEOUT):
        """Waits until `count` more frames have been presented: input sent before has been read and drawn."""
        return self.wait_for_frames(self.frames() + count, timeout)

    def set_viewport(self, width, height, scale=1, mobile=False):
        """Makes the viewport `width` x `height` CSS pixels at device scale `scale` (a phone's with `mobile`)."""
        self.call("Emulation.setDeviceMetricsOverride", width=width, height=height, deviceScaleFactor=scale,
                  mobile=mobile)

    def in_view(self, selector):
        """Whether the element `selector` finds is shown and lies wholly within the viewport."""
        return self.evaluate(f"(() => {{ const e = document.querySelector({json.dumps(selector)});"
                             " if (!e) return false; const r = e.getBoundingClientRect();"
                             " return r.width > 0 && r.height > 0 && r.left >= 0 && r.top >= 0 &&"
                             " r.right <= innerWidth && r.bottom <= innerHeight; })()")

    def canvas_rect(self):
        """The canvas's place in the viewport: left, top, width, height, once it is shown at its own size
        (one CSS pixel a pixel: the page scales it to the window, and a scaled capture would be the
        browser's resampling rather than the program's picture) and scrolled into view."""
        r = self.evaluate("(() => { const c = document.getElementById('canvas');"
                          " c.style.width = c.width + 'px'; c.style.height = c.height + 'px';"
                          " let r = c.getBoundingClientRect();"
                          " if (r.top < 0 || r.bottom > innerHeight) { c.scrollIntoView(); r = c.getBoundingClientRect(); }"
                          " return [r.left, r.top, r.width, r.height]; })()")
        return tuple(r)

    def canvas_picture(self):
        """The canvas as shown, clipped from a screenshot at device scale 1, as an RGB picture."""
        x, y, w, h = self.canvas_rect()
        data = self.call("Page.captureScreenshot", format="png", captureBeyondViewport=False,
                         clip={"x": x, "y": y, "width": w, "height": h, "scale": 1})["data"]
        return Image.open(io.BytesIO(base64.b64decode(data))).convert("RGB")

    def page_picture(self):
        """The whole viewport as shown."""
        data = self.call("Page.captureScreenshot", format="png")["data"]
        return Image.open(io.BytesIO(base64.b64decode(data))).convert("RGB")

    def settled_picture(self, frames=3):
        """The canvas once `frames` more frames are drawn and two captures a frame apart agree."""
        self.wait_for_more_frames(frames)
        picture = self.canvas_picture()

        def same():
            nonlocal picture
            self.wait_for_more_frames(1)
            again = self.canvas_picture()
            if again.tobytes() == picture.tobytes():
                return True
            picture = again
            return False
        self.wait_for(lambda p: same(), "the picture to settle")
        return picture

    # --- input, as the protocol's Input domain sends it
    def _mouse(self, kind, x, y, **extra):
        self.call("Input.dispatchMouseEvent", type=kind, x=x, y=y, **extra)

    def click(self, cx=None, cy=None, button="left"):
        """A click of `button` ("left", "middle", "right") at (cx, cy) in canvas pixels (its centre by
        default)."""
        left, top, w, h = self.canvas_rect()
        x, y = left + (w / 2 if cx is None else cx), top + (h / 2 if cy is None else cy)
        self._mouse("mouseMoved", x, y)
        held = {"left": 1, "right": 2, "middle": 4}[button]
        self._mouse("mousePressed", x, y, button=button, buttons=held, clickCount=1)
        self._mouse("mouseReleased", x, y, button=button, buttons=0, clickCount=1)
        self.pointer = (x, y)

    def move(self, dx, dy):
        """Relative mouse motion: one mouseMoved whose position is (dx, dy) from the last one."""
        x, y = self.pointer[0] + dx, self.pointer[1] + dy
        self._mouse("mouseMoved", x, y)
        self.pointer = (x, y)

    def wheel(self, notches):
        """Wheel notches away from the user (positive, "in") or towards (negative), one event each, each
        read in a frame of its own (the program adds up what arrives between two reads, and two notches
        read together change the field of view less than two read apart): the next is sent only when the
        picture shows the last (every notch changes the field of view by a degree or more)."""
        x, y = self.pointer
        for _ in range(abs(notches)):
            before = self.canvas_picture().tobytes()
            self._mouse("mouseWheel", x, y, deltaX=0, deltaY=-100 if notches > 0 else 100)
            self.wait_for(lambda p: p.canvas_picture().tobytes() != before, "a wheel notch to show")

    # --- a touch screen, as the protocol's Input domain sends its fingers
    def enable_touch(self):
        """Makes the tab a touch screen's: touch events, up to five fingers, and a coarse pointer
        ((pointer: coarse) matches), from now on and after a navigation."""
        self.call("Emulation.setTouchEmulationEnabled", enabled=True, maxTouchPoints=5)

    def touch(self, kind, *fingers):
        """One touch event: `kind` "touchStart", "touchMove", "touchEnd" or "touchCancel", with the fingers down
        after it, each (id, x, y) in viewport pixels (none for touchEnd: every finger is lifted)."""
        self.call("Input.dispatchTouchEvent", type=kind,
                  touchPoints=[{"id": i, "x": x, "y": y} for i, x, y in fingers])

    def drag(self, x, y, dx, dy, steps=10):
        """One finger put down at (x, y) in the viewport, moved by (dx, dy) in `steps` even moves, lifted."""
        self.touch("touchStart", (1, x, y))
        for i in range(1, steps + 1):
            self.touch("touchMove", (1, x + dx * i / steps, y + dy * i / steps))
        self.touch("touchEnd")

    def pinch(self, x, y, start, end, steps=10):
        """Two fingers put down `start` pixels apart, level and centred on (x, y), moved to `end` apart in
        `steps` even moves, each read in a frame of its own, and lifted."""
        def fingers(apart):
            return (1, x - apart / 2, y), (2, x + apart / 2, y)
        self.touch("touchStart", *fingers(start))
        for i in range(1, steps + 1):
            self.touch("touchMove", *fingers(start + (end - start) * i / steps))
            self.wait_for_more_frames(1)
        self.touch("touchEnd")

    def centre_of(self, selector):
        """The centre of the element `selector` finds, in viewport pixels."""
        return tuple(self.evaluate(f"(() => {{ const r = document.querySelector({json.dumps(selector)})"
                                   ".getBoundingClientRect(); return [r.left + r.width / 2, r.top + r.height / 2];"
                                   " })()"))

    KEYS = {  # code: (key, Windows virtual-key code)
        "F7": ("F7", 0x76), "F8": ("F8", 0x77), "F9": ("F9", 0x78), "Escape": ("Escape", 0x1B),
        "KeyW": ("w", 0x57), "KeyA": ("a", 0x41), "KeyS": ("s", 0x53), "KeyD": ("d", 0x44),
        "Space": (" ", 0x20), "Tab": ("Tab", 0x09), "PageDown": ("PageDown", 0x22),
    }
    MODIFIERS = {"alt": 1, "ctrl": 2, "meta": 4, "shift": 8}  # the protocol's modifier bits

    def key_down(self, code, as_the_browser_sees_it=False, held=()):
        """Presses a key as the contract sends it: code, key and Windows virtual-key code, with the
        modifiers named in `held` ("alt", "ctrl", "meta", "shift") marked as held. With
        `as_the_browser_sees_it`, the event also carries the native key code, as a real keyboard's does: the
        browser then acts on it itself where it would (a real Esc releases the pointer lock, and the page
        never sees it)."""
        self.call("Input.dispatchKeyEvent", **self._key_event("rawKeyDown", code, as_the_browser_sees_it, held))

    def key_up(self, code, as_the_browser_sees_it=False, held=()):
        self.call("Input.dispatchKeyEvent", **self._key_event("keyUp", code, as_the_browser_sees_it, held))

    def _key_event(self, kind, code, native, held):
        key, vk = self.KEYS[code]
        event = {"type": kind, "code": code, "key": key, "windowsVirtualKeyCode": vk,
                 "modifiers": sum(self.MODIFIERS[m] for m in held)}
        if native:
            event["nativeVirtualKeyCode"] = vk
        return event

    def key(self, code, as_the_browser_sees_it=False, held=()):
        """One key pressed and released."""
        self.key_down(code, as_the_browser_sees_it, held)
        self.key_up(code, as_the_browser_sees_it, held)

    def listeners(self, expression):
        """The event listeners on the object `expression` evaluates to (DOMDebugger's view, which sees
        every listener, whoever added it): a list of (type, the handler's source)."""
        # The handlers are described only when the object belongs to a group; the group is released after.
        found = self.call("Runtime.evaluate", expression=expression, objectGroup="listeners")["result"]
        try:
            listed = self.call("DOMDebugger.getEventListeners", objectId=found["objectId"])["listeners"]
        finally:
            self.call("Runtime.releaseObjectGroup", objectGroup="listeners")
        return [(l["type"], (l.get("handler") or {}).get("description", "")) for l in listed]
