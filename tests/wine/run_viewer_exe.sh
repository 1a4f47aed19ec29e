#!/usr/bin/env bash
# Wine test of the Windows build: runs viewer.exe under Wine (64-bit loader, a fresh prefix in a temporary
# folder) on the X display in DISPLAY with assets/ as its working directory, waits for its window, optionally
# saves a screenshot of it, presses Esc and expects the program to end with exit code 0.
#
#   run_viewer_exe.sh <viewer.exe> <assets dir> [<screenshot.png> [<seconds to wait before it>]]
#
# WINE_DLL_OVERRIDES, when set, is added to Wine's DLL overrides: "d3dx9_43=d" switches Wine's own D3DX
# off, so that a viewer.exe that still needed it could not start.
set -uo pipefail

DRAW_TIMEOUT=60
source "$(dirname "${BASH_SOURCE[0]}")/wine_viewer.sh"

[ $# -ge 2 ] || fail "usage: $0 <viewer.exe> <assets dir> [<screenshot.png> [<delay>]]"
exe="$(realpath -m "$1")"
assets="$(realpath -m "$2")"
shot="${3:-}"
shot_delay="${4:-2}"

[ -f "$exe" ] || fail "$exe does not exist: build the Windows build first (scripts/test does)"
[ -d "$assets" ] || fail "$assets is not a directory"
[ -x "$WINE" ] || fail "$WINE not found (Debian package wine64)"
[ -n "${DISPLAY:-}" ] || fail "DISPLAY is not set: run on a virtual display (scripts/test starts one)"

work="$(mktemp -d "${TMPDIR:-/tmp}/viewer-wine.XXXXXX")"
CLEANUP_ACTIONS+=("rm -rf '$work'")
log="$work/log"
start=$SECONDS
wine_start -o "${WINE_DLL_OVERRIDES:-}" "$work/prefix" "$exe" "$assets" "$log"
echo "window $window appeared after $((SECONDS - start)) s"

if [ -n "$shot" ]; then
    # Until its first Present the window is one flat colour; on a loaded machine that can take longer
    # than the delay, so the picture is taken again until it shows something.
    sleep "$shot_delay"
    mkdir -p "$(dirname "$shot")"
    start=$SECONDS
    while :; do
        import -window "$window" "$shot" || fail "could not take a screenshot of window $window"
        spread="$(convert "$shot" -format '%[fx:standard_deviation]' info: 2>/dev/null)"
        awk -v s="${spread:-0}" 'BEGIN { exit !(s > 0.01) }' && break
        [ $((SECONDS - start)) -lt $DRAW_TIMEOUT ] || fail "window $window shows nothing ${DRAW_TIMEOUT} s after it appeared"
        sleep 0.5
    done
    echo "screenshot: $shot"
fi

wine_end_with_esc "$log"
echo "viewer.exe ended with exit code 0 after Esc"
