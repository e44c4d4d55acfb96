// Whole-program figures on a pseudo-terminal (80x24):
//   - start-up to the first complete frame on a 64 GiB sparse file against
//     a 4 KiB file;
//   - End, and j to an offset near the end, on the 64 GiB file against a
//     1 MiB file;
//   - the bytes of the file the running program has mapped, sampled from
//     /proc/PID/maps by a second thread (which stops the program for each
//     sample) while it does long operations
//     (End and j, Page Down held, jumps to more windows than the budget
//     holds, a fill larger than the budget and its undo, a byte search
//     over a 2 GiB sparse file);
//   - the program's peak resident size (VmHWM) after that search.
// Timed figures are medians of runs that alternate between the file and its
// reference (and which of the two goes first), so a busy machine slows
// both alike. The files are sparse and removed at the end, also when the
// run is interrupted.
//
// Prints readable lines and, for run.sh, lines
//   FIGURE <name> <value> <unit> <reference> <ratio> <target>
#include "bench_util.h"
#include "harness.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using clock_type = std::chrono::steady_clock;

constexpr int LINES = 24;
constexpr int64_t MIB = 1 << 20;
constexpr int64_t HUGE_SIZE = int64_t{64} << 30;
constexpr int64_t SEARCH_SIZE = int64_t{2} << 30;
constexpr int64_t SEARCH_HIT = SEARCH_SIZE - 100;  // the one non-zero byte of the search file
constexpr int STARTUP_RUNS = 41;
constexpr int MOVE_RUNS = 15;

double ms_since(clock_type::time_point t0)
{
    return std::chrono::duration<double, std::milli>(clock_type::now() - t0).count();
}

// The sessions' HOME, inside the files' directory so that an interrupted
// run leaves nothing behind.
std::string home_dir;

e2e::Options options_for(const std::string &path)
{
    e2e::Options o;
    o.args = {path};
    o.home = home_dir;
    o.cols = 80;
    o.rows = LINES;
    o.timeout = std::chrono::milliseconds(60000);
    return o;
}

std::string hex_upper(int64_t v)
{
    char buf[32];
    snprintf(buf, sizeof buf, "%" PRIX64 " ", static_cast<uint64_t>(v));
    return buf;
}

// Waits until the bottom status line shows the cursor at offset; it is the
// last line of a frame.
bool frame_at(e2e::Session &s, int64_t offset)
{
    return s.wait_row_contains(LINES - 1, " offset: 0x" + hex_upper(offset));
}

void jump(e2e::Session &s, int64_t offset)
{
    s.send("j");
    s.wait_text("Enter offset");
    s.send(std::to_string(offset) + "\r");
    frame_at(s, offset);
}

// q, and n when the file was changed and the program asks about saving.
void quit(e2e::Session &s, bool changed = false)
{
    s.send("q");
    if (changed) {
        s.wait_text("Save (y/n/c)?");
        s.send("n");
    }
    s.wait_exit();
}

// --- Timed figures.

double startup_ms(const std::string &path)
{
    auto t0 = clock_type::now();
    e2e::Session s(options_for(path));
    frame_at(s, 0);
    double ms = ms_since(t0);
    quit(s);
    return ms;
}

struct move_times {
    double end_ms, jump_ms;
};

// Time for End, and for j to an offset 1000 bytes before the end (from
// the question's answer being sent to the frame showing the cursor there).
move_times move_ms(const std::string &path, int64_t size)
{
    e2e::Session s(options_for(path));
    frame_at(s, 0);
    auto t0 = clock_type::now();
    s.key(e2e::Key::End);
    frame_at(s, size - 1);
    double end_ms = ms_since(t0);

    s.key(e2e::Key::Home);
    frame_at(s, 0);
    s.send("j");
    s.wait_text("Enter offset");
    t0 = clock_type::now();
    s.send(std::to_string(size - 1000) + "\r");
    frame_at(s, size - 1000);
    double jump_ms = ms_since(t0);
    quit(s);
    return {end_ms, jump_ms};
}

// Runs measure(a) and measure(b) `runs` times, the order changing each
// time; returns the medians.
template <typename T, typename F>
std::pair<std::vector<T>, std::vector<T>> alternate(int runs, F measure, const std::string &a, const std::string &b)
{
    std::vector<T> ra, rb;
    for (int i = 0; i < runs; i++) {
        if (i % 2) {
            rb.push_back(measure(b));
            ra.push_back(measure(a));
        } else {
            ra.push_back(measure(a));
            rb.push_back(measure(b));
        }
    }
    return {ra, rb};
}

// --- Mapped bytes, sampled while the program works.

