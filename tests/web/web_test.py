#!/usr/bin/python3
"""The web build's page (out/web/) in Debian's headless Chromium, driven over the DevTools protocol
(tools/headless_page.py), one case a run:

    web_test.py OUT_WEB CASE        CASE: one of the names in CASES below

The page is served from a static server on 127.0.0.1, as any user's server would serve it. Pictures are
the canvas as Chromium shows it (1024 x 768, device scale 1); the status lines are read with tesseract and
the box is compared with the bounds of docs/conformance.md, against the Linux build's first frame
(tests/screen/reference/first_frame.png). Every wait polls viewerState.frames or the page, with a generous
time-out; nothing is timed. Exits 77 (skipped, with the reason) when OUT_WEB holds no built page.
"""
import base64
import gzip
import re
import subprocess
import sys
import tempfile
import urllib.error
import urllib.parse
import urllib.request
from pathlib import Path

import numpy as np
from PIL import Image

HERE = Path(__file__).resolve().parent
SOURCE = HERE.parent.parent
sys.path.insert(0, str(SOURCE / "tools"))
import conformance_report as report  # noqa: E402
import headless_page as hp  # noqa: E402
import web_case  # noqa: E402

TITLE = "Our First Direct3D Program"
NOT_TAKEN = "Click the picture to take the mouse."
RUNNING = "Running."
REFUSED = "The browser did not give the mouse this time: click the picture again in a moment."
REFERENCE = SOURCE / "tests/screen/reference/first_frame.png"
HOSTILE = SOURCE / "tests/data/hostile"
START_LINES = ["X axis: 0.000000", "Z axis: 18.000000", "FOV: 45", "Z Buffer: enabled (F7)",
               "Filtering: anisotropic (F8)", "Shading: gouraud (F9)"]


Failure = web_case.Failure
check = web_case.check
status_lines = web_case.status_lines


# --- what a picture shows


def pixels(picture):
    return np.asarray(picture.convert("RGB")).astype(np.int16)


def box_mask(picture):
    """The box's pixels: lit, outside the status text."""
    a = pixels(picture)
    mask = a.max(2) > report.BOX_LEVEL * 255
    left, top, right, bottom = report.TEXT_AREA
    mask[top:bottom, left:right] = False
    return mask


def box_bbox(picture):
    return report.bounding_box(box_mask(picture))


def box_changed(before, after):
    """Whether the box region differs beyond the bounds that hold between two builds of one pose."""
    return bool(report.box_figures(pixels(before), pixels(after))[1])


def texture_detail(picture):
    """Mean difference between horizontally adjacent pixels well inside the box, in levels of 255: the fur
    is busy, a lit untextured face is smooth."""
    mask = box_mask(picture)
    inner = mask.copy()
    for shift in (-3, 3):
        inner &= np.roll(mask, shift, 0) & np.roll(mask, shift, 1)
    a = pixels(picture)
    step = np.abs(a[:, 1:] - a[:, :-1]).max(2)
    inner = inner[:, 1:] & inner[:, :-1]
    return float(step[inner].mean()) if inner.any() else 0.0


def save(picture, name):
    """Keeps a picture for a look after a failure, in the test's working directory."""
    picture.save(f"web-{name}.png")


# --- running the page

class Session:
    """The page of out/web, with the hostile images beside it, served in a headless Chromium."""

    def __init__(self, out_web, flags=(), answers=None):
        self.folder = tempfile.TemporaryDirectory(prefix="viewer-page.")
        for path in [*Path(out_web).iterdir(), *HOSTILE.iterdir()]:
            (Path(self.folder.name) / path.name).symlink_to(path.resolve())
        self.served = hp.Served({"/": self.folder.name}, answers)
        self.browser = hp.Chromium(flags)

    def __enter__(self):
        self.served.__enter__()
        try:
            self.browser.__enter__()
        except BaseException:
            self.served.__exit__(None, None, None)
            raise
        return self

    def open(self, query=""):
        self.page = self.browser.open(self.served.url("/index.html" + query))
        return self.page

    def start(self, query=""):
        """Opens the page and waits for its third frame; checks that the program runs."""
        page = self.open(query)
        page.wait_for_frames(3)
        state = page.state()
        check(state["exitCode"] is None and state["error"] is None, f"the program is not running: {state}")
        return page

    def __exit__(self, *exc):
        self.browser.__exit__(*exc)
        self.served.__exit__(*exc)
        self.folder.cleanup()


def take_mouse(page):
    page.click()
    page.wait_for(lambda p: p.status() == RUNNING, f'the status "{RUNNING}" after a click on the canvas')


def expect_lines(picture, wanted, what):
    read = status_lines(picture)
    for i, (got, want) in enumerate(zip(read, wanted)):
        if want is not None:
            check(got == want, f"{what}: status line {i + 1} reads \"{got}\", not \"{want}\"")
    return read


def end_with_escape(page):
    page.key("Escape")
    page.wait_for(lambda p: p.state()["exitCode"] is not None, "the program to end after Esc")
    state = page.state()
    check(state["exitCode"] == 0, f"the program ended with exit code {state['exitCode']}, not 0")
    ended = "The program has ended with exit code 0."
    check(page.status() == ended, f"the status line reads \"{page.status()}\", not \"{ended}\"")


# --- the cases

