#!/usr/bin/env bash
# What the Windows zip holds: one folder named after the zip with exactly viewer.exe, the two images,
# LICENSE and README.txt; the README names the version and does not send the user for the DirectX runtime
# (viewer.exe needs none: zip_exe_imports.sh), and LICENSE is the project's.
#
#   zip_contents.sh <viewer-<version>-windows-x64.zip> <version> <LICENSE>
set -uo pipefail
source "$(dirname "$0")/package_test.sh"

package_arguments 3 "<zip> <version> <LICENSE>" "$@"
zip="$1" version="$2" license="$3"
folder="viewer-$version-windows-x64"

zip_holds_exactly "$zip" "$folder/LICENSE" "$folder/README.txt" "$folder/bump.bmp" "$folder/tex_fur.png" \
                  "$folder/viewer.exe"

readme="$(unzip -p "$zip" "$folder/README.txt")"
grep -q "Version $version" <<<"$readme" || fail "README.txt does not name version $version"
! grep -qi "install the runtime" <<<"$readme" || fail "README.txt asks for the DirectX runtime, which viewer.exe does not need"
diff <(unzip -p "$zip" "$folder/LICENSE" | tr -d '\r') "$license" >&2 || fail "LICENSE differs from $license"
echo "$zip: $ZIP_FILE_COUNT files as expected"
