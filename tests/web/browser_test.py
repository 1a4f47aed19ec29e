#!/usr/bin/python3
"""The web build's page (out/web/) in Debian's Firefox ESR, driven over WebDriver BiDi
(tools/firefox_page.py), or in WebKit (WebKitGTK's MiniBrowser, over W3C WebDriver: tools/webkit_page.py),
one case a run:

    browser_test.py OUT_WEB ENGINE CASE     ENGINE: firefox or webkit; CASE: one of the names in CASES below

Neither offers WebGL when headless here, so each case runs its browser on an Xvfb display of its own with
Mesa's software GL. The page is served by platform/web/serve.py, as scripts/web serves it. The program's six
status lines are read from the canvas with tesseract, as the Chromium cases read them. Exits 77 (skipped,
with the reason) when the browser or Xvfb is not installed or OUT_WEB holds no built page.
"""
import subprocess
import sys
import tempfile
from pathlib import Path

HERE = Path(__file__).resolve().parent
SOURCE = HERE.parent.parent
sys.path.insert(0, str(SOURCE / "tools"))
import conformance_report as report  # noqa: E402
import firefox_page as fp  # noqa: E402
import webkit_page  # noqa: E402
import web_case  # noqa: E402

START_LINES = ["X axis: 0.000000", "Z axis: 18.000000", "FOV: 45", "Z Buffer: enabled (F7)",
               "Filtering: anisotropic (F8)", "Shading: gouraud (F9)"]
ENDED = "The program has ended with exit code 0."
SKIP = web_case.SKIP


Failure = web_case.Failure
check = web_case.check
status_lines = web_case.status_lines



def expect_lines(picture, wanted, what):
    read = status_lines(picture)
    check(read == wanted, f"{what}: the status lines read {read}, not {wanted}")


ENGINES = {"firefox": (fp.available, fp.FirefoxOnXvfb, "firefox-esr, xvfb"),
           "webkit": (webkit_page.available, webkit_page.WebKitOnXvfb, "webkit2gtk-driver, xvfb")}
ENGINE = "firefox"  # the command line's


class Session:
    """serve.py serving out/web, and the browser on a display of its own with the page open."""

    def __init__(self, out_web):
        self.out_web = out_web

    def __enter__(self):
        self.server = web_case.PageServer(self.out_web).__enter__()
        try:
            self.browser = ENGINES[ENGINE][1]().__enter__()
        except BaseException:
            self.server.__exit__(None, None, None)
            raise
        self.page = self.browser.open(self.server.base.rstrip("/") + "/index.html")
        return self

    def start(self):
        """Waits for the page's third frame; checks that the program runs."""
        self.page.wait_for_frames(3)
        state = self.page.state()
        check(state["exitCode"] is None and state["error"] is None, f"the program is not running: {state}")
        return self.page

    def __exit__(self, *exc):
        try:
            self.browser.__exit__(*exc)
        finally:
            self.server.__exit__(None, None, None)


def first_frame_arrives(out_web):
    """The program draws its frames: viewerState counts them from a first frame with its time,
    no error and no note on the page, and the picture's six status lines are those of the start."""
    with Session(out_web) as s:
        page = s.start()
        state = page.state()
        check(isinstance(state["firstFrameAt"], (int, float)) and state["firstFrameAt"] > 0,
              f"viewerState.firstFrameAt is {state['firstFrameAt']!r} after the first frames")
        notes = page.evaluate("document.getElementById('notes').innerText.trim()")
        check(notes == "", f"the page notes: {notes!r}")
        picture = page.settled_picture()
        picture.save(f"{ENGINE}-first-frame.png")
        expect_lines(picture, START_LINES, "first frame")


def f7_switches_the_z_buffer(out_web):
    """F7, sent as a keyboard's key, switches the depth test off and on again: the Z Buffer line reads
    "disabled", then "enabled", and the other lines stay as they were."""
    with Session(out_web) as s:
        page = s.start()
        expect_lines(page.settled_picture(), START_LINES, "before F7")
        page.key("F7")
        off = page.settled_picture()
        off.save(f"{ENGINE}-after-F7.png")
        expect_lines(off, START_LINES[:3] + ["Z Buffer: disabled (F7)"] + START_LINES[4:], "after F7")
        page.key("F7")
        expect_lines(page.settled_picture(), START_LINES, "after F7 a second time")
        check(page.state()["exitCode"] is None, "F7 ended the program")


def escape_ends_the_program_with_code_0(out_web):
    """Esc, sent as a keyboard's key with the mouse not taken, reaches the program, which ends with exit
    code 0, in viewerState and in the page's status line; no frame is presented after."""
    with Session(out_web) as s:
        page = s.start()
        page.key("Escape")
        page.wait_for(lambda p: p.state()["exitCode"] is not None, "the program to end after Esc")
        state = page.state()
        check(state["exitCode"] == 0 and state["error"] is None,
              f"the program ended with exit code {state['exitCode']} (error {state['error']!r}), not 0")
        check(page.status() == ENDED, f"the status line reads \"{page.status()}\", not \"{ENDED}\"")
        # Frames after the end would mean the program runs on; a generous stretch of the page's own timers.
        frames = state["frames"]
        page.evaluate("new Promise(r => setTimeout(r, 500))")
        check(page.state()["frames"] == frames, "frames were presented after the program ended")


CASES = {f.__name__: f for f in (first_frame_arrives, f7_switches_the_z_buffer, escape_ends_the_program_with_code_0)}


def main():
    global ENGINE
    if len(sys.argv) == 4 and sys.argv[2] in ENGINES:
        ENGINE = sys.argv.pop(2)
        available, _, packages = ENGINES[ENGINE]
        if sys.argv[2] in CASES and not available():
            print(f"SKIPPED: {ENGINE} or Xvfb is not installed (Debian packages {packages})", file=sys.stderr)
            return SKIP
    return web_case.run(CASES, (Failure, fp.PageError))


if __name__ == "__main__":
    sys.exit(main())
