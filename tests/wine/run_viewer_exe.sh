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

TITLE="Our First Direct3D Program"
WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver
WINDOW_TIMEOUT=120 # the first start also makes the prefix
EXIT_TIMEOUT=20
DRAW_TIMEOUT=60

fail() {
    printf 'FAIL: %s\n' "$*" >&2
    exit 1
}

[ $# -ge 2 ] || fail "usage: $0 <viewer.exe> <assets dir> [<screenshot.png> [<delay>]]"
exe="$(realpath -m "$1")"
assets="$(realpath -m "$2")"
shot="${3:-}"
shot_delay="${4:-2}"

[ -f "$exe" ] || fail "$exe does not exist: build the Windows build first (scripts/test does)"
[ -d "$assets" ] || fail "$assets is not a directory"
[ -x "$WINE" ] || fail "$WINE not found (Debian package wine64)"
[ -n "${DISPLAY:-}" ] || fail "DISPLAY is not set: run on a virtual display (scripts/test starts one)"

prefix="$(mktemp -d "${TMPDIR:-/tmp}/viewer-wine.XXXXXX")"
log="$prefix.log"
pid=""
finish() {
    if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
        kill -KILL "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    fi
    WINEPREFIX="$prefix" "$WINESERVER" -k >/dev/null 2>&1
    WINEPREFIX="$prefix" "$WINESERVER" -w >/dev/null 2>&1
    rm -rf "$prefix" "$log"
}
trap finish EXIT

export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=${WINE_DLL_OVERRIDES:+;$WINE_DLL_OVERRIDES}"
(cd "$assets" && exec "$WINE" "$exe") >"$log" 2>&1 </dev/null &
pid=$!

# Only a window of this process counts: other tests may have a window with the same title open.
window=""
start=$SECONDS
while [ $((SECONDS - start)) -lt $WINDOW_TIMEOUT ]; do
    if ! kill -0 "$pid" 2>/dev/null; then
        wait "$pid"
        code=$?
        cat "$log" >&2
        fail "viewer.exe ended with code $code before its window appeared"
    fi
    window="$(xdotool search --onlyvisible --pid "$pid" --name "^${TITLE}\$" 2>/dev/null | head -n1)"
    [ -n "$window" ] && break
    sleep 0.5
done
[ -n "$window" ] || fail "no visible window titled \"$TITLE\" within ${WINDOW_TIMEOUT} s"
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

kill -0 "$pid" 2>/dev/null || fail "viewer.exe ended before Esc was pressed"
xdotool key --window "$window" Escape 2>/dev/null || fail "xdotool could not send Esc"

start=$SECONDS
while kill -0 "$pid" 2>/dev/null && [ $((SECONDS - start)) -lt $EXIT_TIMEOUT ]; do
    sleep 0.1
done
kill -0 "$pid" 2>/dev/null && fail "viewer.exe still runs ${EXIT_TIMEOUT} s after Esc"
wait "$pid"
code=$?
pid=""
[ "$code" -eq 0 ] || { cat "$log" >&2; fail "viewer.exe ended with exit code $code after Esc, expected 0"; }
echo "viewer.exe ended with exit code 0 after Esc"
