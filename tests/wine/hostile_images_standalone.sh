#!/usr/bin/env bash
# The self-contained viewer.exe (our image readers, stb_image and MinGW's file calls) started under Wine,
# with Wine's D3DX switched off, in a folder whose tex_fur.png is one of the hostile files in
# tests/data/hostile, and once a folder of that name (not a regular file): each time its window comes, it
# runs on, Esc ends it with code 0, and it says at most one line on stderr, naming the file. Which files
# must load is the image loader's unit tests' business.
#
#   hostile_images_standalone.sh <standalone viewer.exe> <assets dir> <hostile dir>
set -uo pipefail

TITLE="Our First Direct3D Program"
WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver
WINDOW_TIMEOUT=120 # the first start also makes the prefix
EXIT_TIMEOUT=20

fail() {
    printf 'FAIL: %s\n' "$*" >&2
    exit 1
}

[ $# -eq 3 ] || fail "usage: $0 <viewer.exe> <assets dir> <hostile dir>"
exe="$(realpath -m "$1")"
[ -f "$exe" ] || fail "$exe does not exist: build the Windows build first (scripts/test does)"
[ -d "$3" ] || fail "$3 is not a directory"
[ -n "${DISPLAY:-}" ] || fail "DISPLAY is not set: run on a virtual display (scripts/test starts one)"

work="$(mktemp -d "${TMPDIR:-/tmp}/viewer-wine-hostile.XXXXXX")"
pid=""
finish() {
    if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
        kill -KILL "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    fi
    WINEPREFIX="$work/prefix" "$WINESERVER" -k >/dev/null 2>&1
    WINEPREFIX="$work/prefix" "$WINESERVER" -w >/dev/null 2>&1
    rm -rf "$work"
}
trap finish EXIT
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;d3dx9_43=d"

# Runs viewer.exe in folder $1 (named $2 in messages) to Esc.
run_in() {
    local folder="$1" name="$2" window="" start=$SECONDS code
    (cd "$folder" && exec "$WINE" "$exe") >"$work/out.log" 2>"$work/err.log" </dev/null &
    pid=$!
    while [ $((SECONDS - start)) -lt $WINDOW_TIMEOUT ]; do
        if ! kill -0 "$pid" 2>/dev/null; then
            wait "$pid"
            code=$?
            pid=""
            cat "$work/err.log" >&2
            fail "$name: viewer.exe ended with code $code before its window appeared"
        fi
        window="$(xdotool search --onlyvisible --pid "$pid" --name "^${TITLE}\$" 2>/dev/null | head -n1)"
        [ -n "$window" ] && break
        sleep 0.5
    done
    [ -n "$window" ] || fail "$name: no window within ${WINDOW_TIMEOUT} s"
    sleep 1
    kill -0 "$pid" 2>/dev/null || fail "$name: viewer.exe ended before Esc was pressed"
    xdotool key --window "$window" Escape 2>/dev/null || fail "$name: xdotool could not send Esc"
    start=$SECONDS
    while kill -0 "$pid" 2>/dev/null && [ $((SECONDS - start)) -lt $EXIT_TIMEOUT ]; do
        sleep 0.1
    done
    kill -0 "$pid" 2>/dev/null && fail "$name: viewer.exe still runs ${EXIT_TIMEOUT} s after Esc"
    wait "$pid"
    code=$?
    pid=""
    [ "$code" -eq 0 ] || fail "$name: viewer.exe ended with code $code after Esc, expected 0"
    # Wine's own notes (the prefix being made) start with "wine:"; the program's lines do not.
    grep -v '^wine: ' "$work/err.log" | tr -d '\r' >"$work/program.log"
    local lines
    lines="$(grep -c . "$work/program.log")"
    [ "$lines" -le 1 ] || { cat "$work/program.log" >&2; fail "$name: $lines lines on stderr, expected at most one"; }
    if [ "$lines" -eq 1 ]; then
        grep -q "tex_fur.png" "$work/program.log" || fail "$name: stderr does not name tex_fur.png: $(cat "$work/program.log")"
        echo "$name: refused: $(cat "$work/program.log")"
    else
        echo "$name: loaded"
    fi
}

for file in "$3"/*; do
    [ -f "$file" ] || continue
    rm -rf "$work/run"
    mkdir -p "$work/run"
    cp "$2/bump.bmp" "$work/run/"
    cp "$file" "$work/run/tex_fur.png"
    run_in "$work/run" "$(basename "$file")"
done
rm -rf "$work/run"
mkdir -p "$work/run/tex_fur.png"
cp "$2/bump.bmp" "$work/run/"
run_in "$work/run" "a folder"
[ "$(grep -c . "$work/program.log")" -eq 1 ] || fail "a folder named tex_fur.png was not refused"
