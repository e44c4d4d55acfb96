// SIGINT and SIGTERM. While curses owns the terminal the handler only notes
// the signal; blocking waits return early (no SA_RESTART) and long operations
// poll signal_check, so the terminal is restored outside the handler. A timer
// then ticks every 50 ms to interrupt a read that began just after the
// signal. If the program does not reach a check within two seconds, or
// before curses is set up, the handler ends the process itself.
//
// SIGWINCH only notes that the terminal changed size: the layout stays as
// it was set up, and the main loop repaints the whole screen. Having our
// own handler also keeps the terminal library from resizing the panes.
// The handler restarts interrupted reads, so questions, line input and the
// help go on undisturbed; only the main loop's wait for a key lets it end
// the read, so that the repaint comes at once.
//
// SIGHUP and SIGQUIT end the process as they always do, after the
// terminal has been restored.
//
// Also SIGBUS, which a read of a mapped window raises once the file has
// been cut shorter on disk by another process: the process ends at once.
#include "core/startup.h"
#include "core/editor.h"
#include "filemap/filemap.h"
#include "pconfig/pconfig.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/time.h>
#include <unistd.h>

#include <curses.h>

namespace {

volatile sig_atomic_t pending = 0;
volatile sig_atomic_t resized = 0;

void write_all(const char *s, size_t n)
{
    while (n > 0) {
        ssize_t w = write(STDERR_FILENO, s, n);
        if (w <= 0)
            return;
        s += w;
        n -= static_cast<size_t>(w);
    }
}

// Async-signal-safe form of the exit message, for use inside the handler.
[[noreturn]] void exit_from_handler(int sig)
{
    char num[16];
    int i = sizeof num;
    int v = sig;
    do {
        num[--i] = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v && i > 0);
    write_all("\n", 1);
    write_all(editor.prog_name.data(), editor.prog_name.size());
    write_all(": received signal ", 18);
    write_all(num + i, sizeof num - i);
    write_all(", exiting.\n", 11);
    _exit(sig);
}

// Ticks of the timer that on_signal starts, and how many it takes before
// the handler gives up waiting for a check.
volatile sig_atomic_t ticks = 0;
constexpr int TICK_USEC = 50000;
constexpr int GIVE_UP_TICKS = 40;  // two seconds

void set_ticking(bool on)
{
    struct itimerval t;
    memset(&t, 0, sizeof t);
    if (on)
        t.it_interval.tv_usec = t.it_value.tv_usec = TICK_USEC;
    setitimer(ITIMER_REAL, &t, nullptr);
}

void on_signal(int sig)
{
    if (pending || !curses_active)
        exit_from_handler(pending ? pending : sig);
    pending = sig;
    // A signal that lands just before a blocking read (or between the
    // reads of a line of input) does not interrupt it; the ticks do.
    set_ticking(true);
}

// A tick only interrupts whatever read is blocked, so that the program
// reaches its next check; after two seconds without one, the process is
// ended from here.
void on_alarm(int)
{
    ticks = ticks + 1;
    if (pending && ticks >= GIVE_UP_TICKS)
        signal_exit(pending);
}

void on_resize(int)
{
    resized = 1;
}

// Without SA_RESTART in flags, a blocked read returns EINTR.
void install(int sig, void (*fn)(int), int flags = 0)
{
    struct sigaction sa;
    memset(&sa, 0, sizeof sa);
    sa.sa_handler = fn;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = flags;
    sigaction(sig, &sa, nullptr);
}

void install_resize(int flags)
{
    install(SIGWINCH, on_resize, flags);
}

bool in_a_window(const void *addr)
{
    auto *p = static_cast<const uint8_t *>(addr);
    for (const map_window &w : editor.windows)
        if (p >= w.data && p < w.data + w.length)
            return true;
    return false;
}

// An access to a mapped window past the new end of a file that shrank on
// disk. The fault comes from our own byte access, never from inside the
// terminal library, so its state is whole and endwin can put the terminal
// back. Any other bus error gets the terminal back and then its default
// action, as soon as the handler returns.
void on_bus_error(int, siginfo_t *info, void *)
{
    if (info->si_code > 0 && in_a_window(info->si_addr))
        file_changed_size();
    restore_terminal();
    signal(SIGBUS, SIG_DFL);
    raise(SIGBUS);
}

// SIGHUP and SIGQUIT keep their default action (the end of the process,
// with a core dump for SIGQUIT), but the terminal is put back first.
void on_default_end(int sig)
{
    restore_terminal();
    signal(sig, SIG_DFL);
    raise(sig);
}


}  // namespace

void signals_install()
{
    install(SIGINT, on_signal);
    install(SIGTERM, on_signal);
    install(SIGALRM, on_alarm);
    struct sigaction sa;
    memset(&sa, 0, sizeof sa);
    sa.sa_sigaction = on_bus_error;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_SIGINFO;
    sigaction(SIGBUS, &sa, nullptr);
    install_resize(SA_RESTART);
    for (int sig : {SIGHUP, SIGQUIT}) {
        struct sigaction old;
        if (sigaction(sig, nullptr, &old) == 0 && old.sa_handler != SIG_IGN)  // nohup stays
            install(sig, on_default_end);
    }
}

void signal_resize_interrupts(bool on)
{
    install_resize(on ? 0 : SA_RESTART);
}

int signal_resize_pending()
{
    return resized;
}

int signal_take_resize()
{
    int r = resized;
    resized = 0;
    return r;
}

namespace {

// Whether standard input has nothing more to give: hung up, or readable
// with no byte waiting, which is the end of a file or pipe. A terminal
// that is merely quiet is not ready at all.
bool input_gone()
{
    struct pollfd p = {STDIN_FILENO, POLLIN, 0};
    int r = poll(&p, 1, 0);
    if (r <= 0)
        return r < 0 && errno != EINTR;
    if (p.revents & (POLLHUP | POLLERR | POLLNVAL))
        return true;
    int waiting = 0;
    return ioctl(STDIN_FILENO, FIONREAD, &waiting) != 0 || waiting == 0;
}

}  // namespace

void input_check(int key)
{
    if (key != ERR || !input_gone())
        return;
    restore_terminal();
    pconfig_free();
    fprintf(stderr, "%s: no more input from the terminal, exiting.\n", editor.prog_name.c_str());
    exit(1);
}

void file_changed_size()
{
    if (curses_active) {
        curses_active = false;
        endwin();
    }
    const std::string &prog = editor.prog_name;
    const std::string &path = editor.file_path;
    write_all(prog.data(), prog.size());
    write_all(": ", 2);
    write_all(path.data(), path.size());
    const char tail[] = " changed size on disk; unsaved changes were not written\n";
    write_all(tail, sizeof tail - 1);
    _exit(1);
}

int signal_pending()
{
    return pending;
}

void signal_check()
{
    if (pending)
        signal_exit(pending);
}

void signal_exit(int sig)
{
    set_ticking(false);
    if (curses_active) {
        scrollok(stdscr, FALSE);
        wrefresh(stdscr);
        endwin();
        curses_active = false;
    }
    pconfig_free();
    fprintf(stderr, "\n%s: received signal %d, exiting.\n", editor.prog_name.c_str(), sig);
    exit(sig);
}
