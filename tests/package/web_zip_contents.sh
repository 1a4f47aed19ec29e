#!/usr/bin/env bash
# What the web zip holds: one folder named after the zip with exactly the page (index.html, viewer.js,
# viewer.wasm, viewer.data) and LICENSE, the project's; viewer.wasm is a WebAssembly module. That the page
# runs from wherever it is put is web_zip_runs_in_chromium.py's test. Skipped (77) where the tree
# has no scripts/web, so that scripts/package made no web zip.
#
#   web_zip_contents.sh <viewer-<version>-web.zip> <version> <LICENSE>
set -uo pipefail
source "$(dirname "$0")/package_test.sh"

if [ ! -e "$1" ] && [ ! -x "$(dirname "$0")/../../scripts/web" ]; then
    echo "SKIPPED: this tree has no scripts/web, so scripts/package made no web zip" >&2
    exit 77
fi
package_arguments 3 "<zip> <version> <LICENSE>" "$@"
zip="$1" version="$2" license="$3"
folder="viewer-$version-web"

zip_holds_exactly "$zip" "$folder/LICENSE" "$folder/index.html" "$folder/viewer.data" "$folder/viewer.js" \
                  "$folder/viewer.wasm"
diff <(unzip -p "$zip" "$folder/LICENSE") "$license" >&2 || fail "LICENSE differs from $license"
[ "$(unzip -p "$zip" "$folder/viewer.wasm" | head -c 4 | od -An -tx1 | tr -d ' ')" = 0061736d ] ||
    fail "viewer.wasm is not a WebAssembly module"
echo "$zip: $ZIP_FILE_COUNT files as expected"
