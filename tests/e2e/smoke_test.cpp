// First end-to-end check of the editor itself: it opens a small file, shows
// its screen, quits on q, and prints its plain-terminal messages.
#include "harness.h"

#include <gtest/gtest.h>

namespace {

TEST(Smoke, OpensAFileAndQuits) {
  e2e::TempDir dir;
  std::string path = dir.write("small.bin", "Hello, vexa!\n");
  e2e::Session s({.args = {path}, .cols = 80, .rows = 24});
  ASSERT_TRUE(s.wait_text("Press 'h' for help"));
  ASSERT_TRUE(s.wait_idle());
  EXPECT_EQ(s.row(0).substr(0, 7), " File: ");
  EXPECT_EQ(s.row_trimmed(1), "00000000:    48 65 6C 6C 6F 2C 20 76 65 78 61 21 0A            Hello, vexa!.");
  EXPECT_EQ(s.cursor(), (e2e::Pos{1, 13}));
  EXPECT_EQ(s.cell(1, 13).bg, e2e::color::black);  // the cursor mark
  EXPECT_EQ(s.cell(1, 13).fg, e2e::color::green);
  EXPECT_EQ(s.cell(1, 14).bg, e2e::color::blue);
  EXPECT_TRUE(s.altscreen());
  s.send("q");
  EXPECT_EQ(s.wait_exit(), 0);
  EXPECT_FALSE(s.altscreen());  // the terminal was restored
  EXPECT_EQ(e2e::read_file(path), "Hello, vexa!\n");
}

TEST(Smoke, WithoutAFileItOnlyPrints) {
  e2e::Session s({.argv0 = "/some/dir/vexa"});
  EXPECT_EQ(s.wait_exit(), 0);
  EXPECT_EQ(s.output(), "vexa: missing file argument\r\n");
  EXPECT_EQ(s.err(), "");
}

}  // namespace
