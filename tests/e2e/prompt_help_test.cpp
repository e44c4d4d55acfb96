// The help screen and the bottom-line questions seen from outside: the help
// text at its places on small and tall terminals, any key closing it
// without being obeyed, its colours; questions answered by one key, the
// length limits of line answers, numbers too large for 64 bits, and the
// echo in the status look.
#include "harness.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using e2e::Key;
namespace color = e2e::color;

constexpr int HEX_COL = 13;
constexpr int TEXT_COL = 63;

std::string letters(size_t n)
{
    std::string s(n, '\0');
    for (size_t i = 0; i < n; i++)
        s[i] = static_cast<char>('A' + i % 26);
    return s;
}

std::string offset_line(int64_t offset)
{
    char buf[64];
    snprintf(buf, sizeof buf, " offset: 0x%-8llX (%10lld)", static_cast<unsigned long long>(offset),
             static_cast<long long>(offset));
    return buf;
}

// The bottom status line shows the cursor at offset.
bool wait_offset(e2e::Session &s, int64_t offset, e2e::Loc loc = e2e::Loc::current())
{
    std::string want = offset_line(offset);
    return s.wait_until([&] { return s.row(s.rows() - 1).compare(0, want.size(), want) == 0; },
                        "bottom line \"" + want + "\"", loc);
}

// The mode letter of the top line.
bool wait_mode(e2e::Session &s, char mode, e2e::Loc loc = e2e::Loc::current())
{
    std::string want = std::string("[") + mode + "]";
    return s.wait_row_contains(0, want, loc);
}

e2e::Options options(int rows, std::vector<std::string> extra = {})
{
    e2e::Options o;
    o.args = std::move(extra);
    o.args.push_back("f");
    o.cols = 80;
    o.rows = rows;
    return o;
}

struct Editor {
    e2e::TempDir dir;
    e2e::Session s;
    Editor(int rows, std::string bytes = letters(100), std::vector<std::string> extra = {})
        : s(with_cwd(options(rows, std::move(extra)), dir, bytes))
    {
    }
    static e2e::Options with_cwd(e2e::Options o, const e2e::TempDir &dir, const std::string &bytes)
    {
        dir.write("f", bytes);
        o.cwd = dir.path();
        return o;
    }
};

const char *const HELP_ROWS[] = {
    " left (right)   move to previous (next) byte",
    " up (down)      move to previous (next) line",
    " <              move to beginning of line",
    " >              move to end of line",
    " page up        move 1 page up",
    " page down      move 1 page down",
    " home           move to beginning of file",
    " end            move to end of file",
    " h              display this help screen",
    " j              jump to offset",
    " n (w)          search for byte (string)",
    " r              repeat last search",
    " l              fill range with byte",
    " tab            toggle between hex and ascii editing modes",
    " u              undo",
    " s              save file",
    " q              quit",
};
const char CLOSING[] = " Press any key to exit this help screen.";

// What screen line `line` shows under the help: title on line 2, the key
// rows on lines 4 to 20, the closing line on line 23 when the window
// reaches it, everything else blank.
std::string help_line(int line)
{
    if (line == 2)
        return std::string(38, ' ') + "Help";
    if (line >= 4 && line <= 20)
        return HELP_ROWS[line - 4];
    if (line == 23)
        return CLOSING;
    return "";
}

bool help_shown(const e2e::Session &s)
{
    for (int line = 1; line <= s.rows() - 2; line++)
        if (s.row_trimmed(line) != help_line(line))
            return false;
    return true;
}

// Waits for the whole help, then names every line that differs.
void expect_help_screen(e2e::Session &s, e2e::Loc loc = e2e::Loc::current())
{
    if (s.wait_until([&] { return help_shown(s); }, "the help screen", loc))
        return;
    for (int line = 1; line <= s.rows() - 2; line++)
        EXPECT_EQ(s.row_trimmed(line), help_line(line)) << "screen line " << line;
}

// Colour pair 0: the terminal's white on black (or its default colours).
bool no_pair(const e2e::Cell &c)
{
    bool fg = c.fg == color::white || c.fg == color::term_default;
    bool bg = c.bg == color::black || c.bg == color::term_default;
    return fg && bg && !c.reverse;
}

bool status_pair(const e2e::Cell &c)
{
    return c.fg == color::black && c.bg == color::cyan;
}

bool pane_pair(const e2e::Cell &c)
{
    return c.fg == color::white && c.bg == color::blue;
}

bool cursor_pair(const e2e::Cell &c)
{
    return c.fg == color::green && c.bg == color::black;
}

