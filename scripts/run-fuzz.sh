#!/bin/sh
# Runs every fuzz target of a fuzz build for the given number of seconds,
# starting from the committed seed corpus (so inputs that once crashed are
# replayed first). New inputs go to <build>/corpus/<target>, crash inputs
# to <build>/crashes/. Prints executions and coverage of each run and fails
# when any target found a crash.
#   usage: run-fuzz.sh BUILD_DIR SECONDS [TARGET...]
set -u

build=$1
seconds=$2
shift 2
targets=${*:-config options number}
src=$(cd "$(dirname "$0")/.." && pwd)
status=0

mkdir -p "$build/crashes"
for t in $targets; do
    work="$build/corpus/$t"
    log="$build/fuzz-$t.log"
    mkdir -p "$work"
    "$build/tests/fuzz/${t}_fuzz" -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="$build/crashes/$t-" "$work" "$src/tests/fuzz/corpus/$t" >"$log" 2>&1
    rc=$?
    execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    cov=$(grep -E '^#[0-9]+.*cov: ' "$log" | tail -1 | sed 's/.*cov: \([0-9]*\) ft: \([0-9]*\).*/\1 edges, \2 features/')
    if [ "$rc" -eq 0 ]; then
        echo "fuzz $t: ${seconds}s, ${execs:-?} executions, coverage ${cov:-?}"
    else
        echo "fuzz $t: FAILED (status $rc), see $log"
        grep -E '^(==[0-9]+==ERROR|SUMMARY|artifact_prefix|Test unit written)' "$log" | head -5
        status=1
    fi
done
exit $status
