#!/usr/bin/python3
"""Compares the pictures scripts/conformance took of the Linux build and of viewer.exe under Wine (and, where
the run has them, of the self-contained viewer.exe under Wine with Wine's D3DX off: <step>.standalone.png,
held to the same bounds as Wine's; and of the web build in headless Chromium: <step>.web.png), step by
step, within the bounds that docs/conformance.md explains; writes index.html and the difference pictures next to them, prints the
table and exits with 1 when any step is out of bounds.

    conformance_report.py OUT_DIR     OUT_DIR holds one folder per run (steps.tsv and the pictures)

It then checks the bounds themselves: faults made on the Linux pictures of the steps within bounds (the
picture half a pixel off, a status line two pixels lower) and pictures of the same pose with another filter
or shade mode must all fall out of bounds; if one does not, the bounds are too loose and it exits with 1.

The Linux picture is the 1024 x 768 back buffer; Wine's is its client area, to which its Present scales the
back buffer. The Linux picture is scaled the same way (linear) before anything is compared. In the run
named "framed" (made under a window manager whose frame is Wine's size) both pictures are the client
area, 1016 x 741, into which each side's Present scaled its back buffer: they are compared as they are,
within the same bounds, and a Linux picture of another size fails the step. The web build's
picture is its 1024 x 768 canvas, compared as it is. Against the web build the bounding box, the mean
(but where the fur is filtered anisotropically: WEB_ANISOTROPIC_MEAN_MAX), and the reading and the place
of the text are bounds as against Wine; the share of far-off pixels is shown but does not fail a step
(SwiftShader's edges), and the faults made on the pictures are checked against Wine only.
"""
import html
import io
import subprocess
import sys
from pathlib import Path

import numpy as np
from PIL import Image

BACK_BUFFER = (1024, 768)

# Bounds (docs/conformance.md says why each is what it is).
BOX_LEVEL = 8 / 255  # a pixel belongs to the box when a channel is above this (the background is black)
BOX_MEAN_MAX = 0.1  # mean absolute difference over the box region, % of the colour range
OFF_LEVEL = 32  # a pixel is "off" when a channel differs by more than this many levels of 255
BOX_OFF_MAX = 0.02  # share of box pixels that are off, %
BBOX_MAX = 1  # the box's bounding boxes: each edge within this many pixels
# Against the web build (headless Chromium's WebGL 2 on SwiftShader): where the fur is filtered
# anisotropically, the browser's own anisotropic filter decides, which is not llvmpipe's (at the start pose:
# point 0.032 %, linear 0.090 %, anisotropic 0.514 %), so the mean is held to this instead; and SwiftShader
# places edges with 4 bits below the pixel, llvmpipe with 8, so a few edge pixels more or less are lit on a
# diagonal edge (up to 0.073 % off): the share of far-off pixels is shown, but does not fail a step.
WEB_ANISOTROPIC_MEAN_MAX = 0.8
GLYPH_LEVEL = 96  # a pixel of a line's glyphs: all channels at least this (the text is white)
GLYPH_EDGE_MAX = 1  # a line that reads right on both sides: left, top and bottom of its glyphs within this
GLYPH_RIGHT_MAX = 3  # and its right end within this (the two rasterisers round each advance their own way)
STAND_OUT = 32  # over the box, a pixel of drawn text lies this far outside the box's range just above and below
STAND_OUT_NONE = 10  # at most this many such pixels: the line is not drawn over the box

# The six status lines: top edge in back-buffer pixels; the left edge is 30, the cell 24 pixels high.
LINE_TOPS = [30, 60, 90, 120, 150, 180]
TEXT_AREA = (24, 26, 420, 210)  # left, top, right, bottom in back-buffer pixels: all six lines


def expected_lines(steps):
    """The status lines each step must show, from the start and the input: FOV, filter and shade mode follow
    the documented cycles; the eye does not move (no movement keys). The depth line is one of its two
    labels: which F7 press switches depth testing off is the program's choice, not the platform's."""
    fov, filt, shade = 45, 3, 2
    filters = {1: "point", 2: "linear", 3: "anisotropic"}
    shades = {1: "flat", 2: "gouraud", 3: "phong"}
    result = []
    for step in steps:
        for word in step["input"].split(";"):
            word = word.split()
            if not word:
                continue
            if word[0] in ("in", "out"):
                for _ in range(int(word[1])):
                    # fov - lZ * 0.01, truncated towards zero; a notch is 120.
                    change = -1.2 if word[0] == "in" else 1.2
                    fov = int(np.float32(np.float32(fov) + np.float32(change)))
            elif word[0] == "key" and word[1] == "F8":
                filt = 1 if filt == 3 else filt + 1
            elif word[0] == "key" and word[1] == "F9":
                shade = 1 if shade == 3 else shade + 1
        result.append([
            ["X axis: 0.000000"],
            ["Z axis: 18.000000"],
            [f"FOV: {fov}"],
            ["Z Buffer: enabled (F7)", "Z Buffer: disabled (F7)"],
            [f"Filtering: {filters[filt]} (F8)"],
            [f"Shading: {shades[shade]} (F9)"],
        ])
    return result


