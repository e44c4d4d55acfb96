#!/bin/sh
# Runs every benchmark of a release build and ends with one table: each
# figure beside the reference measured in the same run, the ratio, and
# whether its target is met.
#
# A benchmark reports a figure with a line
#   FIGURE <name> <value> <unit> <reference> <ratio> <target>
# where target is "-" (a figure without a target), "ratio<=X", "ratio>=X",
# or "value<X".
set -u
build="${1:-build-bench}"
out=$(mktemp)
trap 'rm -f "$out"' EXIT INT TERM

for prog in "$build"/bench/*_bench; do
    [ -x "$prog" ] || continue
    echo "== $(basename "$prog")"
    "$prog" 2>&1 | tee -a "$out"
done
for script in "$(dirname "$0")"/*_bench.sh; do
    [ -f "$script" ] || continue
    echo "== $(basename "$script")"
    sh "$script" "$build" 2>&1 | tee -a "$out"
done

echo
echo "Summary ($(date -u +%Y-%m-%d), $(nproc) cores)"
awk '
/^FIGURE / {
    name = $2; value = $3; unit = $4; ref = $5; ratio = $6; target = $7
    verdict = "-"
    if (target ~ /^ratio<=/) { t = substr(target, 8); verdict = (ratio + 0 <= t + 0) ? "met" : "MISSED" }
    else if (target ~ /^ratio>=/) { t = substr(target, 8); verdict = (ratio + 0 >= t + 0) ? "met" : "MISSED" }
    else if (target ~ /^value</) { t = substr(target, 7); verdict = (value + 0 < t + 0) ? "met" : "MISSED" }
    if (verdict == "MISSED") missed++
    printf "%-36s %14s %-6s ref %14s  ratio %7s  %-14s %s\n", name, value, unit, ref, ratio, target, verdict
}
END { if (missed) printf "%d target(s) missed\n", missed; else print "every target met" }
' "$out"
