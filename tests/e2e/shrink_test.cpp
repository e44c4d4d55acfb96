// A file that another process cuts shorter while it is being edited: the
// next read of a byte past the new end ends the editor with status 1 and
// the "changed size on disk" message, with the terminal restored and
// nothing written to the file.
#include "harness.h"

#include <gtest/gtest.h>

#include <string>
#include <unistd.h>
#include <vector>

namespace {

using e2e::Key;

struct ShrinkCase {
  const char* name;
  std::string before;  // typed before the file shrinks
  Key key;             // pressed after it shrank
  int count;
};

TEST(Shrink, ReadPastTheNewEndEndsTheEditor) {
  const std::vector<ShrinkCase> cases = {
      {"End", "", Key::End, 1},
      // 22 rows of 16 bytes a page: the 12th page down leaves the first
      // page of the file, the only one still backed after the cut.
      {"PageDown", "", Key::PageDown, 12},
      {"End after a change", "41", Key::End, 1},
  };
  for (const ShrinkCase& c : cases) {
    SCOPED_TRACE(c.name);
    e2e::TempDir dir;
    std::string content(64 * 1024, 'v');  // eight windows
    std::string path = dir.write("f.bin", content);
    e2e::Session s({.args = {path}});
    ASSERT_TRUE(s.wait_text("Press 'h' for help"));
    if (!c.before.empty()) {
      s.send(c.before);
      ASSERT_TRUE(s.wait_text("f.bin*"));
    }
    ASSERT_EQ(truncate(path.c_str(), 100), 0);
    s.key(c.key, c.count);
    EXPECT_EQ(s.wait_exit(), 1);
    EXPECT_EQ(s.err(), "vexa: " + path + " changed size on disk; unsaved changes were not written\n");
    EXPECT_FALSE(s.altscreen());
    EXPECT_EQ(e2e::read_file(path), content.substr(0, 100));
  }
}

}  // namespace
