#!/usr/bin/python3
"""The web benchmark's measuring half (scripts/bench-web runs it): in one run, with one headless Chromium,

- the download size of the page: index.html, viewer.js, viewer.wasm and viewer.data, as they are and
  gzip-compressed (level 9, as a static server would send them with compression on);
- the time from the start of the page's load (navigation start) to its first presented frame
  (viewerState.firstFrameAt), over LOADS loads, each with nothing cached (the server says no-store);
- frames per second of the viewer's page at its start pose and of bench/web/bare.html (a bare WebGL 2
  clear of a 1024 x 768 back buffer and its copy to the canvas, as the viewer's Present makes it), each counted over SECONDS after a warm-up, and their ratio:
  once in a browser as users have it, whose frames follow a 60 Hz clock (the viewer yields to the browser
  once a frame with requestAnimationFrame, as the bare page draws), and once without that clock.

    measure.py OUT_WEB [SECONDS] [LOADS]       (defaults 10 and 3)

Chromium runs with the page contract's flags; for the second frame rates also without its frame-rate limit
and vertical retrace wait (--disable-frame-rate-limit --disable-gpu-vsync), as scripts/bench runs the
desktop builds with the retrace wait off. CPU time is the whole browser's (every process, user and
system) per frame. A measurement, not a test: it passes or fails on nothing but the page not running.
"""
import gzip
import os
import statistics
import sys
import time
from pathlib import Path

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE.parent.parent / "tools"))
import headless_page as hp  # noqa: E402

FILES = ["index.html", "viewer.js", "viewer.wasm", "viewer.data"]
UNCAPPED = ["--disable-frame-rate-limit", "--disable-gpu-vsync"]
WARM_UP = 2.0


def sizes(out_web):
    rows = []
    for name in FILES:
        data = (out_web / name).read_bytes()
        rows.append((name, len(data), len(gzip.compress(data, 9))))
    return rows


def counted_by(page_path):
    """The global in which the page counts its frames."""
    return "benchState" if "bare" in page_path else "viewerState"


def first_frames(served, page_path, loads):
    """Times from navigation start to the first frame, ms, one fresh browser a load."""
    times = []
    for _ in range(loads):
        with hp.Chromium() as browser:
            page = browser.open(served.url(page_path), counted_by(page_path))
            page.wait_for_frames(1)
            times.append(page.state()["firstFrameAt"])
    return times


def frame_rate(browser, served, page_path, seconds):
    """Frames per second counted from viewerState.frames over `seconds` after the warm-up; and the
    browser's processor time per frame (all its processes, user and system), ms."""
    page = browser.open(served.url(page_path), counted_by(page_path))
    page.wait_for_frames(3)
    time.sleep(WARM_UP)
    f0, t0, c0 = page.frames(), time.monotonic(), cpu_seconds(browser.process.pid)
    time.sleep(seconds)
    f1, t1, c1 = page.frames(), time.monotonic(), cpu_seconds(browser.process.pid)
    page.check_sound()
    state = page.state()
    if state.get("exitCode") is not None or state.get("error") is not None:
        raise hp.PageError(f"{page_path} stopped: {state}")
    frames = f1 - f0
    return frames / (t1 - t0), (c1 - c0) * 1000 / frames if frames else float("nan")


def cpu_seconds(pid):
    """User and system time of the process group `pid` leads (the browser and its helpers)."""
    total, tick = 0, os.sysconf("SC_CLK_TCK")
    for entry in Path("/proc").iterdir():
        if not entry.name.isdigit():
            continue
        try:
            fields = (entry / "stat").read_text().rsplit(")", 1)[1].split()
        except OSError:
            continue
        if int(fields[2]) == pid:  # the process group (field 5 of stat, after the name)
            total += int(fields[11]) + int(fields[12])
    return total / tick


def main():
    if len(sys.argv) < 2:
        raise SystemExit(__doc__)
    out_web = Path(sys.argv[1])
    seconds = float(sys.argv[2]) if len(sys.argv) > 2 else 10.0
    loads = int(sys.argv[3]) if len(sys.argv) > 3 else 3

    rows = sizes(out_web)
    print(f"{'file':14} {'bytes':>10} {'gzip -9':>10}")
    for name, raw, packed in rows:
        print(f"{name:14} {raw:10} {packed:10}")
    payload = [r for r in rows if r[0] != "index.html"]
    raw, packed = sum(r[1] for r in payload), sum(r[2] for r in payload)
    print(f"{'js+wasm+data':14} {raw:10} {packed:10}   ({raw / 2**20:.2f} MiB, {packed / 2**20:.2f} MiB compressed)")
    print(f"{'with the page':14} {raw + rows[0][1]:10} {packed + rows[0][2]:10}")

    with hp.Served({"/": out_web, "/bench/": HERE}) as served:
        viewer_first = first_frames(served, "/index.html", loads)
        bare_first = first_frames(served, "/bench/bare.html", loads)
        rates = {}
        for clock, flags in (("60 Hz", []), ("uncapped", UNCAPPED)):
            with hp.Chromium(flags) as browser:
                for page in ("/index.html", "/bench/bare.html"):
                    rates[clock, page] = frame_rate(browser, served, page, seconds)

    print()
    print(f"{'page':22} {'frames/s':>9} {'CPU ms/f':>9} {'frames/s':>9} {'CPU ms/f':>9}  load to 1st frame, ms")
    print(f"{'':22} {'60 Hz clock':>19} {'uncapped':>19}  median; each load")
    for name, page, first in (("viewer, start pose", "/index.html", viewer_first),
                              ("bare clear + present", "/bench/bare.html", bare_first)):
        (fps, cpu), (fps_u, cpu_u) = rates["60 Hz", page], rates["uncapped", page]
        print(f"{name:22} {fps:9.1f} {cpu:9.2f} {fps_u:9.1f} {cpu_u:9.2f}  {statistics.median(first):6.0f}; "
              + ", ".join(f"{t:.0f}" for t in first))
    ratio = [rates[c, "/index.html"][i] / rates[c, "/bench/bare.html"][i] for c in ("60 Hz", "uncapped") for i in (0, 1)]
    print(f"{'viewer / bare':22} {ratio[0]:9.2f} {ratio[1]:9.2f} {ratio[2]:9.2f} {ratio[3]:9.2f}  "
          f"{statistics.median(viewer_first) / statistics.median(bare_first):6.2f}")
    print(f"load average when done: {os.getloadavg()[0]:.2f}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
