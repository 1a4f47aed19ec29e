#!/usr/bin/env bash
# The Windows zip as a user meets it: unpacked into a temporary folder, its viewer.exe runs under Wine from
# the folder it was unpacked into, with Wine's own D3DX switched off as a clean Windows lacks it, and shows
# the reference picture (tests/wine/picture_matches_reference.sh runs it, compares and ends it with Esc).
#
#   zip_runs_under_wine.sh <viewer-<version>-windows-x64.zip> <reference.png>
set -uo pipefail
source "$(dirname "$0")/package_test.sh"

package_arguments 2 "<zip> <reference.png>" "$@"
work="$(mktemp -d "${TMPDIR:-/tmp}/viewer-zip.XXXXXX")"
trap 'rm -rf "$work"' EXIT
unzip -q "$1" -d "$work" || fail "unzip could not unpack $1"
folder="$work/$(basename "$1" .zip)"
[ -f "$folder/viewer.exe" ] || fail "the zip has no $(basename "$folder")/viewer.exe"
WINE_DLL_OVERRIDES="d3dx9_43=d" "$(dirname "$0")/../wine/picture_matches_reference.sh" "$folder/viewer.exe" \
    "$folder" "$2"