def first_frame_matches_the_linux_build(out_web):
    """The start: the window's title as the page's, the status line before the mouse is taken, the box
    where the Linux build draws it (bounding box within a pixel of the Linux build's first frame, and its
    mean difference within the web bound for anisotropically filtered fur: the browser's anisotropic filter
    is its own; scripts/conformance holds the other filters to 0.1 %), and the six status lines reading
    the same as the Linux build's and standing where they stand."""
    with Session(out_web) as s:
        page = s.start()
        check(page.title() == TITLE, f"the page's title is \"{page.title()}\", not \"{TITLE}\"")
        check(page.status() == NOT_TAKEN, f"the status line reads \"{page.status()}\", not \"{NOT_TAKEN}\"")
        state = page.state()
        check(isinstance(state["firstFrameAt"], (int, float)) and state["firstFrameAt"] > 0,
              f"viewerState.firstFrameAt is {state['firstFrameAt']!r} after the first frames")
        web = page.settled_picture()
        save(web, "first-frame")
    linux = Image.open(REFERENCE).convert("RGB")
    check(web.size == linux.size, f"the canvas shows {web.size}, not the Linux build's {linux.size}")
    figures, failures = report.box_figures(pixels(linux), pixels(web), report.WEB_ANISOTROPIC_MEAN_MAX,
                                           off_fails=False)
    print(f"box against the Linux build's: mean difference {figures['mean']:.3f} %, "
          f"{figures['off']:.3f} % of pixels off, bounding boxes {figures.get('bbox_diff')} px apart")
    check(not failures, f"the box against the Linux build's first frame: {'; '.join(failures)} "
                        f"(bounding boxes {figures['bbox_linux']} on Linux, {figures['bbox_wine']} here)")
    linux_read = status_lines(linux)
    check(linux_read == START_LINES, f"the Linux build's first frame reads {linux_read}: the reference or "
                                     "the OCR has changed")
    expect_lines(web, START_LINES, "first frame")
    for i, top in enumerate(report.LINE_TOPS):
        apart, here, there = report.glyphs_apart(pixels(linux), pixels(web), (24, top - 3, report.TEXT_AREA[2], top + 27))
        check(not apart, f"status line {i + 1} stands at {there}, on Linux at {here}")


def keys_change_the_picture_and_status_as_on_linux(out_web):
    """F7, F8 and F9 each switch their mode and its status line as on Linux, and the picture changes (F8's
    point filter changes the box itself); holding W walks the eye forward: the Z line falls from 18 and the
    box, below the level eye, comes nearer and so sinks towards the bottom of the picture."""
    with Session(out_web) as s:
        page = s.start()
        before = page.settled_picture()
        lines = list(START_LINES)
        for key, line, wanted, box_too in (("F7", 3, "Z Buffer: disabled (F7)", False),
                                           ("F8", 4, "Filtering: point (F8)", True),
                                           ("F9", 5, "Shading: phong (F9)", False),
                                           ("F9", 5, "Shading: flat (F9)", True),
                                           ("F8", 4, "Filtering: linear (F8)", True)):
            page.key(key)
            after = page.settled_picture()
            save(after, f"after-{key}-{wanted.split()[-2]}")
            check(after.tobytes() != before.tobytes(), f"{key} changed nothing in the picture")
            lines[line] = wanted
            expect_lines(after, lines, f"after {key}")
            if box_too:
                check(box_changed(before, after), f"{key} ({wanted}) left the box as it was")
            before = after

        start_box = box_bbox(before)
        # Held for at least two frames; each walks 0.36 units, and the box sinks out of view after about ten.
        page.key_down("KeyW")
        page.wait_for_more_frames(2)
        page.key_up("KeyW")
        walked = page.settled_picture()
        save(walked, "after-W")
        read = status_lines(walked)
        # The number is any; tesseract reads a lone "s" after "axi" as "S" now and then.
        z = re.fullmatch(r"Z axis: (-?\d+\.\d{6})", read[1], re.IGNORECASE)
        check(z is not None, f"after W the Z line reads \"{read[1]}\"")
        check(float(z.group(1)) < 18, f"holding W moved the eye to Z {z.group(1)}, not forward from 18")
        check(read[0] in ("X axis: 0.000000", "X axis: -0.000000"), f"holding W moved X: \"{read[0]}\"")
        check(read[2:] == lines[2:], f"holding W changed other lines: {read[2:]}")
        walked_box = box_bbox(walked)
        check(walked_box is None or walked_box[1] > start_box[1],
              f"walking forward did not bring the box nearer (its top edge did not sink): {start_box} before, "
              f"{walked_box} after, at Z {z.group(1)}")


def mouse_turns_and_wheel_zooms_as_on_linux(out_web):
    """A right click leaves the mouse to the browser; a left click takes it ("Running."); mouse motion turns the view by the motion's own size
    (300 down raises the box into the middle, as in the conformance run) without moving the eye; three
    wheel notches in narrow the field of view from 45 to 39, two out widen it to 41, and the box grows and
    shrinks with it."""
    with Session(out_web) as s:
        page = s.start()
        page.click(button="right")
        page.wait_for_more_frames(3)
        check(not page.evaluate("document.pointerLockElement") and page.status() == NOT_TAKEN,
              f"a right click took the mouse: the status line reads \"{page.status()}\"")
        take_mouse(page)
        start = page.settled_picture()
        start_box = box_bbox(start)
        page.move(0, 300)
        down = page.settled_picture()
        save(down, "turned-down")
        down_box = box_bbox(down)
        check(down_box[1] < start_box[1] - 100, f"300 down did not raise the box: {start_box}, then {down_box}")
        expect_lines(down, START_LINES, "after turning down")
        page.move(200, 0)
        right = page.settled_picture()
        right_box = box_bbox(right)
        check(right_box[0] < down_box[0] - 20 and right_box[2] < down_box[2] - 20,
              f"200 right did not move the box left: {down_box}, then {right_box}")
        page.move(-200, 0)
        back = page.settled_picture()
        check(not box_changed(down, back), "200 right and 200 left did not bring the view back")

        page.wheel(3)
        zoomed = page.settled_picture()
        save(zoomed, "wheel-in-3")
        expect_lines(zoomed, START_LINES[:2] + ["FOV: 39"] + START_LINES[3:], "after three notches in")
        zoomed_box = box_bbox(zoomed)
        check(zoomed_box[2] - zoomed_box[0] > back_width(back), "three notches in did not make the box larger")
        page.wheel(-2)
        out = page.settled_picture()
        expect_lines(out, START_LINES[:2] + ["FOV: 41"] + START_LINES[3:], "after two notches out")
        out_box = box_bbox(out)
        check(out_box[2] - out_box[0] < zoomed_box[2] - zoomed_box[0], "two notches out did not shrink the box")
        check(page.status() == RUNNING, f"the status line reads \"{page.status()}\" while the mouse is taken")


