// The terminal shrinks and then gets its old size back during a session.
// The layout stays as it was at start-up, nothing crashes, the file is not
// touched, and once the size is back and the editor has repainted, the
// screen is exactly what it was before. A repaint is seen as a clear of
// the whole screen in the output.
#include "harness.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using e2e::Key;

const std::string CLEAR = "\033[H\033[2J";  // clear_screen of xterm-256color

size_t clears(const e2e::Session& s) {
  size_t n = 0;
  for (size_t at = s.output().find(CLEAR); at != std::string::npos; at = s.output().find(CLEAR, at + 1))
    n++;
  return n;
}

std::string letters(size_t n) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; i++)
    s[i] = static_cast<char>('a' + i % 26);
  return s;
}

bool wait_clear_after(e2e::Session& s, size_t before) {
  return s.wait_until([&] { return clears(s) > before; }, "a repaint of the whole screen");
}

struct ResizeCase {
  const char* name;
  std::string open;   // keys that open a question or the help, or nothing
  std::string shown;  // what that shows
  std::string close;  // keys that close it again without changing anything
};

TEST(Resize, ScreenComesBackWhole) {
  const std::vector<ResizeCase> cases = {
      {"main loop", "", "", ""},
      {"help", "h", "display this help screen", " "},
      {"yes/no question", "s", "(y/n)?", "n"},
      {"quit question", "q", "(y/n/c)?", "c"},
  };
  for (const ResizeCase& c : cases) {
    SCOPED_TRACE(c.name);
    e2e::TempDir dir;
    const std::string content = letters(3000);
    std::string path = dir.write("f.txt", content);
    e2e::Session s({.args = {path, "-n"}});
    ASSERT_TRUE(s.wait_text("Press 'h' for help"));
    s.send("41");  // a change, never saved: offset 0 becomes "A"
    s.key(Key::Down, 3);
    s.key(Key::Right, 10);  // a digit at a time
    ASSERT_TRUE(s.wait_text("offset: 0x36 "));
    ASSERT_TRUE(s.wait_text("f.txt*"));
    ASSERT_TRUE(s.wait_cursor(4, 13 + 3 * 6));  // the last step of a frame
    const std::string screen = s.screen();
    const e2e::Pos cursor = s.cursor();
    const e2e::Cell mark = s.cell(4, 13 + 3 * 6);  // the cursor's byte in the hexadecimal pane

    if (!c.open.empty()) {
      s.send(c.open);
      ASSERT_TRUE(s.wait_text(c.shown));
    }
    size_t before = clears(s);
    s.resize(10, 40);
    if (c.open.empty()) {  // the main loop repaints at once, even while small
      ASSERT_TRUE(wait_clear_after(s, before));
    }
    before = clears(s);
    s.resize(24, 80);
    s.send(c.close);
    ASSERT_TRUE(wait_clear_after(s, before));
    EXPECT_TRUE(s.wait_until([&] { return s.screen() == screen && s.cursor() == cursor; },
                             "the screen as it was before"))
        << "before:\n" << screen;
    EXPECT_EQ(s.cell(4, 13 + 3 * 6).bg, mark.bg);
    EXPECT_TRUE(s.running());
    s.send("qn");
    EXPECT_EQ(s.wait_exit(), 0);
    EXPECT_EQ(e2e::read_file(path), content);
  }
}

// A resize while a number is being typed neither ends nor spoils the
// answer: the rest of it is typed after the size is back.
TEST(Resize, NumberAnswerSurvives) {
  e2e::TempDir dir;
  const std::string content = letters(3000);
  std::string path = dir.write("f.txt", content);
  e2e::Session s({.args = {path}});
  ASSERT_TRUE(s.wait_text("Press 'h' for help"));
  s.send("j");
  ASSERT_TRUE(s.wait_text("Enter offset"));
  s.send("1");
  ASSERT_TRUE(s.wait_text("033): 1"));
  size_t before = clears(s);
  s.resize(10, 40);
  s.resize(24, 80);
  s.send("6\r");
  ASSERT_TRUE(wait_clear_after(s, before));
  EXPECT_TRUE(s.wait_text("offset: 0x10 "));
  s.send("q");
  EXPECT_EQ(s.wait_exit(), 0);
  EXPECT_EQ(e2e::read_file(path), content);
}

}  // namespace
