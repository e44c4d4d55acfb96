// Cursor movement seen from outside: key sequences on small terminals, each
// checked through the bottom status line (cursor offset), the top line
// (position percentage and mode letter), the offset column and the
// terminal cursor.
#include "harness.h"

#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <optional>
#include <regex>
#include <string>
#include <vector>

namespace {

using e2e::Key;

// The terminal of every case: 80x8, so 16 bytes a row and 6 view rows.
constexpr int COLS = 80;
constexpr int LINES = 8;
constexpr int B = 16;
constexpr int R = LINES - 2;

// One key, pressed `count` times, or literal text typed as is.
struct Step {
    std::optional<Key> key;
    std::string text;
    int count = 1;
    Step(Key k, int n = 1) : key(k), count(n) {}
    Step(const char *t) : text(t) {}
};

struct State {
    int64_t cursor;
    int row;       // view row of the cursor
    int nibble;
    int64_t top;   // offset of view row 0
    char mode;     // 'H' or 'A'
    int percent;   // of the top status line
};

struct MoveCase {
    const char *name;
    int64_t size;
    std::vector<Step> steps;
    State expected;
};

void PrintTo(const MoveCase &c, std::ostream *os)
{
    *os << c.name;
}

char fixture_byte(int64_t offset)
{
    return static_cast<char>('A' + offset % 26);
}

std::string fixture_bytes(int64_t size)
{
    std::string bytes;
    for (int64_t i = 0; i < size; i++)
        bytes += fixture_byte(i);
    return bytes;
}

std::string bottom_line_prefix(int64_t cursor)
{
    char buf[64];
    snprintf(buf, sizeof buf, " offset: 0x%-8" PRIX64 " (%10" PRId64 ")", static_cast<uint64_t>(cursor), cursor);
    return buf;
}

// Where the terminal cursor rests for a state: on the digit being edited in
// the hexadecimal pane, or on the byte in the character pane.
e2e::Pos terminal_cursor(const State &s)
{
    int col = static_cast<int>(s.cursor % B);
    if (s.mode == 'H')
        return {1 + s.row, 13 + 3 * col + s.nibble};
    return {1 + s.row, COLS - B - 1 + col};
}

std::string describe(const State &s)
{
    char buf[160];
    snprintf(buf, sizeof buf, "cursor %" PRId64 ", row %d, nibble %d, top %" PRId64 ", mode %c, %d%%", s.cursor,
             s.row, s.nibble, s.top, s.mode, s.percent);
    return buf;
}

// The offset label of a view row and its first byte in the hexadecimal
// pane (blank past the end of the file), so rows scrolled in are checked.
std::string view_row_start(int64_t offset, int64_t size)
{
    char buf[32];
    if (offset < size)
        snprintf(buf, sizeof buf, "%08" PRIX64 ":    %02X", static_cast<uint64_t>(offset),
                 static_cast<unsigned>(fixture_byte(offset)));
    else
        snprintf(buf, sizeof buf, "%08" PRIX64 ":      ", static_cast<uint64_t>(offset));
    return buf;
}

bool shows_state(const e2e::Session &s, const State &want, int64_t size)
{
    static const std::regex top_line(R"(size = \d+ bytes +(\d+)%  \[([HA])\])");
    std::smatch m;
    std::string top = s.row(0);
    if (!std::regex_search(top, m, top_line))
        return false;
    if (std::stoi(m[1].str()) != want.percent || m[2].str()[0] != want.mode)
        return false;
    std::string prefix = bottom_line_prefix(want.cursor);
    if (s.row(LINES - 1).compare(0, prefix.size(), prefix) != 0)
        return false;
    for (int r = 0; r < R; r++)
        if (s.row(1 + r).compare(0, 15, view_row_start(want.top + r * B, size)) != 0)
            return false;
    return s.cursor() == terminal_cursor(want);
}

bool wait_state(e2e::Session &s, const State &want, int64_t size, e2e::Loc loc = e2e::Loc::current())
{
    return s.wait_until([&] { return shows_state(s, want, size); }, "screen showing " + describe(want), loc);
}

void press(e2e::Session &s, const std::vector<Step> &steps)
{
    for (const Step &step : steps) {
        if (step.key)
            s.key(*step.key, step.count);
        else
            s.send(step.text);
    }
}

class Movement : public ::testing::TestWithParam<MoveCase> {};

// After the keys, Tab twice: the first switch can only show once every
// earlier key was handled (so keys that must do nothing are really done),
// and it also puts the cursor in the other pane; the second one brings the
// expected mode back.
TEST_P(Movement, KeysLeadToState)
{
    const MoveCase &c = GetParam();
    e2e::TempDir dir;
    dir.write("f", fixture_bytes(c.size));
    e2e::Session s({.args = {"f"}, .cols = COLS, .rows = LINES, .cwd = dir.path()});
    ASSERT_TRUE(wait_state(s, {0, 0, 0, 0, 'H', 0}, c.size));

    press(s, c.steps);
    State flipped = c.expected;
    flipped.mode = c.expected.mode == 'H' ? 'A' : 'H';
    s.key(Key::Tab);
    ASSERT_TRUE(wait_state(s, flipped, c.size));
    s.key(Key::Tab);
    EXPECT_TRUE(wait_state(s, c.expected, c.size));
}

// File sizes and their last page on this terminal: 1 byte (top stays 0),
// 100 bytes (last top 16, last row holds 96..99), 96 bytes (a multiple of
// the row: last top 16, last page ends with an empty row), 1050 bytes
// (last top 960, ten pages of 96 bytes away from 0).
const MoveCase MOVE_CASES[] = {
    // A one-byte file: only the digit steps and Tab do anything.
    {"one_byte_left", 1, {Key::Left}, {0, 0, 0, 0, 'H', 0}},
    {"one_byte_right_to_low_digit", 1, {Key::Right}, {0, 0, 1, 0, 'H', 0}},
    {"one_byte_right_stops_on_low_digit", 1, {{Key::Right, 2}}, {0, 0, 1, 0, 'H', 0}},
    {"one_byte_left_back_to_high_digit", 1, {Key::Right, Key::Left}, {0, 0, 0, 0, 'H', 0}},
    {"one_byte_left_stops_on_high_digit", 1, {Key::Right, {Key::Left, 2}}, {0, 0, 0, 0, 'H', 0}},
    {"one_byte_other_keys_high",
     1,
     {Key::Down, Key::Up, Key::PageDown, Key::PageUp, Key::Home, Key::End, ">", "<"},
     {0, 0, 0, 0, 'H', 0}},
    {"one_byte_other_keys_low",
     1,
     {Key::Right, Key::Down, Key::Up, Key::PageDown, Key::PageUp, Key::Home, Key::End, ">", "<"},
     {0, 0, 1, 0, 'H', 0}},
    {"one_byte_character_mode",
     1,
     {Key::Right, Key::Tab, Key::Left, Key::Right, Key::Down, Key::Up, Key::PageDown, Key::PageUp, Key::Home,
      Key::End},
     {0, 0, 1, 0, 'A', 0}},

    // Both digits at both ends of the file.
    {"start_right_twice_next_byte", 100, {{Key::Right, 2}}, {1, 0, 0, 0, 'H', 0}},
    {"start_left_from_next_byte_low_digit", 100, {{Key::Right, 2}, Key::Left}, {0, 0, 1, 0, 'H', 0}},
    {"start_left_stops", 100, {Key::Right, {Key::Left, 3}}, {0, 0, 0, 0, 'H', 0}},
    {"end_high_digit", 100, {Key::End}, {99, 5, 0, 16, 'H', 100}},
    {"end_right_to_low_digit", 100, {Key::End, Key::Right}, {99, 5, 1, 16, 'H', 100}},
    {"end_right_stops", 100, {Key::End, {Key::Right, 2}}, {99, 5, 1, 16, 'H', 100}},
    {"end_left_to_previous_low_digit", 100, {Key::End, Key::Left}, {98, 5, 1, 16, 'H', 100}},
    {"character_mode_whole_bytes", 100, {Key::Tab, {Key::Right, 2}}, {2, 0, 0, 0, 'A', 0}},
    {"character_mode_left_whole_byte", 100, {Key::Tab, {Key::Right, 2}, Key::Left}, {1, 0, 0, 0, 'A', 0}},
    {"character_mode_end_right_stops", 100, {Key::End, Key::Tab, Key::Right}, {99, 5, 0, 16, 'A', 100}},
    {"character_mode_end_left", 100, {Key::End, Key::Tab, Key::Left}, {98, 5, 0, 16, 'A', 100}},
    {"character_mode_start_left_stops", 100, {Key::Tab, Key::Left}, {0, 0, 0, 0, 'A', 0}},

    // Scrolling at the bottom edge.
    {"down_to_bottom_row", 100, {{Key::Down, 5}}, {80, 5, 0, 0, 'H', 0}},
    {"down_scrolls_with_byte_below", 100, {{Key::Down, 6}}, {96, 5, 0, 16, 'H', 100}},
    {"down_scrolls_without_byte_below", 100, {{Key::Down, 5}, ">", Key::Down}, {95, 4, 0, 16, 'H', 100}},
    {"down_on_last_page_without_byte_below",
     100,
     {{Key::Down, 5}, ">", {Key::Down, 2}},
     {95, 4, 0, 16, 'H', 100}},
    {"down_on_last_page_with_byte_below",
     100,
     {{Key::Down, 6}, Key::Up, {Key::Right, 6}, Key::Down},
     {99, 5, 0, 16, 'H', 100}},
    {"down_on_last_page_bottom_row", 100, {{Key::Down, 7}}, {96, 5, 0, 16, 'H', 100}},
    {"right_scrolls_at_bottom_edge", 100, {{Key::Down, 5}, ">", {Key::Right, 2}}, {96, 5, 0, 16, 'H', 100}},
    {"right_low_digit_before_edge", 100, {{Key::Down, 5}, ">", Key::Right}, {95, 5, 1, 0, 'H', 0}},
    {"character_mode_right_scrolls", 100, {{Key::Down, 5}, ">", Key::Tab, Key::Right}, {96, 5, 0, 16, 'A', 100}},
    {"character_mode_down_scrolls", 100, {Key::Tab, {Key::Down, 6}}, {96, 5, 0, 16, 'A', 100}},

    // Scrolling at the top edge.
    {"up_at_start_does_nothing", 100, {Key::Up}, {0, 0, 0, 0, 'H', 0}},
    {"up_to_top_row_without_scrolling", 100, {{Key::Down, 6}, {Key::Up, 5}}, {16, 0, 0, 16, 'H', 100}},
    {"up_scrolls_back", 100, {{Key::Down, 6}, {Key::Up, 6}}, {0, 0, 0, 0, 'H', 0}},
    {"left_scrolls_back_to_low_digit", 100, {{Key::Down, 6}, {Key::Up, 5}, Key::Left}, {15, 0, 1, 0, 'H', 0}},
    {"left_from_low_digit_does_not_scroll",
     100,
     {{Key::Down, 6}, {Key::Up, 5}, Key::Right, Key::Left},
     {16, 0, 0, 16, 'H', 100}},
    {"character_mode_left_scrolls_back",
     100,
     {{Key::Down, 6}, {Key::Up, 5}, Key::Tab, Key::Left},
     {15, 0, 0, 0, 'A', 0}},
    {"character_mode_up_scrolls_back", 100, {Key::Tab, {Key::Down, 6}, {Key::Up, 6}}, {0, 0, 0, 0, 'A', 0}},

    // Row ends.
    {"row_end_keeps_digit", 100, {Key::Right, ">"}, {15, 0, 1, 0, 'H', 0}},
    {"row_start_keeps_digit", 100, {Key::Right, ">", "<"}, {0, 0, 1, 0, 'H', 0}},
    {"row_start_on_last_row", 100, {Key::End, "<"}, {96, 5, 0, 16, 'H', 100}},
    {"row_end_on_last_row_stops_at_last_byte", 100, {Key::End, "<", ">"}, {99, 5, 0, 16, 'H', 100}},
    {"row_end_on_last_byte_stays", 100, {Key::End, Key::Right, ">"}, {99, 5, 1, 16, 'H', 100}},
    {"end_with_last_page_shown", 100, {{Key::Down, 6}, Key::End}, {99, 5, 0, 16, 'H', 100}},

    // A file whose size is a multiple of the row.
    {"multiple_end_on_second_last_row", 96, {Key::End}, {95, 4, 0, 16, 'H', 100}},
    {"multiple_down_scrolls_empty_row_in", 96, {{Key::Down, 6}}, {80, 4, 0, 16, 'H', 100}},
    {"multiple_down_scrolls_only_once", 96, {{Key::Down, 7}}, {80, 4, 0, 16, 'H', 100}},
    {"multiple_right_stops_at_last_byte", 96, {Key::End, {Key::Right, 2}}, {95, 4, 1, 16, 'H', 100}},
    {"multiple_page_down", 96, {Key::PageDown}, {95, 4, 0, 16, 'H', 100}},
    {"multiple_page_up_to_start", 96, {Key::PageDown, Key::PageUp}, {0, 0, 0, 0, 'H', 0}},

    // Pages.
    {"page_down", 1050, {Key::PageDown}, {96, 0, 0, 96, 'H', 10}},
    {"page_down_keeps_row_and_digit",
     1050,
     {{Key::Down, 2}, {Key::Right, 3}, Key::PageDown},
     {129, 2, 1, 96, 'H', 10}},
    {"page_down_nine_pages", 1050, {{Key::PageDown, 9}}, {864, 0, 0, 864, 'H', 90}},
    {"page_down_onto_last_top_goes_to_last_byte", 1050, {{Key::PageDown, 10}}, {1049, 5, 0, 960, 'H', 100}},
    {"page_down_at_end_does_nothing", 1050, {{Key::PageDown, 11}}, {1049, 5, 0, 960, 'H', 100}},
    {"page_down_on_last_page", 1050, {Key::End, Key::Up, Key::PageDown}, {1049, 5, 0, 960, 'H', 100}},
    {"page_up", 1050, {{Key::PageDown, 3}, Key::Down, Key::PageUp}, {208, 1, 0, 192, 'H', 20}},
    {"page_up_exactly_to_start", 1050, {Key::Down, Key::Right, Key::PageDown, Key::PageUp}, {16, 1, 1, 0, 'H', 0}},
    {"page_up_short_of_a_page_goes_to_zero",
     1050,
     {{Key::Down, 6}, {Key::Right, 3}, Key::PageUp},
     {0, 0, 1, 0, 'H', 0}},
    {"page_up_on_first_page_goes_to_zero", 1050, {Key::Down, Key::PageUp}, {0, 0, 0, 0, 'H', 0}},

    // Home and End keep the digit.
    {"home_keeps_low_digit", 1050, {Key::Right, {Key::PageDown, 3}, Key::Home}, {0, 0, 1, 0, 'H', 0}},
    {"home_on_first_page", 1050, {Key::Down, Key::Right, Key::Home}, {0, 0, 1, 0, 'H', 0}},
    {"end_keeps_low_digit", 1050, {Key::Right, Key::End}, {1049, 5, 1, 960, 'H', 100}},
    {"end_then_home", 1050, {Key::End, Key::Home}, {0, 0, 0, 0, 'H', 0}},

    // Tab keeps the digit unless a step in character mode moved the cursor.
    {"tab_to_character_mode", 100, {Key::Right, Key::Tab}, {0, 0, 1, 0, 'A', 0}},
    {"tab_back_keeps_low_digit", 100, {Key::Right, Key::Tab, Key::Tab}, {0, 0, 1, 0, 'H', 0}},
    {"tab_down_in_character_mode_keeps_digit",
     100,
     {Key::Right, Key::Tab, Key::Down, Key::Tab},
     {16, 1, 1, 0, 'H', 0}},
    {"tab_right_in_character_mode_resets_digit",
     100,
     {Key::Right, Key::Tab, Key::Right, Key::Tab},
     {1, 0, 0, 0, 'H', 0}},
};

INSTANTIATE_TEST_SUITE_P(Keys, Movement, ::testing::ValuesIn(MOVE_CASES),
                         [](const ::testing::TestParamInfo<MoveCase> &info) { return std::string(info.param.name); });

}  // namespace
