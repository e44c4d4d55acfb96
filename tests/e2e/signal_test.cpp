// SIGINT and SIGTERM while the editor is busy or waiting somewhere other
// than the main loop: a fill of a large range, a save's backup copy, the
// help screen, a number question with part of an answer typed, and a
// yes/no question. Each ends with the signal's number as the status, the
// message on standard error, the terminal restored and the file as it was
// on disk. Also SIGHUP and SIGQUIT, which keep their default action.
#include "harness.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdint>
#include <fcntl.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// One step: text to type, then text to wait for on the screen (or, when
// empty, for the cursor to leave the answer and go back to column 0 of the
// bottom line, which is where line input leaves it after Enter).
struct Step {
  std::string send;
  std::string wait;
};

struct SignalCase {
  const char* name;
  std::vector<Step> steps;
};

std::string message(int sig) { return "\nvexa: received signal " + std::to_string(sig) + ", exiting.\n"; }

void run_steps(e2e::Session& s, const std::vector<Step>& steps) {
  for (const Step& st : steps) {
    s.send(st.send);
    if (st.wait.empty())
      ASSERT_TRUE(s.wait_cursor(s.rows() - 1, 0));
    else
      ASSERT_TRUE(s.wait_text(st.wait));
  }
}

TEST(Signals, WhileWaitingOutsideTheMainLoop) {
  const std::vector<SignalCase> cases = {
      {"help screen", {{"h", "display this help screen"}}},
      {"number question, half answered", {{"j", "Enter offset"}, {"12", "033): 12"}}},
      {"yes/no question", {{"41", "f.bin*"}, {"s", "Are you sure you want to save (y/n)?"}}},
  };
  for (const SignalCase& c : cases) {
    for (int sig : {SIGINT, SIGTERM}) {
      SCOPED_TRACE(std::string(c.name) + ", signal " + std::to_string(sig));
      e2e::TempDir dir;
      const std::string content = "precious bytes, not to be changed by a signal\n";
      std::string path = dir.write("f.bin", content);
      e2e::Session s({.args = {path}});
      ASSERT_TRUE(s.wait_text("Press 'h' for help"));
      run_steps(s, c.steps);
      s.signal(sig);
      EXPECT_EQ(s.wait_exit(), sig);
      EXPECT_EQ(s.err(), message(sig));
      EXPECT_FALSE(s.altscreen());
      EXPECT_EQ(e2e::read_file(path), content);
    }
  }
}

int byte_on_disk(const std::string& path, int64_t offset) {
  int fd = open(path.c_str(), O_RDONLY);
  unsigned char b = 0;
  ssize_t n = fd < 0 ? -1 : pread(fd, &b, 1, offset);
  if (fd >= 0) close(fd);
  return n == 1 ? b : -1;
}

// Long operations on a 4 GiB sparse file, signalled as soon as the last
// key is sent:
// - a fill of the first GiB. It copies the old bytes first and then stores
//   the new ones; once more than the window budget is dirty the cache
//   writes windows back on its own, so a window inside the range may hold
//   its old bytes (0) or the fill byte, and nothing else;
// - a save, whose backup copy of the whole file comes before any write to
//   the file itself, so the changed byte never reaches it.
// Bytes past the fill range and the size never change.
struct LongCase {
  const char* name;
  std::vector<Step> steps;
  int first_byte;  // -1: 0 or 0x41
};

TEST(Signals, DuringLongOperations) {
  constexpr int64_t GIB = int64_t{1} << 30;
  const std::vector<LongCase> cases = {
      {"fill",
       {{"l", "Enter start offset: "},
        {"0\r", "Enter end offset: "},
        {std::to_string(GIB - 1) + "\r", "Fill with byte: "},
        {"65\r", ""}},
       -1},
      {"save with backup", {{"41", "big*"}, {"s", "(y/n)?"}, {"y", "(y/n)?"}}, 0},
  };
  for (const LongCase& c : cases) {
    for (int sig : {SIGINT, SIGTERM}) {
      SCOPED_TRACE(std::string(c.name) + ", signal " + std::to_string(sig));
      e2e::TempDir dir;
      std::string path = dir.sparse("big", 4 * GIB);
      e2e::Session s({.args = {path}});
      ASSERT_TRUE(s.wait_text("Press 'h' for help"));
      run_steps(s, c.steps);
      s.signal(sig);
      EXPECT_EQ(s.wait_exit(), sig);
      EXPECT_EQ(s.err(), message(sig));
      EXPECT_FALSE(s.altscreen());
      struct stat st;
      ASSERT_EQ(stat(path.c_str(), &st), 0);
      EXPECT_EQ(st.st_size, 4 * GIB);
      int b = byte_on_disk(path, 0);
      if (c.first_byte >= 0) {
        EXPECT_EQ(b, c.first_byte);
      }
      for (int64_t at : {int64_t{0}, int64_t{8192}, GIB / 2, GIB - 1}) {
        b = byte_on_disk(path, at);
        EXPECT_TRUE(b == 0 || b == 0x41) << "offset " << at << " holds " << b;
      }
      for (int64_t at : {GIB, 2 * GIB, 4 * GIB - 1})
        EXPECT_EQ(byte_on_disk(path, at), 0) << "offset " << at;
    }
  }
}

// SIGHUP and SIGQUIT (Ctrl-\ on the keyboard) keep their default action,
// so the process is killed by them, but with the terminal restored first.
TEST(Signals, HangUpAndQuitRestoreTheTerminal) {
  struct rlimit no_core = {0, 0};  // SIGQUIT would dump one
  ASSERT_EQ(setrlimit(RLIMIT_CORE, &no_core), 0);
  for (int sig : {SIGHUP, SIGQUIT}) {
    SCOPED_TRACE(sig);
    e2e::TempDir dir;
    const std::string content = "precious bytes\n";
    std::string path = dir.write("f.bin", content);
    e2e::Session s({.args = {path}});
    ASSERT_TRUE(s.wait_text("Press 'h' for help"));
    s.send("41");
    ASSERT_TRUE(s.wait_text("f.bin*"));
    s.signal(sig);
    EXPECT_EQ(s.wait_exit(), -1);
    EXPECT_EQ(s.term_signal(), sig);
    EXPECT_FALSE(s.altscreen());
    EXPECT_EQ(e2e::read_file(path), content);
  }
}

}  // namespace
