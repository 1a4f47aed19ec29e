# shellcheck shell=bash
# viewer.exe under Wine, for scripts/bench, scripts/conformance and the Wine tests (tests/wine/): Wine's
# 64-bit loader on a prefix in the caller's temporary folder (Wine makes it on the first start there), the
# program's window found, and the program and the prefix's Wine server ended when the script exits. Source
# it after common.sh, whose cleanup() runs the ending.

WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver
# The viewer's window title, the Linux build's as well as viewer.exe's.
VIEWER_TITLE="Our First Direct3D Program"
# The first start on a prefix also makes the prefix.
WINE_WINDOW_TIMEOUT=120
WINE_PID=""
WINE_WINDOW=""
# The prefixes whose Wine server cleanup() ends.
declare -gA WINE_PREFIXES=()

# Ends the Wine server of prefix $1, and with it every program on that prefix, and waits up to 30 s for it
# to go. Without a prefix it does nothing: wineserver would act on the user's own.
stop_wine_server() {
    [ -n "${1:-}" ] || return 0
    WINEPREFIX="$1" "$WINESERVER" -k >/dev/null 2>&1
    WINEPREFIX="$1" timeout 30 "$WINESERVER" -w >/dev/null 2>&1
    return 0
}

# start_under_wine [-d WINEDEBUG] [-o DLL overrides] <prefix> <exe> <working folder> <stdout file> [<stderr file>]
# Starts exe under Wine on the X display in DISPLAY, with no input, its stderr with its stdout when no stderr
# file is given. Wine's debug channels are -all (none) unless -d gives others (e.g. "-all,+fps"); Mono and
# Gecko are never installed, and -o adds DLL overrides (e.g. "d3dx9_43=d" switches Wine's D3DX off). Sets
# WINE_PID, then waits up to WINE_WINDOW_TIMEOUT s for a visible window titled VIEWER_TITLE of that process
# (another program may show one of the same title) and sets WINE_WINDOW to it. Returns 0 with the window, 1
# when none came in time (the program runs on), 2 when the program ended first (its code is left for the
# caller's wait). The program is killed, and the prefix's Wine server ended, when the script exits.
start_under_wine() {
    local debug=-all overrides="" opt OPTIND=1
    while getopts d:o: opt; do
        case "$opt" in
            d) debug="$OPTARG" ;;
            o) overrides="$OPTARG" ;;
            *) die "start_under_wine: unknown option" ;;
        esac
    done
    shift $((OPTIND - 1))
    if [ $# -lt 4 ] || [ -z "$1" ]; then
        die "usage: start_under_wine [-d channels] [-o overrides] <prefix> <exe> <folder> <stdout> [<stderr>]"
    fi
    local prefix="$1" exe="$2" folder="$3" out="$4" err="${5:-}"
    if [ -z "${WINE_PREFIXES[$prefix]:-}" ]; then
        WINE_PREFIXES[$prefix]=1
        CLEANUP_ACTIONS=("stop_wine_server '$prefix'" "${CLEANUP_ACTIONS[@]}")
    fi
    (
        [ -z "$err" ] || exec 2>"$err"
        cd "$folder" || exit
        WINEPREFIX="$prefix" WINEDEBUG="$debug" WINEDLLOVERRIDES="mscoree,mshtml=${overrides:+;$overrides}" \
            exec "$WINE" "$exe"
    ) >"$out" 2>&1 </dev/null &
    WINE_PID=$!
    WINE_WINDOW=""
    CLEANUP_ACTIONS=("kill -KILL $WINE_PID 2>/dev/null; wait $WINE_PID 2>/dev/null" "${CLEANUP_ACTIONS[@]}")
    WINE_WINDOW="$(wait_for_window "$WINE_PID" "$VIEWER_TITLE" "$WINE_WINDOW_TIMEOUT")"
}
