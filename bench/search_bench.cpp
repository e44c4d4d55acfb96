// Speed of the byte and string scans on a large file in the page cache,
// side by side with `cat FILE > /dev/null` and `grep -c -a -F` on the same
// file in the same run, plus the memory the editor mapped and the peak
// resident size of this process.
//
//   search_bench [-s SIZE_MIB] [-d DIR] [-b BLOCK_KIB] [-n ROUNDS] [-k] [-r]
//
// The file is created in DIR (default: $TMPDIR or /tmp) with pseudo-random
// bytes that never hold the searched byte, so both scans read everything,
// and removed at the end unless -k is given; -r reuses a file of the right
// size left by -k. -b sets the scan block size, -n the number of rounds
// (default 5; the best time of each measurement counts).
#include "filemap/scan.h"
#include "filemap/filemap.h"
#include "core/editor.h"

#include <algorithm>
#include <chrono>
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
    int rounds = 5;
    bool keep = false;
    bool reuse = false;
};

double now()
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// Pseudo-random bytes (xorshift) with the searched byte replaced.
void create_file(const std::string &path, int64_t size)
{
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) {
        perror(path.c_str());
        exit(1);
    }
    const size_t chunk = 1 << 20;
    auto *buf = static_cast<uint64_t *>(safe_malloc(chunk));
    uint64_t x = 0x9E3779B97F4A7C15ull;
    for (int64_t done = 0; done < size;) {
        for (size_t i = 0; i < chunk / 8; i++) {
            x ^= x << 13;
            x ^= x >> 7;
            x ^= x << 17;
            buf[i] = x;
        }
        auto *b = reinterpret_cast<uint8_t *>(buf);
        std::replace(b, b + chunk, ABSENT_BYTE, uint8_t{0x5A});
        size_t n = static_cast<size_t>(std::min<int64_t>(chunk, size - done));
        if (write(fd, b, n) != static_cast<ssize_t>(n)) {
            perror("write");
            exit(1);
        }
        done += static_cast<int64_t>(n);
    }
    free(buf);
    close(fd);
}

// Runs a shell command once; returns its time and its output.
double time_command(const std::string &cmd, std::string *out)
{
    double t0 = now();
    FILE *p = popen(cmd.c_str(), "r");
    if (!p) {
        perror("popen");
        exit(1);
    }
    std::string text;
    char line[256];
    while (fgets(line, sizeof line, p))
        text += line;
    if (pclose(p) == -1)
        perror("pclose");
    double t = now() - t0;
    if (out)
        *out = text;
    return t;
}

int64_t max_mapped = 0;

void note_mapped()
{
    max_mapped = std::max<int64_t>(max_mapped, static_cast<int64_t>(editor.windows.size()) * editor.window_size);
}

template <typename F>
double time_scan(F scan, int64_t *result)
{
    double t0 = now();
    *result = scan();
    double t = now() - t0;
    note_mapped();
    return t;
}

