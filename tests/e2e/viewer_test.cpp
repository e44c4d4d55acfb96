// The viewer on a real terminal: status lines, pane layout, byte rendering,
// cursor mark, colours and monochrome, quitting, signals and every start-up
// failure.
#include "harness.h"

#include <gtest/gtest.h>

#include <csignal>
#include <string>

using e2e::Cell;
using e2e::Key;
using e2e::Session;
using e2e::TempDir;
namespace color = e2e::color;

namespace {

// Expands tabs the way the terminal library does (stops every 8 columns).
std::string expand_tabs(const std::string &s)
{
    std::string out;
    for (char c : s) {
        if (c == '\t')
            out.append(8 - out.size() % 8, ' ');
        else
            out += c;
    }
    return out;
}

std::string rtrim(std::string s)
{
    while (!s.empty() && s.back() == ' ')
        s.pop_back();
    return s;
}

// A session on file `name` in `dir`, started from `dir` so the path is short.
e2e::Options opts(const TempDir &dir, std::vector<std::string> args, int cols = 80, int rows = 24)
{
    e2e::Options o;
    o.args = std::move(args);
    o.cols = cols;
    o.rows = rows;
    o.cwd = dir.path();
    return o;
}

// The bottom status line is the last thing a frame draws.
bool ready(Session &s)
{
    return s.wait_row_contains(s.rows() - 1, " offset: 0x") && s.wait_idle();
}

bool is_pair(const Cell &c, int fg, int bg)
{
    return c.fg == fg && c.bg == bg && !c.reverse && !c.blink;
}

std::string all_bytes()
{
    std::string b;
    for (int i = 0; i < 256; i++)
        b += static_cast<char>(i);
    return b;
}

TEST(Viewer, StatusLinesAt80x24)
{
    TempDir dir;
    dir.write("f", "vexa\x01 demo" + std::string(400, 'x'));
    Session s(opts(dir, {"f"}));
    ASSERT_TRUE(ready(s));
    std::string top = " File: f   size = 410 bytes    0%  [H]";
    top.resize(61, ' ');
    EXPECT_EQ(rtrim(s.row(0)), top + "Press 'h' for help");
    EXPECT_EQ(s.row(0)[79], ' ') << "the help hint ends one column before the edge";
    EXPECT_EQ(s.row_trimmed(23),
              rtrim(expand_tabs(" offset: 0x0        (         0)  char: v\t hex = 0x76 dec = 118 oct = 166")));

    // Status lines are painted across the whole width in the status pair.
    for (int col : {0, 40, 79}) {
        EXPECT_TRUE(is_pair(s.cell(0, col), color::black, color::cyan)) << s.cell(0, col);
        EXPECT_TRUE(is_pair(s.cell(23, col), color::black, color::cyan)) << s.cell(23, col);
    }

    // A byte that is not printable: "?" and its own value in every field.
    s.key(Key::Right, 8);
    ASSERT_TRUE(s.wait_row_contains(23, "offset: 0x4        (         4)  char: ?"));
    ASSERT_TRUE(s.wait_idle());
    EXPECT_NE(s.row(23).find("hex = 0x1  dec = 1   oct = 1"), std::string::npos) << s.row(23);
}

// At 84x30 in monochrome: the same texts, placed by the width, with both
// lines in standout across the whole width; the position and the mode
// follow the view and Tab. (84 columns: the bottom line's text just fills
// it. Where standout blanks must reach the bottom-right corner, the
// terminal library writes them with a repeat and auto-margins off, which
// libvterm 0.1.4 takes for a wrap; real terminals do not.)
TEST(Viewer, StatusLinesAt84x30InMonochrome)
{
    TempDir dir;
    dir.write("f", std::string(2000, 'Z'));
    Session s(opts(dir, {"-d", "f"}, 84, 30));
    ASSERT_TRUE(ready(s));
    std::string top = " File: f   size = 2000 bytes    0%  [H]";
    top.resize(65, ' ');
    EXPECT_EQ(rtrim(s.row(0)), top + "Press 'h' for help");
    EXPECT_EQ(s.row_trimmed(29),
              rtrim(expand_tabs(" offset: 0x0        (         0)  char: Z\t hex = 0x5A dec = 90  oct = 132")));
    for (int col : {0, 50, 83}) {
        EXPECT_TRUE(s.cell(0, col).reverse) << col;
        EXPECT_TRUE(s.cell(29, col).reverse) << col;
        EXPECT_EQ(s.cell(0, col).fg, color::term_default) << col;
    }
    EXPECT_FALSE(s.cell(5, 50).reverse) << "the panes are not in standout";

    // 16 bytes a row, 28 rows: last_top = 2000 - 27 * 16 = 1568, and one
    // page down puts top at 448, which is 28% of it.
    s.key(Key::PageDown);
    s.key(Key::Tab);
    ASSERT_TRUE(s.wait_row_contains(0, "   28%  [A]"));
    ASSERT_TRUE(s.wait_idle());
    EXPECT_NE(s.row(29).find("offset: 0x1C0      (       448)"), std::string::npos) << s.row(29);
    EXPECT_TRUE(s.cell(0, 83).reverse);
}

TEST(Viewer, PaneLayoutFollowsTheWidth)
{
    struct Case {
        int cols, rows, bytes_per_row;
    };
    for (Case c : {Case{80, 24, 16}, Case{100, 30, 20}, Case{132, 10, 28}, Case{22, 5, 2}}) {
        SCOPED_TRACE(c.cols);
        TempDir dir;
        dir.write("f", all_bytes());
        Session s(opts(dir, {"f"}, c.cols, c.rows));
        ASSERT_TRUE(ready(s));
        int b = c.bytes_per_row;
        int text_col = c.cols - b - 1;
        // Row 1 of the view starts at offset b.
        char label[16];
        snprintf(label, sizeof label, "%08X:", b);
        EXPECT_EQ(s.row(2).substr(0, 9), label);
        EXPECT_EQ(s.row(2).substr(9, 4), "    ");
        // The hex pane starts at column 13, three columns a byte.
        char hex[8];
        snprintf(hex, sizeof hex, "%02X %02X", b, b + 1);
        EXPECT_EQ(s.row(2).substr(13, 5), hex);
        snprintf(hex, sizeof hex, "%02X", 2 * b - 1);
        EXPECT_EQ(s.row(2).substr(13 + 3 * (b - 1), 2), hex);
        // The character pane: bytes at text_col .. text_col + b - 1, then a spare column.
        EXPECT_EQ(s.cell(1, text_col).ch, U'.') << "byte 0";
        EXPECT_EQ(s.cell(1, c.cols - 1).ch, U' ');
        EXPECT_TRUE(is_pair(s.cell(1, c.cols - 1), color::white, color::blue));
        s.send("q");
        EXPECT_EQ(s.wait_exit(), 0);
    }
}

TEST(Viewer, EveryByteClassInTheCharacterPane)
{
    TempDir dir;
    dir.write("f", all_bytes());
    Session s(opts(dir, {"f"}));
    ASSERT_TRUE(ready(s));
    // Offset v is on screen row 1 + v / 16, column 63 + v % 16.
    for (int v = 0; v < 256; v++) {
        int row = 1 + v / 16, col = 63 + v % 16;
        char32_t want = (v >= 32 && v <= 126) ? static_cast<char32_t>(v) : U'.';
        if (v == 32)
            want = U' ';
        EXPECT_EQ(s.cell(row, col).ch, want) << "byte " << v;
        char hex[3];
        snprintf(hex, sizeof hex, "%02X", v);
        EXPECT_EQ(s.row(row).substr(13 + 3 * (v % 16), 2), hex) << "byte " << v;
    }
}

TEST(Viewer, ShortFileLeavesRowsBlankInThePaneColours)
{
    TempDir dir;
    dir.write("f", "0123456789");
    Session s(opts(dir, {"f"}, 80, 8));
    ASSERT_TRUE(ready(s));
    std::string row1 = "00000000:    30 31 32 33 34 35 36 37 38 39";
    row1.resize(63, ' ');
    EXPECT_EQ(s.row(1), row1 + "0123456789       ");
    for (int r = 2; r <= 6; r++) {
        char label[16];
        snprintf(label, sizeof label, "%08X:", 16 * (r - 1));
        EXPECT_EQ(s.row_trimmed(r), label);
    }
    for (int col : {9, 12, 13 + 30, 62, 63 + 10, 79}) {
        EXPECT_TRUE(is_pair(s.cell(1, col), color::white, color::blue)) << col << s.cell(1, col);
        EXPECT_TRUE(is_pair(s.cell(4, col), color::white, color::blue)) << col << s.cell(4, col);
    }
    EXPECT_NE(s.row(0).find("   0%"), std::string::npos);
}

TEST(Viewer, FileSizeAMultipleOfTheRowEndsWithAnEmptyRow)
{
    TempDir dir;
    dir.write("f", std::string(352, 'a'));
    Session s(opts(dir, {"f"}));
    ASSERT_TRUE(ready(s));
    s.key(Key::End);
    ASSERT_TRUE(s.wait_row(22, "00000160:"));
    ASSERT_TRUE(s.wait_idle());
    EXPECT_EQ(s.row(1).substr(0, 9), "00000010:") << "last_top is 16";
    EXPECT_NE(s.row(0).find(" 100%"), std::string::npos) << s.row(0);
    EXPECT_NE(s.row(23).find("0x15F"), std::string::npos);
    EXPECT_EQ(s.cursor(), (e2e::Pos{21, 13 + 3 * 15}));
}

TEST(Viewer, CursorMarkInColourAndMonochrome)
{
    TempDir dir;
    dir.write("f", "ABCDEFGH");
    {
        Session s(opts(dir, {"f"}));
        ASSERT_TRUE(ready(s));
        EXPECT_TRUE(is_pair(s.cell(1, 13), color::green, color::black));
        EXPECT_TRUE(is_pair(s.cell(1, 14), color::white, color::blue));
        EXPECT_TRUE(is_pair(s.cell(1, 63), color::green, color::black));
        EXPECT_EQ(s.cursor(), (e2e::Pos{1, 13}));
        s.key(Key::Right);  // low digit: only the second digit is marked
        ASSERT_TRUE(s.wait_cursor(1, 14));
        ASSERT_TRUE(s.wait_idle());
        EXPECT_TRUE(is_pair(s.cell(1, 13), color::white, color::blue));
        EXPECT_TRUE(is_pair(s.cell(1, 14), color::green, color::black));
        s.key(Key::Tab);
        ASSERT_TRUE(s.wait_text("[A]"));
        ASSERT_TRUE(s.wait_idle());
        EXPECT_EQ(s.cursor(), (e2e::Pos{1, 63}));
    }
    {
        Session s(opts(dir, {"-d", "f"}));
        ASSERT_TRUE(ready(s));
        EXPECT_TRUE(s.cell(0, 0).reverse && s.cell(0, 79).reverse);
        EXPECT_TRUE(s.cell(23, 0).reverse && s.cell(23, 79).reverse);
        EXPECT_TRUE(s.cell(1, 13).reverse && s.cell(1, 14).reverse);
        EXPECT_FALSE(s.cell(1, 15).reverse);
        EXPECT_TRUE(s.cell(1, 63).blink);
        EXPECT_FALSE(s.cell(1, 64).blink);
        EXPECT_EQ(s.cell(1, 20).fg, color::term_default);
        s.key(Key::Right, 2);  // both digits stand out whatever the nibble
        ASSERT_TRUE(s.wait_cursor(1, 16));
        ASSERT_TRUE(s.wait_idle());
        EXPECT_FALSE(s.cell(1, 13).reverse);
        EXPECT_TRUE(s.cell(1, 16).reverse && s.cell(1, 17).reverse);
        EXPECT_TRUE(s.cell(1, 64).blink);
    }
}

TEST(Viewer, TerminalWithoutColoursGetsTheMonochromeDisplay)
{
    TempDir dir;
    dir.write("f", "ABCDEFGH");
    e2e::Options o = opts(dir, {"f"});
    o.term = "vt100";
    Session s(o);
    ASSERT_TRUE(ready(s));
    EXPECT_TRUE(s.cell(0, 5).reverse);
    EXPECT_TRUE(s.cell(23, 5).reverse);
    EXPECT_TRUE(s.cell(1, 13).reverse && s.cell(1, 14).reverse);
    EXPECT_TRUE(s.cell(1, 63).blink);
    EXPECT_FALSE(s.cell(1, 20).reverse);
}

TEST(Viewer, SixtyFourBitOffsetsOnScreen)
{
    TempDir dir;
    dir.sparse("big", 5ull << 30);
    Session s(opts(dir, {"big"}));
    ASSERT_TRUE(ready(s));
    s.key(Key::End);
    ASSERT_TRUE(s.wait_row_contains(23, "offset: 0x13FFFFFFF (5368709119)"));
    ASSERT_TRUE(s.wait_idle());
    EXPECT_EQ(s.row(22).substr(0, 10), "140000000:") << "the row after the last byte";
    EXPECT_EQ(s.row(21).substr(0, 10), "13FFFFFF0:");
    EXPECT_EQ(s.row(1).substr(0, 10), "13FFFFEB0:");
    EXPECT_EQ(s.row(1)[12], ' ');
}

TEST(Viewer, QuitRestoresTheTerminalAndPrintsANewline)
{
    TempDir dir;
    auto path = dir.write("f", "hello");
    Session s(opts(dir, {"f"}));
    ASSERT_TRUE(ready(s));
    EXPECT_TRUE(s.altscreen());
    s.send("Q");
    EXPECT_EQ(s.wait_exit(), 0);
    EXPECT_FALSE(s.altscreen());
    EXPECT_EQ(e2e::read_file(path), "hello");
    EXPECT_EQ(s.err(), "");
}

TEST(Viewer, SignalsEndWithTheirNumberAndRestoreTheTerminal)
{
    for (int sig : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(sig);
        TempDir dir;
        auto path = dir.write("f", "precious bytes");
        Session s(opts(dir, {"f"}));
        ASSERT_TRUE(ready(s));
        s.key(Key::Down);
        s.signal(sig);
        EXPECT_EQ(s.wait_exit(), sig);
        EXPECT_FALSE(s.altscreen());
        EXPECT_EQ(s.err(), "\nvexa: received signal " + std::to_string(sig) + ", exiting.\n");
        EXPECT_EQ(e2e::read_file(path), "precious bytes");
    }
}

TEST(Viewer, StartUpFailures)
{
    TempDir dir;
    dir.write("empty", "");
    dir.mkdir("adir");
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string err;
        std::string out;
    };
    const Case cases[] = {
        {{}, 0, "", "vexa: missing file argument\r\n"},
        {{"missing"}, 1, "vexa: open: No such file or directory\n", ""},
        {{"adir"}, 1, "vexa: open: Is a directory\n", ""},
        {{"empty"}, 0, "vexa: file size of `empty' is 0\n", ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.args.empty() ? "(none)" : c.args[0]);
        Session s(opts(dir, c.args));
        EXPECT_EQ(s.wait_exit(), c.status);
        EXPECT_EQ(s.err(), c.err);
        if (!c.out.empty()) {
            EXPECT_NE(s.output().find(c.out), std::string::npos) << s.output();
        }
    }
}

