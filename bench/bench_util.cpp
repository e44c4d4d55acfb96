// Shared helpers of the benchmark programs (see bench_util.h).
#include "bench_util.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace {

[[noreturn]] void fail(const std::string &what)
{
    fprintf(stderr, "bench: %s: %s\n", what.c_str(), strerror(errno));
    bench_cleanup();
    exit(1);
}

// The registered scratch paths, in fixed storage so that the signal
// handler can walk them without allocating.
constexpr int MAX_PATHS = 32;
char scratch[MAX_PATHS][PATH_MAX];
volatile sig_atomic_t scratch_count = 0;

void remove_scratch()
{
    for (int i = scratch_count - 1; i >= 0; i--) {
        if (unlink(scratch[i]) != 0 && errno != ENOENT)
            rmdir(scratch[i]);
    }
    scratch_count = 0;
}

void on_signal(int sig)
{
    remove_scratch();
    signal(sig, SIG_DFL);
    raise(sig);
}

void catch_signals()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    struct sigaction sa {};
    sa.sa_handler = on_signal;
    sigemptyset(&sa.sa_mask);
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction old {};
        sigaction(sig, nullptr, &old);
        if (old.sa_handler != SIG_IGN)  // as in a background job: leave it ignored
            sigaction(sig, &sa, nullptr);
    }
}

// Our environment with the entries of env in place of those of the same names.
std::vector<std::string> child_environment(const std::vector<std::string> &env)
{
    std::vector<std::string> out;
    auto name_of = [](const std::string &entry) { return entry.substr(0, entry.find('=')); };
    for (char **e = environ; *e; e++) {
        std::string entry = *e;
        bool replaced = std::any_of(env.begin(), env.end(),
                                    [&](const std::string &mine) { return name_of(mine) == name_of(entry); });
        if (!replaced)
            out.push_back(entry);
    }
    out.insert(out.end(), env.begin(), env.end());
    return out;
}

std::vector<char *> pointers(std::vector<std::string> &strings)
{
    std::vector<char *> out;
    for (std::string &s : strings)
        out.push_back(s.data());
    out.push_back(nullptr);
    return out;
}

std::string read_all(int fd)
{
    std::string text;
    char buf[4096];
    ssize_t n;
    while ((n = read(fd, buf, sizeof buf)) != 0) {
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            fail("reading a command's output");
        text.append(buf, static_cast<size_t>(n));
    }
    return text;
}

}  // namespace

namespace {

// Four significant digits or more, never an exponent.
std::string number(double v)
{
    double a = v < 0 ? -v : v;
    int decimals = a >= 1000 ? 0 : a >= 100 ? 1 : a >= 10 ? 2 : 3;
    char buf[48];
    snprintf(buf, sizeof buf, "%.*f", decimals, v);
    return buf;
}

}  // namespace

void bench_figure(const std::string &name, double value, const char *unit, double reference, const char *target)
{
    double ratio = reference > 0 ? value / reference : 0;
    printf("FIGURE %s %s %s %s %.3f %s\n", name.c_str(), number(value).c_str(), unit, number(reference).c_str(), ratio,
           target);
    fflush(stdout);
}

double bench_median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    size_t mid = v.size() / 2;
    return v.size() % 2 ? v[mid] : (v[mid - 1] + v[mid]) / 2;
}

std::string bench_spread(const std::vector<double> &v, const char *format)
{
    auto [lo, hi] = std::minmax_element(v.begin(), v.end());
    char a[32], b[32];
    snprintf(a, sizeof a, format, *lo);
    snprintf(b, sizeof b, format, *hi);
    return std::string(a) + "-" + b;
}

double bench_now()
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

double bench_run(const std::vector<std::string> &argv, std::string *out, int *status,
                 const std::vector<std::string> &env)
{
    std::vector<std::string> args = argv;
    std::vector<std::string> envs = child_environment(env);
    std::vector<char *> arg_ptrs = pointers(args);
    std::vector<char *> env_ptrs = pointers(envs);

    int pipe_fds[2] = {-1, -1};
    if (out && pipe2(pipe_fds, O_CLOEXEC) != 0)
        fail("pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (out)
        posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], STDOUT_FILENO);
    else
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);

    double t0 = bench_now();
    pid_t pid;
    int err = posix_spawnp(&pid, arg_ptrs[0], &actions, nullptr, arg_ptrs.data(), env_ptrs.data());
    posix_spawn_file_actions_destroy(&actions);
    if (err) {
        errno = err;
        fail("starting " + argv[0]);
    }
    if (out) {
        close(pipe_fds[1]);
        *out = read_all(pipe_fds[0]);
        close(pipe_fds[0]);
    }
    int wstatus;
    while (waitpid(pid, &wstatus, 0) < 0) {
        if (errno != EINTR)
            fail("waiting for " + argv[0]);
    }
    double seconds = bench_now() - t0;

    if (!WIFEXITED(wstatus) || (!status && WEXITSTATUS(wstatus) != 0)) {
        fprintf(stderr, "bench: %s %s\n", argv[0].c_str(),
                WIFEXITED(wstatus) ? "failed" : "was killed by a signal");
        bench_cleanup();
        exit(1);
    }
    if (status)
        *status = WEXITSTATUS(wstatus);
    return seconds;
}

void bench_write_random_file(const std::string &path, int64_t size, uint8_t absent)
{
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        fail(path);
    const size_t chunk = 1 << 20;
    std::vector<uint64_t> words(chunk / 8);
    uint64_t x = 0x9E3779B97F4A7C15ull;  // xorshift64
    for (int64_t done = 0; done < size;) {
        for (uint64_t &w : words) {
            x ^= x << 13;
            x ^= x >> 7;
            x ^= x << 17;
            w = x;
        }
        auto *bytes = reinterpret_cast<uint8_t *>(words.data());
        std::replace(bytes, bytes + chunk, absent, static_cast<uint8_t>(absent ^ 0xFF));
        size_t n = static_cast<size_t>(std::min<int64_t>(chunk, size - done));
        if (write(fd, bytes, n) != static_cast<ssize_t>(n))
            fail("writing " + path);
        done += static_cast<int64_t>(n);
    }
    if (close(fd) != 0)
        fail("writing " + path);
}

std::string bench_scratch_dir(const char *tag)
{
    const char *tmp = getenv("TMPDIR");
    std::string dir = std::string(tmp && *tmp ? tmp : "/tmp") + "/vexa-bench-" + tag + "-XXXXXX";
    if (!mkdtemp(dir.data()))
        fail("creating a directory in " + dir);
    bench_remove_later(dir);
    return dir;
}

void bench_remove_later(const std::string &path)
{
    if (scratch_count == MAX_PATHS || path.size() >= PATH_MAX) {
        fprintf(stderr, "bench: cannot register %s for removal\n", path.c_str());
        exit(1);
    }
    catch_signals();
    memcpy(scratch[scratch_count], path.c_str(), path.size() + 1);
    scratch_count = scratch_count + 1;
}

void bench_cleanup()
{
    remove_scratch();
}