void open_editor(const std::string &path, int64_t size)
{
    editor.prog_name = "search_bench";
    editor.fd = open(path.c_str(), O_RDWR);
    if (editor.fd < 0) {
        perror(path.c_str());
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

double gib_per_s(int64_t size, double seconds)
{
    return static_cast<double>(size) / seconds / (1 << 30);
}

void print_pair(const char *what, double mine, const char *ref_name, double ref, double target)
{
    double ratio = mine / ref;
    printf("%-14s %7.2f GiB/s   %-28s %7.2f GiB/s   ratio %.2f (target >= %.2f) %s\n", what, mine, ref_name, ref,
           ratio, target, ratio >= target ? "ok" : "BELOW TARGET");
}

// One line for the benchmark runner:
//   FIGURE <name> <value> <unit> <reference> <ratio> <target>
void figure(const char *name, double value, const char *unit, double reference, const char *target)
{
    double ratio = reference > 0 ? value / reference : 0;
    printf("FIGURE %s %.3f %s %.3f %.2f %s\n", name, value, unit, reference, ratio, target);
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
        case 'n': s.rounds = std::max(1, atoi(optarg)); break;
        case 'k': s.keep = true; break;
        case 'r': s.reuse = true; break;
        default:
            fprintf(stderr, "usage: %s [-s SIZE_MIB] [-d DIR] [-b BLOCK_KIB] [-n ROUNDS] [-k] [-r]\n", argv[0]);
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
    settings s = parse_args(argc, argv);
    std::string path = s.dir + "/vexa_search_bench.bin";
    printf("search_bench: %lld MiB of pseudo-random bytes in %s\n", static_cast<long long>(s.size >> 20), path.c_str());
    fflush(stdout);
    struct stat st;
    if (!s.reuse || stat(path.c_str(), &st) != 0 || st.st_size != s.size)
        create_file(path, s.size);
    if (s.block)
        scan_set_block_size(s.block);

    std::string quoted = "'" + path + "'";
    time_command("cat " + quoted + " > /dev/null", nullptr);  // into the page cache

    open_editor(path, s.size);
    // Each round runs a reference and then the scan right after it, so a
    // busy machine slows both alike; the best of the rounds counts.
    double cat_s = 1e30, grep_s = 1e30, byte_s = 1e30, string_s = 1e30;
    std::string grep_out;
    int64_t byte_hit = 0, string_hit = 0;
    for (int i = 0; i < s.rounds; i++) {
        cat_s = std::min(cat_s, time_command("cat " + quoted + " > /dev/null", nullptr));
        byte_s = std::min(byte_s, time_scan([] { return scan_byte(1, ABSENT_BYTE); }, &byte_hit));
        grep_s = std::min(grep_s, time_command(std::string("LC_ALL=C grep -c -a -F '") + PATTERN + "' " + quoted,
                                               &grep_out));
        string_s = std::min(string_s, time_scan([] {
            return scan_string(0, reinterpret_cast<const uint8_t *>(PATTERN), strlen(PATTERN));
        }, &string_hit));
    }

    struct rusage ru;
    getrusage(RUSAGE_SELF, &ru);
    double rss_mib = static_cast<double>(ru.ru_maxrss) / 1024;  // ru_maxrss is in KiB
    double mapped_mib = static_cast<double>(max_mapped) / (1 << 20);

    printf("best of %d rounds; scan block %zu KiB\n", s.rounds, scan_block_size() >> 10);
    printf("byte scan found %lld, string scan found %lld, grep counted %s", static_cast<long long>(byte_hit),
           static_cast<long long>(string_hit), grep_out.empty() ? "?\n" : grep_out.c_str());
    print_pair("byte search", gib_per_s(s.size, byte_s), "cat FILE > /dev/null", gib_per_s(s.size, cat_s), 0.6);
    print_pair("string search", gib_per_s(s.size, string_s), "LC_ALL=C grep -c -a -F", gib_per_s(s.size, grep_s),
               1.0);
    printf("%-14s %7.2f MiB     limit %.2f MiB   %s\n", "max mapped", mapped_mib,
           static_cast<double>(MAP_BUDGET) / (1 << 20), max_mapped < MAP_BUDGET ? "ok" : "OVER LIMIT");
    printf("%-14s %7.2f MiB     limit 16.00 MiB   %s\n", "peak RSS", rss_mib, rss_mib < 16 ? "ok" : "OVER LIMIT");

    // The same figures in the form the benchmark runner collects.
    figure("search_byte_throughput", gib_per_s(s.size, byte_s), "GiB/s", gib_per_s(s.size, cat_s), "ratio>=0.6");
    figure("search_string8_throughput", gib_per_s(s.size, string_s), "GiB/s", gib_per_s(s.size, grep_s),
           "ratio>=1");
    figure("search_mapped_bytes_max", static_cast<double>(max_mapped), "bytes", static_cast<double>(MAP_BUDGET),
           "value<2097152");
    figure("search_peak_rss", static_cast<double>(ru.ru_maxrss), "KiB", 16384.0, "value<16384");

    for (const map_window &w : editor.windows)
        munmap(w.data, w.length);
    close(editor.fd);
    if (!s.keep)
        unlink(path.c_str());
    return 0;
}
