# Sourced by the package tests: how a test fails, and the check of its arguments, the first of which is a
# package that scripts/package made.

# Ends the test with one line on stderr.
fail() {
    printf 'FAIL: %s\n' "$*" >&2
    exit 1
}

# package_arguments <count> <usage> "$@": exactly <count> arguments, the first an existing package file.
package_arguments() {
    local count="$1" usage="$2"
    shift 2
    [ $# -eq "$count" ] || fail "usage: $0 $usage"
    [ -f "$1" ] || fail "$1 does not exist: run scripts/package"
}
