#!/usr/bin/env bash
# The Debian package as a user meets it: unpacked (dpkg-deb -x) into a temporary root, its launcher is
# started from another, empty folder on the X display in DISPLAY. It must find the program and the images
# from its own place, so the window shows the textured box and the six status lines of the reference
# picture; Esc then ends the program with exit code 0. The launcher replaces itself with the program, so
# the window belongs to the launcher's process.
#
#   deb_launcher_shows_the_box.sh <package.deb> <package name> <reference.png>
set -uo pipefail
source "$(dirname "$0")/../../scripts/lib/common.sh"
source "$(dirname "$0")/package_test.sh"

TITLE="Our First Direct3D Program"
package_arguments 3 "<package.deb> <package name> <reference.png>" "$@"
deb="$1" name="$2" reference="$3"
[ -n "${DISPLAY:-}" ] || fail "DISPLAY is not set: run on a virtual display (scripts/test starts one)"

work="$(mktemp -d "${TMPDIR:-/tmp}/viewer-deb.XXXXXX")"
CLEANUP_ACTIONS+=("rm -rf '$work'")
mkdir "$work/root" "$work/elsewhere"
dpkg-deb -x "$deb" "$work/root" || fail "dpkg-deb could not unpack $deb"

(cd "$work/elsewhere" && exec "$work/root/usr/bin/$name") >"$work/log" 2>&1 </dev/null &
pid=$!
CLEANUP_ACTIONS=("kill -KILL $pid 2>/dev/null" "${CLEANUP_ACTIONS[@]}")
if ! window="$(wait_for_window "$pid" "$TITLE" 60)"; then
    cat "$work/log" >&2
    fail "no window titled \"$TITLE\" of the launcher's process within 60 s"
fi
sleep 2
import -window "$window" "$work/window.png" || fail "could not take a picture of window $window"
size="$(identify -format '%wx%h' "$work/window.png")"
[ "$size" = 1024x768 ] || fail "the window is $size, expected 1024x768"

# The same program on the same renderer: the picture matches the reference to within rounding, with a
# mean difference under one level in 256 (an untextured box is off by more than two) and fewer than 0.5 %
# of the pixels clearly different.
mae="$(compare -metric MAE "$work/window.png" "$reference" null: 2>&1 | sed -n 's/.*(\([0-9.e+-]*\)).*/\1/p')"
far="$(compare -metric AE -fuzz 10% "$work/window.png" "$reference" null: 2>&1)"
echo "difference from the reference: mean $mae, pixels clearly different: $far"
awk -v m="$mae" -v f="$far" 'BEGIN { exit !(m != "" && m < 1 / 256 && f < 1024 * 768 / 200) }' ||
    fail "the picture differs from the reference (mean $mae, limit 0.0039; $far pixels, limit 3932)"

press_key "$window" Escape
wait_for_exit "$pid" 20
code=$?
[ "$code" -eq 0 ] || { cat "$work/log" >&2; fail "the program ended with code $code after Esc, expected 0"; }
echo "the program ended with exit code 0 after Esc"
