#!/usr/bin/env bash
# Wine test of the Windows build's picture: viewer.exe's first frames under Wine, scaled back from the
# window's client area to the 1024 x 768 back buffer, against the reference picture the Linux build is
# tested with. Two independent implementations of Direct3D 9 (Wine's and ours) must show the same box and
# the same status text: the mean difference stays under 1 % of the colour range (scaling and the two text
# rasterisers account for about 0.5 %; an untextured box makes 1.3 %), the box is where the reference has
# it, and each of the six status lines has its glyphs in its own row (a picture without the text differs
# from the reference by only 0.53 %, within the mean's bound).
#
#   picture_matches_reference.sh <viewer.exe> <assets dir> <reference.png>
set -uo pipefail

fail() {
    printf 'FAIL: %s\n' "$*" >&2
    exit 1
}
[ $# -eq 3 ] || fail "usage: $0 <viewer.exe> <assets dir> <reference.png>"
here="$(cd "$(dirname "$0")" && pwd)"
work="$(mktemp -d "${TMPDIR:-/tmp}/viewer-wine-picture.XXXXXX")"
trap 'rm -rf "$work"' EXIT

"$here/run_viewer_exe.sh" "$1" "$2" "$work/window.png" 3 || fail "viewer.exe did not run to the end"
convert "$work/window.png" -resize '1024x768!' "$work/frame.png" || fail "could not scale the picture"

# compare prints "absolute (normalised)" and exits 1 when the pictures differ at all.
mae="$(compare -metric MAE "$work/frame.png" "$3" null: 2>&1 | sed -n 's/.*(\([0-9.e+-]*\)).*/\1/p')"
[ -n "$mae" ] || fail "compare gave no difference for $work/frame.png"
echo "mean absolute difference from the reference: $mae"
awk -v m="$mae" 'BEGIN { exit !(m < 0.01) }' || fail "the picture differs from the reference by $mae (limit 0.01)"

# The box: the bottom rows in the middle are lit, the middle of the picture is black.
bottom="$(convert "$work/frame.png" -crop 200x40+412+720 -colorspace Gray -format '%[fx:mean]' info:)"
middle="$(convert "$work/frame.png" -crop 200x200+412+284 -colorspace Gray -format '%[fx:mean]' info:)"
echo "box rows: $bottom, middle: $middle"
awk -v b="$bottom" -v m="$middle" 'BEGIN { exit !(b > 0.05 && m < 0.01) }' ||
    fail "the box is not below the centre (bottom $bottom, middle $middle)"

# The six status lines, 30 pixels apart from 30 down: in each line's row from the left edge 30, glyph pixels
# (above 40 % grey) cover 2.7 to 11.6 % with Wine's D3DX or ours, and none without the text.
for top in 30 60 90 120 150 180; do
    glyphs="$(convert "$work/frame.png" -crop "380x24+30+$top" -colorspace Gray -threshold 40% -format '%[fx:mean]' info:)"
    awk -v g="$glyphs" 'BEGIN { exit !(g > 0.01) }' || fail "no status line at top $top (glyph pixels: $glyphs)"
done
echo "six status lines drawn"
