// The in-process figures on Google Benchmark. Each benchmark is a pair: every
// repetition first runs the reference (an external command, timed by the
// benchmark itself and kept as a counter) and then the figure (the manual
// time), so machine noise falls on both alike. Google Benchmark repeats each
// pair and computes the medians; nothing of its own is printed.
#pragma once

#include <benchmark/benchmark.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

struct bench_pair_result {
    std::string error;                               // set when a repetition failed
    double seconds = 0;                              // median of the figure
    std::map<std::string, double> counters;          // median of each counter
    std::vector<double> runs;                        // the figure of each repetition
    std::map<std::string, std::vector<double>> counter_runs;  // each counter of each repetition
};

// One repetition: runs the reference and the figure, stores the reference's
// seconds with state.counters[...] and returns the figure's seconds.
using bench_pair_fn = std::function<double(benchmark::State &)>;

// Registers a pair repeated `repetitions` times, one iteration each.
void bench_register_pair(const std::string &name, int repetitions, bench_pair_fn fn);

// Runs every registered pair; results by name.
std::map<std::string, bench_pair_result> bench_run_pairs();
