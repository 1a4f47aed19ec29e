"""A small WebDriver BiDi client of our own for the web build's Firefox cases: starts Debian's firefox-esr
on a virtual X display of its own (Xvfb, which picks a free display number), with a new empty profile and
Mesa's software GL (Firefox offers no WebGL when headless), opens a page, reads it with script.evaluate,
sends keys with input.performActions and captures the canvas with browsingContext.captureScreenshot.

    with FirefoxOnXvfb() as browser:
        page = browser.open("http://127.0.0.1:8000/index.html")
        page.wait_for_frames(3)
        page.key("F7")

Every wait polls a condition with a generous time-out and fails with what it waited for; nothing waits a
fixed time. Needs Debian's firefox-esr, xvfb and python3-websocket.
"""
import base64
import io
import json
import os
import re
import shutil
import signal
import subprocess
import tempfile
import time

import websocket
from PIL import Image

import headless_page
from headless_page import PageError  # the same failure, whichever browser the page is in

FIREFOX = "/usr/bin/firefox-esr"
XVFB = "/usr/bin/Xvfb"
WINDOW = (1280, 1024)  # the viewport: the 1024 x 768 canvas at its own size with the page's lines fits whole
TIMEOUT = 90  # seconds for any wait: software GL on two shared cores is slow to start

# A profile that asks nothing at the start and phones nowhere.
PREFS = {
    "browser.shell.checkDefaultBrowser": False,
    "browser.startup.homepage_override.mstone": "ignore",
    "browser.aboutwelcome.enabled": False,
    "datareporting.policy.dataSubmissionEnabled": False,
    "toolkit.telemetry.reportingpolicy.firstRun": False,
    "app.update.disabledForTesting": True,
    "browser.tabs.warnOnClose": False,
}

# WebDriver's characters for the keys the cases press.
KEYS = {"F7": "\ue037", "F8": "\ue038", "F9": "\ue039", "Escape": "\ue00c", "F6": "\ue036"}


def available():
    return os.access(FIREFOX, os.X_OK) and os.access(XVFB, os.X_OK)


def wait_until(condition, what, timeout=TIMEOUT):
    """Polls `condition` until it returns something true, which it returns; fails after `timeout` s."""
    return headless_page.wait_until(condition, what, timeout)


def end_group(process):
    """Ends `process` and everything it started (it leads a session of its own)."""
    if process.poll() is None:
        try:
            os.killpg(process.pid, signal.SIGTERM)
            process.wait(10)
        except ProcessLookupError:
            pass
        except subprocess.TimeoutExpired:
            os.killpg(process.pid, signal.SIGKILL)
            process.wait()
    # Firefox's content processes stay in its group after the parent has gone.
    try:
        os.killpg(process.pid, signal.SIGKILL)
    except ProcessLookupError:
        pass


def start_xvfb():
    """An Xvfb display of its own at WINDOW's size (it picks a free number): its process and its name."""
    read, write = os.pipe()
    xvfb = subprocess.Popen([XVFB, "-displayfd", str(write), "-screen", "0", f"{WINDOW[0]}x{WINDOW[1]}x24",
                             "-nolisten", "tcp"], pass_fds=(write,), stdin=subprocess.DEVNULL,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)
    os.close(write)
    with os.fdopen(read) as displayfd:
        number = displayfd.readline().strip()
    if not number.isdigit():
        end_group(xvfb)
        raise PageError(f"Xvfb did not say its display (ended with {xvfb.poll()})")
    return xvfb, ":" + number


class BrowserOnXvfb:
    """What a browser on a display of its own shares: a folder of its own, made first; `_start` (the
    subclass's) starts the rest, and `__exit__` ends whatever was started, also when starting failed."""

    NAME = ""

    def __enter__(self):
        self.folder = tempfile.mkdtemp(prefix=f"viewer-{self.NAME}.")
        try:
            self._start()
        except BaseException:
            self.__exit__(None, None, None)
            raise
        return self