def scaled_box(box, size):
    sx, sy = size[0] / BACK_BUFFER[0], size[1] / BACK_BUFFER[1]
    return (round(box[0] * sx), round(box[1] * sy), round(box[2] * sx), round(box[3] * sy))


def tesseract(image, mode):
    png = io.BytesIO()
    image.save(png, "PNG")
    return subprocess.run(["tesseract", "stdin", "stdout", "--psm", mode, "-l", "eng"], input=png.getvalue(),
                          capture_output=True, check=True).stdout.decode(errors="replace")


def ocr(picture, boxes):
    """Reads lines of white text on a dark ground, each cut out of the picture by its box, inverted and
    enlarged three times; all in one block (tesseract starts slowly), or one by one when the block does not
    come back as one line each. An empty box reads as ""."""
    lines = []
    for box in boxes:
        if box[2] - box[0] < 20:
            lines.append(None)
            continue
        line = picture.crop(box).convert("L")
        lines.append(Image.eval(line, lambda v: 255 - v).resize((line.width * 3, line.height * 3), Image.LANCZOS))
    cut = [line for line in lines if line is not None]
    if not cut:
        return [""] * len(boxes)
    block = Image.new("L", (max(l.width for l in cut) + 40, sum(l.height + 30 for l in cut) + 10), 255)
    y = 20
    for line in cut:
        block.paste(line, (20, y))
        y += line.height + 30
    read = [" ".join(t.split()) for t in tesseract(block, "6").splitlines() if t.strip()]
    if len(read) != len(cut):
        read = []
        for line in cut:
            framed = Image.new("L", (line.width + 40, line.height + 40), 255)
            framed.paste(line, (20, 20))
            read.append(" ".join(tesseract(framed, "7").split()))
    read.reverse()
    return ["" if line is None else read.pop() for line in lines]


def same_start(a, b):
    """Whether two readings of a line cut off at the box say the same: the box cuts a glyph, which each side
    reads its own way, so the last two characters do not count, and one may reach further than the other."""
    a, b = a[:-2], b[:-2]
    return a.startswith(b) or b.startswith(a)


def bounding_box(mask):
    ys, xs = np.nonzero(mask)
    if len(xs) == 0:
        return None
    return (int(xs.min()), int(ys.min()), int(xs.max()), int(ys.max()))


def scaled_to(picture, size):
    return np.asarray(picture.convert("RGB").resize(size, Image.BILINEAR)).astype(np.int16)


def box_figures(a, b, mean_max=BOX_MEAN_MAX, off_fails=True):
    """The box region's mean difference and share of far-off pixels, and both bounding boxes; with the
    failures among them (the mean against `mean_max`; the share only where `off_fails`)."""
    h, w = a.shape[:2]
    left, top, right, bottom = scaled_box(TEXT_AREA, (w, h))
    text = np.zeros((h, w), bool)
    text[top:bottom, left:right] = True
    box_a = (a.max(2) > BOX_LEVEL * 255) & ~text
    box_b = (b.max(2) > BOX_LEVEL * 255) & ~text
    region = box_a | box_b
    diff = np.abs(a - b)
    r = {"mean": 0.0, "off": 0.0, "bbox_linux": bounding_box(box_a), "bbox_wine": bounding_box(box_b)}
    failures = []
    if region.any():
        r["mean"] = float(diff[region].mean() / 255 * 100)
        r["off"] = float((diff.max(2)[region] > OFF_LEVEL).mean() * 100)
    if r["mean"] > mean_max:
        failures.append(f"box mean difference {r['mean']:.3f} % > {mean_max} %")
    if off_fails and r["off"] > BOX_OFF_MAX:
        failures.append(f"{r['off']:.3f} % of box pixels off by more than {OFF_LEVEL} > {BOX_OFF_MAX} %")
    if (r["bbox_linux"] is None) != (r["bbox_wine"] is None):
        failures.append("the box shows on one side only")
    elif r["bbox_linux"] is not None:
        r["bbox_diff"] = max(abs(p - q) for p, q in zip(r["bbox_linux"], r["bbox_wine"]))
        if r["bbox_diff"] > BBOX_MAX:
            failures.append(f"bounding boxes {r['bbox_diff']} px apart > {BBOX_MAX}")
    return r, failures


