# Shared by scripts/run, scripts/test and scripts/bench: the Debian packages we build and test with, the
# two CMake builds, and a virtual X display (Xvfb) that is ours alone and goes away when the script ends.
# Source it; it sets ROOT to the repository root.

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"

PACKAGES=(cmake g++ pkg-config libsdl2-dev libepoxy-dev libstb-dev libfreetype-dev libfontconfig-dev
          fonts-liberation libgtest-dev libbenchmark-dev xvfb xdotool x11-utils imagemagick
          g++-mingw-w64-x86-64 wine64 libgl1-mesa-dri xauth libpng-dev libjpeg62-turbo-dev dpkg-dev
          lintian unzip openbox tesseract-ocr python3-numpy python3-pil valgrind)

# The web build's own packages (scripts/web): Debian's Emscripten and stb_image's header, which it
# compiles in; python3 serves the page. The browsers (Debian's Chromium, with the Arial-compatible font of
# the status text) are for running the page in the web tests: Chromium headless, Firefox ESR and WebKit
# (WebKitGTK's MiniBrowser, driven by WebKitWebDriver) on an Xvfb display (neither has WebGL when headless).
WEB_PACKAGES=(cmake emscripten libstb-dev python3)
WEB_BROWSER_PACKAGES=(chromium firefox-esr webkit2gtk-driver fonts-liberation)

say() { printf '==> %s\n' "$*" >&2; }

# The stages of a long script, each between a line as it starts and a line with its time as it ends:
# stage_begin NAME ... stage_end [CODE] prints "==> NAME: started at 10:42:07", then "==> NAME: done in 42 s"
# (or "FAILED (CODE) after 42 s"). stage NAME COMMAND... runs one command as a stage and returns its code; a
# function run so runs without set -e, so a stage whose steps must stop at the first failure uses the pair.
STAGE_NAME=""
STAGE_START=0
stage_begin() {
    STAGE_NAME="$1" STAGE_START=$SECONDS
    say "$STAGE_NAME: started at $(date +%H:%M:%S)"
}
stage_end() {
    if [ "${1:-0}" = 0 ]; then
        say "$STAGE_NAME: done in $((SECONDS - STAGE_START)) s"
    else
        say "$STAGE_NAME: FAILED ($1) after $((SECONDS - STAGE_START)) s"
    fi
}
stage() {
    local status=0
    stage_begin "$1"
    shift
    "$@" || status=$?
    stage_end "$status"
    return "$status"
}
die() { printf '%s: %s\n' "$(basename "$0")" "$*" >&2; exit 1; }

# Installs whichever of PACKAGES (plus any given as arguments) are not installed yet; apt-get update runs
# once, and only when something is missing. Works without a terminal (CI, no stdin).
ensure_packages() {
    local wanted=("${PACKAGES[@]}" "$@") missing=() p
    for p in "${wanted[@]}"; do
        if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$p")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    say "installing: ${missing[*]}"
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        command -v sudo >/dev/null || die "missing packages (${missing[*]}) and not root; install them first"
        sudo=(sudo)
    fi
    export DEBIAN_FRONTEND=noninteractive
    "${sudo[@]}" apt-get update -q </dev/null
    "${sudo[@]}" apt-get install -y -q "${missing[@]}" </dev/null
}

JOBS="${JOBS:-$(nproc 2>/dev/null || echo 2)}"

# The native build (program, platform layer, tests, benchmarks, tools). Extra arguments go to the
# configure step; BUILD_TARGETS (space-separated) limits what is built.
build_linux() {
    local dir="$1"
    shift
    say "configuring and building the Linux build in ${dir#"$ROOT"/}"
    cmake -S "$ROOT" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
    local targets=()
    [ -n "${BUILD_TARGETS:-}" ] && targets=(--target $BUILD_TARGETS)
    cmake --build "$dir" -j "$JOBS" "${targets[@]}"
}

# The Windows build: viewer.exe cross-compiled with MinGW-w64 against the SDK's own headers.
build_windows() {
    local dir="$1"
    say "configuring and building the Windows build in ${dir#"$ROOT"/}"
    cmake -S "$ROOT" -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64.cmake" \
          -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$dir" -j "$JOBS"
}

# Virtual displays: each server started below is stopped when the script exits, through cleanup(), which
# runs CLEANUP_ACTIONS in order (scripts add their own, e.g. to end a program before its display).
XVFB_PID=""
XVFB_DISPLAY=""
CLEANUP_ACTIONS=()
cleanup() {
    local action
    for action in "${CLEANUP_ACTIONS[@]}"; do
        eval "$action" || true
    done
}
trap cleanup EXIT