class FirefoxOnXvfb(BrowserOnXvfb):
    """An Xvfb display of its own and firefox-esr on it, driven over WebDriver BiDi; both ended (process
    groups) and the profile removed when the `with` ends."""

    NAME = "firefox"
    xvfb = firefox = ws = None

    def _start(self):
        if not available():
            raise PageError(f"{FIREFOX} or {XVFB} not found (Debian packages firefox-esr, xvfb)")
        self.xvfb, self.display = start_xvfb()

        profile = os.path.join(self.folder, "profile")
        os.mkdir(profile)
        with open(os.path.join(profile, "user.js"), "w") as f:
            for name, value in PREFS.items():
                f.write(f"user_pref({json.dumps(name)}, {json.dumps(value)});\n")
        env = {k: v for k, v in os.environ.items() if k not in ("WAYLAND_DISPLAY", "MOZ_HEADLESS")}
        env.update(DISPLAY=self.display, LIBGL_ALWAYS_SOFTWARE="1", MOZ_CRASHREPORTER_DISABLE="1",
                   HOME=self.folder)
        self.log = open(os.path.join(self.folder, "firefox.log"), "w+b")
        self.firefox = subprocess.Popen(
            [FIREFOX, "--remote-debugging-port=0", "--profile", profile, "--no-remote", "--new-instance",
             "--width", str(WINDOW[0]), "--height", str(WINDOW[1]), "about:blank"],
            env=env, stdin=subprocess.DEVNULL, stdout=self.log, stderr=self.log, start_new_session=True)
        address = wait_until(self._address, "Firefox to say where WebDriver BiDi listens")
        self.ws = websocket.create_connection(address + "/session", timeout=TIMEOUT, suppress_origin=True)
        self.next_id = 0
        self.call("session.new", capabilities={"alwaysMatch": {"unhandledPromptBehavior": {"default": "ignore"}}})
        self.call("session.subscribe", events=["log.entryAdded"])
        self.errors = []  # the page's uncaught exceptions and console errors, one line each

    def _address(self):
        if self.firefox.poll() is not None:
            raise PageError(f"Firefox ended with code {self.firefox.returncode}: {self.log_text()[-2000:]}")
        found = re.search(r"WebDriver BiDi listening on (ws://[0-9.:\[\]a-z]+)", self.log_text())
        return found and found.group(1)

    def log_text(self):
        self.log.flush()
        self.log.seek(0)
        return self.log.read().decode(errors="replace")

    def call(self, method, **params):
        ident = headless_page.send_command(self, method, params)
        while True:
            try:
                message = json.loads(self.ws.recv())
            except websocket.WebSocketTimeoutException:
                raise PageError(f"{method}: Firefox did not answer within {TIMEOUT} s") from None
            if message.get("type") == "event":
                entry = message.get("params", {})
                if message.get("method") == "log.entryAdded" and entry.get("level") == "error":
                    self.errors.append(entry.get("text", ""))
                continue
            if message.get("id") == ident:
                if message.get("type") == "error":
                    raise PageError(f"{method}: {message.get('error')}: {message.get('message')}")
                return message.get("result", {})

    def open(self, url):
        """Opens `url` in the browser's first tab, shown at WINDOW's size, and returns its Page."""
        context = self.call("browsingContext.getTree")["contexts"][0]["context"]
        self.call("browsingContext.setViewport", context=context,
                  viewport={"width": WINDOW[0], "height": WINDOW[1]}, devicePixelRatio=1)
        self.call("browsingContext.navigate", context=context, url=url, wait="complete")
        return Page(self, context)

    def __exit__(self, *exc):
        if self.ws is not None:
            try:
                self.call("browser.close")
            except (PageError, OSError, websocket.WebSocketException):
                pass
            self.ws.close()
        for process in (self.firefox, self.xvfb):
            if process is not None:
                end_group(process)
        if getattr(self, "log", None):
            self.log.close()
        shutil.rmtree(self.folder, ignore_errors=True)


# Shows the canvas at its own size, in view, and gives its place in the viewport as [x, y, width, height].
CANVAS_AT_OWN_SIZE = (
    "(() => { const c = document.getElementById('canvas');"
    " c.style.width = c.width + 'px'; c.style.height = c.height + 'px';"
    " let r = c.getBoundingClientRect();"
    " if (r.top < 0 || r.bottom > innerHeight) { c.scrollIntoView(); r = c.getBoundingClientRect(); }"
    " return [r.left, r.top, r.width, r.height]; })()")


class Page(headless_page.PageQueries):
    """One tab of the browser."""

    def __init__(self, browser, context):
        self.browser = browser
        self.context = context

    def evaluate(self, expression):
        """The value of `expression`, through JSON."""
        result = self.browser.call("script.evaluate", expression=f"JSON.stringify({expression})",
                                   target={"context": self.context}, awaitPromise=True)
        if result.get("type") == "exception":
            raise PageError(f"{expression}: {result['exceptionDetails'].get('text')}")
        value = result["result"]
        return None if value.get("type") == "undefined" else json.loads(value["value"])

    def state(self):
        return self.evaluate("window.viewerState || null")

    def frames(self):
        state = self.state()
        if state and state["error"] is not None:
            raise PageError(f"the page failed: {state['error']}")
        return super().frames()

    def wait_for(self, condition, what, timeout=TIMEOUT):
        return wait_until(lambda: condition(self), what, timeout)

    def wait_for_frames(self, count, timeout=TIMEOUT):
        self.wait_for(lambda p: p.frames() >= count, f"{count} frames", timeout)

    def wait_for_more_frames(self, count=3, timeout=TIMEOUT):
        start = self.frames()
        self.wait_for(lambda p: p.frames() >= start + count, f"{count} more frames after {start}", timeout)

    def canvas_picture(self):
        """The canvas as shown at its own size (one CSS pixel a pixel), clipped from a screenshot."""
        x, y, w, h = self.evaluate(CANVAS_AT_OWN_SIZE)
        data = self.browser.call("browsingContext.captureScreenshot", context=self.context, origin="viewport",
                                 clip={"type": "box", "x": x, "y": y, "width": w, "height": h})["data"]
        return Image.open(io.BytesIO(base64.b64decode(data))).convert("RGB")

    def settled_picture(self, frames=3):
        """The canvas once `frames` more frames are drawn and two captures a frame apart agree."""
        self.wait_for_more_frames(frames)
        picture = self.canvas_picture()

        def same(page):
            nonlocal picture
            page.wait_for_more_frames(1)
            again = page.canvas_picture()
            settled = again.tobytes() == picture.tobytes()
            picture = again
            return settled
        self.wait_for(same, "the picture to settle")
        return picture

    def key(self, code):
        """One key pressed and released, as WebDriver sends a keyboard's."""
        value = KEYS[code]
        self.browser.call("input.performActions", context=self.context, actions=[
            {"type": "key", "id": "keyboard", "actions": [{"type": "keyDown", "value": value},
                                                          {"type": "keyUp", "value": value}]}])