def glyphs_apart(a, b, line_box):
    """Whether the glyphs of one status line (line_box in the pictures' pixels) stand elsewhere on the two
    sides, and their rectangles."""
    x0, y0, x1, y1 = line_box
    box_l, box_w = (bounding_box(pic[y0:y1, x0:x1].min(2) >= GLYPH_LEVEL) for pic in (a, b))
    if not (box_l and box_w):
        return False, box_l, box_w
    apart = [abs(p - q) for p, q in zip(box_l, box_w)]
    return max(apart[0], apart[1], apart[3]) > GLYPH_EDGE_MAX or apart[2] > GLYPH_RIGHT_MAX, box_l, box_w


def compare_step(linux_path, wine_path, expected, diff_path, other="wine", anisotropic_fur=False, framed=False):
    """Compares the Linux picture with the other side's (`other`: "wine", "standalone" or "web"; against the
    web, with the web's bounds, `anisotropic_fur` where the fur is drawn with the anisotropic filter).
    `framed`: both pictures are client areas of the same size, compared as they are."""
    there = {"wine": "under Wine", "standalone": "in the self-contained viewer.exe", "web": "in the browser"}[other]
    wine = Image.open(wine_path).convert("RGB")
    size = wine.size
    linux = Image.open(linux_path).convert("RGB")
    size_failure = None
    if framed and linux.size != size:
        size_failure = "framed: the Linux client area is {}x{}, {}x{} {}".format(*linux.size, *size, there)
    linux = linux.resize(size, Image.BILINEAR)
    a = np.asarray(linux).astype(np.int16)
    b = np.asarray(wine).astype(np.int16)
    Image.fromarray(np.clip(np.abs(a - b) * 4, 0, 255).astype(np.uint8)).save(diff_path)
    if other == "web":
        r, failures = box_figures(a, b, WEB_ANISOTROPIC_MEAN_MAX if anisotropic_fur else BOX_MEAN_MAX, False)
        if r["off"] > BOX_OFF_MAX:
            r.setdefault("notes", []).append(f"{r['off']:.3f} % of box pixels off")
        if anisotropic_fur:
            r.setdefault("notes", []).append("anisotropic fur: the browser's filter")
    else:
        r, failures = box_figures(a, b)
    if size_failure:
        failures.insert(0, size_failure)

    lines = []
    for i, line_top in enumerate(LINE_TOPS):
        x0, y0, x1, y1 = scaled_box((24, line_top - 3, TEXT_AREA[2], line_top + 27), size)
        # The 5 rows above and below a line's cell hold no text: where both are lit, the box is behind the
        # line (columns where the box is nearly white do not count: white text cannot stand out there);
        # where either is, the box is near, and OCR reads only the line's part left of it.
        above = slice(*scaled_box((0, line_top - 5, 0, line_top), size)[1::2])
        below = slice(*scaled_box((0, line_top + 25, 0, line_top + 30), size)[1::2])
        stand_out = []
        behind, near = np.zeros(x1 - x0, bool), np.zeros(x1 - x0, bool)
        too_bright = np.zeros(x1 - x0, bool)
        for pic in (a, b):
            grey = pic[:, x0:x1].min(2)
            lit_above = pic[above, x0:x1].max(2) > BOX_LEVEL * 255
            lit_below = pic[below, x0:x1].max(2) > BOX_LEVEL * 255
            behind |= lit_above.all(0) & lit_below.all(0)
            near |= lit_above.any(0) | lit_below.any(0)
            # Text stands out of the box: brighter than its brightest pixel in the same column just above
            # and below the line, or darker than its darkest (Wine draws glyph edges dark).
            bright = pic[:, x0:x1].max(2)
            top_of_box = np.maximum(bright[above].max(0), bright[below].max(0))
            bottom_of_box = np.minimum(grey[above].min(0), grey[below].min(0))
            # White text can only stand out where the box is well below white.
            too_bright |= top_of_box > 255 - 2 * STAND_OUT
            stand_out.append((grey[y0:y1] > top_of_box + STAND_OUT) | (bright[y0:y1] < bottom_of_box - STAND_OUT))
        free = int(np.argmax(near)) - 3 if near.any() else x1 - x0
        behind &= ~too_bright
        counts = tuple(int(w[:, behind].sum()) for w in stand_out)
        lines.append({"stand_out": counts, "behind": int(behind.sum()), "near": bool(near.any()),
                      "box": (x0, y0, x1, y1), "ocr_box": (x0, y0, x0 + max(free, 0), y1)})
    reads = [ocr(pic, [l["ocr_box"] for l in lines]) for pic in (linux, wine)]
    for i, line in enumerate(lines):
        line["linux"], line["wine"] = reads[0][i], reads[1][i]
        reads_i, counts = (line["linux"], line["wine"]), line["stand_out"]
        if not line["near"]:
            line["how"] = "reads"
            if reads_i[0] not in expected[i] or reads_i[1] not in expected[i] or reads_i[0] != reads_i[1]:
                line["how"] = "misread"
                failures.append(f"line {i + 1} reads \"{reads_i[0]}\" here, \"{reads_i[1]}\" {there}")
            apart, box_l, box_w = glyphs_apart(a, b, line["box"])
            if apart:
                failures.append(f"line {i + 1} stands elsewhere: its text spans {box_l} here, {box_w} {there}")
        else:
            # Next to the box the part left of it must read the same; over the box OCR misreads, and the
            # pixels that stand out of the box where the text stands say whether it is drawn.
            line["how"] = "over the box"
            if not same_start(*reads_i):
                failures.append(f"line {i + 1} left of the box reads \"{reads_i[0]}\" here, \"{reads_i[1]}\" "
                                f"{there}")
            drawn = [c > STAND_OUT_NONE for c in counts]
            if drawn[0] != drawn[1]:
                failures.append(f"line {i + 1} over the box: drawn {'here' if drawn[0] else there} only "
                                f"({counts[0]} pixels stand out here, {counts[1]} {there})")
    r["lines"] = lines
    r["failures"] = failures
    return r


