#!/usr/bin/python3
"""The web build's page as a person sees it, for the README: the whole viewport of headless Chromium at a
desktop's size (1280 x 800) and at a phone's (390 x 844 CSS pixels at device scale 2, a touch screen, so
that the page shows its key buttons), each once the program has drawn a few frames at its start pose.

    web_screenshots.py OUT_WEB [FOLDER]      writes FOLDER/web-desktop.png and FOLDER/web-phone.png
                                             (FOLDER defaults to docs/ of this tree)

Rerun it after a change to the page (scripts/web --build-only first). Needs what tools/headless_page.py
needs.
"""
import sys
from pathlib import Path

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE))
import headless_page as hp  # noqa: E402

SIZES = {  # name: (width, height, device scale, a phone's touch screen)
    "web-desktop.png": (1280, 800, 1, False),
    "web-phone.png": (390, 844, 2, True),
}


def main():
    if len(sys.argv) not in (2, 3):
        print(f"usage: {sys.argv[0]} OUT_WEB [FOLDER]", file=sys.stderr)
        return 2
    out_web = Path(sys.argv[1])
    folder = Path(sys.argv[2]) if len(sys.argv) == 3 else HERE.parent / "docs"
    if not (out_web / "index.html").is_file():
        print(f"{out_web} holds no built page: run scripts/web --build-only", file=sys.stderr)
        return 1
    for name, (width, height, scale, phone) in SIZES.items():
        with hp.Served({"/": out_web}) as served, hp.Chromium() as browser:
            page = browser.open("about:blank")
            page.set_viewport(width, height, scale, phone)
            if phone:
                page.enable_touch()
            page = browser.open(served.url("/index.html"))
            page.wait_for_frames(10)
            page.evaluate("document.activeElement.blur()")  # no focus ring in the picture
            page.wait_for_more_frames(3)
            page.check_sound()
            page.page_picture().save(folder / name, optimize=True)
            print(f"{folder / name}: {width} x {height} at scale {scale}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