// Bytes of `path` mapped by process `pid` right now.
int64_t mapped_bytes(pid_t pid, const std::string &path)
{
    std::ifstream maps("/proc/" + std::to_string(pid) + "/maps");
    std::string line;
    int64_t total = 0;
    while (std::getline(maps, line)) {
        if (line.size() < path.size() || line.compare(line.size() - path.size(), path.size(), path) != 0)
            continue;
        uint64_t lo = 0, hi = 0;
        if (sscanf(line.c_str(), "%" SCNx64 "-%" SCNx64, &lo, &hi) == 2)
            total += static_cast<int64_t>(hi - lo);
    }
    return total;
}

// State letter of a process from /proc/PID/stat; 0 when it is gone.
char process_state(pid_t pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text;
    std::getline(stat, text);
    size_t paren = text.rfind(')');
    return paren == std::string::npos || paren + 2 >= text.size() ? 0 : text[paren + 2];
}

// mapped_bytes read while the process is stopped. The maps file is read a
// few KiB at a time, so a running program could drop a window after its
// line was read and map another before its line is reached, and be seen
// holding both. 0 when the process is gone.
int64_t frozen_mapped_bytes(pid_t pid, const std::string &path)
{
    if (kill(pid, SIGSTOP) != 0)
        return 0;
    for (;;) {
        char state = process_state(pid);
        if (state == 'T' || state == 't')
            break;
        if (state == 0 || state == 'Z' || state == 'X')
            return 0;
        std::this_thread::sleep_for(std::chrono::microseconds(20));
    }
    int64_t m = mapped_bytes(pid, path);
    kill(pid, SIGCONT);
    return m;
}

// Samples the mapped bytes about every 200 microseconds for as long as it
// lives.
struct maps_sampler {
    std::atomic<bool> stop{false};
    std::atomic<int64_t> max_bytes{0};
    std::atomic<long> samples{0};
    std::thread thread;

    maps_sampler(pid_t pid, std::string path)
        : thread([this, pid, path] {
              while (!stop) {
                  int64_t m = frozen_mapped_bytes(pid, path);
                  if (m > max_bytes)
                      max_bytes = m;
                  samples++;
                  std::this_thread::sleep_for(std::chrono::microseconds(200));
              }
          })
    {
    }
    ~maps_sampler()
    {
        stop = true;
        thread.join();
    }
};

struct mapping_phase {
    const char *what;
    int64_t max_bytes;
    long samples;
    double seconds;
};

// Runs work(s) on a fresh session of path with a sampler watching.
template <typename F>
mapping_phase sample_while(const char *what, const std::string &path, F work, bool changes = false)
{
    e2e::Session s(options_for(path));
    frame_at(s, 0);
    auto t0 = clock_type::now();
    maps_sampler sampler(s.pid(), path);
    work(s);
    double seconds = ms_since(t0) / 1000;
    int64_t seen = std::max(sampler.max_bytes.load(), mapped_bytes(s.pid(), path));
    long samples = sampler.samples;
    quit(s, changes);
    return {what, seen, samples, seconds};
}

// Peak resident size in KiB (VmHWM) of a running process.
long peak_rss_kib(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0)
            return atol(line.c_str() + 6);
    }
    return -1;
}

void put_byte(const std::string &path, int64_t offset, char byte)
{
    int fd = open(path.c_str(), O_WRONLY);
    if (fd < 0 || pwrite(fd, &byte, 1, offset) != 1) {
        perror(path.c_str());
        bench_cleanup();
        _exit(1);
    }
    close(fd);
}

std::vector<mapping_phase> mapping_phases(const std::string &huge, const std::string &search, long *search_rss_kib)
{
    std::vector<mapping_phase> phases;
    phases.push_back(sample_while("End, Home, j near the end", huge, [&](e2e::Session &s) {
        s.key(e2e::Key::End);
        frame_at(s, HUGE_SIZE - 1);
        s.key(e2e::Key::Home);
        frame_at(s, 0);
        jump(s, HUGE_SIZE - 1000);
    }));
    phases.push_back(sample_while("300 Page Down held", huge, [&](e2e::Session &s) {
        s.key(e2e::Key::PageDown, 300);
        frame_at(s, int64_t{300} * (LINES - 2) * 16);
    }));
    // 300 windows apart from each other: more than the budget holds. (Near
    // each other, since the first touch of a region far away costs a
    // read-ahead of up to several MiB of the sparse file's zeros.)
    phases.push_back(sample_while("300 jumps 16 KiB apart", huge, [&](e2e::Session &s) {
        for (int64_t k = 1; k <= 300; k++)
            jump(s, HUGE_SIZE / 2 + k * 16384 + k % 7);
    }));
    phases.push_back(sample_while("fill of 4 MiB, then undo", huge, [&](e2e::Session &s) {
        s.send("l");
        s.wait_text("Enter start offset: ");
        s.send("0\r");
        s.wait_text("Enter end offset: ");
        s.send(std::to_string(4 * MIB - 1) + "\r");
        s.wait_text("Fill with byte: ");
        s.send("0x55\r");
        s.wait_row_contains(1, "55 55 55 55");
        s.send("u");
        s.wait_row_contains(1, "00 00 00 00");
    }, true));
    phases.push_back(sample_while("byte search over 2 GiB", search, [&](e2e::Session &s) {
        s.send("n");
        s.wait_text("Enter byte to search for: ");
        s.send("1\r");
        frame_at(s, SEARCH_HIT);
        *search_rss_kib = peak_rss_kib(s.pid());
    }));
    return phases;
}

}  // namespace