def check_bounds(run, steps, within):
    """Faults made on the pictures of the steps within bounds, each of which the bounds must catch."""
    results = []
    for i, step in enumerate(steps):
        if not within[i]:
            continue
        base = run / step["name"]
        wine = Image.open(f"{base}.wine.png").convert("RGB")
        b = np.asarray(wine).astype(np.int16)
        linux = Image.open(f"{base}.linux.png").convert("RGB")

        # Pixel centres half a pixel off, in x: the picture moves by half a pixel.
        shifted = linux.transform(linux.size, Image.AFFINE, (1, 0, -0.5, 0, 1, 0), Image.BILINEAR)
        r, failures = box_figures(scaled_to(shifted, wine.size), b)
        results.append(("half a pixel off in x", step["name"], f"mean {r['mean']:.3f} %, off {r['off']:.3f} %",
                        bool(failures)))

        # Status line 3 drawn two pixels lower.
        moved = np.asarray(linux).copy()
        cell = slice(LINE_TOPS[2] - 3, LINE_TOPS[2] + 27)
        moved[LINE_TOPS[2] - 1:LINE_TOPS[2] + 29] = moved[cell]
        moved[cell.start:cell.start + 2] = 0
        x0, y0, x1, y1 = scaled_box((24, LINE_TOPS[2] - 3, TEXT_AREA[2], LINE_TOPS[2] + 27), wine.size)
        apart, box_l, box_w = glyphs_apart(scaled_to(Image.fromarray(moved), wine.size), b, (x0, y0, x1, y1 + 3))
        results.append(("status line 3 two pixels lower", step["name"], f"glyphs {box_l} against {box_w}",
                        apart))

        # The same pose in another filter or shade mode: the step before, which only pressed F8 or F9.
        # Only where the mode shows under Wine: without a texture the filter changes nothing.
        before = None
        if i > 0 and within[i - 1] and step["input"] in ("key F8", "key F9"):
            before = np.asarray(Image.open(f"{run / steps[i - 1]['name']}.wine.png").convert("RGB")).astype(np.int16)
        if before is not None and box_figures(before, b)[1]:
            r, failures = box_figures(scaled_to(linux, wine.size), before)
            what = "filter" if step["input"] == "key F8" else "shade mode"
            results.append((f"the {what} before {step['input'][4:]}", step["name"],
                            f"mean {r['mean']:.3f} %, off {r['off']:.3f} %", bool(failures)))
    return results


