#!/usr/bin/env bash
# The release builds carry none of the test seams of platform_test.h: no failure injection, no message or
# Present hook, no kept picture, no notices kept for tests, no getter only tests call. Read from the symbols
# of the binaries the packages are made from (the packages strip their copies): the Linux build's viewer with
# nm, the Windows build's self-contained viewer.exe with MinGW's nm. A binary without symbols fails, as the
# check could not see a seam there.
#
#   release_has_no_test_seams.sh <build/release/viewer> <build/windows-release/standalone/viewer.exe>
set -uo pipefail
source "$(dirname "$0")/package_test.sh"

package_arguments 2 "<linux viewer> <windows viewer.exe>" "$@"
[ -f "$2" ] || fail "$2 does not exist: run scripts/package"

# The seams' functions (test_hooks.h, platform_test.h, the device's kept picture), the getters and the
# renderer's methods only tests call.
seams='should_fail|fail_operation|trace::test::|trace::hooks::|on_peek_message|on_present|offscreen_only'
seams+='|presented_pixels|back_buffer_presented|back_buffer_going|unimplemented_notices|read_back'
seams+='|program_count|draws_into_window|GetRenderState|GetSamplerState|GetTextureStageState|GetLight'
seams+='|GetMaterial|GetTransform|GetLevelCount|GetLevelDesc|LockRect|UnlockRect|live_count|live_labels'

# no_seams <nm> <binary>
no_seams() {
    local nm="$1" binary="$2" symbols found
    command -v "$nm" >/dev/null || fail "$nm not found"
    symbols="$("$nm" -C "$binary" 2>/dev/null)" || fail "$nm cannot read $binary"
    grep -q 'D3DXCreateFontA' <<<"$symbols" || fail "$binary has no symbols to look at"
    found="$(grep -E "$seams" <<<"$symbols")"
    [ -z "$found" ] || fail "$binary carries test seams:"$'\n'"$found"
    echo "$binary: no test seams among its $(wc -l <<<"$symbols") symbols"
}

no_seams nm "$1"
no_seams x86_64-w64-mingw32-nm "$2"