def back_width(picture):
    box = box_bbox(picture)
    return box[2] - box[0]


def escape_ends_the_program_with_code_0(out_web):
    """A user's Esc with the mouse taken, which Chromium keeps to release the pointer lock: the mouse is
    let go ("Click the picture ...") and the program runs on; the next Esc reaches the program and ends it
    with exit code 0, in viewerState and on the page. The page's line on the controls says that the first
    Esc only lets the mouse go. A click at once after that Esc, which Chromium refuses the lock for a
    second, throws nothing and is answered on the page."""
    with Session(out_web) as s:
        page = s.start()
        take_mouse(page)
        page.key("Escape", as_the_browser_sees_it=True)
        page.wait_for(lambda p: p.status() == NOT_TAKEN, "the mouse to be let go after the first Esc")
        page.wait_for_more_frames(3)
        check(page.state()["exitCode"] is None, "the browser's own Esc ended the program")
        page.click()
        page.wait_for_more_frames(3)
        page.pump()
        page.check_sound()
        check(page.status() in (RUNNING, REFUSED), f"after a click at once after Esc the status line reads "
                                                   f"\"{page.status()}\"")
        text = page.evaluate("document.body.innerText")
        check(re.search(r"Esc", text) and re.search(r"twice|second|again|first", text, re.I),
              f"the page does not say that the first Esc only lets the mouse go: {text!r}")
        end_with_escape(page)


# Notes what the browser gets of each keydown and wheel event: a listener on the window, reached last.
RECORD_DEFAULTS = """(() => { window.seen = [];
  function browserSees(e) { seen.push([e.type, e.code || "", e.defaultPrevented]); }
  addEventListener("keydown", browserSees); addEventListener("wheel", browserSees); })()"""


def prevented(page, press):
    """Sends `press` (code, held modifiers) and says whether the page kept its default from the browser."""
    code, held = press
    page.evaluate("seen.length = 0")
    page.key(code, held=held)
    seen = page.evaluate("seen")
    check(len(seen) == 1 and seen[0][1] == code, f"{code}: the page's window saw {seen}")
    return seen[0][2]


def start_recording_defaults(session, key):
    """Starts the page with the recorder of defaults in place and the canvas focused; checks that `key`, one
    the program reads, is kept from the browser (the recorder's counter-check)."""
    page = session.start()
    page.evaluate(RECORD_DEFAULTS)
    page.evaluate("document.getElementById('canvas').focus()")
    check(prevented(page, (key, ())), f"{key}, a key the program reads, reached the browser while the program "
                                      "ran: the recorder cannot tell")
    return page


def check_no_listener_left(page, when):
    """Neither the page nor the web host has a listener on the document, the window or the canvas (the
    recorder of defaults aside)."""
    left = [(where, kind) for where in ("document", "window", "document.getElementById('canvas')")
            for kind, handler in page.listeners(where) if "browserSees" not in handler]
    check(not left, f"listeners left {when}: {left}")


def keys_the_program_does_not_read_are_the_browsers(out_web):
    """While the canvas has the keyboard, only the keys the program reads are kept from the browser (F7,
    counter-checked); Tab, PageDown and a program key with Alt or Ctrl are the browser's, and so is every
    key while the canvas does not have the keyboard. After Esc has ended the program, no key and no wheel
    notch is kept from the browser, and neither the page nor the web host has a listener left on the
    document, the window or the canvas."""
    with Session(out_web) as s:
        page = start_recording_defaults(s, "F7")
        for press in (("PageDown", ()), ("F8", ("alt",)), ("KeyS", ("ctrl",)), ("Tab", ())):
            check(not prevented(page, press), f"{press[0]} with {press[1] or 'no modifier'} was kept from the "
                                              "browser while the canvas had the keyboard")
        page.evaluate("document.getElementById('canvas').blur()")
        check(not prevented(page, ("Space", ())), "Space was kept from the browser without the canvas focused")

        page.evaluate("document.getElementById('canvas').focus()")
        end_with_escape(page)
        page.evaluate("document.getElementById('canvas').focus()")
        for code in ("Space", "KeyW", "F7", "Escape"):
            check(not prevented(page, (code, ())), f"{code} was kept from the browser after the program ended")
        page.evaluate("seen.length = 0")
        x, y, w, h = page.canvas_rect()
        page.call("Input.dispatchMouseEvent", type="mouseWheel", x=x + w / 2, y=y + h / 2, deltaX=0, deltaY=100)
        seen = page.wait_for(lambda p: p.evaluate("seen"), "the wheel event to reach the window")
        check(not seen[0][2], f"a wheel notch on the canvas was kept from the browser after the program ended")
        check_no_listener_left(page, "after the program ended")
        page.check_sound()


def missing_fur_shows_the_untextured_box(out_web):
    """?fur=none: the program runs on with the box where it always is, untextured: smooth where the fur
    is busy (the textured start picture, taken in the same run, is the measure's counter-check)."""
    with Session(out_web) as s:
        textured = s.start().settled_picture()
        page = s.start("?fur=none")
        bare = page.settled_picture()
        save(bare, "no-fur")
        expect_lines(bare, START_LINES, "without the fur")
        a, b = box_bbox(textured), box_bbox(bare)
        check(b is not None, "without the fur no box shows")
        check(max(abs(p - q) for p, q in zip(a, b)) <= report.BBOX_MAX,
              f"without the fur the box stands at {b}, not at {a}")
        busy, smooth = texture_detail(textured), texture_detail(bare)
        check(busy > 2, f"the textured box's detail measures only {busy:.2f}: the measure cannot tell")
        check(smooth < 1, f"without the fur the box still shows detail ({smooth:.2f} against {busy:.2f} "
                            "with it)")
        end_with_escape(page)


