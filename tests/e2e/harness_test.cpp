// Self-test of the end-to-end harness, driven by small shell commands
// instead of the editor: screen cells and colours, the cursor, keys, the
// output streams, exit statuses, signals, resizing and fixture files.
#include "harness.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cerrno>

#include <filesystem>

namespace {

using namespace std::chrono_literals;

// A session running `script` in /bin/sh; `args` become $0, $1, ...
e2e::Options shell(std::string script, std::vector<std::string> args = {}) {
  e2e::Options options;
  options.program = "/bin/sh";
  options.args = {"-c", std::move(script)};
  options.args.insert(options.args.end(), args.begin(), args.end());
  return options;
}

TEST(Harness, CellsColoursAndCursor) {
  e2e::Session s(shell(
      R"(printf '\033[31;44mred\033[0m|\033[7mR\033[0m\033[5mB\033[0m\033[1mD\033[0m\033[4mU\033[0m\033[5;10Hx'; exec sleep 60)"));
  ASSERT_TRUE(s.wait_text("red|RBDU"));
  ASSERT_TRUE(s.wait_cursor(4, 10));

  e2e::Cell red = s.cell(0, 0);
  EXPECT_EQ(red.ch, U'r');
  EXPECT_EQ(red.text, "r");
  EXPECT_EQ(red.fg, e2e::color::red);
  EXPECT_EQ(red.bg, e2e::color::blue);
  EXPECT_FALSE(red.reverse || red.blink || red.bold || red.underline);

  e2e::Cell bar = s.cell(0, 3);
  EXPECT_EQ(bar.fg, e2e::color::term_default);
  EXPECT_EQ(bar.bg, e2e::color::term_default);

  struct {
    int col;
    bool reverse, blink, bold, underline;
  } const attrs[] = {{4, true, false, false, false},
                     {5, false, true, false, false},
                     {6, false, false, true, false},
                     {7, false, false, false, true}};
  for (const auto& a : attrs) {
    e2e::Cell c = s.cell(0, a.col);
    SCOPED_TRACE(testing::Message() << "column " << a.col << ": " << c);
    EXPECT_EQ(c.reverse, a.reverse);
    EXPECT_EQ(c.blink, a.blink);
    EXPECT_EQ(c.bold, a.bold);
    EXPECT_EQ(c.underline, a.underline);
  }

  EXPECT_EQ(s.cell(4, 9).ch, U'x');
  EXPECT_EQ(s.cell(4, 8).text, " ");  // never written
  EXPECT_EQ(s.row(4), std::string(9, ' ') + "x" + std::string(70, ' '));
  EXPECT_EQ(s.row_trimmed(4), "         x");
  EXPECT_TRUE(s.running());
}

TEST(Harness, StreamsAndExitStatus) {
  struct {
    const char* script;
    int status;
    const char* out;
    const char* err;
  } const cases[] = {
      {"exit 0", 0, "", ""},
      {"echo out; echo err >&2; exit 3", 3, "out\r\n", "err\n"},
      {"printf 'a\\nb' >&2; printf 'usage'; exit 1", 1, "usage", "a\nb"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.script);
    e2e::Session s(shell(c.script));
    EXPECT_EQ(s.wait_exit(), c.status);
    EXPECT_EQ(s.term_signal(), 0);
    EXPECT_EQ(s.output(), c.out);  // the terminal turns "\n" into "\r\n"
    EXPECT_EQ(s.err(), c.err);
    EXPECT_FALSE(s.running());
  }
}

TEST(Harness, ProgramThatCannotStart) {
  e2e::Session s({.program = "/nonexistent/program"});
  EXPECT_EQ(s.wait_exit(), 127);
  EXPECT_NE(s.err().find("/nonexistent/program"), std::string::npos) << s.err();
}

TEST(Harness, SignalsEndTheProgram) {
  e2e::Session killed(shell("echo ready; exec sleep 60"));
  ASSERT_TRUE(killed.wait_text("ready"));
  killed.signal(SIGTERM);
  EXPECT_EQ(killed.wait_exit(), -1);
  EXPECT_EQ(killed.term_signal(), SIGTERM);

  e2e::Session trapped(shell("trap 'echo caught >&2; exit 2' INT; echo ready; while :; do sleep 1; done"));
  ASSERT_TRUE(trapped.wait_text("ready"));
  trapped.signal(SIGINT);
  EXPECT_EQ(trapped.wait_exit(), 2);
  EXPECT_EQ(trapped.err(), "caught\n");
}

TEST(Harness, KeysArriveAsTheTerminalSendsThem) {
  e2e::Session s(shell("stty raw -echo; printf 'ready\\r\\n'; exec cat -vT"));
  ASSERT_TRUE(s.wait_text("ready"));
  s.key(e2e::Key::Up);
  s.key(e2e::Key::PageDown, 2);
  s.key(e2e::Key::Backspace);
  s.key(e2e::Key::Home);
  s.key(e2e::Key::Tab);
  s.send("q");
  EXPECT_TRUE(s.wait_row(1, "^[OA^[[6~^[[6~^?^[OH^Iq"));
}

TEST(Harness, IdleMeansWaitingForTheNextKey) {
  // The pause between reading a line and answering it is the program's own
  // work: wait_idle must not return while it runs.
  e2e::Session s(shell("printf 'ready\\r\\n'; while IFS= read -r line; do sleep 0.3; printf 'got %s\\r\\n' \"$line\"; done"));
  ASSERT_TRUE(s.wait_idle());
  EXPECT_EQ(s.row_trimmed(0), "ready");
  for (const char* line : {"abc", "de"}) {
    s.send(std::string(line) + "\r");
    ASSERT_TRUE(s.wait_idle());
    EXPECT_NE(s.screen().find(std::string("got ") + line), std::string::npos) << s.dump();
  }
  EXPECT_EQ(s.screen().substr(0, 29), "ready\nabc\ngot abc\nde\ngot de\n\n");
}

TEST(Harness, KeySequencesComeFromTerminfo) {
  using K = e2e::Key;
  struct {
    K key;
    const char* xterm;
    const char* vt100;
  } const cases[] = {
      {K::Up, "\033OA", "\033OA"},       {K::Down, "\033OB", "\033OB"},     {K::Right, "\033OC", "\033OC"},
      {K::Left, "\033OD", "\033OD"},     {K::Home, "\033OH", "\033OH"},     {K::End, "\033OF", "\033OF"},
      {K::PageUp, "\033[5~", "\033[5~"}, {K::PageDown, "\033[6~", "\033[6~"}, {K::Tab, "\t", "\t"},
      {K::Enter, "\r", "\r"},            {K::Escape, "\033", "\033"},      {K::Backspace, "\177", "\b"},
      {K::Delete, "\033[3~", "\033[3~"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.key));
    EXPECT_EQ(e2e::key_sequence("xterm-256color", c.key), c.xterm);
    // vt100 describes only the arrows and Backspace; the rest fall back to xterm.
    EXPECT_EQ(e2e::key_sequence("vt100", c.key), c.vt100);
    EXPECT_EQ(e2e::key_sequence("no-such-terminal", c.key), c.xterm);
  }
}

