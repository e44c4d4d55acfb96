# Helpers shared by the installation tests: a scratch folder removed on
# exit, failure reporting, and checks that print what they compared.

scratch=$(mktemp -d "${TMPDIR:-/tmp}/vexa-install.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

failures=0

fail()
{
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# expect_eq WHAT EXPECTED ACTUAL
expect_eq()
{
    if [ "$2" != "$3" ]; then
        fail "$1: expected [$2], got [$3]"
    fi
}

# expect_contains WHAT NEEDLE HAYSTACK
expect_contains()
{
    case $3 in
        *"$2"*) ;;
        *) fail "$1: [$2] not found in [$3]" ;;
    esac
}

# expect_same_file WHAT EXPECTED ACTUAL
expect_same_file()
{
    if [ ! -f "$3" ]; then
        fail "$1: $3 is missing"
    elif ! cmp -s "$2" "$3"; then
        fail "$1: $3 differs from $2"
    fi
}

# check_version BINARY VERSION: -v prints exactly "vexa VERSION" and exits 0.
check_version()
{
    local out rc=0
    out=$("$1" -v 2>&1) || rc=$?
    expect_eq "$1 -v status" 0 "$rc"
    expect_eq "$1 -v output" "vexa $2" "$out"
}

# check_man_page FILE: groff renders it with every warning on and says
# nothing on standard error.
check_man_page()
{
    local err rc=0
    err=$(groff -man -ww -z "$1" 2>&1 >/dev/null) || rc=$?
    expect_eq "groff status for $1" 0 "$rc"
    expect_eq "groff warnings for $1" "" "$err"
}

finish()
{
    if [ "$failures" -ne 0 ]; then
        echo "$failures check(s) failed" >&2
        exit 1
    fi
    echo "all checks passed"
}