// On 24 lines the closing line falls outside the window; the title and all
// key rows show without colours between the coloured status lines. A
// letter that is a command ("q") only closes the help.
TEST(Help, AtTwentyFourLines)
{
    Editor e(24);
    e2e::Session &s = e.s;
    ASSERT_TRUE(wait_offset(s, 0));
    s.send("h");
    expect_help_screen(s);
    EXPECT_EQ(s.screen().find("Press any key"), std::string::npos);
    EXPECT_EQ(s.row(23).compare(0, 20, offset_line(0).substr(0, 20)), 0) << "bottom status line stays";
    EXPECT_TRUE(s.row_trimmed(0).ends_with("Press 'h' for help"));
    for (auto [row, col] : {std::pair{2, 38}, {4, 1}, {4, 20}, {10, 70}, {21, 0}, {22, 79}})
        EXPECT_TRUE(no_pair(s.cell(row, col))) << row << "," << col << ": " << s.cell(row, col);
    for (auto [row, col] : {std::pair{0, 0}, {0, 79}, {23, 0}, {23, 79}})
        EXPECT_TRUE(status_pair(s.cell(row, col))) << row << "," << col << ": " << s.cell(row, col);

    s.send("q");
    ASSERT_TRUE(s.wait_text_gone("display this help screen"));
    // Still running and still in hexadecimal mode: Tab shows it.
    s.key(Key::Tab);
    ASSERT_TRUE(wait_mode(s, 'A'));
    EXPECT_TRUE(s.running());
    EXPECT_TRUE(s.wait_cursor(1, TEXT_COL));
}

// On 30 lines the closing line shows on screen line 23. An arrow key closes
// the help and does not move the cursor, which keeps its low digit; the
// panes come back whole in their colours with the cursor mark in place.
TEST(Help, AtThirtyLinesClosedByArrow)
{
    Editor e(30);
    e2e::Session &s = e.s;
    ASSERT_TRUE(wait_offset(s, 0));
    s.key(Key::Right);
    ASSERT_TRUE(s.wait_cursor(1, HEX_COL + 1));
    s.send("H");
    expect_help_screen(s);
    EXPECT_TRUE(no_pair(s.cell(23, 1)));

    s.key(Key::Down);
    ASSERT_TRUE(s.wait_text_gone("display this help screen"));
    // The help's key was not obeyed: a following Tab is the next command.
    s.key(Key::Tab);
    ASSERT_TRUE(wait_mode(s, 'A'));
    EXPECT_TRUE(wait_offset(s, 0));
    EXPECT_TRUE(s.wait_cursor(1, TEXT_COL));
    s.key(Key::Tab);
    ASSERT_TRUE(wait_mode(s, 'H'));
    EXPECT_TRUE(s.wait_cursor(1, HEX_COL + 1));

    EXPECT_EQ(s.row_trimmed(1).substr(0, 9 + 4 + 6), "00000000:    41 42 ");
    EXPECT_EQ(s.row_trimmed(7), "00000060:    53 54 55 56" + std::string(39, ' ') + "STUV");
    EXPECT_EQ(s.row_trimmed(28), "000001B0:");
    for (auto [row, col] : {std::pair{1, 0}, {1, 13}, {1, 16}, {1, 64}, {7, 30}, {28, 40}})
        EXPECT_TRUE(pane_pair(s.cell(row, col))) << row << "," << col << ": " << s.cell(row, col);
    // The mark sits on the low digit in the hexadecimal pane and on the byte
    // in the character pane.
    EXPECT_TRUE(cursor_pair(s.cell(1, HEX_COL + 1))) << s.cell(1, HEX_COL + 1);
    EXPECT_TRUE(cursor_pair(s.cell(1, TEXT_COL))) << s.cell(1, TEXT_COL);
}

// In character mode "h" is not the help key.
TEST(Help, NotInCharacterMode)
{
    Editor e(24);
    e2e::Session &s = e.s;
    ASSERT_TRUE(wait_offset(s, 0));
    s.key(Key::Tab);
    ASSERT_TRUE(wait_mode(s, 'A'));
    s.send("h");
    // Were the help open, it would take this Tab as its closing key.
    s.key(Key::Tab);
    ASSERT_TRUE(wait_mode(s, 'H'));
    EXPECT_EQ(s.output().find("display this help screen"), std::string::npos);
}

