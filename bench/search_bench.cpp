// Speed of the byte and string scans over a large file in the page cache,
// each beside a reference run in the same repetition: `cat FILE` into
// /dev/null for the byte scan, `grep -c -a -F` for the 8-byte string. Also
// the bytes the editor mapped while scanning and the peak resident size of
// this process afterwards.
//
//   search_bench [-s SIZE_MIB] [-d DIR] [-b BLOCK_KIB] [-n RUNS] [-k] [-r]
//                [--benchmark_... flags of Google Benchmark]
//
// The file (default 2048 MiB) is created in DIR (default: $TMPDIR or /tmp)
// with pseudo-random bytes that never hold the searched byte, so both scans
// read everything; it cannot be sparse, since the string scan's speed
// depends on the bytes. It is removed at the end, also when the run is
// interrupted, unless -k is given; -r reuses a file of the right size left
// by -k. -b sets the scan block size, -n the number of runs of each pair
// (default 5; the medians count).
#include "bench_util.h"
#include "gbench.h"

#include "core/editor.h"
#include "filemap/filemap.h"
#include "filemap/scan.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr uint8_t ABSENT_BYTE = 0xA5;
const char PATTERN[] = "Qz7#vK1p";

struct settings {
    int64_t size = int64_t{2048} << 20;
    std::string dir;
    size_t block = 0;
    int runs = 5;
    bool keep = false;
    bool reuse = false;
};

int64_t max_mapped = 0;

void note_mapped()
{
    max_mapped = std::max<int64_t>(max_mapped, static_cast<int64_t>(editor.windows.size()) * editor.window_size);
}

void open_editor(const std::string &path, int64_t size)
{
    editor.prog_name = "search_bench";
    editor.fd = open(path.c_str(), O_RDWR);
    if (editor.fd < 0) {
        perror(path.c_str());
        bench_cleanup();
        exit(1);
    }
    long page = sysconf(_SC_PAGESIZE);
    editor.window_size = 2 * (page < 2 ? 4096 : page);
    editor.file_size = size;
    // As at start-up: the window of offset 0 is mapped, and one changed
    // byte makes it dirty, so the scans also lay a window over the file.
    map_window_at(0);
    set_byte_at(0, byte_at(0));
    note_mapped();
}

void close_editor()
{
    for (const map_window &w : editor.windows)
        munmap(w.data, static_cast<size_t>(w.length));
    editor.windows.clear();
    close(editor.fd);
}

// The scan's seconds; a scan that finds anything is an error.
template <typename F>
double timed_scan(benchmark::State &state, F scan)
{
    double t0 = bench_now();
    int64_t found = scan();
    double t = bench_now() - t0;
    note_mapped();
    if (found != -1)
        state.SkipWithError(found == SCAN_READ_ERROR ? "the scan could not read the file"
                                                     : "the scan found a byte the file does not hold");
    return t;
}

void register_pairs(const std::string &path, int runs)
{
    bench_register_pair("byte", runs, [path](benchmark::State &state) {
        state.counters["ref"] = bench_run({"cat", path});
        return timed_scan(state, [] { return scan_byte(1, ABSENT_BYTE); });
    });
    bench_register_pair("string", runs, [path](benchmark::State &state) {
        std::string count;
        int status;
        state.counters["ref"] = bench_run({"grep", "-c", "-a", "-F", PATTERN, path}, &count, &status, {"LC_ALL=C"});
        if (status > 1 || atoi(count.c_str()) != 0)
            state.SkipWithError("grep found the pattern, or failed");
        return timed_scan(state, [] {
            return scan_string(0, reinterpret_cast<const uint8_t *>(PATTERN), strlen(PATTERN));
        });
    });
}

double gib_per_s(int64_t size, double seconds)
{
    return seconds > 0 ? static_cast<double>(size) / seconds / (1 << 30) : 0;
}

