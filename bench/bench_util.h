// What every benchmark program shares: the FIGURE lines run.sh collects,
// medians, timed runs of the reference commands, big scratch files of
// pseudo-random bytes, and the removal of scratch files when the program
// ends or is interrupted.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One line for the benchmark runner:
//   FIGURE <name> <value> <unit> <reference> <ratio> <target>
// where target is "-" (no target), "ratio<=X", "ratio>=X" or "value<X".
void bench_figure(const std::string &name, double value, const char *unit, double reference, const char *target);

// Middle value (the mean of the two middle ones for an even count).
double bench_median(std::vector<double> v);

// "min-max" of v (which must not be empty), each printed with format.
std::string bench_spread(const std::vector<double> &v, const char *format);

// Seconds on the steady clock.
double bench_now();

// Runs argv[0] (looked up in PATH) with argv, the environment plus the
// "NAME=value" entries of env, and standard output going to *out when out
// is given, to /dev/null otherwise. Returns the seconds from the start of
// the command to its end. The exit status goes to *status when given; a
// command that cannot start, dies from a signal, or (without status)
// exits non-zero ends the benchmark.
double bench_run(const std::vector<std::string> &argv, std::string *out = nullptr, int *status = nullptr,
                 const std::vector<std::string> &env = {});

// Writes size pseudo-random bytes (the same ones every run) to path, none
// of them equal to absent.
void bench_write_random_file(const std::string &path, int64_t size, uint8_t absent);

// A new directory in $TMPDIR (or /tmp) named after tag, removed (with the
// files registered below) by bench_cleanup.
std::string bench_scratch_dir(const char *tag);

// Registers path for removal by bench_cleanup, which removes the
// registered paths newest first: files are unlinked, directories (empty by
// then) removed. bench_cleanup also runs when SIGINT, SIGTERM or SIGHUP
// ends the program, which then dies from that signal.
void bench_remove_later(const std::string &path);
void bench_cleanup();
