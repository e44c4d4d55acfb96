// End-to-end test harness: runs a program on a pseudo-terminal, keeps a
// libvterm picture of everything it draws, and lets GoogleTest tests type
// keys, wait for the screen, read cells, the cursor, the output streams and
// the exit status.  Also small helpers for fixture files.
//
// A typical test:
//
//   e2e::TempDir dir;
//   auto path = dir.write("f.bin", "hello, world\n");
//   e2e::Session s({.args = {path}, .cols = 80, .rows = 24});
//   ASSERT_TRUE(s.wait_text("Press 'h' for help"));
//   ASSERT_TRUE(s.wait_idle());        // the whole first frame has arrived
//   EXPECT_EQ(s.row(0).substr(0, 7), " File: ");
//   auto c = s.cell(1, 13);            // c.ch, c.fg, c.bg, c.reverse, c.blink
//   auto [row, col] = s.cursor();
//   s.key(e2e::Key::Down);
//   s.send("q");
//   EXPECT_EQ(s.wait_exit(), 0);
//
// Waiting.  Every wait_* call reads the program's output as it arrives (poll,
// never a fixed sleep) until its condition holds, and gives up after the
// session's time-out: 10 s by default, multiplied by the environment variable
// E2E_TIMEOUT_SCALE when it is set (use it for slow sanitizer builds).  A wait
// that gives up - or that can no longer succeed because the program ended -
// records a non-fatal GoogleTest failure at the caller's line whose message
// holds the whole screen, the cursor, the process state and the standard
// error text so far, and returns false.  So a bare `s.wait_text("x");` is
// enough to fail a test; write `ASSERT_TRUE(s.wait_text("x"));` to stop it.
// A wait returns as soon as its own condition holds, which may be in the
// middle of a frame; wait_idle() waits for the program to finish drawing and
// sit waiting for the next key.
//
// Reading.  cell(), row(), screen(), cursor(), output() and err() are
// snapshots of what has been read so far: they do not read more output
// themselves.  Call them after a wait_* (or pump()).
//
// Coordinates are 0-based: row 0 is the top line of the terminal.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <ostream>
#include <source_location>
#include <string>
#include <string_view>
#include <vector>

struct VTerm;
struct VTermScreen;

#ifndef VEXA_BINARY
#define VEXA_BINARY "vexa"
#endif

namespace e2e {

using Loc = std::source_location;

// The default time-out of every wait: 10 s times E2E_TIMEOUT_SCALE.
std::chrono::milliseconds default_timeout();

// Palette indexes for Cell::fg and Cell::bg.  `term_default` is the
// terminal's default colour (SGR 39/49 or never set); `direct_rgb` marks a
// colour given as RGB rather than by index.
namespace color {
inline constexpr int term_default = -1;
inline constexpr int direct_rgb = -2;
inline constexpr int black = 0, red = 1, green = 2, yellow = 3, blue = 4,
                     magenta = 5, cyan = 6, white = 7;
}  // namespace color

// Keys a test can press.  The bytes sent are those the terminal itself sends
// in keypad-transmit mode, read from terminfo for the session's TERM
// (kcuu1, kcud1, kcuf1, kcub1, khome, kend, kpp, knp, kbs, kdch1).  A key the
// TERM does not describe, or a TERM terminfo does not know, falls back to the
// xterm sequence: Up "\033OA", Down "\033OB", Right "\033OC", Left "\033OD",
// Home "\033OH", End "\033OF", PageUp "\033[5~", PageDown "\033[6~",
// Backspace "\177", Delete "\033[3~".  Tab is "\t", Enter "\r", Escape "\033".
enum class Key { Up, Down, Right, Left, Home, End, PageUp, PageDown, Tab, Enter, Escape, Backspace, Delete };

// The bytes a key sends on a terminal of type `term` (see Key).
std::string key_sequence(const std::string& term, Key key);

// How to start the program.  Designated initialisers must keep this order:
//   e2e::Session s({.args = {path}, .cols = 100, .rows = 30, .term = "vt100"});
struct Options {
  std::vector<std::string> args;      // arguments after argv[0]
  int cols = 80;                      // terminal size, set before the program starts
  int rows = 24;
  std::string term = "xterm-256color";  // TERM
  std::optional<std::string> home;    // HOME; unset: a fresh empty directory, removed afterwards
  std::vector<std::string> env;       // applied last: "NAME=value" sets, "NAME" removes
  std::string cwd;                    // working directory; empty: the test's own
  std::string program = VEXA_BINARY;  // what to execute (a name without "/" is looked up in PATH)
  std::optional<std::string> argv0;   // argv[0]; unset: `program`
  std::chrono::milliseconds timeout{0};  // time-out of every wait; 0: default_timeout()
};
// The rest of the environment is the test's own, without LINES and COLUMNS
// (which would override the terminal size).

// One character cell of the screen.
struct Cell {
  std::string text = " ";  // the cell's characters in UTF-8; " " for an empty cell
  char32_t ch = U' ';      // its first character; U' ' for an empty cell
  int fg = color::term_default;  // palette index, or color::term_default / color::direct_rgb
  int bg = color::term_default;
  bool bold = false;
  bool underline = false;
  bool blink = false;
  bool reverse = false;  // reverse video: what standout is on xterm
};
std::ostream& operator<<(std::ostream& os, const Cell& cell);

struct Pos {
  int row = 0;
  int col = 0;
  bool operator==(const Pos&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Pos& pos);

// A program running on a pseudo-terminal.  The destructor kills its process
// group if it still runs, reaps it and closes every descriptor.
class Session {
 public:
  explicit Session(Options options = {});
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // --- Input.  Send keys only once the screen shows the program is ready
  // (before that the terminal is still in cooked mode and echoes them).
  // A program that stops reading its input makes these fail after the time-out.
  void send(std::string_view bytes, Loc loc = Loc::current());  // raw bytes, written in one go
  void key(Key key, int count = 1, Loc loc = Loc::current());   // a key's sequence, `count` times
  std::string key_sequence(Key key) const;  // what key() sends on this TERM

