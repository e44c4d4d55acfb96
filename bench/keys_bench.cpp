// Held-down keys on a large file, through the whole program on a
// pseudo-terminal: keys per second and bytes written to the terminal per
// key for Down, Right and Page Down at 80x24.
//
// Each key is measured twice:
//   - in step: one key, then wait until its frame is on the screen (every
//     frame is drawn in full; the latency a user sees per key);
//   - in a burst: all keys written at once, as a fast key repeat queues
//     them (the curses library may skip frames while keys are waiting).
// The large file is a 1 GiB sparse file with 1 MiB of varied bytes from
// the page start nearest below 512 MiB, where the keys start; the
// reference is a 1 MiB file of the same bytes, starting at 0.
//
// Each figure is the median of RUNS runs that alternate between the two
// files (and which goes first), so a busy machine slows both alike. These
// figures have no target. The files are removed at the end, also when the
// run is interrupted.
//
// Prints a readable line per measurement and FIGURE lines for the runner:
//   FIGURE <name> <value> <unit> <reference> <ratio> <target>
#include "bench_util.h"
#include "harness.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace {

using clock_type = std::chrono::steady_clock;

constexpr int COLS = 80;
constexpr int LINES = 24;
constexpr int B = 16;
constexpr int R = LINES - 2;
constexpr int64_t PAGE = int64_t{R} * B;
constexpr int64_t MIB = 1 << 20;
constexpr int64_t BIG_SIZE = 1024 * MIB;
// A page start, so that the jump puts it on the top row.
constexpr int64_t BIG_START = 512 * MIB / PAGE * PAGE;
constexpr int RUNS = 5;

struct cursor_state {
    int64_t cursor;
    int row;
    int nibble;
};

// Where the cursor is after k presses of a key from `start` (row 0, high
// digit). The keys never reach the end of the varied bytes.
cursor_state after(e2e::Key key, int64_t start, int k)
{
    switch (key) {
    case e2e::Key::Down:
        return {start + int64_t{B} * k, k < R - 1 ? k : R - 1, 0};
    case e2e::Key::Right: {
        int64_t c = start + k / 2;
        int64_t row = (c - start) / B;
        return {c, static_cast<int>(row < R - 1 ? row : R - 1), k % 2};
    }
    default:  // Page Down: the view moves with the cursor
        return {start + PAGE * k, 0, 0};
    }
}

std::string offset_text(int64_t offset)
{
    char buf[48];
    snprintf(buf, sizeof buf, " offset: 0x%-8" PRIX64 " (", static_cast<uint64_t>(offset));
    return buf;
}

bool shows(e2e::Session &s, const cursor_state &want)
{
    std::string text = offset_text(want.cursor);
    return s.wait_until(
        [&] {
            return s.row(LINES - 1).compare(0, text.size(), text) == 0 &&
                   s.cursor() == e2e::Pos{1 + want.row, 13 + 3 * static_cast<int>(want.cursor % B) + want.nibble};
        },
        text);
}

struct result {
    double keys_per_s;
    double bytes_per_key;
};

// The sessions' HOME, inside the files' directory so that an interrupted
// run leaves nothing behind.
std::string home_dir;

e2e::Options options_for(const std::string &path)
{
    e2e::Options o;
    o.args = {path};
    o.home = home_dir;
    o.cols = COLS;
    o.rows = LINES;
    o.timeout = std::chrono::milliseconds(30000);
    return o;
}

// Starts the editor with the cursor on `start` (through the jump command).
bool open_at(e2e::Session &s, int64_t start)
{
    if (!shows(s, {0, 0, 0}))
        return false;
    s.send("j");
    if (!s.wait_text("Enter offset"))
        return false;
    s.send(std::to_string(start) + "\r");
    return shows(s, {start, 0, 0});
}

