// End-to-end test harness: starting a program on a pseudo-terminal, feeding
// its output into a libvterm screen, waiting on that screen, reading cells,
// key sequences from terminfo, and fixture files.
#include "harness.h"

#include <gtest/gtest.h>
#include <vterm.h>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iomanip>
#include <map>
#include <sstream>

extern char** environ;

namespace e2e {
namespace {

using Clock = std::chrono::steady_clock;

// Defined at the end of this file, after <term.h> and its macros.
std::vector<std::optional<std::string>> terminfo_strings(const std::string& name, const std::vector<const char*>& caps);

double timeout_scale() {
  const char* text = std::getenv("E2E_TIMEOUT_SCALE");
  if (text == nullptr || *text == '\0') return 1.0;
  char* end = nullptr;
  double scale = std::strtod(text, &end);
  return end != text && scale > 0 ? scale : 1.0;
}

// Milliseconds left until `deadline`, rounded up so that a wait never spins
// on a zero time-out just before it.
int remaining_ms(Clock::time_point deadline) {
  auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
  if (left < 0) return 0;
  return left > INT_MAX ? INT_MAX : static_cast<int>(left);
}

std::string rtrim(std::string_view text) {
  size_t end = text.find_last_not_of(' ');
  return std::string(end == std::string_view::npos ? std::string_view() : text.substr(0, end + 1));
}

std::string utf8(char32_t c) {
  std::string out;
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
  return out;
}

int color_index(const VTermColor& color, bool foreground) {
  bool is_default = foreground ? VTERM_COLOR_IS_DEFAULT_FG(&color) : VTERM_COLOR_IS_DEFAULT_BG(&color);
  if (is_default) return color::term_default;
  if (VTERM_COLOR_IS_INDEXED(&color)) return color.indexed.idx;
  return color::direct_rgb;
}

std::string quote(std::string_view text) {
  std::ostringstream os;
  os << std::quoted(text);
  return os.str();
}

std::string describe_status(bool reaped, int status, pid_t pid) {
  std::ostringstream os;
  if (pid <= 0)
    os << "the program never started";
  else if (!reaped)
    os << "the program is running (pid " << pid << ")";
  else if (WIFEXITED(status))
    os << "the program exited with status " << WEXITSTATUS(status);
  else if (WIFSIGNALED(status))
    os << "the program was killed by signal " << WTERMSIG(status) << " (" << strsignal(WTERMSIG(status)) << ")";
  else
    os << "the program ended with wait status " << status;
  return os.str();
}

std::string make_temp_dir(const char* tag) {
  const char* base = std::getenv("TMPDIR");
  if (base == nullptr || *base == '\0') base = "/tmp";
  std::string path = std::string(base) + "/vexa-e2e-" + tag + "-XXXXXX";
  if (mkdtemp(path.data()) == nullptr) {
    ADD_FAILURE() << "mkdtemp " << path << ": " << std::strerror(errno);
    return {};
  }
  return path;
}

// Gives every directory below `path` back its owner permissions, so that
// fixtures which took them away can still be removed.
void open_up(const std::filesystem::path& path) {
  namespace fs = std::filesystem;
  std::error_code ec;
  if (!fs::is_directory(fs::symlink_status(path, ec))) return;
  fs::permissions(path, fs::perms::owner_all, fs::perm_options::add, ec);
  for (const auto& entry : fs::directory_iterator(path, ec)) open_up(entry.path());
}

void remove_tree(const std::string& path) {
  if (path.empty()) return;
  open_up(path);
  std::error_code ec;
  std::filesystem::remove_all(path, ec);
  if (ec) ADD_FAILURE() << "removing " << path << ": " << ec.message();
}

// The child's environment: ours without LINES and COLUMNS, with TERM and
// HOME, then the test's own changes.
std::vector<std::string> child_environment(const Options& options, const std::string& home) {
  std::vector<std::string> env;
  auto name_of = [](std::string_view entry) { return entry.substr(0, entry.find('=')); };
  for (char** entry = environ; *entry != nullptr; ++entry) {
    std::string_view name = name_of(*entry);
    if (name != "LINES" && name != "COLUMNS" && name != "TERM" && name != "HOME") env.emplace_back(*entry);
  }
  env.push_back("TERM=" + options.term);
  env.push_back("HOME=" + home);
  for (const std::string& change : options.env) {
    std::string_view name = name_of(change);
    std::erase_if(env, [&](const std::string& entry) { return name_of(entry) == name; });
    if (change.find('=') != std::string::npos) env.push_back(change);
  }
  return env;
}

std::vector<char*> c_strings(std::vector<std::string>& strings) {
  std::vector<char*> out;
  for (std::string& s : strings) out.push_back(s.data());
  out.push_back(nullptr);
  return out;
}

// Runs in the child after forkpty: standard input and output are the
// terminal; standard error goes to the pipe.
[[noreturn]] void run_child(int err_pipe, const Options& options, char** argv, char** envp) {
  dup2(err_pipe, STDERR_FILENO);
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  for (int sig = 1; sig < NSIG; ++sig)
    if (sig != SIGKILL && sig != SIGSTOP) std::signal(sig, SIG_DFL);
  if (!options.cwd.empty() && chdir(options.cwd.c_str()) != 0) {
    dprintf(STDERR_FILENO, "e2e: chdir %s: %s\n", options.cwd.c_str(), std::strerror(errno));
    _exit(127);
  }
  if (options.program.find('/') == std::string::npos)
    execvpe(options.program.c_str(), argv, envp);
  else
    execve(options.program.c_str(), argv, envp);
  dprintf(STDERR_FILENO, "e2e: exec %s: %s\n", options.program.c_str(), std::strerror(errno));
  _exit(127);
}

struct KeyInfo {
  const char* cap;    // terminfo capability, or null for a fixed byte
  const char* xterm;  // the sequence when terminfo has none
};

// In the order of enum class Key.
const KeyInfo key_table[] = {
    {"kcuu1", "\033OA"}, {"kcud1", "\033OB"}, {"kcuf1", "\033OC"},   {"kcub1", "\033OD"},
    {"khome", "\033OH"}, {"kend", "\033OF"},  {"kpp", "\033[5~"},    {"knp", "\033[6~"},
    {nullptr, "\t"},     {nullptr, "\r"},     {nullptr, "\033"},     {"kbs", "\177"},
    {"kdch1", "\033[3~"},
};
constexpr size_t key_count = sizeof key_table / sizeof key_table[0];

}  // namespace

std::chrono::milliseconds default_timeout() {
  return std::chrono::milliseconds(static_cast<long long>(10000 * timeout_scale()));
}

std::string key_sequence(const std::string& term, Key key) {
  static std::map<std::string, std::vector<std::string>> cache;
  auto found = cache.find(term);
  if (found == cache.end()) {
    std::vector<const char*> caps;
    for (const KeyInfo& info : key_table) caps.push_back(info.cap != nullptr ? info.cap : "");
    std::vector<std::optional<std::string>> values = terminfo_strings(term, caps);
    std::vector<std::string> sequences;
    for (size_t i = 0; i < key_count; ++i)
      sequences.push_back(key_table[i].cap != nullptr && values[i] ? *values[i] : key_table[i].xterm);
    found = cache.emplace(term, std::move(sequences)).first;
  }
  auto index = static_cast<size_t>(key);
  return index < key_count ? found->second[index] : std::string();
}

std::ostream& operator<<(std::ostream& os, const Cell& cell) {
  os << quote(cell.text) << " fg=" << cell.fg << " bg=" << cell.bg;
  if (cell.bold) os << " bold";
  if (cell.underline) os << " underline";
  if (cell.blink) os << " blink";
  if (cell.reverse) os << " reverse";
  return os;
}

std::ostream& operator<<(std::ostream& os, const Pos& pos) {
  return os << "(row " << pos.row << ", col " << pos.col << ")";
}

// libvterm's callbacks: terminal answers go back to the program, and the
// properties the tests look at are remembered.
struct SessionCallbacks {
  static void output(const char* bytes, size_t len, void* user) {
    static_cast<Session*>(user)->pending_input_.append(bytes, len);
  }
  static int termprop(VTermProp prop, VTermValue* value, void* user) {
    auto* session = static_cast<Session*>(user);
    if (prop == VTERM_PROP_CURSORVISIBLE) session->cursor_visible_ = value->boolean;
    if (prop == VTERM_PROP_ALTSCREEN) session->altscreen_ = value->boolean;
    return 1;
  }
};

Session::Session(Options options)
    : term_(options.term),
      timeout_(options.timeout.count() > 0 ? options.timeout : default_timeout()),
      rows_(options.rows),
      cols_(options.cols) {
  if (options.home) {
    home_ = *options.home;
  } else {
    home_ = make_temp_dir("home");
    home_dir_ = home_;
  }

  vt_ = vterm_new(rows_, cols_);
  vterm_set_utf8(vt_, 1);
  vterm_output_set_callback(vt_, &SessionCallbacks::output, this);
  screen_ = vterm_obtain_screen(vt_);
  static const VTermScreenCallbacks callbacks = {
      .damage = nullptr,
      .moverect = nullptr,
      .movecursor = nullptr,
      .settermprop = &SessionCallbacks::termprop,
      .bell = nullptr,
      .resize = nullptr,
      .sb_pushline = nullptr,
      .sb_popline = nullptr,
  };
  vterm_screen_set_callbacks(screen_, &callbacks, this);
  vterm_screen_enable_altscreen(screen_, 1);
  vterm_screen_reset(screen_, 1);

  std::vector<std::string> argv_strings{options.argv0.value_or(options.program)};
  argv_strings.insert(argv_strings.end(), options.args.begin(), options.args.end());
  std::vector<std::string> env_strings = child_environment(options, home_);
  std::vector<char*> argv = c_strings(argv_strings);
  std::vector<char*> envp = c_strings(env_strings);

  int err_pipe[2];
  if (pipe2(err_pipe, O_CLOEXEC) != 0) {
    ADD_FAILURE() << "pipe: " << std::strerror(errno);
    return;
  }
  struct winsize size {};
  size.ws_row = static_cast<unsigned short>(rows_);
  size.ws_col = static_cast<unsigned short>(cols_);
  pid_ = forkpty(&master_, nullptr, nullptr, &size);
  if (pid_ == 0) run_child(err_pipe[1], options, argv.data(), envp.data());
  close(err_pipe[1]);
  if (pid_ < 0) {
    ADD_FAILURE() << "forkpty: " << std::strerror(errno);
    close(err_pipe[0]);
    master_ = -1;
    return;
  }
  err_fd_ = err_pipe[0];
  fcntl(master_, F_SETFD, FD_CLOEXEC);
  fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
  fcntl(err_fd_, F_SETFL, fcntl(err_fd_, F_GETFL) | O_NONBLOCK);
#ifdef SYS_pidfd_open
  pid_fd_ = static_cast<int>(syscall(SYS_pidfd_open, pid_, 0));
#endif
}

Session::~Session() {
  if (pid_ > 0 && !reaped_) {
    kill(-pid_, SIGKILL);  // the whole process group: forkpty made the child its leader
    kill(pid_, SIGKILL);
    reap(true);
  }
  for (int fd : {master_, err_fd_, pid_fd_})
    if (fd >= 0) close(fd);
  if (vt_ != nullptr) vterm_free(vt_);
  if (home_dir_) remove_tree(*home_dir_);
}

// --- Reading and writing the terminal.

void Session::read_master() {
  char buf[4096];
  for (;;) {
    ssize_t n = read(master_, buf, sizeof buf);
    if (n > 0) {
      output_.append(buf, static_cast<size_t>(n));
      vterm_input_write(vt_, buf, static_cast<size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
    master_eof_ = true;  // EIO: every process closed the terminal
    break;
  }
  flush_input();
}

void Session::read_err() {
  char buf[4096];
  for (;;) {
    ssize_t n = read(err_fd_, buf, sizeof buf);
    if (n > 0) {
      err_.append(buf, static_cast<size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
    close(err_fd_);
    err_fd_ = -1;
    break;
  }
}

void Session::flush_input() {
  while (!pending_input_.empty() && master_ >= 0 && !master_eof_) {
    ssize_t n = write(master_, pending_input_.data(), pending_input_.size());
    if (n > 0)
      pending_input_.erase(0, static_cast<size_t>(n));
    else if (!(n < 0 && errno == EINTR))
      break;
  }
}

void Session::reap(bool block) {
  if (reaped_ || pid_ <= 0) return;
  int status = 0;
  pid_t got;
  do got = waitpid(pid_, &status, block ? 0 : WNOHANG);
  while (got < 0 && errno == EINTR);
  if (got == 0) return;
  if (got < 0) ADD_FAILURE() << "waitpid " << pid_ << ": " << std::strerror(errno);
  reaped_ = true;
  status_ = status;
  if (pid_fd_ >= 0) close(pid_fd_);
  pid_fd_ = -1;
}

// Waits up to `timeout_ms` (-1: no limit) for something to happen, and
// handles it; returns whether anything happened.
bool Session::poll_once(int timeout_ms) {
  pollfd fds[3];
  int count = 0, master_at = -1, err_at = -1, pid_at = -1;
  if (master_ >= 0 && !master_eof_) {
    master_at = count;
    fds[count++] = {master_, static_cast<short>(POLLIN | (pending_input_.empty() ? 0 : POLLOUT)), 0};
  }
  if (err_fd_ >= 0) {
    err_at = count;
    fds[count++] = {err_fd_, POLLIN, 0};
  }
  if (pid_fd_ >= 0) {
    pid_at = count;
    fds[count++] = {pid_fd_, POLLIN, 0};
  }
  // Without a process descriptor, look at the process every 20 ms.
  bool look = pid_ > 0 && !reaped_ && pid_fd_ < 0;
  if (look && (timeout_ms < 0 || timeout_ms > 20)) timeout_ms = 20;
  if (count == 0 && !look) return false;

  int ready = poll(fds, static_cast<nfds_t>(count), timeout_ms);
  if (ready < 0 && errno != EINTR) ADD_FAILURE() << "poll: " << std::strerror(errno);
  bool happened = false;
  if (look) {
    reap(false);
    happened = reaped_;
  }
  if (ready <= 0) return happened;
  if (master_at >= 0 && fds[master_at].revents != 0) {
    if (fds[master_at].revents & ~POLLOUT) read_master();
    if (fds[master_at].revents & POLLOUT) flush_input();
  }
  if (err_at >= 0 && fds[err_at].revents != 0) read_err();
  if (pid_at >= 0 && fds[pid_at].revents != 0) reap(false);
  return true;
}

void Session::pump() {
  for (int i = 0; i < 1000 && poll_once(0); ++i) {
  }
}

bool Session::finished() const { return reaped_ && (master_ < 0 || master_eof_) && err_fd_ < 0; }

void Session::drain(Clock::time_point deadline) {
  while (!finished() && Clock::now() < deadline) poll_once(remaining_ms(deadline));
}

// --- Input.

void Session::send(std::string_view bytes, Loc loc) {
  if (!reaped_) switches_at_send_ = voluntary_switches();
  pending_input_.append(bytes);
  flush_input();
  auto deadline = Clock::now() + timeout_;
  while (!pending_input_.empty() && master_ >= 0 && !master_eof_ && Clock::now() < deadline)
    poll_once(remaining_ms(deadline));
  if (!pending_input_.empty()) {
    pending_input_.clear();
    fail("sending " + quote(bytes), "the program does not read its input", loc);
  }
}

void Session::key(Key key, int count, Loc loc) {
  std::string sequence = key_sequence(key);
  for (int i = 0; i < count; ++i) send(sequence, loc);
}

std::string Session::key_sequence(Key key) const { return e2e::key_sequence(term_, key); }

// --- Waiting.

void Session::fail(std::string_view what, std::string_view why, Loc loc) const {
  ADD_FAILURE_AT(loc.file_name(), static_cast<int>(loc.line())) << what << ": " << why << "\n" << dump();
}

// Waits for `condition`, checking it whenever output arrives, and at least
// every `look_ms` milliseconds when it depends on more than the output.
bool Session::wait_for(const std::function<bool()>& condition, std::string_view what, Loc loc, int look_ms) {
  auto deadline = Clock::now() + timeout_;
  for (;;) {
    pump();
    if (condition()) return true;
    if (finished()) {
      fail("waiting for " + std::string(what), "the program ended", loc);
      return false;
    }
    if (Clock::now() >= deadline) {
      fail("waiting for " + std::string(what), "timed out after " + std::to_string(timeout_.count()) + " ms", loc);
      return false;
    }
    int wait_ms = remaining_ms(deadline);
    poll_once(look_ms >= 0 ? std::min(wait_ms, look_ms) : wait_ms);
  }
}

bool Session::wait_until(const std::function<bool()>& condition, std::string_view what, Loc loc) {
  return wait_for(condition, what, loc, 20);
}

static bool screen_has(const Session& s, std::string_view text) {
  for (int r = 0; r < s.rows(); ++r)
    if (s.row(r).find(text) != std::string::npos) return true;
  return false;
}

bool Session::wait_text(std::string_view text, Loc loc) {
  return wait_for([&] { return screen_has(*this, text); }, "the screen to show " + quote(text), loc);
}

bool Session::wait_text_gone(std::string_view text, Loc loc) {
  return wait_for([&] { return !screen_has(*this, text); }, "the screen to stop showing " + quote(text), loc);
}

bool Session::wait_row(int row, std::string_view text, Loc loc) {
  std::string want = rtrim(text);
  std::string what = "row " + std::to_string(row) + " to read " + quote(want);
  if (row < 0 || row >= rows_) {
    fail(what, "no such row", loc);
    return false;
  }
  return wait_for([&] { return row_trimmed(row) == want; }, what, loc);
}

bool Session::wait_row_contains(int row, std::string_view text, Loc loc) {
  std::string what = "row " + std::to_string(row) + " to contain " + quote(text);
  if (row < 0 || row >= rows_) {
    fail(what, "no such row", loc);
    return false;
  }
  return wait_for([&] { return this->row(row).find(text) != std::string::npos; }, what, loc);
}

bool Session::wait_cursor(int row, int col, Loc loc) {
  Pos want{row, col};
  std::ostringstream what;
  what << "the cursor at " << want;
  return wait_for([&] { return cursor() == want; }, what.str(), loc);
}

bool Session::wait_cell(int row, int col, const std::function<bool(const Cell&)>& condition, std::string_view what,
                        Loc loc) {
  std::ostringstream text;
  text << "the cell at " << Pos{row, col} << " to be " << what;
  if (row < 0 || row >= rows_ || col < 0 || col >= cols_) {
    fail(text.str(), "no such cell", loc);
    return false;
  }
  bool ok = wait_for([&] { return condition(cell(row, col)); }, text.str(), loc);
  if (!ok) ADD_FAILURE_AT(loc.file_name(), static_cast<int>(loc.line())) << "the cell is " << cell(row, col);
  return ok;
}

// --- Telling whether the program waits for a key.

namespace {

std::optional<std::string> proc_file(pid_t pid, const char* name) {
  std::string path = "/proc/" + std::to_string(pid) + "/" + name;
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::string text;
  char buf[4096];
  ssize_t n;
  while ((n = read(fd, buf, sizeof buf)) > 0 || (n < 0 && errno == EINTR))
    if (n > 0) text.append(buf, static_cast<size_t>(n));
  close(fd);
  return text;
}

}  // namespace

// The process sleeps in read() on its standard input.
bool Session::sleeping_in_read() const {
  std::optional<std::string> call = proc_file(pid_, "syscall");
  return call && call->starts_with(std::to_string(SYS_read) + " 0x0 ");
}

// How often the process has gone to sleep by itself: it grows each time the
// program blocks, for instance in read() once it has used up its input.
long Session::voluntary_switches() const {
  std::optional<std::string> status = proc_file(pid_, "status");
  const char* field = "\nvoluntary_ctxt_switches:";
  size_t at = status ? status->find(field) : std::string::npos;
  if (at == std::string::npos) return -1;
  return std::strtol(status->c_str() + at + std::strlen(field), nullptr, 10);
}

// Bytes sent to the program that it has not read yet.
bool Session::input_unread() const {
  char name[128];
  if (master_ < 0 || ptsname_r(master_, name, sizeof name) != 0) return false;
  int fd = open(name, O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  int count = 0;
  bool unread = ioctl(fd, FIONREAD, &count) == 0 && count > 0;
  close(fd);
  return unread;
}

bool Session::idle() {
  if (pid_ <= 0 || reaped_ || !pending_input_.empty() || master_ < 0 || master_eof_) return false;
  if (!sleeping_in_read()) return false;
  if (switches_at_send_ >= 0 && voluntary_switches() <= switches_at_send_) return false;
  if (input_unread()) return false;
  // It sleeps, so it has written all it will write until the next key; a
  // read that finds nothing also makes the kernel hand over what it held.
  size_t before = output_.size();
  read_master();
  return output_.size() == before && sleeping_in_read();
}

bool Session::wait_idle(Loc loc) {
  if (pid_ > 0 && !reaped_ && !proc_file(pid_, "syscall")) {
    fail("waiting for the program to wait for input", "/proc/" + std::to_string(pid_) + "/syscall is unreadable", loc);
    return false;
  }
  // Nothing arrives when the program falls asleep: look every 5 ms.
  return wait_for([&] { return idle(); }, "the program to wait for input", loc, 5);
}

bool Session::wait_err(std::string_view text, Loc loc) {
  return wait_for([&] { return err_.find(text) != std::string::npos; }, "standard error to contain " + quote(text),
                  loc);
}

bool Session::wait_output(std::string_view text, Loc loc) {
  return wait_for([&] { return output_.find(text) != std::string::npos; },
                  "the terminal output to contain " + quote(text), loc);
}

int Session::wait_exit(Loc loc) {
  auto deadline = Clock::now() + timeout_;
  for (;;) {
    pump();
    if (reaped_ || pid_ <= 0) break;
    if (Clock::now() >= deadline) {
      fail("waiting for the program to exit", "timed out after " + std::to_string(timeout_.count()) + " ms", loc);
      return -1;
    }
    poll_once(remaining_ms(deadline));
  }
  // The rest of the output: normally at hand at once; a left-over process
  // that still holds the terminal or the pipe gets a fifth of the time-out.
  drain(Clock::now() + timeout_ / 5);
  return exit_code();
}

// --- The process.

bool Session::running() {
  pump();
  return pid_ > 0 && !reaped_;
}

int Session::exit_code() const { return reaped_ && WIFEXITED(status_) ? WEXITSTATUS(status_) : -1; }

int Session::term_signal() const { return reaped_ && WIFSIGNALED(status_) ? WTERMSIG(status_) : 0; }

void Session::signal(int sig) {
  if (pid_ > 0 && !reaped_) kill(pid_, sig);
}

void Session::resize(int rows, int cols) {
  rows_ = rows;
  cols_ = cols;
  vterm_set_size(vt_, rows, cols);
  struct winsize size {};
  size.ws_row = static_cast<unsigned short>(rows);
  size.ws_col = static_cast<unsigned short>(cols);
  if (master_ >= 0 && ioctl(master_, TIOCSWINSZ, &size) != 0)
    ADD_FAILURE() << "TIOCSWINSZ: " << std::strerror(errno);
}

// --- The screen.

Cell Session::cell(int row, int col) const {
  Cell out;
  if (row < 0 || row >= rows_ || col < 0 || col >= cols_) {
    ADD_FAILURE() << "no cell at " << Pos{row, col} << " on a " << cols_ << "x" << rows_ << " screen";
    return out;
  }
  VTermScreenCell raw;
  if (vterm_screen_get_cell(screen_, VTermPos{row, col}, &raw) == 0) return out;
  if (raw.chars[0] == static_cast<uint32_t>(-1)) {
    out.text.clear();  // the right half of a double-width character
    out.ch = 0;
  } else if (raw.chars[0] != 0) {
    out.text.clear();
    out.ch = raw.chars[0];
    for (int i = 0; i < VTERM_MAX_CHARS_PER_CELL && raw.chars[i] != 0; ++i) out.text += utf8(raw.chars[i]);
  }
  out.fg = color_index(raw.fg, true);
  out.bg = color_index(raw.bg, false);
  out.bold = raw.attrs.bold;
  out.underline = raw.attrs.underline != 0;
  out.blink = raw.attrs.blink;
  out.reverse = raw.attrs.reverse;
  return out;
}

std::string Session::row(int row) const {
  if (row < 0 || row >= rows_) {
    ADD_FAILURE() << "no row " << row << " on a " << cols_ << "x" << rows_ << " screen";
    return {};
  }
  std::string out;
  for (int col = 0; col < cols_; ++col) out += cell(row, col).text;
  return out;
}

std::string Session::row_trimmed(int row) const { return rtrim(this->row(row)); }

std::string Session::screen() const {
  std::string out;
  for (int r = 0; r < rows_; ++r) out += row_trimmed(r) + "\n";
  return out;
}

Pos Session::cursor() const {
  VTermPos pos;
  vterm_state_get_cursorpos(vterm_obtain_state(vt_), &pos);
  return {pos.row, pos.col};
}

std::string Session::dump() const {
  std::ostringstream os;
  os << "screen " << cols_ << "x" << rows_ << ", cursor at " << cursor() << (cursor_visible_ ? "" : " (hidden)")
     << (altscreen_ ? ", alternate screen" : "") << "\n";
  std::string ruler;
  for (int col = 0; col < cols_; ++col) ruler += static_cast<char>('0' + col % 10);
  os << "     " << ruler << "\n";
  os << "    +" << std::string(static_cast<size_t>(cols_), '-') << "+\n";
  for (int r = 0; r < rows_; ++r) os << std::setw(3) << r << " |" << row(r) << "|\n";
  os << "    +" << std::string(static_cast<size_t>(cols_), '-') << "+\n";
  os << describe_status(reaped_, status_, pid_) << "\n";
  if (err_.empty())
    os << "standard error: (empty)\n";
  else
    os << "standard error:\n" << err_ << (err_.back() == '\n' ? "" : "\n");
  return os.str();
}

// --- Fixture files.

TempDir::TempDir() : path_(make_temp_dir("files")) {}

TempDir::~TempDir() { remove_tree(path_); }

std::string TempDir::file(std::string_view name) const { return path_ + "/" + std::string(name); }

std::string TempDir::write(std::string_view name, std::string_view bytes, unsigned mode) const {
  std::string path = file(name);
  write_file(path, bytes);
  if (chmod(path.c_str(), static_cast<mode_t>(mode)) != 0)
    ADD_FAILURE() << "chmod " << path << ": " << std::strerror(errno);
  return path;
}

std::string TempDir::sparse(std::string_view name, std::uint64_t size) const {
  std::string path = file(name);
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0 || ftruncate(fd, static_cast<off_t>(size)) != 0)
    ADD_FAILURE() << "creating sparse " << path << ": " << std::strerror(errno);
  if (fd >= 0) close(fd);
  return path;
}

std::string TempDir::mkdir(std::string_view name) const {
  std::string path = file(name);
  if (::mkdir(path.c_str(), 0755) != 0) ADD_FAILURE() << "mkdir " << path << ": " << std::strerror(errno);
  return path;
}

void write_file(const std::string& path, std::string_view bytes) {
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) {
    ADD_FAILURE() << "open " << path << ": " << std::strerror(errno);
    return;
  }
  while (!bytes.empty()) {
    ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ADD_FAILURE() << "write " << path << ": " << std::strerror(errno);
      break;
    }
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  close(fd);
}

std::string read_file(const std::string& path) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    ADD_FAILURE() << "open " << path << ": " << std::strerror(errno);
    return {};
  }
  std::string out;
  char buf[65536];
  for (;;) {
    ssize_t n = read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) ADD_FAILURE() << "read " << path << ": " << std::strerror(errno);
    if (n <= 0) break;
    out.append(buf, static_cast<size_t>(n));
  }
  close(fd);
  return out;
}

std::string bytes(std::initializer_list<int> values) {
  std::string out;
  for (int value : values) out += static_cast<char>(static_cast<unsigned char>(value));
  return out;
}

}  // namespace e2e

// Last in the file: <term.h> defines a macro for every terminfo capability
// name (lines, columns, tab, ...).
#include <term.h>

namespace e2e {
namespace {

// The string capabilities `caps` of terminal type `name`; nullopt for each
// one it lacks, or for all when terminfo does not know the type.
std::vector<std::optional<std::string>> terminfo_strings(const std::string& name,
                                                         const std::vector<const char*>& caps) {
  std::vector<std::optional<std::string>> out(caps.size());
  TERMINAL* previous = cur_term;
  int error = 0;
  if (setupterm(name.c_str(), STDOUT_FILENO, &error) != 0) {
    set_curterm(previous);
    return out;
  }
  for (size_t i = 0; i < caps.size(); ++i) {
    if (*caps[i] == '\0') continue;
    char* value = tigetstr(caps[i]);
    if (value != nullptr && value != reinterpret_cast<char*>(-1)) out[i] = value;
  }
  del_curterm(set_curterm(previous));
  return out;
}

}  // namespace
}  // namespace e2e