# Starts one more Xvfb (1280x1024, 24-bit) on a display number it picks itself and sets XVFB_DISPLAY to its
# name (":N") and XVFB_PID to its process; DISPLAY is left alone, so a script can run several displays side
# by side. The server is stopped when the script exits.
open_xvfb() {
    local fdfile
    fdfile="$(mktemp)"
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$fdfile" 2>/dev/null &
    XVFB_PID=$!
    CLEANUP_ACTIONS+=("kill $XVFB_PID 2>/dev/null; wait $XVFB_PID 2>/dev/null")
    local i
    for i in $(seq 1 100); do
        if [ -s "$fdfile" ]; then
            break
        fi
        kill -0 "$XVFB_PID" 2>/dev/null || die "Xvfb did not start"
        sleep 0.1
    done
    [ -s "$fdfile" ] || die "Xvfb did not report its display"
    XVFB_DISPLAY=":$(head -n1 "$fdfile" | tr -d '[:space:]')"
    rm -f "$fdfile"
    for i in $(seq 1 50); do
        DISPLAY="$XVFB_DISPLAY" xdpyinfo >/dev/null 2>&1 && break
        sleep 0.1
    done
    DISPLAY="$XVFB_DISPLAY" xdpyinfo >/dev/null 2>&1 || die "Xvfb on $XVFB_DISPLAY does not answer"
    say "virtual display $XVFB_DISPLAY (Xvfb pid $XVFB_PID)"
}

# Starts openbox on display $1 and waits until it manages the screen (it announces itself on the root
# window); it is stopped when the script exits. With $2, a folder holding rc.xml and themes/, openbox takes
# its configuration and themes from there instead of the system's.
open_window_manager() {
    local display="$1" config="${2:-}" pid i
    if [ -n "$config" ]; then
        DISPLAY="$display" XDG_DATA_HOME="$config" openbox --sm-disable --config-file "$config/rc.xml" \
            >/dev/null 2>&1 </dev/null &
    else
        DISPLAY="$display" openbox --sm-disable >/dev/null 2>&1 </dev/null &
    fi
    pid=$!
    CLEANUP_ACTIONS=("kill $pid 2>/dev/null; wait $pid 2>/dev/null" "${CLEANUP_ACTIONS[@]}")
    for i in $(seq 1 100); do
        kill -0 "$pid" 2>/dev/null || die "openbox ended on $display before it took charge"
        DISPLAY="$display" xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && return 0
        sleep 0.2
    done
    die "openbox did not take charge of $display within 20 s"
}

# Starts Xvfb as open_xvfb does and exports DISPLAY as its name.
start_xvfb() {
    open_xvfb
    export DISPLAY="$XVFB_DISPLAY"
}

# Waits up to $3 seconds for a visible window titled $2 that belongs to process $1; prints its id. Returns 1
# when none came in time, 2 when the process ended first (a child's code is then left for the caller's wait).
wait_for_window() {
    local pid="$1" title="$2" timeout="$3" start=$SECONDS window
    while [ $((SECONDS - start)) -lt "$timeout" ]; do
        kill -0 "$pid" 2>/dev/null || return 2
        window="$(xdotool search --onlyvisible --pid "$pid" --name "^${title}\$" 2>/dev/null | head -n1)"
        if [ -n "$window" ]; then
            echo "$window"
            return 0
        fi
        sleep 0.2
    done
    return 1
}

# Waits up to $2 seconds for process $1 (a child of this shell) to end; returns its exit code, or 124
# after killing it when it does not end in time.
wait_for_exit() {
    local pid="$1" timeout="$2" start=$SECONDS
    while kill -0 "$pid" 2>/dev/null && [ $((SECONDS - start)) -lt "$timeout" ]; do
        sleep 0.1
    done
    if kill -0 "$pid" 2>/dev/null; then
        kill -KILL "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
        return 124
    fi
    wait "$pid"
}

# Sends one key to a window the way a user would: focus it, then press and release the key.
press_key() {
    xdotool windowfocus "$1" 2>/dev/null
    xdotool key --window "$1" "$2" 2>/dev/null
}

# The web build: Debian's Emscripten into build/web, the page (index.html, viewer.js, viewer.wasm,
# viewer.data) copied to out/web with a gzip copy of each (NAME.gz, level 9, no name or time in it), for
# servers that send precompressed files, and the benchmark's bare page to
# out/web/bench/bare.html. emcc finds its JavaScript modules only through NODE_PATH where node is not
# Debian's own.
build_web() {
    local dir="$ROOT/build/web"
    export NODE_PATH="${NODE_PATH:-/usr/share/nodejs}"
    say "configuring and building the web build in build/web"
    emcmake cmake -S "$ROOT" -B "$dir" -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$dir" -j "$JOBS"
    mkdir -p "$ROOT/out/web/bench"
    cp "$dir/index.html" "$dir/viewer.js" "$dir/viewer.wasm" "$dir/viewer.data" "$ROOT/out/web/"
    gzip -9 -n -k -f "$ROOT/out/web/index.html" "$ROOT/out/web/viewer.js" "$ROOT/out/web/viewer.wasm" "$ROOT/out/web/viewer.data"
    cp "$dir/bench/bare.html" "$ROOT/out/web/bench/"
}