def hostile_fur_images_are_loaded_or_refused_and_the_program_runs_on(out_web):
    """Each file of tests/data/hostile served as ?fur=: the program draws frames and runs on (no crash,
    hang or page error), the valid ones (the 16-bit PGM and the palette BMPs) load silently, every other is
    refused in one console line that names tex_fur.png, as the Linux build says on stderr; Esc then ends
    it with code 0."""
    files = sorted(p.name for p in HOSTILE.iterdir())
    check(files, f"no files in {HOSTILE}")
    with Session(out_web) as s:
        for name in files:
            page = s.start(f"?fur={name}")
            page.wait_for_more_frames(5)
            page.pump()
            page.check_sound()
            said = [text for _, text in page.console if "tex_fur.png" in text]
            if name == "pgm16_small.pgm" or name.startswith("bmp_"):
                check(not said, f"{name}: the valid image was refused: {said}")
            else:
                check(len(said) == 1 and said[0].startswith("D3DXCreateTextureFromFileA: tex_fur.png: ") and
                      "\n" not in said[0].strip(), f"{name}: not refused in one line naming tex_fur.png: {said}")
            end_with_escape(page)
            print(f"{name}: {'loaded' if not said else said[0]}")


def without_webgl2_the_page_says_so_in_one_line(out_web):
    """A browser without WebGL 2 (Chromium's --disable-webgl2): the page shows one line saying so, in the
    status line and viewerState.error, draws no frame and throws nothing."""
    with Session(out_web, ["--disable-webgl2"]) as s:
        page = s.open()
        page.wait_for(lambda p: (p.state() or {}).get("error"), "viewerState.error")
        state = page.state()
        error = state["error"]
        check("\n" not in error.strip() and "WebGL 2" in error, f"the error is not one line about WebGL 2: {error!r}")
        check(page.status() == error, f"the status line reads \"{page.status()}\", not the error \"{error}\"")
        check(state["frames"] == 0, f"{state['frames']} frames presented without WebGL 2")
        page.pump()
        page.check_sound()
        print(f"without WebGL 2: \"{error}\"")


def notes(page):
    return page.evaluate("(document.getElementById('notes') || document.body).innerText").strip()


def fur_names_only_a_plain_file_beside_the_page(out_web):
    """?fur= naming another origin's file, a path on the page's own server or a data: URL is refused
    without a request, and the page says so, naming what was asked; the program runs on. A plain name is
    fetched from the page's server without the page's cookie (which the page's own request carries: the
    counter-check) and loads without a note."""
    image = "bmp_os2_1bit.bmp"
    with Session(out_web) as s, hp.Served({"/": HOSTILE}) as other:
        s.open().evaluate("document.cookie = 'session=secret; path=/'")
        data = "data:image/bmp;base64," + base64.b64encode((HOSTILE / image).read_bytes()).decode()
        for asked in (other.url("/" + image), "/" + image, "./" + image, data):
            asked_before = len(s.served.requests)
            page = s.start("?fur=" + urllib.parse.quote(asked, safe=""))
            said = notes(page)
            fetched = [r for r in s.served.requests[asked_before:] if urllib.parse.urlsplit(r).path.endswith(image)]
            fetched += other.requests
            check(not fetched, f"?fur={asked[:60]}: fetched {fetched}")
            check(asked in said and "not fetched" in said, f"?fur={asked[:60]}: the page does not say it is "
                                                           f"refused: {said!r}")
        asked_before = len(s.served.requests)
        page = s.start("?fur=" + image)
        check(not notes(page), f"?fur={image}: the page notes {notes(page)!r}")
        sent = dict(s.served.cookies[asked_before:])
        check("session=secret" in (sent.get("/index.html?fur=" + image) or ""),
              f"the page's own request carries no cookie: {sent}")
        check("/" + image in sent and sent["/" + image] is None,
              f"?fur={image} was fetched with the cookie {sent.get('/' + image)!r} ({sent})")


def fetches_that_never_end_are_given_up_with_the_reason(out_web):
    """?fur= naming a file the server streams without end (no length given) and ?bump= one whose server
    answers and then sends nothing: the page stops reading the first at 64 MiB and gives up on the second
    after its 20 s, says both in notes naming the file and why, and the program starts and runs on."""
    streamed = [0]

    def endless(handler, ending):
        handler.send_response(200)
        handler.send_header("Content-Type", "image/png")
        handler.end_headers()
        chunk = bytes(1 << 20)
        while streamed[0] < 1 << 30 and not ending.is_set():
            handler.wfile.write(chunk)
            streamed[0] += len(chunk)

    def stalled(handler, ending):
        handler.send_response(200)
        handler.send_header("Content-Type", "image/bmp")
        handler.send_header("Content-Length", "70000")
        handler.end_headers()
        ending.wait(120)

    with Session(out_web, answers={"/endless.png": endless, "/stalled.bmp": stalled}) as s:
        page = s.open("?fur=endless.png&bump=stalled.bmp")
        page.wait_for_frames(3, timeout=90)
        said = notes(page)
        check(re.search(r"endless\.png is larger than 64 MiB", said), f"the endless file's note: {said!r}")
        check(re.search(r"stalled\.bmp did not arrive within 20 s", said), f"the stalled file's note: {said!r}")
        # The server counts what it wrote, which runs ahead of what the page read by what the sockets and the
        # browser's network buffers hold (up to 18 MiB more seen here); without the limit it writes the whole GiB.
        check(streamed[0] <= 256 << 20, f"the page read on to {streamed[0] >> 20} MiB of the endless file")
        state = page.state()
        check(state["exitCode"] is None and state["error"] is None, f"the program is not running: {state}")
        page.check_sound()


