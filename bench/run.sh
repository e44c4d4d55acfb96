#!/bin/sh
# Runs every benchmark of a release build and ends with one table: each
# figure beside the reference measured in the same run, the ratio, and
# whether its target is met.
#
#   bench/run.sh [BUILD_DIR]      (default build-bench; `make bench` builds it)
#
# A benchmark reports a figure with a line
#   FIGURE <name> <value> <unit> <reference> <ratio> <target>
# where target is "-" (a figure without a target), "ratio<=X", "ratio>=X",
# or "value<X". Every figure is the median of several runs, interleaved
# with the runs of its reference.
#
# The benchmarks put their files in a directory of their own under $TMPDIR
# (or /tmp), removed when the run ends or is interrupted.
set -u
build="${1:-build-bench}"
scratch=$(mktemp -d "${TMPDIR:-/tmp}/vexa-bench-XXXXXX") || exit 1
trap 'rm -rf "$scratch"' EXIT
trap 'rm -rf "$scratch"; trap - INT; kill -INT $$' INT
trap 'rm -rf "$scratch"; exit 143' TERM HUP
out="$scratch/figures"
: >"$out"
start=$(date +%s)

# The figures in the order of the issue that asked for them, then any other.
set --
for name in startup_bench search_bench keys_bench edit_bench; do
    [ -x "$build/bench/$name" ] && set -- "$@" "$build/bench/$name"
done
for prog in "$build"/bench/*_bench; do
    case "$prog" in */startup_bench | */search_bench | */keys_bench | */edit_bench) continue ;; esac
    [ -x "$prog" ] && set -- "$@" "$prog"
done

for prog in "$@"; do
    name=$(basename "$prog")
    echo "== $name"
    rm -f "$scratch/status"
    { TMPDIR="$scratch" "$prog"; echo "$?" >"$scratch/status"; } 2>&1 | tee -a "$out"
    status=$(cat "$scratch/status" 2>/dev/null || echo "?")
    [ "$status" = 0 ] || echo "FAILED $name $status" >>"$out"
done

echo
echo "Summary ($(date -u +%Y-%m-%d), $(nproc) cores, $(($(date +%s) - start)) s; each figure the median of interleaved runs)"
awk '
BEGIN { printf "%-34s %10s %-6s %10s %7s  %-14s %s\n", "figure", "median", "unit", "reference", "ratio", "target", "verdict" }
/^FIGURE / {
    name = $2; value = $3; unit = $4; ref = $5; ratio = $6; target = $7
    verdict = "-"
    if (target ~ /^ratio<=/) {
        t = substr(target, 8)
        verdict = (ratio + 0 <= t + 0) ? "met" : sprintf("MISSED (%.0f%% over)", (ratio / t - 1) * 100)
    } else if (target ~ /^ratio>=/) {
        t = substr(target, 8)
        verdict = (ratio + 0 >= t + 0) ? "met" : sprintf("MISSED (%.0f%% under)", (1 - ratio / t) * 100)
    } else if (target ~ /^value</) {
        t = substr(target, 7)
        verdict = (value + 0 < t + 0) ? "met" : sprintf("MISSED (%.0f%% over)", (value / t - 1) * 100)
    }
    if (verdict ~ /^MISSED/) missed++
    printf "%-34s %10s %-6s %10s %7s  %-14s %s\n", name, value, unit, ref, ratio, target, verdict
}
/^FAILED / { printf "%s ended with status %s: its figures are missing\n", $2, $3; failed++ }
END {
    if (failed) printf "%d benchmark(s) failed\n", failed
    if (missed) printf "%d target(s) missed\n", missed
    if (!failed && !missed) print "every target met"
    exit failed ? 1 : 0
}
' "$out"
