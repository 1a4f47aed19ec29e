#!/bin/sh
# Packs files for the web page into one download (viewer.data): a first line "viewer-data" followed by
# each file's name and size in bytes, separated by spaces, then the files' bytes in that order. The page
# (index.html) unpacks them into the program's working directory.
# Usage: pack_data.sh OUTPUT FILE...
set -eu
out="$1"
shift
{
    printf 'viewer-data'
    for f in "$@"; do
        printf ' %s %s' "$(basename "$f")" "$(wc -c <"$f" | tr -d ' ')"
    done
    printf '\n'
    cat "$@"
} >"$out.tmp"
mv "$out.tmp" "$out"
