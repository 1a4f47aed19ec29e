#!/usr/bin/python3
"""The web zip as a user meets it: unpacked into a temporary folder and served, folder and all, below a
path of a static server on 127.0.0.1 (as one puts it on any web site), its page runs in headless Chromium:
the window's title, frames presented, the fur loaded from the packed viewer.data (no refusal on the
console, and the box shows the fur's detail, by the measure of the web tests) and nothing thrown. Skipped
(77) where the tree has no scripts/web, so that scripts/package made no web zip.

    web_zip_runs_in_chromium.py <viewer-<version>-web.zip>
"""
import sys
import tempfile
import zipfile
from pathlib import Path

SOURCE = Path(__file__).resolve().parent.parent.parent
sys.path.insert(0, str(SOURCE / "tools"))
sys.path.insert(0, str(SOURCE / "tests/web"))
import headless_page as hp  # noqa: E402
import web_test  # noqa: E402


def fail(message):
    print(f"FAIL: {message}", file=sys.stderr)
    sys.exit(1)


def main():
    if len(sys.argv) != 2:
        fail(f"usage: {sys.argv[0]} <zip>")
    zip_path = Path(sys.argv[1])
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
    detail = web_test.texture_detail(picture)
    if detail < 2:
        fail(f"the box shows no fur: its detail measures {detail:.2f}")
    print(f"{zip_path.name}: the page runs from /some/site/{folder}/ and shows the textured box "
          f"(detail {detail:.2f})")
    return 0


if __name__ == "__main__":
    sys.exit(main())
