#!/usr/bin/python3
"""The web zip as a user meets it: unpacked into a temporary folder and served, folder and all, below a
path of a static server on 127.0.0.1 (as one puts it on any web site), its page runs in headless Chromium:
the window's title, frames presented, the fur loaded from the packed viewer.data (no refusal on the
console, the box textured where the Linux build's first frame has it) and nothing thrown. Skipped (77)
where the tree has no scripts/web, so that scripts/package made no web zip.

    web_zip_runs_in_chromium.py <viewer-<version>-web.zip> <reference.png>
"""
import sys
import tempfile
import zipfile
from pathlib import Path

SOURCE = Path(__file__).resolve().parent.parent.parent
sys.path.insert(0, str(SOURCE / "tools"))
import conformance_report as report  # noqa: E402
import headless_page as hp  # noqa: E402
import numpy as np  # noqa: E402
from PIL import Image  # noqa: E402


def fail(message):
    print(f"FAIL: {message}", file=sys.stderr)
    sys.exit(1)


def main():
    if len(sys.argv) != 3:
        fail(f"usage: {sys.argv[0]} <zip> <reference.png>")
    zip_path, reference = Path(sys.argv[1]), Path(sys.argv[2])
    if not zip_path.exists() and not (SOURCE / "scripts/web").exists():
        print("SKIPPED: this tree has no scripts/web, so scripts/package made no web zip", file=sys.stderr)
        return 77
    if not zip_path.is_file():
        fail(f"{zip_path} does not exist: run scripts/package")
    with tempfile.TemporaryDirectory(prefix="viewer-web-zip.") as work:
        zipfile.ZipFile(zip_path).extractall(work)
        folder = zip_path.stem
        try:
            with hp.Served({"/some/site/": work}) as served, hp.Chromium() as browser:
                page = browser.open(served.url(f"/some/site/{folder}/index.html"))
                page.wait_for_frames(3)
                picture = page.settled_picture()
                page.pump()
                page.check_sound()
                title, console = page.title(), page.console
        except hp.PageError as e:
            fail(f"the unpacked page: {e}")
    if title != "Our First Direct3D Program":
        fail(f"the page's title is {title!r}")
    refused = [text for _, text in console if "tex_fur.png" in text or "bump.bmp" in text]
    if refused:
        fail(f"an image was refused: {refused}")
    linux = np.asarray(Image.open(reference).convert("RGB")).astype(np.int16)
    figures, failures = report.box_figures(linux, np.asarray(picture).astype(np.int16))
    if failures:
        fail(f"the box against the Linux build's first frame: {'; '.join(failures)}")
    print(f"{zip_path.name}: the page runs from /some/site/{folder}/ and shows the textured box "
          f"(mean difference {figures['mean']:.3f} %)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
