#!/bin/bash
# Installs the build into a scratch DESTDIR under a prefix of its own, the way
# `make install PREFIX=... DESTDIR=...` does, and checks every installed file:
# exactly the expected set, the binary runs, the documents are the sources,
# the manual page renders cleanly, and the bash completion completes.
#
# Usage: install_test.sh CMAKE BUILD_DIR SOURCE_DIR VERSION
set -u
cmake_cmd=$1 build=$2 src=$3 version=$4
. "$(dirname "$0")/common.sh"

prefix=/opt/vexa-install-test
root=$scratch/root
if ! DESTDIR=$root "$cmake_cmd" --install "$build" --prefix "$prefix" >"$scratch/log" 2>&1; then
    cat "$scratch/log" >&2
    fail "cmake --install failed"
    finish
fi

# Nothing outside DESTDIR+PREFIX, and nothing more or less than these.
expected="$prefix/bin/vexa
$prefix/share/bash-completion/completions/vexa
$prefix/share/doc/vexa/README.md
$prefix/share/doc/vexa/vexarc.example
$prefix/share/man/man1/vexa.1"
actual=$(cd "$root" && find . \( -type f -o -type l \) | sed 's/^\.//' | LC_ALL=C sort)
expect_eq "installed files" "$expected" "$actual"

p=$root$prefix
[ -x "$p/bin/vexa" ] || fail "$p/bin/vexa is not executable"
check_version "$p/bin/vexa" "$version"

expect_same_file "manual page" "$src/doc/vexa.1" "$p/share/man/man1/vexa.1"
expect_same_file "example configuration" "$src/doc/vexarc.example" "$p/share/doc/vexa/vexarc.example"
expect_same_file "README" "$src/README.md" "$p/share/doc/vexa/README.md"
expect_same_file "bash completion" "$src/scripts/vexa.bash-completion" \
    "$p/share/bash-completion/completions/vexa"

check_man_page "$p/share/man/man1/vexa.1"
# The page's footer names the version the binary reports.
th=$(grep '^\.TH ' "$p/share/man/man1/vexa.1")
expect_contains "manual page title line" "\"vexa $version\"" "$th"

# The completion, loaded into a fresh bash: a table of command lines (the
# word being completed is the last) and the completions expected, one per
# line, sorted.
mkdir "$scratch/files"
touch "$scratch/files/data.bin" "$scratch/files/my file" "$scratch/files/cfg.rc"
complete_words()
{
    (cd "$scratch/files" && bash --norc --noprofile -c '
        . "$1"; shift
        complete -p vexa >/dev/null || { echo "no completion for vexa"; exit 1; }
        COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1))
        _vexa
        printf "%s\n" "${COMPREPLY[@]}" | LC_ALL=C sort' \
        bash "$p/share/bash-completion/completions/vexa" "$@")
}
nl='
'
check_completion()
{
    local want=$1; shift
    expect_eq "completion of [$*]" "$want" "$(complete_words "$@")"
}
check_completion "--config-file" vexa --con
check_completion "--config-file${nl}--disable-colors${nl}--help${nl}--no-backup-files${nl}--version${nl}-c${nl}-d${nl}-h${nl}-n${nl}-v" vexa -
check_completion "--disable-colors" vexa -n data.bin --d
check_completion "cfg.rc${nl}data.bin${nl}my file" vexa ""
check_completion "my file" vexa -d my
# After -c a file is wanted, even where the word looks like an option.
check_completion "cfg.rc" vexa -c c
check_completion "" vexa --config-file --n
check_completion "data.bin" vexa --config-file cfg.rc d

finish