TEST(Viewer, ProgramNameIsTheLastComponentOfArgv0)
{
    TempDir dir;
    e2e::Options o = opts(dir, {"missing"});
    o.argv0 = "/usr/local/bin/hexed";
    Session s(o);
    EXPECT_EQ(s.wait_exit(), 1);
    EXPECT_EQ(s.err(), "hexed: open: No such file or directory\n");
}

TEST(Viewer, TinyTerminalIsRefused)
{
    TempDir dir;
    auto path = dir.write("f", "abc");
    for (auto [cols, rows] : {std::pair{21, 10}, std::pair{80, 2}}) {
        SCOPED_TRACE(cols);
        Session s(opts(dir, {"f"}, cols, rows));
        EXPECT_EQ(s.wait_exit(), 1);
        EXPECT_EQ(s.err(), "vexa: terminal too small (need at least 22 columns and 3 lines)\n");
        EXPECT_FALSE(s.altscreen());
    }
    Session s(opts(dir, {"f"}, 22, 3));
    ASSERT_TRUE(ready(s));
    EXPECT_EQ(s.row_trimmed(1), "00000000:    61 62 ab");
    s.send("q");
    EXPECT_EQ(s.wait_exit(), 0);
    EXPECT_EQ(e2e::read_file(path), "abc");
}

}  // namespace