def a_program_that_aborts_leaves_the_page_to_the_browser(out_web):
    """When the runtime aborts the program (Emscripten calls Module.onAbort, as the test does here), the
    page says so in its status line, and neither the page nor the web host has a listener left on the
    document, the window or the canvas: the keys the program read are the browser's again."""
    with Session(out_web) as s:
        page = start_recording_defaults(s, "Space")
        page.evaluate("Module.onAbort('out of memory')")
        check(page.state()["error"] == page.status() and "out of memory" in page.status(),
              f"the status line reads \"{page.status()}\" after the abort")
        page.evaluate("document.getElementById('canvas').focus()")
        check(not prevented(page, ("Space", ())), "Space was kept from the browser after the program aborted")
        check_no_listener_left(page, "after the program aborted")


def an_image_of_ones_own_replaces_the_fur_without_a_request(out_web):
    """A red image picked with the fur's file button: the page starts again showing the box red and smooth
    (the fur is busy), says whose image it shows, and no request names the file; "Use the page's own
    images" brings the fur back."""
    with Session(out_web) as s, tempfile.TemporaryDirectory() as folder:
        red = Path(folder) / "my-red.png"
        Image.new("RGB", (64, 64), (220, 40, 40)).save(red)
        page = s.start()
        document = page.call("DOM.getDocument")["root"]["nodeId"]
        button = page.call("DOM.querySelector", nodeId=document, selector="#own-fur")["nodeId"]
        asked_before = len(s.served.requests)
        page.call("DOM.setFileInputFiles", files=[str(red)], nodeId=button)
        def said(p):
            try:  # the page may be between two loads
                return p.evaluate("document.getElementById('own-said').textContent") or ""
            except hp.PageError:
                return ""
        page.wait_for(lambda p: "my-red.png" in said(p), "the page to say it shows my-red.png")
        page.wait_for_frames(3)
        own = page.settled_picture()
        save(own, "own-red")
        box = pixels(own)[box_mask(own)]
        check(box.size and box[:, 0].mean() > 2 * box[:, 1].mean(),
              f"the box is not red with the red fur: mean RGB {box.mean(0) if box.size else None}")
        check(texture_detail(own) < 1, f"the box shows detail ({texture_detail(own):.2f}) with a plain red fur")
        asked = [r for r in s.served.requests[asked_before:] if "red" in r]
        check(not asked, f"the page asked its server for {asked}")
        page.evaluate("document.getElementById('own-reset').click()")
        page.wait_for(lambda p: "Try your own" in said(p), "the page to forget my-red.png")
        page.wait_for_frames(3)
        fur = texture_detail(page.settled_picture())
        check(fur > 2, f"the page's own fur did not come back (detail {fur:.2f})")
        page.check_sound()


def the_picture_fits_the_window(out_web):
    """In a 1280 x 720 window and a 390 x 844 phone's (device scale 3, the page's own viewport width): the
    canvas keeps its 1024 x 768 pixels and shows them at 4:3, as large as fits (filling the height left by
    the lines under it, or the width), wholly in view with the line on the controls and the status line,
    and the page does not scroll; the program draws on."""
    with Session(out_web) as s:
        page = s.start()
        for width, height, mobile in ((1280, 720, False), (390, 844, True)):
            what = f"at {width} x {height}"
            page.set_viewport(width, height, 3 if mobile else 1, mobile)
            page.wait_for_more_frames(2)
            got = page.evaluate("(() => { const c = document.getElementById('canvas');"
                                " const r = c.getBoundingClientRect();"
                                " const below = document.getElementById('controls').getBoundingClientRect();"
                                " return { w: r.width, h: r.height, size: [c.width, c.height], view: innerWidth,"
                                " room: below.top - r.top, scroll: document.scrollingElement.scrollHeight"
                                " - innerHeight }; })()")
            check(got["view"] == width, f"{what} the page lays out {got['view']} pixels wide: no viewport tag")
            check(got["size"] == [1024, 768], f"{what} the canvas holds {got['size']} pixels, not 1024 x 768")
            check(abs(got["w"] * 3 - got["h"] * 4) <= 4, f"{what} the canvas shows {got['w']} x {got['h']}, not 4:3")
            check(got["w"] >= 0.9 * width or got["h"] >= got["room"] - 16,
                  f"{what} the canvas shows {got['w']} x {got['h']}, smaller than the window holds "
                  f"({got['room']} pixels down to the lines)")
            for part in ("#canvas", "#controls", "#status"):
                check(page.in_view(part), f"{what} {part} is not wholly in view")
            check(got["scroll"] <= 0, f"{what} the page scrolls by {got['scroll']} pixels")
            print(f"{what}: the canvas shows {got['w']:.0f} x {got['h']:.0f}")
        page.check_sound()


def a_page_that_cannot_start_says_why_in_view(out_web):
    """In a 1280 x 720 window: the page opened from a file says to serve its folder, and names a way; served
    without viewer.data it says that viewer.data is not there (HTTP 404), not that it is damaged. Either way
    the one line stands in the status line and viewerState.error, in view without scrolling, and the page
    throws nothing."""
    def expect(page, wanted, what):
        page.set_viewport(1280, 720)
        page.wait_for(lambda p: (p.state() or {}).get("error"), f"viewerState.error {what}")
        error = page.state()["error"]
        check("\n" not in error.strip() and all(re.search(w, error) for w in wanted),
              f"{what}, the error is not one line saying {wanted}: {error!r}")
        check(page.status() == error, f"{what}, the status line reads \"{page.status()}\", not the error")
        check(page.in_view("#status"), f"{what}, the error is out of view in a 1280 x 720 window")
        page.pump()
        page.check_sound()
        print(f"{what}: \"{error}\"")

    with hp.Chromium() as browser:
        page = browser.open((out_web.resolve() / "index.html").as_uri())
        expect(page, [r"[Ss]erve", r"python3 -m http\.server"], "opened from a file")
    with tempfile.TemporaryDirectory() as folder:
        for name in ("index.html", "viewer.js", "viewer.wasm"):
            (Path(folder) / name).symlink_to((out_web / name).resolve())
        with Session(Path(folder)) as s:
            page = s.open()
            expect(page, [r"viewer\.data", r"404"], "without viewer.data")
            check("damaged" not in page.state()["error"], "a missing viewer.data is called damaged")