int main()
{
    e2e::TempDir dir;
    bench_remove_later(dir.path());
    std::string small = dir.write("small.bin", std::string(4096, 'a'));
    std::string mib = dir.sparse("one-mib.bin", MIB);
    std::string huge = dir.sparse("huge.bin", HUGE_SIZE);
    std::string search = dir.sparse("search.bin", SEARCH_SIZE);
    for (const std::string &f : {small, mib, huge, search})
        bench_remove_later(f);
    home_dir = dir.mkdir("home");
    bench_remove_later(home_dir);
    put_byte(search, SEARCH_HIT, 1);

    for (int i = 0; i < 3; i++) {  // warm caches: the program, terminfo, the files' inodes
        startup_ms(small);
        startup_ms(huge);
    }
    auto [t_huge, t_small] = alternate<double>(STARTUP_RUNS, startup_ms, huge, small);
    double huge_ms = bench_median(t_huge), small_ms = bench_median(t_small);
    printf("start-up         64 GiB %7.2f ms   4 KiB %7.2f ms   (median of %d runs each; %s ms, %s ms)\n", huge_ms,
           small_ms, STARTUP_RUNS, bench_spread(t_huge, "%.2f").c_str(), bench_spread(t_small, "%.2f").c_str());
    bench_figure("startup_64GiB_vs_4KiB", huge_ms, "ms", small_ms, "ratio<=1.2");

    auto measure_move = [&](const std::string &path) {
        return move_ms(path, path == huge ? HUGE_SIZE : MIB);
    };
    auto [m_huge, m_small] = alternate<move_times>(MOVE_RUNS, measure_move, huge, mib);
    std::vector<double> end_huge, end_small, jump_huge, jump_small;
    for (const move_times &m : m_huge) {
        end_huge.push_back(m.end_ms);
        jump_huge.push_back(m.jump_ms);
    }
    for (const move_times &m : m_small) {
        end_small.push_back(m.end_ms);
        jump_small.push_back(m.jump_ms);
    }
    printf("End              64 GiB %7.3f ms   1 MiB %7.3f ms   (median of %d runs each)\n", bench_median(end_huge),
           bench_median(end_small), MOVE_RUNS);
    printf("j near the end   64 GiB %7.3f ms   1 MiB %7.3f ms   (median of %d runs each)\n", bench_median(jump_huge),
           bench_median(jump_small), MOVE_RUNS);
    bench_figure("end_key_64GiB_vs_1MiB", bench_median(end_huge), "ms", bench_median(end_small), "ratio<=1.5");
    bench_figure("jump_near_end_64GiB_vs_1MiB", bench_median(jump_huge), "ms", bench_median(jump_small),
                 "ratio<=1.5");

    long rss_kib = -1;
    int64_t most = 0;
    for (const mapping_phase &p : mapping_phases(huge, search, &rss_kib)) {
        printf("mapped bytes     %-28s most %8lld bytes (%ld samples in %.2f s)\n", p.what,
               static_cast<long long>(p.max_bytes), p.samples, p.seconds);
        most = std::max(most, p.max_bytes);
    }
    printf("peak RSS         after a byte search over 2 GiB: %ld KiB\n", rss_kib);
    if (most == 0 || rss_kib <= 0) {
        fprintf(stderr, "startup_bench: could not read the program's mappings or peak resident size\n");
        bench_cleanup();
        return 1;
    }
    bench_figure("editor_mapped_bytes_max", static_cast<double>(most), "bytes", 2097152.0, "value<2097152");
    bench_figure("editor_peak_rss_2GiB_search", static_cast<double>(rss_kib), "KiB", 16384.0, "value<16384");
    bench_cleanup();
    return 0;
}