TEST(Harness, EnvironmentArgumentsAndDirectory) {
  e2e::TempDir dir;
  std::string cwd = dir.mkdir("work");
  e2e::Options options =
      shell("printf '%s|%s|%s|%s|%s|' \"$TERM\" \"$FOO\" \"${LINES-none}\" \"$(pwd)\" \"$1\"; "
            "tr '\\000' ' ' < /proc/$$/cmdline",
            {"zero", "one"});
  options.term = "vt100";
  options.env = {"FOO=bar", "LINES"};
  options.cwd = cwd;
  options.argv0 = "custom-name";
  options.cols = 200;
  e2e::Session s(options);
  ASSERT_EQ(s.wait_exit(), 0);
  EXPECT_EQ(s.row_trimmed(0), "vt100|bar|none|" + cwd + "|one|custom-name -c " + options.args[1] + " zero one");
}

TEST(Harness, HomeIsAFreshDirectoryUnlessGiven) {
  std::string home;
  {
    e2e::Session s(shell("printf '%s|' \"$HOME\"; ls -A \"$HOME\" | wc -l"));
    ASSERT_EQ(s.wait_exit(), 0);
    home = s.home();
    ASSERT_NE(home, "");
    EXPECT_EQ(s.row_trimmed(0), home + "|0");
    EXPECT_TRUE(std::filesystem::is_directory(home));
  }
  EXPECT_FALSE(std::filesystem::exists(home));

  e2e::TempDir dir;
  {
    e2e::Session s({.args = {"-c", "printf %s \"$HOME\""}, .home = dir.path(), .program = "/bin/sh"});
    ASSERT_EQ(s.wait_exit(), 0);
    EXPECT_EQ(s.row_trimmed(0), dir.path());
  }
  EXPECT_TRUE(std::filesystem::is_directory(dir.path()));
}

