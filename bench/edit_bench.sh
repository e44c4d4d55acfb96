#!/bin/sh
# Fill throughput over a 256 MiB range and the time of a save with backup of
# a 1 GiB file with one changed byte, each beside a reference taken in the
# same run: dd writing the same bytes into the file, cp copying the file
# (and cp followed by a flush of the copy, since the save flushes too).
# Each figure is the best of ROUNDS runs (default 2); dirty pages are
# flushed before every timed step so that one step's write-back does not
# land on the next.
#
#   sh bench/edit_bench.sh [BUILD_DIR]      (default build-bench)
#
# Files go to $TMPDIR (default /tmp) and are removed at the end.
set -eu
build="${1:-build-bench}"
rounds="${ROUNDS:-2}"
tool="$build/bench/edit_tool"
[ -x "$tool" ] || { echo "edit_bench: $tool not built (configure with -DVEXA_BENCH=ON)" >&2; exit 1; }
dir=$(mktemp -d "${TMPDIR:-/tmp}/vexa-edit-bench-XXXXXX")
trap 'rm -rf "$dir"' EXIT INT TERM

now() { date +%s.%N; }
elapsed() { echo "$1 $2" | awk '{ printf "%.3f", $2 - $1 }'; }
ratio() { echo "$1 $2" | awk '{ if ($2 > 0) printf "%.2f", $1 / $2; else print "inf" }'; }
best() { echo "${1:--} $2" | awk '{ if ($1 == "-" || $2 + 0 < $1 + 0) print $2; else print $1 }'; }

# Real (not sparse) files of the given MiB, settled on disk before timing.
make_file() {
    dd if=/dev/urandom of="$1" bs=1M count="$2" status=none
    sync
}

mib=256
end=$((mib * 1024 * 1024 - 1))
make_file "$dir/fill.bin" $mib
fill= dd_time=
i=0
while [ $i -lt "$rounds" ]; do
    t0=$(now)
    dd if=/dev/zero of="$dir/fill.bin" bs=1M count=$mib conv=notrunc status=none
    dd_time=$(best "$dd_time" "$(elapsed "$t0" "$(now)")")
    sync
    fill=$(best "$fill" "$("$tool" fill "$dir/fill.bin" 0 $end 255)")
    sync
    i=$((i + 1))
done
r=$(ratio "$fill" "$dd_time")
rate=$(echo "$mib $fill" | awk '{ printf "%.0f", $1 / $2 }')
echo "fill ${mib}MiB: $fill s, $rate MiB/s (dd: $dd_time s, ratio $r)"
echo "FIGURE fill_256MiB $fill s $dd_time $r -"
rm -f "$dir/fill.bin"

make_file "$dir/save.bin" 1024
save= cp_time= cp_sync=
i=0
while [ $i -lt "$rounds" ]; do
    t0=$(now)
    cp "$dir/save.bin" "$dir/copy.bin"
    cp_time=$(best "$cp_time" "$(elapsed "$t0" "$(now)")")
    sync "$dir/copy.bin"
    cp_sync=$(best "$cp_sync" "$(elapsed "$t0" "$(now)")")
    rm -f "$dir/copy.bin"
    sync
    save=$(best "$save" "$("$tool" save "$dir/save.bin" 123456789 $i)")
    rm -f "$dir/save.bin~"
    sync
    i=$((i + 1))
done
r=$(ratio "$save" "$cp_time")
rs=$(ratio "$save" "$cp_sync")
echo "save 1GiB with backup: $save s (cp: $cp_time s, ratio $r; cp and flush: $cp_sync s, ratio $rs)"
echo "FIGURE save_1GiB_backup $save s $cp_time $r -"
echo "FIGURE save_1GiB_backup_vs_flushed_cp $save s $cp_sync $rs -"
