"""What the web test scripts share: a case's failure and check, the status lines read from a picture, and
the page's own server (serve.py), and the main that checks its arguments, skips (77, saying why) when the page is not built, runs the one case
named and prints how it ended. Needs tools/ on sys.path (conformance_report)."""
import subprocess
import sys
import urllib.error
import urllib.request
from pathlib import Path

import conformance_report as report

SKIP = 77
PAGE_FILES = ("index.html", "viewer.js", "viewer.wasm", "viewer.data")
SERVE = Path(__file__).resolve().parent.parent.parent / "platform/web/serve.py"


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def status_lines(picture):
    """The six status lines as tesseract reads them."""
    return report.ocr(picture, [(24, top - 3, report.TEXT_AREA[2], top + 27) for top in report.LINE_TOPS])


class PageServer:
    """platform/web/serve.py serving a folder, as scripts/web runs it."""

    def __init__(self, folder):
        self.folder = folder

    def __enter__(self):
        self.process = subprocess.Popen([sys.executable, str(SERVE), str(self.folder), "0"], stdout=subprocess.PIPE,
                                        stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL, text=True)
        self.base = self.process.stdout.readline().strip()
        check(self.base.startswith("http://127.0.0.1:"), f"serve.py did not say its address: {self.base!r}")
        return self

    def get(self, path, gzip_too=True):
        """(status, headers, body as sent) of a GET of `path`."""
        request = urllib.request.Request(self.base + path.lstrip("/"),
                                         headers={"Accept-Encoding": "gzip" if gzip_too else "identity"})
        try:
            with urllib.request.urlopen(request, timeout=30) as response:
                return response.status, response.headers, response.read()
        except urllib.error.HTTPError as e:
            return e.code, e.headers, e.read()

    def __exit__(self, *exc):
        self.process.terminate()
        self.process.wait(10)


def run(cases, failures):
    """Runs sys.argv's case (OUT_WEB CASE) of `cases`; an exception of the `failures` classes fails it."""
    if len(sys.argv) != 3 or sys.argv[2] not in cases:
        print(f"usage: {sys.argv[0]} OUT_WEB CASE\ncases: {', '.join(cases)}", file=sys.stderr)
        return 2
    out_web, case = Path(sys.argv[1]), sys.argv[2]
    missing = [f for f in PAGE_FILES if not (out_web / f).is_file()]
    if missing:
        print(f"SKIPPED: {out_web} has no built page ({', '.join(missing)} missing): scripts/web --build-only "
              "did not run or did not build it", file=sys.stderr)
        return SKIP
    try:
        cases[case](out_web)
    except failures as e:
        print(f"FAIL: {e}", file=sys.stderr)
        return 1
    print(f"ok: {case}")
    return 0
