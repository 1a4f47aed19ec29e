"""WebKit for the web build's cases: Debian's WebKitWebDriver starts WebKitGTK's MiniBrowser in automation
mode on a virtual X display of its own (Xvfb) with Mesa's software GL, and is driven over W3C WebDriver
(plain HTTP and JSON). The page it opens answers as firefox_page's does (evaluate, state, settled_picture,
key), so a case runs alike in either browser.

    with WebKitOnXvfb() as browser:
        page = browser.open("http://127.0.0.1:8000/index.html")
        page.wait_for_frames(3)

Needs Debian's webkit2gtk-driver and xvfb.
"""
import base64
import io
import json
import os
import shutil
import socket
import subprocess
import urllib.error
import urllib.request

from PIL import Image

import firefox_page as fp
from headless_page import PageError

DRIVER = "/usr/bin/WebKitWebDriver"
MINIBROWSER = "/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser"
TIMEOUT = fp.TIMEOUT


def available():
    return all(os.access(p, os.X_OK) for p in (DRIVER, MINIBROWSER, fp.XVFB))


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class WebKitOnXvfb(fp.BrowserOnXvfb):
    """An Xvfb display of its own, WebKitWebDriver and the MiniBrowser it starts; all ended (process groups)
    when the `with` ends."""

    NAME = "webkit"
    xvfb = driver = session = None

    def _start(self):
        if not available():
            raise PageError(f"{DRIVER}, {MINIBROWSER} or {fp.XVFB} not found (Debian packages webkit2gtk-driver, xvfb)")
        self.xvfb, display = fp.start_xvfb()
        env = dict(os.environ, DISPLAY=display, LIBGL_ALWAYS_SOFTWARE="1", HOME=self.folder)
        env.pop("WAYLAND_DISPLAY", None)
        port = free_port()
        self.base = f"http://127.0.0.1:{port}"
        self.log = open(os.path.join(self.folder, "webkit.log"), "w+b")
        self.driver = subprocess.Popen([DRIVER, f"--port={port}"], env=env, stdin=subprocess.DEVNULL,
                                       stdout=self.log, stderr=self.log, start_new_session=True)
        fp.wait_until(self._listening, "WebKitWebDriver to listen")
        options = {"binary": MINIBROWSER, "args": ["--automation"]}
        answer = self.request("POST", "/session", {"capabilities": {"alwaysMatch": {
            "browserName": "MiniBrowser", "webkitgtk:browserOptions": options}}})
        self.session = f"/session/{answer['sessionId']}"
        self.request("POST", self.session + "/window/rect",
                     {"x": 0, "y": 0, "width": fp.WINDOW[0], "height": fp.WINDOW[1]})

    def _listening(self):
        if self.driver.poll() is not None:
            raise PageError(f"WebKitWebDriver ended with code {self.driver.returncode}")
        try:
            self.request("GET", "/status")
            return True
        except (OSError, PageError):
            return False

    def request(self, method, path, body=None):
        """One WebDriver command; its value, or PageError with WebDriver's own message."""
        data = json.dumps(body).encode() if body is not None else None
        request = urllib.request.Request(self.base + path, data=data, method=method,
                                         headers={"Content-Type": "application/json"})
        try:
            with urllib.request.urlopen(request, timeout=TIMEOUT) as answer:
                return json.loads(answer.read())["value"]
        except urllib.error.HTTPError as error:
            value = json.loads(error.read() or b"{}").get("value", {})
            raise PageError(f"{method} {path}: {value.get('error')}: {value.get('message')}") from None

    def open(self, url):
        self.request("POST", self.session + "/url", {"url": url})
        return Page(self)

    def __exit__(self, *exc):
        if self.session is not None:
            try:
                self.request("DELETE", self.session)
            except (OSError, PageError):
                pass
        for process in (self.driver, self.xvfb):
            if process is not None:
                fp.end_group(process)
        if getattr(self, "log", None):
            self.log.close()
        shutil.rmtree(self.folder, ignore_errors=True)


class Page(fp.Page):
    """The browser's one page, over WebDriver's classic commands."""

    def __init__(self, browser):
        super().__init__(browser, None)

    def evaluate(self, expression):
        """The value of `expression` (awaited where it is a promise), through JSON."""
        script = ("const done = arguments[0];"
                  f"Promise.resolve().then(() => {expression})"
                  ".then(v => done({value: JSON.stringify(v)}), e => done({error: String(e)}));")
        answer = self.browser.request("POST", self.browser.session + "/execute/async", {"script": script, "args": []})
        if "error" in answer:
            raise PageError(f"{expression}: {answer['error']}")
        value = answer.get("value")
        return None if value is None else json.loads(value)

    def canvas_picture(self):
        """The canvas as shown at its own size (one CSS pixel a pixel), clipped from a screenshot of the
        viewport (WebKit's screenshot of the element alone leaves out part of a WebGL canvas)."""
        x, y, w, h = self.evaluate(fp.CANVAS_AT_OWN_SIZE)
        data = self.browser.request("GET", self.browser.session + "/screenshot")
        shot = Image.open(io.BytesIO(base64.b64decode(data))).convert("RGB")
        return shot.crop((round(x), round(y), round(x + w), round(y + h)))

    def key(self, code):
        """One key pressed and released, as WebDriver sends a keyboard's."""
        value = fp.KEYS[code]
        self.browser.request("POST", self.browser.session + "/actions", {"actions": [
            {"type": "key", "id": "keyboard", "actions": [{"type": "keyDown", "value": value},
                                                          {"type": "keyUp", "value": value}]}]})
