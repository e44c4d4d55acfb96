#!/bin/sh
# Installs the system packages that building, testing and benchmarking need,
# and only those that are missing. Runs as root, or through sudo otherwise.
set -e

PKGS="g++ cmake make pkg-config libncurses-dev ncurses-base ncurses-term \
libvterm-dev libgtest-dev libgmock-dev googletest libbenchmark-dev clang \
libclang-rt-dev groff-base dpkg-dev"

missing=""
for p in $PKGS; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing="$missing $p"
    fi
done
[ -z "$missing" ] && exit 0

if [ "$(id -u)" -eq 0 ]; then SUDO=""; else SUDO="sudo"; fi
if ! command -v apt-get >/dev/null 2>&1; then
    echo "install-deps: please install:$missing" >&2
    exit 1
fi
echo "install-deps: installing$missing"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq $missing >/dev/null
