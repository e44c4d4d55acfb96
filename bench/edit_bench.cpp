// The fill and save commands on real files, without the terminal, each
// beside a reference run in the same repetition:
//   - fill of 256 MiB the way the l command does it (saved copy, undo
//     entry, window-by-window stores) beside dd writing as many zero bytes
//     into the file;
//   - save with backup of a 1 GiB file with one changed byte, as s then y
//     does it, beside cp copying the file, and beside cp followed by a flush
//     of the copy (the save flushes too).
// Dirty pages are flushed before every timed step, so that one step's
// write-back does not land on the next. The files hold pseudo-random bytes
// (a sparse file would make the copies cheaper than real data); they live
// in a directory of $TMPDIR (or /tmp) that is removed at the end, also when
// the run is interrupted.
//
//   edit_bench [-n RUNS] [--benchmark_... flags of Google Benchmark]
//
// -n is the number of runs of each pair (default 5; the medians count).
#include "bench_util.h"
#include "gbench.h"

#include "commands/edit.h"
#include "core/editor.h"
#include "filemap/filemap.h"
#include "filemap/save.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

namespace {

constexpr int64_t MIB = 1 << 20;
constexpr int64_t FILL_SIZE = 256 * MIB;
constexpr int64_t SAVE_SIZE = 1024 * MIB;

// The editor record as start-up leaves it for this file.
void open_edited(const std::string &path, int64_t size)
{
    editor.prog_name = "edit_bench";
    editor.file_path = path;
    editor.fd = open(path.c_str(), O_RDWR);
    if (editor.fd < 0) {
        perror(path.c_str());
        bench_cleanup();
        exit(1);
    }
    editor.file_size = size;
    long page = sysconf(_SC_PAGESIZE);
    editor.window_size = 2 * static_cast<int64_t>(page < 2 ? 4096 : page);
    editor.last_window = 0;
    editor.modified = 0;
    make_backup_files = 1;
    advance_after_edit = 1;
    map_window_at(0);
}

// Drops the windows (dirty ones unwritten, as quitting without saving
// would) and the undo entries, and closes the file.
void close_edited()
{
    for (const map_window &w : editor.windows)
        munmap(w.data, static_cast<size_t>(w.length));
    editor.windows.clear();
    for (undo_entry &u : editor.undo)
        free(u.saved);
    editor.undo.clear();
    close(editor.fd);
}

double timed_fill(int64_t start, int64_t end, uint8_t value)
{
    double t0 = bench_now();
    auto *saved = static_cast<uint8_t *>(safe_malloc(static_cast<size_t>(end - start + 1)));
    copy_bytes(start, end, saved);
    push_undo(start, end, 0, saved);
    editor.modified = 1;
    fill_bytes(start, end, value);
    return bench_now() - t0;
}

double timed_save(benchmark::State &state, int64_t offset, uint8_t value)
{
    push_undo(offset, 0, byte_at(offset), nullptr);
    set_byte_at(offset, value);
    double t0 = bench_now();
    int failed = save_file(0);
    double t = bench_now() - t0;
    if (failed || save_backup_errno)
        state.SkipWithError(failed ? "the save failed" : "the backup was not written");
    return t;
}

// Seconds to flush path to disk.
double flush_file(const std::string &path)
{
    double t0 = bench_now();
    int fd = open(path.c_str(), O_RDONLY);
    if (fd < 0 || fsync(fd) != 0) {
        perror(path.c_str());
        bench_cleanup();
        exit(1);
    }
    close(fd);
    return bench_now() - t0;
}

void register_pairs(const std::string &dir, int runs)
{
    const std::string fill_path = dir + "/fill.bin";
    bench_register_pair("fill", runs, [fill_path](benchmark::State &state) {
        state.counters["ref"] = bench_run({"dd", "if=/dev/zero", "of=" + fill_path, "bs=1M",
                                           "count=" + std::to_string(FILL_SIZE / MIB), "conv=notrunc",
                                           "status=none"});
        sync();
        open_edited(fill_path, FILL_SIZE);
        double t = timed_fill(0, FILL_SIZE - 1, 0xFF);
        close_edited();
        sync();
        return t;
    });

    const std::string save_path = dir + "/save.bin";
    const std::string copy_path = dir + "/copy.bin";
    bench_register_pair("save", runs, [=](benchmark::State &state) {
        static int round = 0;
        double cp = bench_run({"cp", save_path, copy_path});
        state.counters["ref"] = cp;
        state.counters["ref_flushed"] = cp + flush_file(copy_path);
        unlink(copy_path.c_str());
        sync();
        open_edited(save_path, SAVE_SIZE);
        double t = timed_save(state, 123456789, static_cast<uint8_t>(round++));
        close_edited();
        unlink((save_path + "~").c_str());
        sync();
        return t;
    });
}

// The readable line and the FIGURE line of one figure against one reference.
void report(const std::string &name, const char *what, const bench_pair_result &r, const char *ref_counter,
            const char *ref_name)
{
    double ref = r.counters.at(ref_counter);
    printf("%-24s %7.3f s   %-22s %7.3f s   ratio %6.2f   (runs: %s s; reference %s s)\n", what, r.seconds,
           ref_name, ref, ref > 0 ? r.seconds / ref : 0, bench_spread(r.runs, "%.3f").c_str(),
           bench_spread(r.counter_runs.at(ref_counter), "%.3f").c_str());
    bench_figure(name, r.seconds, "s", ref, "-");
}

}  // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    int runs = 5;
    int c;
    while ((c = getopt(argc, argv, "n:")) != -1) {
        if (c != 'n') {
            fprintf(stderr, "usage: %s [-n RUNS]\n", argv[0]);
            return 2;
        }
        runs = std::max(1, atoi(optarg));
    }

    std::string dir = bench_scratch_dir("edit");
    for (const char *name : {"fill.bin", "save.bin", "copy.bin", "save.bin~"})
        bench_remove_later(dir + "/" + name);
    printf("edit_bench: fill of 256 MiB and save with backup of 1 GiB in %s\n", dir.c_str());
    fflush(stdout);
    bench_write_random_file(dir + "/fill.bin", FILL_SIZE, 0);
    bench_write_random_file(dir + "/save.bin", SAVE_SIZE, 0);
    sync();

    register_pairs(dir, runs);
    std::map<std::string, bench_pair_result> results = bench_run_pairs();
    for (const auto &[name, r] : results) {
        if (!r.error.empty()) {
            fprintf(stderr, "edit_bench: %s: %s\n", name.c_str(), r.error.c_str());
            bench_cleanup();
            return 1;
        }
    }
    printf("median of %d runs, each a reference and then the command\n", runs);
    if (results.count("fill"))
        report("fill_256MiB", "fill 256 MiB", results.at("fill"), "ref", "dd into the file");
    if (results.count("save")) {
        report("save_1GiB_backup", "save 1 GiB with backup", results.at("save"), "ref", "cp");
        report("save_1GiB_backup_vs_flushed_cp", "", results.at("save"), "ref_flushed", "cp and flush of the copy");
    }
    bench_cleanup();
    return 0;
}