result measure(const std::string &path, int64_t start, e2e::Key key, int n, bool burst)
{
    e2e::Session s(options_for(path));
    if (!open_at(s, start))
        return {0, 0};
    size_t bytes0 = s.output().size();
    auto t0 = clock_type::now();
    if (burst) {
        s.key(key, n);
        if (!shows(s, after(key, start, n)))
            return {0, 0};
    } else {
        for (int k = 1; k <= n; k++) {
            s.key(key);
            if (!shows(s, after(key, start, k)))
                return {0, 0};
        }
    }
    double secs = std::chrono::duration<double>(clock_type::now() - t0).count();
    double bytes = static_cast<double>(s.output().size() - bytes0);
    s.send("q");
    s.wait_exit();
    return {n / secs, bytes / n};
}

std::string varied_bytes(int64_t n)
{
    std::mt19937 gen(12345);
    std::string out(static_cast<size_t>(n), '\0');
    for (char &c : out)
        c = static_cast<char>(gen() & 0xff);
    return out;
}

void put_bytes(const std::string &path, int64_t offset, const std::string &bytes)
{
    int fd = open(path.c_str(), O_WRONLY);
    if (fd < 0 || pwrite(fd, bytes.data(), bytes.size(), offset) != static_cast<ssize_t>(bytes.size())) {
        perror(path.c_str());
        _exit(1);
    }
    close(fd);
}

struct key_case {
    const char *name;
    e2e::Key key;
    int in_step;
    int in_burst;
};

// Runs measure on the large file and on the reference `runs` times, the
// order changing each time.
void alternate(int runs, const std::function<result(bool big)> &measure, std::vector<result> *big,
               std::vector<result> *small)
{
    for (int i = 0; i < runs; i++) {
        for (bool b : {i % 2 == 0, i % 2 != 0})
            (b ? big : small)->push_back(measure(b));
    }
}

double median_of(const std::vector<result> &rs, double result::*field)
{
    std::vector<double> v;
    for (const result &r : rs)
        v.push_back(r.*field);
    return bench_median(v);
}

}  // namespace

int main()
{
    e2e::TempDir dir;
    bench_remove_later(dir.path());
    std::string data = varied_bytes(MIB);
    std::string big = dir.sparse("big.bin", BIG_SIZE);
    bench_remove_later(big);
    put_bytes(big, BIG_START, data);
    std::string small = dir.write("small.bin", data);
    bench_remove_later(small);
    home_dir = dir.mkdir("home");
    bench_remove_later(home_dir);

    const key_case cases[] = {
        {"down", e2e::Key::Down, 600, 2000},
        {"right", e2e::Key::Right, 600, 2000},
        {"page_down", e2e::Key::PageDown, 200, 600},
    };
    printf("median of %d runs each, alternating between the 1 GiB file and the 1 MiB file\n", RUNS);
    for (const key_case &c : cases) {
        for (bool burst : {false, true}) {
            int n = burst ? c.in_burst : c.in_step;
            std::vector<result> r_big, r_small;
            alternate(
                RUNS,
                [&](bool on_big) {
                    return on_big ? measure(big, BIG_START, c.key, n, burst) : measure(small, 0, c.key, n, burst);
                },
                &r_big, &r_small);
            auto failed = [](const result &r) { return r.keys_per_s == 0; };
            if (std::any_of(r_big.begin(), r_big.end(), failed) || std::any_of(r_small.begin(), r_small.end(), failed)) {
                fprintf(stderr, "keys_bench: the screen did not show where %s should have taken the cursor\n", c.name);
                bench_cleanup();
                return 1;
            }
            double big_rate = median_of(r_big, &result::keys_per_s);
            double small_rate = median_of(r_small, &result::keys_per_s);
            double big_bytes = median_of(r_big, &result::bytes_per_key);
            double small_bytes = median_of(r_small, &result::bytes_per_key);
            std::string name = std::string("key_") + c.name + (burst ? "_burst" : "_step");
            printf("%-20s 1 GiB: %9.0f keys/s %8.1f bytes/key   1 MiB: %9.0f keys/s %8.1f bytes/key  (%d keys)\n",
                   name.c_str(), big_rate, big_bytes, small_rate, small_bytes, n);
            bench_figure(name + "_1GiB_vs_1MiB", big_rate, "keys/s", small_rate, "-");
            bench_figure(name + "_bytes_per_key", big_bytes, "bytes", small_bytes, "-");
        }
    }
    bench_cleanup();
    return 0;
}