// A question answered by one key leaves the terminal cursor right after
// its question mark, on the bottom line in the status colours.
TEST(Prompts, KeyQuestionCursorAfterQuestion)
{
    Editor e(24);
    e2e::Session &s = e.s;
    ASSERT_TRUE(wait_offset(s, 0));
    s.send("0");  // a change, so that s asks
    ASSERT_TRUE(s.wait_row_contains(0, "f*"));
    s.send("s");
    const std::string question = "Are you sure you want to save (y/n)?";
    ASSERT_TRUE(s.wait_row(23, " " + question));
    EXPECT_TRUE(s.wait_cursor(23, 1 + static_cast<int>(question.size())));
    EXPECT_TRUE(status_pair(s.cell(23, 0)));
    EXPECT_TRUE(status_pair(s.cell(23, 79)));
    s.send("n");
    EXPECT_TRUE(wait_offset(s, 0));
}

// A number answer takes at most 30 characters; those 30 digits are far too
// large for 64 bits and the answer is refused.
TEST(Prompts, NumberAnswerHoldsThirtyCharacters)
{
    Editor e(24);
    e2e::Session &s = e.s;
    ASSERT_TRUE(wait_offset(s, 0));
    const std::string question = "Enter offset (e.g. 0x1a, 27, 033): ";
    s.send("j");
    ASSERT_TRUE(s.wait_row(23, " " + question));
    ASSERT_TRUE(s.wait_cursor(23, 36));
    s.send(std::string(40, '1'));
    EXPECT_TRUE(s.wait_cursor(23, 36 + 30));
    EXPECT_EQ(s.row_trimmed(23), " " + question + std::string(30, '1'));
    s.send("\r");
    EXPECT_TRUE(s.wait_text("Invalid offset!"));
    EXPECT_TRUE(wait_offset(s, 0));
}

// Answers whose value does not fit a signed 64-bit integer are refused;
// computed with wrap-around they would turn into small valid values (2^64
// + 1 into 1, 2^64 + 0x41 into 0x41).
TEST(Prompts, NumbersBeyondSixtyFourBitsAreRefused)
{
    struct Case {
        const char *command;
        const char *answer;
        const char *message;
    };
    const Case cases[] = {
        {"j", "18446744073709551617", "Invalid offset!"},
        {"j", "0x10000000000000001", "Invalid offset!"},
        {"j", "9223372036854775808", "Invalid offset!"},
        {"n", "0x10000000000000041", "Wrong byte value (must be in [0, 255])."},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.answer);
        Editor e(24);
        e2e::Session &s = e.s;
        ASSERT_TRUE(wait_offset(s, 0));
        s.send(c.command);
        ASSERT_TRUE(s.wait_row_contains(23, ": "));
        s.send(std::string(c.answer) + "\r");
        EXPECT_TRUE(s.wait_row(23, std::string(" ") + c.message));
        ASSERT_TRUE(s.wait_text_gone(c.message));
        EXPECT_TRUE(wait_offset(s, 0));
    }
}

// The string answer keeps at most 1023 characters: with 1023 "a" and a "b"
// typed, the search looks for the 1023 "a" alone and finds them at 200,
// not the full 1024 characters at 2000.
TEST(Prompts, StringAnswerHoldsAtMost1023Characters)
{
    std::string bytes(4000, '.');
    bytes.replace(200, 1023, std::string(1023, 'a'));
    bytes.replace(2000, 1024, std::string(1023, 'a') + "b");
    Editor e(24, bytes);
    e2e::Session &s = e.s;
    ASSERT_TRUE(wait_offset(s, 0));
    s.send("w");
    ASSERT_TRUE(s.wait_row(23, " Enter string to search for: "));
    ASSERT_TRUE(s.wait_cursor(23, 29));
    s.send(std::string(1023, 'a') + "b\r");
    EXPECT_TRUE(wait_offset(s, 200));
}

// Without colours the question and the echoed answer stand out; with
// colours they are in the status pair.
TEST(Prompts, EchoInStatusLook)
{
    for (bool mono : {true, false}) {
        SCOPED_TRACE(mono ? "monochrome" : "colour");
        Editor e(24, letters(100), mono ? std::vector<std::string>{"-d"} : std::vector<std::string>{});
        e2e::Session &s = e.s;
        ASSERT_TRUE(wait_offset(s, 0));
        s.send("j");
        ASSERT_TRUE(s.wait_cursor(23, 36));
        s.send("42");
        ASSERT_TRUE(s.wait_cursor(23, 38));
        for (int col : {1, 36, 37, 60}) {
            e2e::Cell c = s.cell(23, col);
            if (mono)
                EXPECT_TRUE(c.reverse) << col << ": " << c;
            else
                EXPECT_TRUE(status_pair(c)) << col << ": " << c;
        }
        s.send("\r");
        EXPECT_TRUE(wait_offset(s, 42));
    }
}

}  // namespace