def load_steps(run_dir):
    steps = []
    for row in (run_dir / "steps.tsv").read_text().splitlines():
        name, input_, what, state = row.split("\t")
        steps.append({"name": name, "input": input_, "what": what, "state": state})
    return steps


def fmt_box(box):
    return "none" if box is None else "{},{}–{},{}".format(*box)


def main():
    out = Path(sys.argv[1])
    order = {"textured": 0, "no-fur": 1, "framed": 2}
    runs = [d for d in sorted(out.iterdir(), key=lambda d: (order.get(d.name, 3), d.name))
            if (d / "steps.tsv").exists()]
    rows, checks = [], []
    for run in runs:
        steps = load_steps(run)
        web_states = {}
        if (run / "web-steps.tsv").exists():
            web_states = dict(row.split("\t", 1) for row in (run / "web-steps.tsv").read_text().splitlines())
        for step, expected in zip(steps, expected_lines(steps)):
            base = run / step["name"]
            r = compare_step(f"{base}.linux.png", f"{base}.wine.png", expected, f"{base}.diff.png",
                             framed=run.name == "framed")
            if step["state"] != "drawn":
                r["failures"].insert(0, f"input {step['state']}")
            rows.append((run.name, "wine", step, r))
        within = [not r["failures"] for name, side, _, r in rows if name == run.name and side == "wine"]
        checks += [(run.name, *c) for c in check_bounds(run, steps, within)]
        if (run / f"{steps[0]['name']}.standalone.png").exists():
            for step, expected in zip(steps, expected_lines(steps)):
                base = run / step["name"]
                r = compare_step(f"{base}.linux.png", f"{base}.standalone.png", expected,
                                 f"{base}.standalone-diff.png", other="standalone")
                if step["state"] != "drawn":
                    r["failures"].insert(0, f"input {step['state']}")
                rows.append((run.name, "standalone", step, r))
        if web_states:
            for step, expected in zip(steps, expected_lines(steps)):
                base = run / step["name"]
                state = web_states.get(step["name"], "not drawn: the web run stopped before this step")
                if state == "drawn":
                    anisotropic = run.name == "textured" and expected[4] == ["Filtering: anisotropic (F8)"]
                    r = compare_step(f"{base}.linux.png", f"{base}.web.png", expected, f"{base}.web-diff.png",
                                     other="web", anisotropic_fur=anisotropic)
                else:
                    r = {"mean": 0.0, "off": 0.0, "bbox_linux": None, "bbox_wine": None, "lines": [],
                         "failures": [f"input {state}"]}
                rows.append((run.name, "web", step, r))

    print(f"{'run':9} {'against':10} {'step':24} {'mean %':>7} {'off %':>6} {'bbox px':>7}  text    result")
    for run, side, step, r in rows:
        text = "".join({"reads": "r", "over the box": "w"}.get(l["how"], "x") for l in r["lines"]) or "-" * 6
        result = "ok" if not r["failures"] else "FAIL: " + "; ".join(r["failures"])
        if r.get("notes"):
            result += " (" + "; ".join(r["notes"]) + ")"
        print(f"{run:9} {side:10} {step['name']:24} {r['mean']:7.3f} {r['off']:6.3f} {r.get('bbox_diff', '-'):>7}  "
              f"{text}  {result}")
    print("text, a letter a line: r reads as it must on both sides; w the box is near: the part left of it "
          "reads the same, and over it the text is drawn on both sides or on neither; x misread")
    if any(run == "framed" for run, _, _, _ in rows):
        print("framed: the textured run under a window manager (openbox, its frame the size of Wine's): the "
              "Linux build's Present scales the back buffer into a 1016 x 741 client area as Wine's does; "
              "the two client areas are compared as they are")
    else:
        print("no framed run: the Linux build's Present into a smaller client area is not compared")
    if not any(side == "standalone" for _, side, _, _ in rows):
        print("no pictures of the self-contained viewer.exe: it is not compared")
    if not any(side == "web" for _, side, _, _ in rows):
        print("no pictures of the web build: compared with Wine only")
    failed = sum(bool(r["failures"]) for _, _, _, r in rows)
    print(f"{len(rows) - failed} of {len(rows)} steps within bounds; report: {out / 'index.html'}")

    missed = [c for c in checks if not c[4]]
    print(f"\nThe bounds catch {len(checks) - len(missed)} of {len(checks)} faults made on the steps within "
          "bounds" + (":" if missed else "."))
    for run, fault, step, figures, _ in missed:
        print(f"  NOT CAUGHT: {fault} at {run}/{step} ({figures})")
    write_html(out, rows, checks)
    return 1 if failed or missed else 0


