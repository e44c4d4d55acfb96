// Input that is gone for good: standard input at its end instead of a
// terminal that can still type. The editor would otherwise wait for keys
// that never come, spinning on the end of file; it ends with status 1 and
// a message instead, with the terminal restored and the file untouched,
// also when the input runs out at the quit question.
#include "harness.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct LostInputCase {
  const char* name;
  const char* shell;  // runs the editor ($0) on the file ($1)
};

TEST(LostInput, EndsInsteadOfSpinning) {
  const std::vector<LostInputCase> cases = {
      {"no input at all", "exec \"$0\" \"$1\" < /dev/null"},
      {"input ends at the quit question", "printf '00q' | exec \"$0\" \"$1\""},
  };
  for (const LostInputCase& c : cases) {
    SCOPED_TRACE(c.name);
    e2e::TempDir dir;
    const std::string content = "nothing typed here reaches the file\n";
    std::string path = dir.write("f.txt", content);
    e2e::Session s({.args = {"-c", c.shell, VEXA_BINARY, path}, .program = "/bin/sh"});
    EXPECT_EQ(s.wait_exit(), 1);
    EXPECT_EQ(s.err(), "vexa: no more input from the terminal, exiting.\n");
    EXPECT_FALSE(s.altscreen());
    EXPECT_EQ(e2e::read_file(path), content);
  }
}

}  // namespace
