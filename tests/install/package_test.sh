#!/bin/bash
# Builds the Debian package with CPack, as `make package` does but into a
# scratch folder (so nothing is written beside a package someone else is
# making), then takes it apart: control fields, the runtime dependency on
# ncursesw, every file under /usr, and the extracted binary and manual page.
#
# Usage: package_test.sh CPACK BUILD_DIR SOURCE_DIR VERSION
set -u
cpack_cmd=$1 build=$2 src=$3 version=$4
. "$(dirname "$0")/common.sh"

out=$scratch/out
if ! (cd "$scratch" && "$cpack_cmd" --config "$build/CPackConfig.cmake" -G DEB -B "$out") \
        >"$scratch/log" 2>&1; then
    cat "$scratch/log" >&2
    fail "cpack failed"
    finish
fi
debs=("$out"/*.deb)
expect_eq "packages made" 1 "${#debs[@]}"
deb=${debs[0]}
expect_eq "package file name" "vexa_${version}_$(dpkg --print-architecture).deb" "$(basename "$deb")"

field() { dpkg-deb -f "$deb" "$1"; }
expect_eq "Package" vexa "$(field Package)"
expect_eq "Version" "$version" "$(field Version)"
expect_eq "Section" editors "$(field Section)"
expect_contains "Maintainer" "vexa developers" "$(field Maintainer)"
[ -n "$(field Description)" ] || fail "Description is empty"
depends=$(field Depends)
expect_contains "Depends" "libncursesw6" "$depends"
expect_contains "Depends" "libtinfo6" "$depends"

# Every file of the package lies under /usr, and these are all of them.
expected="./usr/bin/vexa
./usr/share/bash-completion/completions/vexa
./usr/share/doc/vexa/README.md
./usr/share/doc/vexa/vexarc.example
./usr/share/man/man1/vexa.1.gz"
actual=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $NF }' | LC_ALL=C sort)
expect_eq "packaged files" "$expected" "$actual"

x=$scratch/x
dpkg-deb -x "$deb" "$x" || fail "dpkg-deb -x failed"

check_version "$x/usr/bin/vexa" "$version"
rc=0
help=$("$x/usr/bin/vexa" -h 2>&1) || rc=$?
expect_eq "vexa -h status" 0 "$rc"
expect_eq "vexa -h first line" "Usage: vexa [options] FILE" "$(printf '%s\n' "$help" | head -n 1)"
tab=$(printf '\t')
for line in "  -n, --no-backup-files ${tab}don't make backup files" \
            "  -c, --config-file CONFIGFILE ${tab}read configuration from CONFIGFILE" \
            "  -d, --disable-colors ${tab}${tab}don't use colors" \
            "  -h, --help       ${tab}${tab}help" \
            "  -v, --version    ${tab}${tab}version"; do
    printf '%s\n' "$help" | grep -qxF -- "$line" || fail "vexa -h lacks the line [$line]"
done

# The manual page is compressed in the package, and is the source page.
page=$x/usr/share/man/man1/vexa.1.gz
if gzip -dc "$page" >"$scratch/vexa.1"; then
    expect_same_file "packaged manual page" "$src/doc/vexa.1" "$scratch/vexa.1"
    check_man_page "$scratch/vexa.1"
else
    fail "$page is not a gzip file"
fi
expect_same_file "packaged example configuration" "$src/doc/vexarc.example" \
    "$x/usr/share/doc/vexa/vexarc.example"

finish