LOST = "The browser has taken the picture away (its WebGL context was lost); it comes back when the browser " \
       "gives the context back."
# Resolves after ten of the browser's animation frames: a span in which a running program presents.
TEN_ANIMATION_FRAMES = """new Promise(done => { let n = 0;
  const next = () => ++n === 10 ? done(n) : requestAnimationFrame(next); requestAnimationFrame(next); })"""


def a_lost_context_comes_back_with_the_same_picture(out_web):
    """The canvas's WebGL context lost through WEBGL_lose_context: the status line says that the browser has
    taken the picture away (viewerState.pictureLost), in view, and no frame is counted over ten animation
    frames meanwhile (frames are counted on the page before and after, the counter-check). Given back
    (restoreContext, which the browser allows only where the loss was cancelled): the status line is the
    usual one again, frames count, and the settled picture is the one before the loss pixel for pixel (the
    fur texture, its anisotropic filter, the font's atlas and every state made again); F8 then still changes
    the box (the sampler states reach the new samplers), and Esc ends the program with code 0."""
    with Session(out_web) as s:
        page = s.start()
        before = page.settled_picture()
        page.evaluate("window.lose = document.getElementById('canvas').getContext('webgl2')"
                      ".getExtension('WEBGL_lose_context'); lose.loseContext()")
        page.wait_for(lambda p: p.state().get("pictureLost"), "the page to say the picture is lost")
        check(page.status() == LOST, f"while the context is lost the status line reads \"{page.status()}\"")
        check(page.in_view("#status"), "the status line is out of view while the context is lost")
        counted = page.frames()
        check(page.evaluate(TEN_ANIMATION_FRAMES) == 10 and page.frames() == counted,
              f"{page.frames() - counted} frames counted as presented while the context was lost")
        page.evaluate("lose.restoreContext()")
        page.wait_for(lambda p: not p.state()["pictureLost"], "the page to say the picture is back")
        check(page.status() == NOT_TAKEN, f"after the context came back the status line reads \"{page.status()}\"")
        after = page.settled_picture()
        save(after, "context-restored")
        if after.tobytes() != before.tobytes():
            save(before, "context-before-loss")
            differ = int((pixels(after) != pixels(before)).any(2).sum())
            raise Failure(f"after the context came back the picture differs from the one before in {differ} pixels")
        page.key("F8")
        point = page.settled_picture()
        check(box_changed(after, point), "F8 after the context came back left the box as it was")
        expect_lines(point, START_LINES[:4] + ["Filtering: point (F8)"] + START_LINES[5:], "F8 after the restoration")
        end_with_escape(page)
        page.check_sound()


def canvas_centre(page):
    x, y, w, h = page.canvas_rect()
    return x + w / 2, y + h / 2


def a_finger_dragging_on_the_picture_turns_the_view(out_web):
    """On a touch screen, where the browser gives no pointer lock: after the mouse was taken and let go
    again (a user's Esc: the page is out of the foreground), a finger dragging 300 pixels down the picture
    raises the box into the middle as 300 of the mouse's motion down does, without moving the eye (the
    status lines stay the start's) and without a pointer lock; the status line says the program runs; and
    dragging 300 back up brings the view back (the motion is the finger's own, none lost or added)."""
    with Session(out_web) as s:
        page = s.start()
        take_mouse(page)
        page.key("Escape", as_the_browser_sees_it=True)
        page.wait_for(lambda p: p.status() == NOT_TAKEN, "the mouse to be let go after Esc")
        page.enable_touch()
        start = page.settled_picture()
        start_box = box_bbox(start)
        x, y = canvas_centre(page)
        page.drag(x, y - 150, 0, 300)
        down = page.settled_picture()
        save(down, "touch-dragged-down")
        down_box = box_bbox(down)
        check(down_box[1] < start_box[1] - 100, f"a finger dragging 300 down did not raise the box: {start_box}, "
                                                f"then {down_box}")
        expect_lines(down, START_LINES, "after a finger dragged down")
        check(not page.evaluate("document.pointerLockElement"), "a touch took the pointer lock")
        check(page.status() == RUNNING, f"after a touch the status line reads \"{page.status()}\"")
        page.drag(x, y + 150, 0, -300)
        back = page.settled_picture()
        check(not box_changed(start, back), f"300 down and 300 up did not bring the view back: {start_box}, then "
                                            f"{box_bbox(back)}")
        page.check_sound()


