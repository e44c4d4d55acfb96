// Whole-program figures on a pseudo-terminal: start-up to the first complete
// frame, End and a jump near the end on a 64 GiB sparse file against small
// files, and how much of the file is mapped at any moment (read from
// /proc/PID/maps while the program runs).
//
// Prints one line per figure:
//   FIGURE <name> <value> <unit> <reference> <ratio> <target>
#include "harness.h"

#include <algorithm>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using clock_type = std::chrono::steady_clock;

double ms_since(clock_type::time_point t0)
{
    return std::chrono::duration<double, std::milli>(clock_type::now() - t0).count();
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

e2e::Options options_for(const std::string &path)
{
    e2e::Options o;
    o.args = {path};
    o.cols = 80;
    o.rows = 24;
    o.timeout = std::chrono::milliseconds(60000);
    return o;
}

bool frame_done(e2e::Session &s, const std::string &offset_text)
{
    return s.wait_row_contains(23, " offset: 0x" + offset_text);
}

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

double startup_ms(const std::string &path)
{
    auto t0 = clock_type::now();
    e2e::Session s(options_for(path));
    frame_done(s, "0 ");
    double ms = ms_since(t0);
    s.send("q");
    s.wait_exit();
    return ms;
}

std::string hex_upper(int64_t v)
{
    char buf[32];
    snprintf(buf, sizeof buf, "%" PRIX64 " ", static_cast<uint64_t>(v));
    return buf;
}

// Time for End, and for j to an offset 1000 bytes before the end.
struct move_times {
    double end_ms, jump_ms;
    int64_t max_mapped;
};

move_times move_figures(const std::string &path, int64_t size, int runs)
{
    std::vector<double> ends, jumps;
    int64_t max_mapped = 0;
    for (int i = 0; i < runs; i++) {
        e2e::Session s(options_for(path));
        frame_done(s, "0 ");
        auto t0 = clock_type::now();
        s.key(e2e::Key::End);
        frame_done(s, hex_upper(size - 1));
        ends.push_back(ms_since(t0));
        max_mapped = std::max(max_mapped, mapped_bytes(s.pid(), path));

        s.key(e2e::Key::Home);
        frame_done(s, "0 ");
        t0 = clock_type::now();
        s.send("j");
        s.wait_text("Enter offset");
        s.send(std::to_string(size - 1000) + "\r");
        frame_done(s, hex_upper(size - 1000));
        jumps.push_back(ms_since(t0));
        max_mapped = std::max(max_mapped, mapped_bytes(s.pid(), path));
        s.send("q");
        s.wait_exit();
    }
    return {median(ends), median(jumps), max_mapped};
}

void figure(const char *name, double value, const char *unit, double reference, const char *target)
{
    double ratio = reference > 0 ? value / reference : 0;
    printf("FIGURE %s %.3f %s %.3f %.2f %s\n", name, value, unit, reference, ratio, target);
    fflush(stdout);
}

}  // namespace

int main()
{
    e2e::TempDir dir;
    std::string small = dir.write("small.bin", std::string(4096, 'a'));
    std::string mib = dir.sparse("one-mib.bin", 1 << 20);
    std::string huge = dir.sparse("huge.bin", 64ull << 30);
    const int runs = 15;

    std::vector<double> t_small, t_huge;
    for (int i = 0; i < runs; i++) {
        t_small.push_back(startup_ms(small));
        t_huge.push_back(startup_ms(huge));
    }
    figure("startup_64GiB_vs_4KiB", median(t_huge), "ms", median(t_small), "ratio<=1.2");

    move_times m_small = move_figures(mib, 1 << 20, runs);
    move_times m_huge = move_figures(huge, 64ll << 30, runs);
    figure("end_key_64GiB_vs_1MiB", m_huge.end_ms, "ms", m_small.end_ms, "ratio<=1.5");
    figure("jump_near_end_64GiB_vs_1MiB", m_huge.jump_ms, "ms", m_small.jump_ms, "ratio<=1.5");
    figure("mapped_bytes_max", static_cast<double>(m_huge.max_mapped), "bytes", 2097152.0, "value<2097152");
    return 0;
}
