#!/bin/sh
# Writes a demo file of a few KiB: readable text, every byte value once,
# and a stretch of binary data, so each way the panes draw a byte shows up.
set -e
out="${1:-demo.bin}"
mkdir -p "$(dirname "$out")"
{
    printf 'vexa demo file. Move with the arrows, Tab switches to character entry,\n'
    printf 'h shows the keys, q quits. Nothing here is precious: edit away.\n\n'
    # Every byte value from 0x00 to 0xff, in order.
    i=0
    while [ $i -lt 256 ]; do
        printf "\\$(printf '%03o' $i)"
        i=$((i + 1))
    done
    printf '\n\nPrintable ASCII, control bytes, DEL and the high half all look different.\n'
    # A little pseudo-random binary data.
    head -c 3072 /dev/urandom
    printf '\nThe end of the demo file.\n'
} > "$out"