def the_key_buttons_are_the_programs_keys(out_web):
    """Without a touch screen no key button shows. On one (a coarse pointer), the buttons for W A S D,
    Space, Shift, F7, F8, F9 and Esc show wholly in view and none over the middle of the picture, on a phone
    held upright (390 x 844) and on its side (844 x 390) as in a desktop's window, the page no wider than
    the screen; holding Shift's lowers the eye (the box rises in the picture), holding W's walks it forward
    (the Z line falls from 18, X stays), a tap on F7's turns the depth test off, on F8's the filtering to
    point, and Esc's ends the program with code 0."""
    codes = ("KeyW", "KeyA", "KeyS", "KeyD", "Space", "ShiftLeft", "F7", "F8", "F9", "Escape")
    with Session(out_web) as s:
        page = s.start()
        shown = page.evaluate("[...document.querySelectorAll('#touch-keys [data-code]')]"
                              ".filter(b => b.getBoundingClientRect().width > 0).length")
        check(shown == 0, f"{shown} key buttons show without a touch screen")
        page.enable_touch()
        page = s.start()
        for width, height, scale in ((390, 844, 3), (844, 390, 3), hp.WINDOW + (1,)):
            page.set_viewport(width, height, scale, mobile=scale > 1)
            page.wait_for_more_frames(2)
            laid_out = page.evaluate("[innerWidth, document.scrollingElement.scrollWidth]")
            check(laid_out == [width, width], f"at {width} x {height} the page lays out {laid_out[0]} pixels wide and "
                                              f"{laid_out[1]} with what it holds, not {width}")
            c = page.evaluate("(() => { const r = document.getElementById('canvas').getBoundingClientRect();"
                              " return [r.left, r.top, r.width, r.height]; })()")
            for code in codes:
                button = f'#touch-keys [data-code="{code}"]'
                check(page.in_view(button), f"at {width} x {height} the button for {code} is not shown wholly in "
                                            "view on a touch screen")
                r = page.evaluate(f"(() => {{ const r = document.querySelector({button!r}).getBoundingClientRect();"
                                  " return [r.left, r.top, r.right, r.bottom]; })()")
                x, y, w, h = c
                over_middle = r[0] < x + 3 * w / 4 and r[2] > x + w / 4 and r[1] < y + 3 * h / 4 and r[3] > y + h / 4
                check(not over_middle, f"at {width} x {height} the button for {code} ({r}) lies over the middle of "
                                       f"the picture ({c})")

        def hold(code, frames=3):
            bx, by = page.centre_of(f'#touch-keys [data-code="{code}"]')
            page.touch("touchStart", (1, bx, by))
            page.wait_for_more_frames(frames)
            page.touch("touchEnd")

        def tap(code):
            bx, by = page.centre_of(f'#touch-keys [data-code="{code}"]')
            page.touch("touchStart", (1, bx, by))
            page.touch("touchEnd")

        before = page.settled_picture()
        hold("ShiftLeft")
        sunk = page.settled_picture()
        check(box_bbox(sunk)[1] < box_bbox(before)[1], f"holding Shift's button did not lower the eye: the box "
                                                       f"stands at {box_bbox(sunk)}, before at {box_bbox(before)}")
        hold("KeyW", frames=2)
        walked = page.settled_picture()
        save(walked, "touch-W")
        read = status_lines(walked)
        z = re.fullmatch(r"Z axis: (-?\d+\.\d{6})", read[1], re.IGNORECASE)
        check(z is not None and float(z.group(1)) < 18, f"holding W's button: the Z line reads \"{read[1]}\"")
        check(read[0] in ("X axis: 0.000000", "X axis: -0.000000"), f"holding W's button moved X: \"{read[0]}\"")
        check(read[2:] == START_LINES[2:], f"holding W's button changed other lines: {read[2:]}")
        walked_box = box_bbox(walked)
        check(walked_box is None or walked_box[1] > box_bbox(sunk)[1], "holding W's button did not bring the box "
                                                                       "nearer")
        tap("F7")
        tap("F8")
        switched = page.settled_picture()
        save(switched, "touch-F7-F8")
        expect_lines(switched, [None, None, "FOV: 45", "Z Buffer: disabled (F7)", "Filtering: point (F8)",
                                START_LINES[5]], "after a tap on F7's and F8's buttons")
        tap("Escape")
        page.wait_for(lambda p: p.state()["exitCode"] is not None, "the program to end after a tap on Esc's button")
        check(page.state()["exitCode"] == 0, f"Esc's button ended the program with code {page.state()['exitCode']}")
        page.check_sound()


def two_fingers_pinching_zoom(out_web):
    """On a touch screen, two fingers on the picture moving apart (150 to 220 pixels) narrow the field of
    view from 45, as wheel notches in do, and the box grows (it stands below the middle of the picture:
    its top edge sinks); moving together (220 to 150) widen it again, and the box shrinks (its top edge
    rises)."""
    with Session(out_web) as s:
        s.browser.open("about:blank").enable_touch()
        page = s.start()
        start = page.settled_picture()
        x, y = canvas_centre(page)
        page.pinch(x, y, 150, 220)
        spread = page.settled_picture()
        save(spread, "pinch-out")
        fov = re.fullmatch(r"FOV: (\d+)", status_lines(spread)[2])
        check(fov is not None and int(fov.group(1)) < 45,
              f"two fingers moving apart: the FOV line reads \"{status_lines(spread)[2]}\", not below 45")
        check(box_bbox(spread)[1] > box_bbox(start)[1], f"two fingers moving apart did not make the box larger: "
                                                        f"{box_bbox(start)}, then {box_bbox(spread)}")
        page.pinch(x, y, 220, 150)
        closed = page.settled_picture()
        again = re.fullmatch(r"FOV: (\d+)", status_lines(closed)[2])
        check(again is not None and int(again.group(1)) > int(fov.group(1)),
              f"two fingers moving together: the FOV line reads \"{status_lines(closed)[2]}\", after "
              f"\"FOV: {fov.group(1)}\"")
        check(box_bbox(closed)[1] < box_bbox(spread)[1], f"two fingers moving together did not shrink the box: "
                                                         f"{box_bbox(spread)}, then {box_bbox(closed)}")
        expect_lines(closed, START_LINES[:2] + [None] + START_LINES[3:], "after the pinches")
        page.check_sound()


PAGE_FILES = ("index.html", "viewer.js", "viewer.wasm", "viewer.data")
# Notes every report of the page's policy, from before the page's own script runs.
RECORD_VIOLATIONS = """window.violations = [];
document.addEventListener("securitypolicyviolation", function (e) {
  window.violations.push(e.effectiveDirective + " " + (e.blockedURI || "") + " " + (e.sample || "")); });"""


PageServer = web_case.PageServer


