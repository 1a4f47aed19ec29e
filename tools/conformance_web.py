#!/usr/bin/python3
"""The web build as the third side of scripts/conformance: opens the page in headless Chromium, takes the
mouse with a click, gives it the input of each step of a run (the steps.tsv that scripts/conformance wrote)
and saves the canvas after each step as <step>.web.png beside the Linux and Wine pictures; appends the
step's state ("drawn", or why not) to web-steps.tsv. tools/conformance_report.py compares them.

    conformance_web.py OUT_WEB RUN_DIR [QUERY]      QUERY: "?fur=none" for the run without the fur

The input words are the script's: "move DX DY" (one mouseMoved DX, DY from the last: movementX/Y), "in N"
/ "out N" (N wheel notches, each read in a frame of its own), "key KEY". After a step the picture is taken
once three more frames are drawn and two captures agree.
"""
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import headless_page as hp  # noqa: E402


def send(page, input_):
    for word in input_.split(";"):
        word = word.split()
        if not word:
            continue
        if word[0] == "move":
            page.move(int(word[1]), int(word[2]))
        elif word[0] in ("in", "out"):
            page.wheel(int(word[1]) if word[0] == "in" else -int(word[1]))
        elif word[0] == "key":
            page.key(word[1])
        else:
            raise SystemExit(f"conformance_web.py: unknown input {' '.join(word)!r}")


def main():
    if len(sys.argv) not in (3, 4):
        raise SystemExit(__doc__)
    out_web, run = Path(sys.argv[1]), Path(sys.argv[2])
    query = sys.argv[3] if len(sys.argv) == 4 else ""
    steps = [row.split("\t") for row in (run / "steps.tsv").read_text().splitlines()]
    states = []
    with hp.Served({"/": out_web}) as served, hp.Chromium() as browser:
        page = browser.open(served.url("/index.html" + query))
        page.wait_for_frames(3)
        # The conformance run's pointer starts near the top of the window, at (512, 60).
        page.click(512, 60)
        page.wait_for(lambda p: p.status() == "Running.", 'the status "Running." after a click')
        for name, input_, _what, _state in steps:
            try:
                send(page, input_)
                page.settled_picture().save(run / f"{name}.web.png")
                states.append((name, "drawn"))
            except hp.PageError as e:
                states.append((name, f"not drawn: {e}"))
                print(f"web step {name}: {e}", file=sys.stderr)
                break
            print(f"web step {name}: drawn")
        page.key("Escape")
    (run / "web-steps.tsv").write_text("".join(f"{n}\t{s}\n" for n, s in states))


if __name__ == "__main__":
    main()
