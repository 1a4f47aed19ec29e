# Shared by the Wine test scripts (sourced, not run): viewer.exe started under Wine (scripts/lib/wine.sh) on
# the X display in DISPLAY, its window found, Esc pressed and its end awaited. viewer.exe and its prefix's
# Wine server are ended when the test exits; a test adds its own clean-up to CLEANUP_ACTIONS. Messages start
# with $what when it is set (for example "a folder: ").
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/lib/common.sh"
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/lib/wine.sh"

EXIT_TIMEOUT=20
pid=""
window=""
what=""

fail() {
    printf 'FAIL: %s%s\n' "$what" "$*" >&2
    exit 1
}

# wine_start [-o DLL overrides] <prefix> <viewer.exe> <working folder> <stdout file> [<stderr file>]: starts
# it as start_under_wine does and fails the test when its window does not come, with the program's exit code
# and stderr when it ended first (stderr is in the last file given); sets pid and window.
wine_start() {
    local code
    start_under_wine "$@"
    code=$?
    pid="$WINE_PID"
    window="$WINE_WINDOW"
    if [ "$code" -eq 2 ]; then
        wait "$pid"
        code=$?
        pid=""
        cat "${!#}" >&2
        fail "viewer.exe ended with code $code before its window appeared"
    fi
    [ "$code" -eq 0 ] || fail "no visible window titled \"$VIEWER_TITLE\" within ${WINE_WINDOW_TIMEOUT} s"
}

# wine_end_with_esc <log to show on failure>: holds Esc down in the window until the program ends (a tap can
# fall between two of its reads of the keyboard when a frame is slow, and a program that ends on the press
# is gone before a tap's release) and expects it to end with code 0 within EXIT_TIMEOUT.
wine_end_with_esc() {
    local start code
    kill -0 "$pid" 2>/dev/null || fail "viewer.exe ended before Esc was pressed"
    xdotool keydown --window "$window" Escape 2>/dev/null || fail "xdotool could not send Esc"
    start=$SECONDS
    while kill -0 "$pid" 2>/dev/null && [ $((SECONDS - start)) -lt $EXIT_TIMEOUT ]; do
        sleep 0.1
    done
    # Released on the display, not in the window, which is gone: a key pressed in the focused window goes
    # through the server's keyboard, where one left down stays down for every later program.
    xdotool keyup Escape 2>/dev/null
    kill -0 "$pid" 2>/dev/null && fail "viewer.exe still runs ${EXIT_TIMEOUT} s after Esc"
    wait "$pid"
    code=$?
    pid=""
    [ "$code" -eq 0 ] || { cat "$1" >&2; fail "viewer.exe ended with exit code $code after Esc, expected 0"; }
}
