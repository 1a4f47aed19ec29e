# Sourced by the package tests: how a test fails, and the check of its arguments, the first of which is a
# package that scripts/package made.

# Ends the test with one line on stderr.
fail() {
    printf 'FAIL: %s\n' "$*" >&2
    exit 1
}

# zip_holds_exactly <zip> <file>...: the zip's files (folders aside) are exactly these, in any order; sets
# ZIP_FILE_COUNT to how many there are.
zip_holds_exactly() {
    local zip="$1" expected files
    shift
    expected="$(printf '%s\n' "$@" | LC_ALL=C sort)"
    files="$(unzip -Z1 "$zip" | grep -v '/$' | LC_ALL=C sort)" || fail "unzip cannot read $zip"
    if [ "$files" != "$expected" ]; then
        diff <(echo "$expected") <(echo "$files") >&2
        fail "the zip's files differ from the expected list (< expected, > found)"
    fi
    ZIP_FILE_COUNT=$#
}

# package_arguments <count> <usage> "$@": exactly <count> arguments, the first an existing package file.
package_arguments() {
    local count="$1" usage="$2"
    shift 2
    [ $# -eq "$count" ] || fail "usage: $0 $usage"
    [ -f "$1" ] || fail "$1 does not exist: run scripts/package"
}