def the_page_runs_under_its_policy_as_served(out_web):
    """The page's Content-Security-Policy (its meta tag) admits its own inline script and style by hash,
    viewer.js, the wasm ('wasm-unsafe-eval') and same-origin fetches, and requires Trusted Types for script
    addresses, with no 'unsafe-inline' or 'unsafe-eval'. platform/web/serve.py sends every response, a 404
    too, with that policy plus frame-ancestors 'none', X-Frame-Options DENY and nosniff; sends the page's
    files gzip-compressed to a browser that takes gzip (the same bytes once inflated, the module as
    application/wasm) and as they are to one that does not; and serves nothing outside its folder. Served so,
    the page draws its frames in Chromium with no policy violation reported, in under 0.55 MB over the wire;
    an inline style added later is reported (the listener hears) and a plain string as a script's address
    is refused (Trusted Types are on)."""
    with tempfile.TemporaryDirectory(prefix="viewer-served.") as folder:
        for path in Path(out_web).iterdir():
            (Path(folder) / path.name).symlink_to(path.resolve())
        with PageServer(folder) as server:
            status, headers, page = server.get("/index.html", gzip_too=False)
            check(status == 200, f"index.html: HTTP {status}")
            meta = re.search(r'<meta http-equiv="Content-Security-Policy" content="([^"]*)"', page.decode())
            check(meta, "the page has no Content-Security-Policy meta tag")
            policy = meta.group(1)
            directives = {d.split()[0]: d.split()[1:] for d in policy.split(";") if d.strip()}
            script, style = directives.get("script-src", []), directives.get("style-src", [])
            check("'wasm-unsafe-eval'" in script and "'self'" in script, f"script-src is {script}")
            check(not {"'unsafe-inline'", "'unsafe-eval'", "*"} & set(script + style),
                  f"the policy lets inline code or eval through: {policy}")
            check(any(h.startswith("'sha256-") for h in script) and any(h.startswith("'sha256-") for h in style),
                  f"the policy names no hash of the inline script and style: {policy}")
            check(directives.get("default-src") == ["'none'"] and
                  directives.get("require-trusted-types-for") == ["'script'"], f"the policy is loose: {policy}")
            wanted = policy.rstrip("; ") + "; frame-ancestors 'none'"
            for path in ("/", *PAGE_FILES, "/no-such-file", "/..%2f..%2f..%2fetc%2fpasswd", "/%2e%2e/index.html"):
                status, headers, body = server.get(path)
                check(headers.get("Content-Security-Policy") == wanted,
                      f"{path}: Content-Security-Policy {headers.get('Content-Security-Policy')!r}")
                check(headers.get("X-Content-Type-Options") == "nosniff" and headers.get("X-Frame-Options") == "DENY",
                      f"{path}: X-Content-Type-Options {headers.get('X-Content-Type-Options')!r}, "
                      f"X-Frame-Options {headers.get('X-Frame-Options')!r}")
                check(status == (200 if path in ("/", *PAGE_FILES) else 404), f"{path}: HTTP {status}")
            for name in PAGE_FILES[1:]:
                data = (Path(out_web) / name).read_bytes()
                _, headers, body = server.get("/" + name)
                check(headers.get("Content-Encoding") == "gzip" and len(body) < len(data) and
                      gzip.decompress(body) == data, f"{name} is not sent gzip-compressed "
                      f"({headers.get('Content-Encoding')!r}, {len(body)} of {len(data)} bytes)")
                _, headers, body = server.get("/" + name, gzip_too=False)
                check(headers.get("Content-Encoding") is None and body == data,
                      f"{name} to a browser without gzip: {headers.get('Content-Encoding')!r}, {len(body)} bytes")
            check(server.get("/viewer.wasm")[1].get("Content-Type") == "application/wasm", "the module's type")

            with hp.Chromium() as browser:
                page = browser.open(server.base + "index.html")
                page.call("Page.addScriptToEvaluateOnNewDocument", source=RECORD_VIOLATIONS)
                page.navigate(server.base + "index.html")
                page.wait_for_frames(3)
                state = page.state()
                check(state["exitCode"] is None and state["error"] is None, f"the program is not running: {state}")
                check(page.evaluate("window.violations") == [],
                      f"the policy refused: {page.evaluate('window.violations')}")
                check(page.evaluate("document.getElementById('notes').innerText.trim()") == "",
                      f"the page notes: {notes(page)!r}")
                sent = page.evaluate("[...performance.getEntriesByType('navigation'),"
                                     " ...performance.getEntriesByType('resource')].map(e => [e.name, e.transferSize,"
                                     " e.encodedBodySize, e.decodedBodySize])")
                total = sum(entry[1] for entry in sent)
                print("as served: " + ", ".join(f"{urllib.parse.urlsplit(n).path} {e} of {d} bytes" for n, _, e, d in sent)
                      + f"; {total} bytes over the wire in all")
                check(total < 550_000, f"the page takes {total} bytes over the wire, not under 0.55 MB: {sent}")

                page.evaluate("document.head.appendChild(document.createElement('style')).textContent = 'p { }'")
                page.wait_for(lambda p: p.evaluate("window.violations.length") > 0,
                              "the report of an inline style added after the start")
                refused = page.evaluate("(() => { try { document.createElement('script').src = 'viewer.js';"
                                        " return 'taken'; } catch (e) { return e.name; } })()")
                check(refused == "TypeError", f"a plain string as a script's address was {refused}")
                page.wait_for_more_frames(3)
                page.check_sound()


CASES = {f.__name__: f for f in (
    first_frame_matches_the_linux_build, keys_change_the_picture_and_status_as_on_linux,
    mouse_turns_and_wheel_zooms_as_on_linux, escape_ends_the_program_with_code_0,
    keys_the_program_does_not_read_are_the_browsers,
    missing_fur_shows_the_untextured_box, hostile_fur_images_are_loaded_or_refused_and_the_program_runs_on,
    without_webgl2_the_page_says_so_in_one_line, a_page_that_cannot_start_says_why_in_view,
    fur_names_only_a_plain_file_beside_the_page, the_picture_fits_the_window,
    the_page_runs_under_its_policy_as_served, a_lost_context_comes_back_with_the_same_picture,
    a_finger_dragging_on_the_picture_turns_the_view, the_key_buttons_are_the_programs_keys,
    two_fingers_pinching_zoom, fetches_that_never_end_are_given_up_with_the_reason,
    a_program_that_aborts_leaves_the_page_to_the_browser,
    an_image_of_ones_own_replaces_the_fur_without_a_request)}

SKIP = web_case.SKIP


def main():
    return web_case.run(CASES, (Failure, hp.PageError))


if __name__ == "__main__":
    sys.exit(main())
