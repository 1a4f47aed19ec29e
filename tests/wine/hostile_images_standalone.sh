#!/usr/bin/env bash
# The self-contained viewer.exe (our image readers, stb_image and MinGW's file calls) started under Wine,
# with Wine's D3DX switched off, in a folder whose tex_fur.png is one of the hostile files in
# tests/data/hostile, and once a folder of that name (not a regular file): each time its window comes, it
# runs on, Esc ends it with code 0, and it says at most one line on stderr, naming the file. Which files
# must load is the image loader's unit tests' business.
#
#   hostile_images_standalone.sh <standalone viewer.exe> <assets dir> <hostile dir>
set -uo pipefail

source "$(dirname "${BASH_SOURCE[0]}")/wine_viewer.sh"

[ $# -eq 3 ] || fail "usage: $0 <viewer.exe> <assets dir> <hostile dir>"
exe="$(realpath -m "$1")"
[ -f "$exe" ] || fail "$exe does not exist: build the Windows build first (scripts/test does)"
[ -d "$3" ] || fail "$3 is not a directory"
[ -n "${DISPLAY:-}" ] || fail "DISPLAY is not set: run on a virtual display (scripts/test starts one)"

work="$(mktemp -d "${TMPDIR:-/tmp}/viewer-wine-hostile.XXXXXX")"
CLEANUP_ACTIONS+=("rm -rf '$work'")

# Runs viewer.exe in folder $1 (named $2 in messages) to Esc.
run_in() {
    what="$2: "
    wine_start -o d3dx9_43=d "$work/prefix" "$exe" "$1" "$work/out.log" "$work/err.log"
    sleep 1
    wine_end_with_esc "$work/err.log"
    # Wine's own notes (the prefix being made) start with "wine:"; the program's lines do not.
    grep -v '^wine: ' "$work/err.log" | tr -d '\r' >"$work/program.log"
    local lines
    lines="$(grep -c . "$work/program.log")"
    [ "$lines" -le 1 ] || { cat "$work/program.log" >&2; fail "$lines lines on stderr, expected at most one"; }
    if [ "$lines" -eq 1 ]; then
        grep -q "tex_fur.png" "$work/program.log" || fail "stderr does not name tex_fur.png: $(cat "$work/program.log")"
        echo "${what}refused: $(cat "$work/program.log")"
    else
        echo "${what}loaded"
    fi
    what=""
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