  // --- Waiting (see the top of this file for time-outs and failures).
  // Any condition, checked as output arrives and at least every 20 ms.
  bool wait_until(const std::function<bool()>& condition, std::string_view what, Loc loc = Loc::current());
  bool wait_text(std::string_view text, Loc loc = Loc::current());       // on the screen (within a row)
  bool wait_text_gone(std::string_view text, Loc loc = Loc::current());  // no longer on the screen
  bool wait_row(int row, std::string_view text, Loc loc = Loc::current());  // row_trimmed(row) == text without trailing blanks
  bool wait_row_contains(int row, std::string_view text, Loc loc = Loc::current());
  bool wait_cursor(int row, int col, Loc loc = Loc::current());
  bool wait_cell(int row, int col, const std::function<bool(const Cell&)>& condition, std::string_view what,
                 Loc loc = Loc::current());
  // Waits until the program has drawn everything and sits waiting for a key:
  // it sleeps in read() on the terminal, has taken every byte sent to it, and
  // all it wrote has been read.  Use it before checking parts of the screen
  // that the last wait did not look at (a wait returns as soon as its own
  // condition holds, possibly in the middle of a frame), or to check that a
  // key changed nothing.  It waits through pauses such as sleep(1) after a
  // message.  Linux only: it reads /proc/PID/syscall and /proc/PID/status.
  bool wait_idle(Loc loc = Loc::current());
  bool wait_err(std::string_view text, Loc loc = Loc::current());     // standard error contains text
  bool wait_output(std::string_view text, Loc loc = Loc::current());  // raw terminal output contains text

  // Waits for the process to end and for the rest of its output, and
  // returns its exit status; -1 when a signal killed it (see term_signal())
  // or on time-out.
  int wait_exit(Loc loc = Loc::current());

  // --- The process.
  pid_t pid() const { return pid_; }
  bool running();                 // reads pending output; false once the process has been reaped
  int exit_code() const;          // exit status, -1 while running or when killed by a signal
  int term_signal() const;        // the signal that killed it, 0 otherwise
  void signal(int sig);           // sends `sig` to the process
  void resize(int rows, int cols);  // new terminal size; the kernel sends SIGWINCH
  void pump();                    // reads whatever output is pending, without waiting

  // --- The screen.
  int rows() const { return rows_; }
  int cols() const { return cols_; }
  Cell cell(int row, int col) const;
  std::string row(int row) const;          // the whole row, one character per cell
  std::string row_trimmed(int row) const;  // the row without trailing blanks
  std::string screen() const;              // every row_trimmed, each followed by "\n"
  Pos cursor() const;                      // the terminal cursor
  bool cursor_visible() const { return cursor_visible_; }
  bool altscreen() const { return altscreen_; }  // the alternate screen (smcup) is showing
  std::string dump() const;  // screen in a frame with row numbers, cursor, process state, stderr

  // --- Output streams, exactly as received.
  const std::string& output() const { return output_; }  // every byte written to the terminal
  const std::string& err() const { return err_; }        // standard error (a separate pipe)

  const std::string& home() const { return home_; }  // the HOME the program got

 private:
  bool wait_for(const std::function<bool()>& condition, std::string_view what, Loc loc, int look_ms = -1);
  bool finished() const;
  void fail(std::string_view what, std::string_view why, Loc loc) const;
  bool poll_once(int timeout_ms);
  void read_master();
  void read_err();
  void flush_input();
  void reap(bool block);
  void drain(std::chrono::steady_clock::time_point deadline);
  bool idle();
  bool sleeping_in_read() const;
  long voluntary_switches() const;
  bool input_unread() const;
  friend struct SessionCallbacks;

  std::string term_;
  std::string home_;
  std::optional<std::string> home_dir_;  // our own temporary HOME, removed at the end
  std::chrono::milliseconds timeout_;
  int rows_;
  int cols_;
  pid_t pid_ = -1;
  int master_ = -1;
  int err_fd_ = -1;
  int pid_fd_ = -1;
  bool master_eof_ = false;
  bool reaped_ = false;
  int status_ = 0;
  VTerm* vt_ = nullptr;
  VTermScreen* screen_ = nullptr;
  bool cursor_visible_ = true;
  bool altscreen_ = false;
  std::string output_;
  std::string err_;
  std::string pending_input_;  // bytes for the program not yet written (keys, terminal answers)
  long switches_at_send_ = -1;  // the program's voluntary context switches before the last send
};

// A temporary directory for fixtures, removed with everything in it when the
// object goes away.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  std::string file(std::string_view name) const;  // path/name; creates nothing
  // Writes `bytes` to path/name with permissions `mode`; returns the path.
  std::string write(std::string_view name, std::string_view bytes, unsigned mode = 0644) const;
  // Creates path/name as a sparse file of `size` bytes (all zero); returns the path.
  std::string sparse(std::string_view name, std::uint64_t size) const;
  std::string mkdir(std::string_view name) const;  // creates path/name; returns it

 private:
  std::string path_;
};

std::string read_file(const std::string& path);  // the file's bytes; "" and a test failure when unreadable
void write_file(const std::string& path, std::string_view bytes);
std::string bytes(std::initializer_list<int> values);  // bytes({0x00, 0x41, 0xff})

}  // namespace e2e