def write_html(out, rows, checks):
    e = html.escape
    parts = ["<!doctype html><meta charset=utf-8><title>Conformance: Linux build and viewer.exe under Wine"
             "</title><style>body{font:14px sans-serif;background:#222;color:#ddd}img{width:32%}"
             "table{border-collapse:collapse}td,th{border:1px solid #555;padding:2px 6px}"
             ".fail{color:#f66}.ok{color:#6c6}</style>",
             "<h1>Conformance: the Linux build and viewer.exe under Wine</h1>",
             "<p>Per step: the Linux build (its 1024 × 768 back buffer scaled linearly to Wine's client "
             "area), viewer.exe under Wine, and their difference (× 4); below them, where it ran, the same for "
             "the self-contained viewer.exe (our D3DX, Wine's switched off); where the web build ran, below them "
             "the Linux build, the web build's canvas in headless Chromium, and their difference (× 4). "
             "The run <b>framed</b> is the textured run made under a window manager (openbox, with a frame "
             "the size of Wine's): there the Linux build draws offscreen and its Present scales the back buffer "
             "into its 1016 × 741 client area, Wine's size, so the two client areas are compared as they are, "
             "within the same bounds. The other runs have no window manager. "
             "Bounds: docs/conformance.md.</p>",
             "<table><tr><th>run</th><th>against</th><th>step</th><th>input</th><th>box mean %</th><th>off %</th>"
             "<th>bbox Linux</th><th>bbox other</th><th>text (Linux / other)</th><th>result</th></tr>"]
    for run, side, step, r in rows:
        text = "<br>".join(f"{e(l['linux'])} / {e(l['wine'])} <small>({l['how']}; box behind "
                           f"{l['behind']} columns, pixels standing out there {l['stand_out'][0]}/{l['stand_out'][1]})</small>"
                           for l in r["lines"])
        result = ("<span class=ok>ok</span>" if not r["failures"] else
                  "<span class=fail>" + "<br>".join(map(e, r["failures"])) + "</span>")
        parts.append(f"<tr><td>{e(run)}</td><td>{side}</td><td><a href='#{e(run)}-{e(step['name'])}'>{e(step['name'])}</a>"
                     f"</td><td>{e(step['input'])}</td><td>{r['mean']:.3f}</td><td>{r['off']:.3f}</td>"
                     f"<td>{fmt_box(r['bbox_linux'])}</td><td>{fmt_box(r['bbox_wine'])}</td>"
                     f"<td><small>{text}</small></td><td>{result}</td></tr>")
    parts.append("</table><h2>Faults made on the steps within bounds, which the bounds must catch</h2><table>"
                 "<tr><th>run</th><th>fault</th><th>step</th><th>figures</th><th>caught</th></tr>")
    for run, fault, step, figures, caught in checks:
        parts.append(f"<tr><td>{e(run)}</td><td>{e(fault)}</td><td>{e(step)}</td><td>{e(figures)}</td>"
                     f"<td>{'<span class=ok>yes</span>' if caught else '<span class=fail>NO</span>'}</td></tr>")
    parts.append("</table>")
    for run, side, step, r in rows:
        if side != "wine":
            continue
        src = f"{run}/{step['name']}"
        web = Path(out / f"{src}.web.png").exists()
        standalone = Path(out / f"{src}.standalone.png").exists()
        parts.append(f"<h2 id='{e(run)}-{e(step['name'])}'>{e(run)}: {e(step['name'])}</h2>"
                     f"<p>{e(step['what'])} <code>{e(step['input'])}</code></p>"
                     f"<img src='{e(src)}.linux.png' alt='Linux'> <img src='{e(src)}.wine.png' alt='Wine'> "
                     f"<img src='{e(src)}.diff.png' alt='difference'>" +
                     (f"<br><img src='{e(src)}.linux.png' alt='Linux'> <img src='{e(src)}.standalone.png' "
                      f"alt='self-contained viewer.exe'> <img src='{e(src)}.standalone-diff.png' alt='difference'>"
                      if standalone else "") +
                     (f"<br><img src='{e(src)}.linux.png' alt='Linux'> <img src='{e(src)}.web.png' alt='web'> "
                      f"<img src='{e(src)}.web-diff.png' alt='difference'>" if web else ""))
    (out / "index.html").write_text("\n".join(parts))


if __name__ == "__main__":
    sys.exit(main())