// The readable line and the FIGURE line of one pair.
void report_pair(const char *what, const char *ref_name, const bench_pair_result &r, int64_t size,
                 const std::string &figure, const char *target, double at_least)
{
    double mine = gib_per_s(size, r.seconds);
    double ref = gib_per_s(size, r.counters.at("ref"));
    double ratio = ref > 0 ? mine / ref : 0;
    printf("%-14s %6.2f GiB/s   %-26s %6.2f GiB/s   ratio %.2f (target >= %.1f) %s\n", what, mine, ref_name, ref,
           ratio, at_least, ratio >= at_least ? "ok" : "BELOW TARGET");
    printf("%-14s seconds of each run: scan %s, reference %s\n", "", bench_spread(r.runs, "%.3f").c_str(),
           bench_spread(r.counter_runs.at("ref"), "%.3f").c_str());
    bench_figure(figure, mine, "GiB/s", ref, target);
}

settings parse_args(int argc, char **argv)
{
    settings s;
    const char *tmp = getenv("TMPDIR");
    s.dir = tmp && *tmp ? tmp : "/tmp";
    int c;
    while ((c = getopt(argc, argv, "s:d:b:n:kr")) != -1) {
        switch (c) {
        case 's': s.size = static_cast<int64_t>(atoll(optarg)) << 20; break;
        case 'd': s.dir = optarg; break;
        case 'b': s.block = static_cast<size_t>(atoll(optarg)) << 10; break;
        case 'n': s.runs = std::max(1, atoi(optarg)); break;
        case 'k': s.keep = true; break;
        case 'r': s.reuse = true; break;
        default:
            fprintf(stderr, "usage: %s [-s SIZE_MIB] [-d DIR] [-b BLOCK_KIB] [-n RUNS] [-k] [-r]\n", argv[0]);
            exit(2);
        }
    }
    if (s.size <= 0) {
        fprintf(stderr, "%s: size must be positive\n", argv[0]);
        exit(2);
    }
    return s;
}

}  // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    settings s = parse_args(argc, argv);
    std::string path = s.dir + "/vexa_search_bench.bin";
    printf("search_bench: %lld MiB of pseudo-random bytes in %s\n", static_cast<long long>(s.size >> 20),
           path.c_str());
    fflush(stdout);
    if (!s.keep)
        bench_remove_later(path);
    struct stat st;
    if (!s.reuse || stat(path.c_str(), &st) != 0 || st.st_size != s.size)
        bench_write_random_file(path, s.size, ABSENT_BYTE);
    if (s.block)
        scan_set_block_size(s.block);
    bench_run({"cat", path});  // into the page cache

    open_editor(path, s.size);
    register_pairs(path, s.runs);
    std::map<std::string, bench_pair_result> results = bench_run_pairs();
    for (const auto &[name, r] : results) {
        if (!r.error.empty()) {
            fprintf(stderr, "search_bench: %s: %s\n", name.c_str(), r.error.c_str());
            bench_cleanup();
            return 1;
        }
    }

    struct rusage ru;
    getrusage(RUSAGE_SELF, &ru);  // ru_maxrss is in KiB
    printf("median of %d runs, each a reference and then the scan; scan block %zu KiB\n", s.runs,
           scan_block_size() >> 10);
    if (results.count("byte"))
        report_pair("byte search", "cat FILE > /dev/null", results.at("byte"), s.size, "search_byte_throughput",
                    "ratio>=0.6", 0.6);
    if (results.count("string"))
        report_pair("string search", "LC_ALL=C grep -c -a -F", results.at("string"), s.size,
                    "search_string8_throughput", "ratio>=1", 1.0);
    printf("%-14s %6.3f MiB     limit %.2f MiB   %s\n", "max mapped", static_cast<double>(max_mapped) / (1 << 20),
           static_cast<double>(MAP_BUDGET) / (1 << 20), max_mapped < MAP_BUDGET ? "ok" : "OVER LIMIT");
    printf("%-14s %6.2f MiB     limit 16.00 MiB   %s\n", "peak RSS", static_cast<double>(ru.ru_maxrss) / 1024,
           ru.ru_maxrss < 16384 ? "ok" : "OVER LIMIT");
    bench_figure("search_mapped_bytes_max", static_cast<double>(max_mapped), "bytes", static_cast<double>(MAP_BUDGET),
                 "value<2097152");
    bench_figure("search_peak_rss", static_cast<double>(ru.ru_maxrss), "KiB", 16384.0, "value<16384");

    close_editor();
    bench_cleanup();
    return 0;
}