TEST(Harness, ResizeReachesTheProgramAndTheScreen) {
  e2e::Options options = shell("stty size; read line; stty size; printf '\\033[12;45Hz'; exec sleep 60");
  options.rows = 10;
  options.cols = 40;
  e2e::Session s(options);
  ASSERT_TRUE(s.wait_row(0, "10 40"));
  s.resize(12, 50);
  EXPECT_EQ(s.rows(), 12);
  EXPECT_EQ(s.cols(), 50);
  s.key(e2e::Key::Enter);
  EXPECT_TRUE(s.wait_row(2, "12 50"));
  EXPECT_TRUE(s.wait_cursor(11, 45));
  EXPECT_EQ(s.cell(11, 44).ch, U'z');
}

TEST(Harness, TerminalQueriesAreAnswered) {
  e2e::Session s(shell("stty raw -echo; printf '\\033[5;7H\\033[6n'; head -c 6 | cat -v; exec sleep 60"));
  EXPECT_TRUE(s.wait_row(4, "      ^[[5;7R"));
}

TEST(Harness, FailedWaitShowsTheScreen) {
  e2e::Options options = shell("printf 'hello'; exec sleep 60");
  options.timeout = 300ms;
  e2e::Session s(options);
  ASSERT_TRUE(s.wait_text("hello"));
  EXPECT_NONFATAL_FAILURE(s.wait_text("absent"), "timed out after 300 ms");
  EXPECT_NONFATAL_FAILURE(s.wait_row(0, "absent"), "  0 |hello ");
  EXPECT_NONFATAL_FAILURE(s.wait_cursor(3, 3), "cursor at (row 0, col 5)");

  e2e::Session ended(shell("printf bye >&2"));
  EXPECT_NONFATAL_FAILURE(ended.wait_text("absent"), "the program ended");
  EXPECT_NONFATAL_FAILURE(ended.wait_text("absent"), "standard error:\nbye\n");
  EXPECT_NONFATAL_FAILURE(ended.wait_text("absent"), "exited with status 0");
}

TEST(Harness, DestructorKillsAndReaps) {
  pid_t pid;
  {
    e2e::Session s(shell("echo ready; exec sleep 60"));
    ASSERT_TRUE(s.wait_text("ready"));
    pid = s.pid();
    ASSERT_GT(pid, 0);
  }
  errno = 0;
  EXPECT_EQ(waitpid(pid, nullptr, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD);  // already reaped: no zombie left
}

TEST(FixtureFiles, WriteReadSparseAndCleanUp) {
  std::string root;
  {
    e2e::TempDir dir;
    root = dir.path();
    std::string data = e2e::bytes({0x00, 0x41, 0xff, 0x0a});
    ASSERT_EQ(data.size(), 4u);
    std::string path = dir.write("f.bin", data);
    EXPECT_EQ(path, root + "/f.bin");
    EXPECT_EQ(e2e::read_file(path), data);

    struct stat st;
    std::string ro = dir.write("ro", "x", 0444);
    ASSERT_EQ(stat(ro.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0444u);

    std::string big = dir.sparse("big", 64ull << 30);
    ASSERT_EQ(stat(big.c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 64ll << 30);
    EXPECT_LT(st.st_blocks, 1024);  // no data blocks behind it

    std::string locked = dir.mkdir("locked");
    e2e::write_file(locked + "/inner", "y");
    ASSERT_EQ(chmod(locked.c_str(), 0), 0);  // removal must still succeed
  }
  EXPECT_FALSE(std::filesystem::exists(root));
}

}  // namespace
