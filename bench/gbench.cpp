// Pairs of figure and reference on Google Benchmark (see gbench.h).
#include "gbench.h"

namespace {

// Keeps each repetition and the median aggregate instead of printing them.
class collector : public benchmark::BenchmarkReporter {
public:
    std::map<std::string, bench_pair_result> results;

    bool ReportContext(const Context &) override { return true; }

    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &run : runs) {
            bench_pair_result &r = results[run.run_name.function_name];
            if (run.error_occurred) {
                r.error = run.error_message;
                continue;
            }
            double seconds = run.real_accumulated_time / static_cast<double>(run.iterations);
            if (run.run_type == Run::RT_Iteration) {
                r.runs.push_back(seconds);
                for (const auto &[name, counter] : run.counters)
                    r.counter_runs[name].push_back(counter.value);
            } else if (run.aggregate_name == "median") {
                r.seconds = seconds;
                for (const auto &[name, counter] : run.counters)
                    r.counters[name] = counter.value;
            }
        }
    }
};

}  // namespace

void bench_register_pair(const std::string &name, int repetitions, bench_pair_fn fn)
{
    benchmark::RegisterBenchmark(name.c_str(),
                                 [fn](benchmark::State &state) {
                                     for (auto _ : state) {
                                         double seconds = fn(state);
                                         if (state.error_occurred())
                                             break;
                                         state.SetIterationTime(seconds);
                                     }
                                 })
        ->Iterations(1)
        ->Repetitions(repetitions)
        ->UseManualTime();
}

std::map<std::string, bench_pair_result> bench_run_pairs()
{
    collector c;
    benchmark::RunSpecifiedBenchmarks(&c);
    // A single repetition has no aggregates: its values are the medians.
    for (auto &[name, r] : c.results) {
        if (r.runs.size() != 1)
            continue;
        r.seconds = r.runs[0];
        for (const auto &[counter, values] : r.counter_runs)
            r.counters[counter] = values[0];
    }
    return c.results;
}
