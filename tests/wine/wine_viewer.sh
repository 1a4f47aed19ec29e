# Shared by the Wine test scripts (sourced, not run): viewer.exe started under Wine on the X display in
# DISPLAY, its window found, Esc pressed and its end awaited. Set WINEPREFIX (a fresh folder) first.
# Messages start with $what when it is set (for example "a folder: ").

TITLE="Our First Direct3D Program"
WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver
WINDOW_TIMEOUT=120 # the first start also makes the prefix
EXIT_TIMEOUT=20
pid=""
window=""
what=""

fail() {
    printf 'FAIL: %s%s\n' "$what" "$*" >&2
    exit 1
}

# Ends a viewer.exe still running and the prefix's Wine server.
wine_stop() {
    if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
        kill -KILL "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    fi
    # Only this script's own prefix: without one, wineserver would act on the user's.
    [ -n "${WINEPREFIX:-}" ] || return 0
    "$WINESERVER" -k >/dev/null 2>&1
    "$WINESERVER" -w >/dev/null 2>&1
}

# wine_start <viewer.exe> <working folder> <stdout file> <stderr file>: starts it and waits for its window
# (only a window of this process counts: other tests may have one with the same title open); sets pid and
# window. The two files may be one.
wine_start() {
    local exe="$1" folder="$2" out="$3" err="$4" start=$SECONDS code
    if [ "$out" = "$err" ]; then
        (cd "$folder" && exec "$WINE" "$exe") >"$out" 2>&1 </dev/null &
    else
        (cd "$folder" && exec "$WINE" "$exe") >"$out" 2>"$err" </dev/null &
    fi
    pid=$!
    window=""
    while [ $((SECONDS - start)) -lt $WINDOW_TIMEOUT ]; do
        if ! kill -0 "$pid" 2>/dev/null; then
            wait "$pid"
            code=$?
            pid=""
            cat "$err" >&2
            fail "viewer.exe ended with code $code before its window appeared"
        fi
        window="$(xdotool search --onlyvisible --pid "$pid" --name "^${TITLE}\$" 2>/dev/null | head -n1)"
        [ -n "$window" ] && return 0
        sleep 0.5
    done
    fail "no visible window titled \"$TITLE\" within ${WINDOW_TIMEOUT} s"
}

# wine_end_with_esc <log to show on failure>: presses Esc in the window and expects the program to end with
# code 0 within EXIT_TIMEOUT.
wine_end_with_esc() {
    local start code
    kill -0 "$pid" 2>/dev/null || fail "viewer.exe ended before Esc was pressed"
    xdotool key --window "$window" Escape 2>/dev/null || fail "xdotool could not send Esc"
    start=$SECONDS
    while kill -0 "$pid" 2>/dev/null && [ $((SECONDS - start)) -lt $EXIT_TIMEOUT ]; do
        sleep 0.1
    done
    kill -0 "$pid" 2>/dev/null && fail "viewer.exe still runs ${EXIT_TIMEOUT} s after Esc"
    wait "$pid"
    code=$?
    pid=""
    [ "$code" -eq 0 ] || { cat "$1" >&2; fail "viewer.exe ended with exit code $code after Esc, expected 0"; }
}
