// Byte entry, fill and undo seen from outside, on real files: both halves
// of a byte by hexadecimal digits, characters, unchanged bytes making no
// undo entry, advance_after_edit off, undo order and repaint, the fill's
// checks and messages, fills that reach above the view or past the window
// budget, and the file never changing size.
#include "editing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <unistd.h>
#include <vector>

using namespace editing;
using e2e::Key;

namespace {

constexpr int64_t MIB = 1024 * 1024;

TEST(Edit, DigitsReplaceHighThenLowHalf)
{
    e2e::TempDir dir;
    std::string path = dir.write("f.bin", letters(64));
    e2e::Session s(options({path}));
    ASSERT_TRUE(start(s));
    s.send("7");
    ASSERT_TRUE(wait_hex(s, 0, 0, "71"));
    EXPECT_TRUE(wait_char(s, 0, 0, "q"));
    EXPECT_TRUE(s.wait_cursor(1, HEX_COL + 1));
    EXPECT_TRUE(wait_modified(s, path, true));
    s.send("E");
    ASSERT_TRUE(wait_hex(s, 0, 0, "7E"));
    EXPECT_TRUE(wait_char(s, 0, 0, "~"));
    EXPECT_TRUE(s.wait_cursor(1, HEX_COL + 3));
    s.send("g0");  // g is no digit and no command
    ASSERT_TRUE(wait_hex(s, 0, 1, "02"));
    EXPECT_TRUE(wait_char(s, 0, 1, "."));
    save(s);
    ASSERT_TRUE(wait_modified(s, path, false));
    std::string expect = letters(64);
    expect[0] = 0x7E;
    expect[1] = 0x02;
    EXPECT_EQ(e2e::read_file(path), expect);
}

TEST(Edit, CharactersReplaceBytesInCharacterMode)
{
    e2e::TempDir dir;
    std::string path = dir.write("f.bin", letters(64));
    e2e::Session s(options({path}));
    ASSERT_TRUE(start(s));
    s.key(Key::Tab);
    ASSERT_TRUE(s.wait_cursor(1, TEXT_COL));
    s.send("q<h");  // command keys in hexadecimal mode, plain text here
    ASSERT_TRUE(s.wait_cursor(1, TEXT_COL + 3));
    EXPECT_EQ(hex_at(s, 0, 0) + hex_at(s, 0, 1) + hex_at(s, 0, 2), "713C68");
    EXPECT_EQ(s.row(1).substr(TEXT_COL, 4), "q<hD");
    s.key(Key::Tab);
    save(s);
    ASSERT_TRUE(wait_modified(s, path, false));
    EXPECT_EQ(e2e::read_file(path).substr(0, 4), "q<hD");
}

// 0x51 already has the low digit 1: typing it moves on but pushes nothing,
// so one undo takes back the 5.
TEST(Edit, UnchangedByteMakesNoUndoEntry)
{
    e2e::TempDir dir;
    std::string path = dir.write("f.bin", letters(64));
    e2e::Session s(options({path}));
    ASSERT_TRUE(start(s));
    s.send("51");
    ASSERT_TRUE(s.wait_cursor(1, HEX_COL + 3));
    EXPECT_EQ(hex_at(s, 0, 0), "51");
    s.send("u");
    ASSERT_TRUE(wait_hex(s, 0, 0, "41"));
    EXPECT_TRUE(s.wait_cursor(1, HEX_COL));
    s.send("u");  // the stack is empty now: nothing happens
    s.key(Key::Right, 2);
    ASSERT_TRUE(s.wait_cursor(1, HEX_COL + 3));
    EXPECT_EQ(hex_at(s, 0, 0), "41");
    EXPECT_EQ(e2e::read_file(path), letters(64));
}

TEST(Edit, UnchangedCharacterLeavesFileUnmodified)
{
    e2e::TempDir dir;
    std::string path = dir.write("f.bin", letters(64));
    e2e::Session s(options({path}));
    ASSERT_TRUE(start(s));
    s.key(Key::Tab);
    s.send("AB");
    ASSERT_TRUE(s.wait_cursor(1, TEXT_COL + 2));
    EXPECT_TRUE(wait_modified(s, path, false));
    s.key(Key::Tab);
    s.send("4");  // the high digit of 0x43 is already 4
    ASSERT_TRUE(s.wait_cursor(1, HEX_COL + 7));
    EXPECT_TRUE(wait_modified(s, path, false));
    s.send("q");
    EXPECT_EQ(s.wait_exit(), 0);
    EXPECT_EQ(e2e::read_file(path), letters(64));
}

TEST(Edit, AdvanceAfterEditOffKeepsTheCursorOnItsDigit)
{
    e2e::TempDir dir;
    std::string path = dir.write("f.bin", std::string(32, '\0'));
    std::string rc = config_file(dir, "advance_after_edit = 0\n");
    e2e::Session s(options({"-c", rc, path}));
    ASSERT_TRUE(start(s));
    s.send("1");
    ASSERT_TRUE(wait_hex(s, 0, 0, "10"));
    s.send("2");
    ASSERT_TRUE(wait_hex(s, 0, 0, "20"));
    EXPECT_TRUE(s.wait_cursor(1, HEX_COL));
    s.key(Key::Right);
    s.send("f");
    ASSERT_TRUE(wait_hex(s, 0, 0, "2F"));
    EXPECT_TRUE(s.wait_cursor(1, HEX_COL + 1));
    s.send("u");
    ASSERT_TRUE(wait_hex(s, 0, 0, "20"));
    s.send("u");
    ASSERT_TRUE(wait_hex(s, 0, 0, "10"));
    s.send("u");
    ASSERT_TRUE(wait_hex(s, 0, 0, "00"));
    EXPECT_TRUE(s.wait_cursor(1, HEX_COL + 1));  // undo keeps the nibble
}

// Four digits on two bytes make four entries, undone newest first, each
// taking the cursor to its byte.
TEST(Edit, UndoTakesBackNewestFirst)
{
    e2e::TempDir dir;
    std::string path = dir.write("f.bin", letters(64));
    e2e::Session s(options({path}));
    ASSERT_TRUE(start(s));
    s.key(Key::Down);
    s.send("abcd");
    ASSERT_TRUE(wait_hex(s, 0, 17, "CD"));
    EXPECT_EQ(hex_at(s, 0, 16), "AB");
    s.key(Key::Home);
    ASSERT_TRUE(s.wait_cursor(1, HEX_COL));
    const std::vector<std::pair<int64_t, std::string>> steps = {
        {17, "C2"}, {17, "52"}, {16, "A1"}, {16, "51"}};
    for (const auto &[offset, hex] : steps) {
        s.send("u");
        ASSERT_TRUE(wait_hex(s, 0, offset, hex));
        EXPECT_TRUE(s.wait_row_contains(s.rows() - 1, offset_field(offset)));
        EXPECT_TRUE(s.wait_cursor(2, HEX_COL + 3 * static_cast<int>(offset % BPR)));
    }
    EXPECT_TRUE(wait_modified(s, path, true));
}

TEST(Edit, UndoOutsideTheViewMovesNothing)
{
    e2e::TempDir dir;
    std::string path = dir.write("f.bin", letters(1000));
    e2e::Session s(options({path}, 8));  // 6 view rows, 96 bytes a page
    ASSERT_TRUE(start(s));
    s.send("5");
    ASSERT_TRUE(wait_hex(s, 0, 0, "51"));
    s.key(Key::PageDown);
    ASSERT_TRUE(s.wait_row_contains(1, "00000060:"));
    s.send("u");
    // The cursor is still where PageDown put it: 0x60, on the low digit.
    s.key(Key::Right);
    ASSERT_TRUE(s.wait_row_contains(s.rows() - 1, offset_field(0x61)));
    EXPECT_TRUE(s.wait_row_contains(1, "00000060:"));
    s.key(Key::Home);
    ASSERT_TRUE(wait_hex(s, 0, 0, "41"));
    EXPECT_TRUE(wait_modified(s, path, true));
}

struct FillCase {
    const char *name;
    std::vector<std::string> answers;  // as many as are asked
    const char *message;
};

void PrintTo(const FillCase &c, std::ostream *os)
{
    *os << c.name;
}

class FillChecks : public ::testing::TestWithParam<FillCase> {};

// Each check stops the fill with its message, and nothing changes.
TEST_P(FillChecks, RefuseWithMessage)
{
    const FillCase &c = GetParam();
    e2e::TempDir dir;
    std::string path = dir.write("f.bin", letters(100));
    e2e::Session s(options({path}));
    ASSERT_TRUE(start(s));
    const char *questions[] = {"Enter start offset: ", "Enter end offset: ", "Fill with byte: "};
    s.send("l");
    for (size_t i = 0; i < c.answers.size(); i++) {
        ASSERT_TRUE(s.wait_text(questions[i]));
        s.send(c.answers[i] + "\r");
    }
    ASSERT_TRUE(s.wait_row(s.rows() - 1, std::string(" ") + c.message));
    ASSERT_TRUE(s.wait_text_gone(c.message));
    EXPECT_TRUE(s.wait_row_contains(s.rows() - 1, offset_field(0)));
    EXPECT_TRUE(wait_modified(s, path, false));
    EXPECT_EQ(hex_at(s, 0, 1), "42");
    s.send("u");
    s.send("q");
    EXPECT_EQ(s.wait_exit(), 0);
    EXPECT_EQ(e2e::read_file(path), letters(100));
}

INSTANTIATE_TEST_SUITE_P(
    Edit, FillChecks,
    ::testing::Values(
        FillCase{"start not a number", {"1x"}, "Invalid starting offset!"},
        FillCase{"start at the size", {"100"}, "Starting offset is beyond the end of file!"},
        FillCase{"end not a number", {"0", "-3"}, "Invalid end offset!"},
        FillCase{"end at the size", {"0", "0x64"}, "End offset is beyond the end of file!"},
        FillCase{"end equals start", {"5", "5"}, "End offset is less than or equal to starting offset!"},
        FillCase{"end before start", {"010", "7"}, "End offset is less than or equal to starting offset!"},
        FillCase{"byte 256", {"1", "2", "256"}, "Wrong byte value (must be in [0, 255])."},
        FillCase{"byte not a number", {"1", "2", "0xfg"}, "Wrong byte value (must be in [0, 255])."}),
    [](const auto &info) {
        std::string n = info.param.name;
        for (char &ch : n)
            if (!isalnum(static_cast<unsigned char>(ch)))
                ch = '_';
        return n;
    });

TEST(Edit, FillRepaintsAndUndoRestores)
{
    e2e::TempDir dir;
    std::string path = dir.write("f.bin", letters(100));
    e2e::Session s(options({path}));
    ASSERT_TRUE(start(s));
    fill(s, "0x10", "47", "0377");
    ASSERT_TRUE(wait_hex(s, 0, 47, "FF"));
    EXPECT_EQ(hex_at(s, 0, 15), "50");
    EXPECT_EQ(hex_at(s, 0, 16), "FF");
    EXPECT_EQ(hex_at(s, 0, 48), "57");
    EXPECT_EQ(s.row(2).substr(TEXT_COL, 16), std::string(16, '.'));
    EXPECT_TRUE(s.wait_cursor(1, HEX_COL));  // the cursor stays
    EXPECT_TRUE(wait_modified(s, path, true));
    s.send("u");
    ASSERT_TRUE(wait_hex(s, 0, 47, "56"));
    EXPECT_EQ(s.row(2).substr(TEXT_COL, 16), letters(32).substr(16));
    EXPECT_TRUE(s.wait_cursor(2, HEX_COL));  // on the start of the range
    fill(s, "0", "99", "");  // an empty answer fills with 0
    ASSERT_TRUE(wait_hex(s, 0, 99, "00"));
    save(s);
    ASSERT_TRUE(wait_modified(s, path, false));
    EXPECT_EQ(e2e::read_file(path), std::string(100, '\0'));
}

// A range that starts above the view: its rows in view show the new bytes
// at once, and again the old ones after undo; the cursor stays put.
TEST(Edit, FillAndUndoAboveTheViewRepaintVisibleRows)
{
    e2e::TempDir dir;
    std::string content = letters(1000);
    std::string path = dir.write("f.bin", content);
    e2e::Session s(options({path}, 8));  // 6 rows, 96 bytes a page
    ASSERT_TRUE(start(s));
    s.key(Key::PageDown, 2);
    ASSERT_TRUE(s.wait_row_contains(1, "000000C0:"));
    const int64_t top = 192, last = 0x110;  // 0x110 starts the last view row
    fill(s, "0x10", "0x110", "0xaa");
    ASSERT_TRUE(wait_hex(s, top, last, "AA"));
    for (int64_t at = top; at < top + 96; at++)
        EXPECT_EQ(hex_at(s, top, at), at <= last ? "AA" : hex2(content[at])) << at;
    EXPECT_TRUE(s.wait_row_contains(s.rows() - 1, offset_field(top)));
    s.send("u");
    ASSERT_TRUE(wait_hex(s, top, last, hex2(content[last])));
    EXPECT_TRUE(s.wait_until(
        [&] {
            for (int r = 0; r < 6; r++)
                if (s.row(1 + r).substr(TEXT_COL, 16) != content.substr(top + 16 * r, 16))
                    return false;
            return true;
        },
        "the old bytes in every view row"));
    EXPECT_TRUE(s.wait_row_contains(s.rows() - 1, offset_field(top)));
    EXPECT_TRUE(s.wait_cursor(1, HEX_COL));
}

// The bytes of the file on disk, window by window: each window of the range
// is either still as it was or entirely filled (forced out whole). Returns
// the number of filled windows.
int64_t forced_windows(const std::string &disk, const std::string &content, int64_t start, int64_t end, char value)
{
    const int64_t ws = 2 * sysconf(_SC_PAGESIZE);
    int64_t filled = 0;
    for (int64_t w = start - start % ws; w <= end; w += ws) {
        int64_t from = std::max(w, start), to = std::min(w + ws - 1, end);
        std::string got = disk.substr(from, to - from + 1);
        if (got == std::string(got.size(), value))
            filled++;
        else
            EXPECT_TRUE(got == content.substr(from, to - from + 1)) << "window at " << w;
    }
    return filled;
}

// 3 MiB is more than the window budget: the fill forces windows out to the
// file before any save. Undo and a save bring back every byte.
TEST(Edit, LargeFillWritesBackAndUndoRestoresAll)
{
    e2e::TempDir dir;
    std::string content = letters(3 * MIB);
    std::string path = dir.write("f.bin", content);
    e2e::Session s(options({path}));
    ASSERT_TRUE(start(s));
    fill(s, "0", "0x2fffff", "0x55");
    ASSERT_TRUE(wait_hex(s, 0, 0, "55"));
    ASSERT_TRUE(s.wait_row_contains(s.rows() - 1, offset_field(0)));
    std::string disk = e2e::read_file(path);
    ASSERT_EQ(disk.size(), content.size());
    // Less than 2 MiB stays mapped: the rest was forced out to the file.
    const int64_t ws = 2 * sysconf(_SC_PAGESIZE);
    int64_t forced = forced_windows(disk, content, 0, 3 * MIB - 1, 0x55);
    EXPECT_GE(forced, (3 * MIB - 2 * MIB) / ws);
    EXPECT_LT(forced, 3 * MIB / ws);
    s.send("u");
    ASSERT_TRUE(wait_hex(s, 0, 0, "41"));
    save(s);
    ASSERT_TRUE(wait_modified(s, path, false));
    EXPECT_TRUE(e2e::read_file(path) == content);
}

TEST(Edit, LargeFillForcedBytesStayAfterQuitWithoutSaving)
{
    e2e::TempDir dir;
    std::string content = letters(3 * MIB);
    std::string path = dir.write("f.bin", content);
    e2e::Session s(options({path}));
    ASSERT_TRUE(start(s));
    fill(s, "0x100", "0x2ffffe", "0");
    ASSERT_TRUE(wait_hex(s, 0, 0x100, "00"));
    s.send("q");
    ASSERT_TRUE(s.wait_text("File was modified. Save (y/n/c)?"));
    s.send("n");
    EXPECT_EQ(s.wait_exit(), 0);
    std::string disk = e2e::read_file(path);
    ASSERT_EQ(disk.size(), content.size());
    EXPECT_TRUE(disk.substr(0, 0x100) == content.substr(0, 0x100));
    EXPECT_EQ(disk.back(), content.back());
    const int64_t ws = 2 * sysconf(_SC_PAGESIZE);
    EXPECT_GE(forced_windows(disk, content, 0x100, 0x2ffffe, '\0'), (3 * MIB - 2 * MIB) / ws);
}

}  // namespace
