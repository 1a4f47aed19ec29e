#!/usr/bin/env bash
# viewer.exe needs nothing but Windows' own DLLs and the DirectX 9 runtime: it imports d3d9, d3dx9_43 and
# dinput8, and none of the MinGW runtime DLLs (libstdc++-6, libgcc_s_seh-1, libwinpthread-1), which a
# Windows machine does not have.
#
#   check_imports.sh <viewer.exe>
set -uo pipefail

fail() {
    printf 'FAIL: %s\n' "$*" >&2
    exit 1
}

[ $# -eq 1 ] || fail "usage: $0 <viewer.exe>"
exe="$1"
[ -f "$exe" ] || fail "$exe does not exist: build the Windows build first (scripts/test does)"
objdump=x86_64-w64-mingw32-objdump
command -v "$objdump" >/dev/null || fail "$objdump not found (Debian package binutils-mingw-w64-x86-64)"

imports="$("$objdump" -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)"
[ -n "$imports" ] || fail "no import table found in $exe"
echo "viewer.exe imports:" $imports

for needed in d3d9.dll d3dx9_43.dll dinput8.dll; do
    grep -qx "$needed" <<<"$imports" || fail "viewer.exe does not import $needed"
done
runtime="$(grep -E '^lib.*\.dll$' <<<"$imports")"
[ -z "$runtime" ] || fail "viewer.exe needs MinGW runtime DLLs that Windows lacks:" $runtime
echo "only system DLLs and the DirectX 9 runtime"
