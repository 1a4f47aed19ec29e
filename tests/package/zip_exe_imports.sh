#!/usr/bin/env bash
# The zip's viewer.exe starts on a clean Windows: its import table (objdump -p) names only DLLs that every
# Windows has (d3d9, dinput8, gdi32, user32, kernel32, msvcrt), so neither the DirectX runtime's
# d3dx9_43.dll nor a MinGW runtime DLL.
#
#   zip_exe_imports.sh <viewer-<version>-windows-x64.zip>
set -uo pipefail
source "$(dirname "$0")/package_test.sh"

package_arguments 1 "<zip>" "$@"
objdump=x86_64-w64-mingw32-objdump
command -v "$objdump" >/dev/null || fail "$objdump not found (Debian package binutils-mingw-w64-x86-64)"
work="$(mktemp -d "${TMPDIR:-/tmp}/viewer-zip-imports.XXXXXX")"
trap 'rm -rf "$work"' EXIT
exe="$(basename "$1" .zip)/viewer.exe"
unzip -q -p "$1" "$exe" >"$work/viewer.exe" && [ -s "$work/viewer.exe" ] || fail "the zip has no $exe"

imports="$("$objdump" -p "$work/viewer.exe" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)"
grep -qx d3d9.dll <<<"$imports" || fail "no import of d3d9.dll found in $exe:" $imports
others="$(grep -vxE '(d3d9|dinput8|gdi32|user32|kernel32|msvcrt)\.dll' <<<"$imports")"
[ -z "$others" ] || fail "$exe imports DLLs a clean Windows lacks:" $others
echo "$exe imports only" $imports
