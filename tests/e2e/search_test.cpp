// Jump, byte search, string search and repeat seen from outside, on an 80x6
// terminal: 16 bytes a row, 4 view rows, so a page is 64 bytes. The fixture
// has 310 bytes, so its last row starts at 304 and the last page at 256.
// The cursor offset is read from the bottom status line, the top of the
// view from the first row's offset label, and the cursor's view row from
// the terminal cursor.
#include "harness.h"

#include <gtest/gtest.h>

#include <cinttypes>
#include <csignal>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace {

using e2e::Key;

constexpr int COLS = 80;
constexpr int LINES = 6;
constexpr int B = 16;
constexpr int64_t SIZE = 310;

const char JUMP_Q[] = "Enter offset (e.g. 0x1a, 27, 033): ";
const char BYTE_Q[] = "Enter byte to search for: ";
const char STRING_Q[] = "Enter string to search for: ";
const char BEYOND[] = "Offset is beyond the end of file!";
const char INVALID[] = "Invalid offset!";
const char WRONG_BYTE[] = "Wrong byte value (must be in [0, 255]).";

// Filler 0x11 with these bytes planted:
//   0 'A', 5..7 'A' (a run), 20 0x00, 40 0xFF, 100 and 200 "hello",
//   120..123 "aaaa", 150 0x7E, 290 0x7F, 305 0x7D (on the last row),
//   307..309 "END" (the file's last bytes).
std::string fixture()
{
    std::string f(SIZE, '\x11');
    auto put = [&](int64_t at, std::string_view s) { f.replace(static_cast<size_t>(at), s.size(), s); };
    put(0, "A");
    put(5, "AAA");
    put(20, std::string(1, '\0'));
    put(40, "\xFF");
    put(100, "hello");
    put(120, "aaaa");
    put(150, "\x7E");
    put(200, "hello");
    put(290, "\x7F");
    put(305, "\x7D");
    put(307, "END");
    return f;
}

struct View {
    int64_t cursor;
    int64_t top;
    int row;
};

std::string describe(const View &v)
{
    char buf[96];
    snprintf(buf, sizeof buf, "cursor %" PRId64 ", top %" PRId64 ", row %d", v.cursor, v.top, v.row);
    return buf;
}

// Cursor, top and row as the screen shows them, in hexadecimal (H) or
// character (A) mode; the high digit is always the one being edited here.
bool shows(const e2e::Session &s, const View &v, char mode)
{
    char prefix[64];
    snprintf(prefix, sizeof prefix, " offset: 0x%-8" PRIX64 " (%10" PRId64 ")", static_cast<uint64_t>(v.cursor),
             v.cursor);
    if (s.row(LINES - 1).rfind(prefix, 0) != 0)
        return false;
    char label[16];
    snprintf(label, sizeof label, "%08" PRIX64 ":", static_cast<uint64_t>(v.top));
    if (s.row(1).rfind(label, 0) != 0)
        return false;
    if (s.row(0).find(mode == 'H' ? "[H]" : "[A]") == std::string::npos)
        return false;
    int col = static_cast<int>(v.cursor % B);
    e2e::Pos want = mode == 'H' ? e2e::Pos{1 + v.row, 13 + 3 * col} : e2e::Pos{1 + v.row, COLS - B - 1 + col};
    return s.cursor() == want;
}

bool wait_view(e2e::Session &s, const View &v, char mode = 'H', e2e::Loc loc = e2e::Loc::current())
{
    return s.wait_until([&] { return shows(s, v, mode); }, "screen showing " + describe(v) + " in mode " + mode,
                        loc);
}

const char *question_for(char key)
{
    switch (key) {
    case 'j': case 'J': return JUMP_Q;
    case 'n': case 'N': return BYTE_Q;
    default: return STRING_Q;
    }
}

// One command: a letter with its answer (and the message it must give), or
// a letter or key that asks nothing.
struct Step {
    char letter = 0;
    std::optional<std::string> answer;
    const char *message = nullptr;
    std::optional<Key> key;
};

Step ask(char letter, std::string answer)
{
    return {letter, std::move(answer), nullptr, {}};
}

Step refuse(char letter, std::string answer, const char *message)
{
    return {letter, std::move(answer), message, {}};
}

Step press(char letter)
{
    return {letter, {}, nullptr, {}};
}

Step press(Key key)
{
    return {0, {}, nullptr, key};
}

void run(e2e::Session &s, const Step &step)
{
    if (step.key) {
        s.key(*step.key);
        return;
    }
    s.send(std::string(1, step.letter));
    if (!step.answer)
        return;
    const char *q = question_for(step.letter);
    ASSERT_TRUE(s.wait_row_contains(LINES - 1, q));
    s.send(*step.answer + "\r");
    if (step.message) {
        ASSERT_TRUE(s.wait_row(LINES - 1, std::string(" ") + step.message));
        ASSERT_TRUE(s.wait_text_gone(step.message));
    } else {
        ASSERT_TRUE(s.wait_text_gone(q));
    }
}

struct SearchCase {
    const char *name;
    std::vector<Step> steps;
    View expected;
};

void PrintTo(const SearchCase &c, std::ostream *os)
{
    *os << c.name;
}

class Search : public ::testing::TestWithParam<SearchCase> {};

// After the steps, Tab twice: the switch shows only once every earlier key
// was handled, so steps that must change nothing are really done.
TEST_P(Search, StepsLeadToView)
{
    const SearchCase &c = GetParam();
    e2e::TempDir dir;
    std::string path = dir.write("f", fixture());
    e2e::Session s({.args = {"f"}, .cols = COLS, .rows = LINES, .cwd = dir.path()});
    ASSERT_TRUE(wait_view(s, {0, 0, 0}));
    for (const Step &step : c.steps) {
        run(s, step);
        if (::testing::Test::HasFatalFailure())
            return;
    }
    s.key(Key::Tab);
    ASSERT_TRUE(wait_view(s, c.expected, 'A'));
    s.key(Key::Tab);
    EXPECT_TRUE(wait_view(s, c.expected, 'H'));
    s.send("q");
    EXPECT_EQ(s.wait_exit(), 0);
    EXPECT_EQ(e2e::read_file(path), fixture());
}

const SearchCase SEARCH_CASES[] = {
    // j: the page that holds the offset, or the last page beyond last_top.
    {"jump_250_page_start_192", {ask('j', "250")}, {250, 192, 3}},
    {"jump_300_beyond_last_top", {ask('j', "300")}, {300, 256, 2}},
    {"jump_to_last_byte", {ask('j', "309")}, {309, 256, 3}},
    {"jump_hex", {ask('j', "0x81")}, {129, 128, 0}},
    {"jump_octal", {ask('j', "033")}, {27, 0, 1}},
    {"jump_visible_offset_keeps_page", {ask('j', "100"), ask('j', "70")}, {70, 64, 0}},
    {"jump_empty_answer_goes_to_zero", {ask('j', "100"), ask('j', "")}, {0, 0, 0}},
    {"jump_to_size_refused", {ask('j', "100"), refuse('j', "310", BEYOND)}, {100, 64, 2}},
    {"jump_far_beyond_refused", {ask('j', "100"), refuse('j', "0x7fffffffffffffff", BEYOND)}, {100, 64, 2}},
    {"jump_not_a_number", {ask('j', "100"), refuse('j', "12x", INVALID)}, {100, 64, 2}},
    {"jump_negative", {ask('j', "100"), refuse('j', "-1", INVALID)}, {100, 64, 2}},
    {"jump_too_big_for_64_bits", {ask('j', "100"), refuse('j', "99999999999999999999", INVALID)}, {100, 64, 2}},
    {"jump_upper_case", {ask('J', "250")}, {250, 192, 3}},

    // n and r: never the byte under the cursor; through a run; then stay.
    {"byte_skips_cursor", {ask('n', "0x41")}, {5, 0, 0}},
    {"byte_from_a_match", {ask('j', "5"), ask('n', "65")}, {6, 0, 0}},
    {"byte_repeat_through_run", {ask('n', "0x41"), press('r')}, {6, 0, 0}},
    {"byte_repeat_to_end_of_run", {ask('n', "0x41"), press('r'), press('r')}, {7, 0, 0}},
    {"byte_repeat_after_last_stays", {ask('n', "0x41"), press('r'), press('r'), press('r')}, {7, 0, 0}},
    {"byte_255", {ask('n', "255")}, {40, 0, 2}},
    {"byte_0xff", {ask('n', "0xff")}, {40, 0, 2}},
    {"byte_empty_answer_is_zero", {ask('n', "")}, {20, 0, 1}},
    {"byte_256_refused", {ask('j', "100"), refuse('n', "256", WRONG_BYTE)}, {100, 64, 2}},
    {"byte_0x100_refused", {ask('j', "100"), refuse('n', "0x100", WRONG_BYTE)}, {100, 64, 2}},
    {"byte_not_a_number_refused", {refuse('n', "x", WRONG_BYTE)}, {0, 0, 0}},
    {"byte_below_view_moves_view", {ask('n', "0x7e")}, {150, 144, 0}},
    {"byte_inside_view_keeps_view", {ask('j', "130"), ask('n', "0x7e")}, {150, 128, 1}},
    {"byte_on_last_page_top_at_last_top", {ask('n', "0x7f")}, {290, 256, 2}},
    {"byte_on_last_row_then_down_does_nothing", {ask('n', "0x7d"), press(Key::Down)}, {305, 256, 3}},
    {"byte_not_found_stays", {ask('j', "291"), ask('n', "0x7f")}, {291, 256, 2}},
    {"byte_from_last_byte_finds_nothing", {ask('j', "309"), ask('n', "0x44")}, {309, 256, 3}},
    {"byte_upper_case_keys", {ask('N', "0x41"), press('R')}, {6, 0, 0}},

    // r before any search, and after a refused n.
    {"repeat_before_any_search", {ask('j', "100"), press('r')}, {100, 64, 2}},
    {"repeat_after_refused_byte", {ask('n', "0x41"), refuse('n', "256", WRONG_BYTE), press('r')}, {6, 0, 0}},
    {"repeat_after_refused_byte_only", {refuse('n', "256", WRONG_BYTE), press('r')}, {0, 0, 0}},

    // w: a match at the cursor is found in place and its row goes to the top.
    {"string_at_cursor_in_place", {ask('j', "100"), ask('w', "hello")}, {100, 96, 0}},
    {"string_repeat_to_next", {ask('j', "100"), ask('w', "hello"), press('r')}, {200, 192, 0}},
    {"string_again_from_match_starts_further", {ask('w', "hello"), ask('w', "hello")}, {200, 192, 0}},
    {"string_after_last_stays", {ask('w', "hello"), press('r'), press('r')}, {200, 192, 0}},
    {"string_overlapping_first", {ask('j', "110"), ask('w', "aa")}, {120, 112, 0}},
    {"string_overlapping_second", {ask('j', "110"), ask('w', "aa"), press('r')}, {121, 112, 0}},
    {"string_overlapping_third", {ask('j', "110"), ask('w', "aa"), press('r'), press('r')}, {122, 112, 0}},
    {"string_overlapping_then_none",
     {ask('j', "110"), ask('w', "aa"), press('r'), press('r'), press('r')},
     {122, 112, 0}},
    {"string_ending_at_last_byte", {ask('w', "END")}, {307, 256, 3}},
    {"string_longer_than_rest", {ask('j', "200"), ask('w', "END!")}, {200, 192, 0}},
    {"string_starting_inside_rest_too_long", {ask('j', "308"), ask('w', "END")}, {308, 256, 3}},
    {"string_is_case_sensitive", {ask('w', "HELLO")}, {0, 0, 0}},
    {"string_empty_answer_does_nothing", {ask('n', "0x41"), ask('w', ""), press('r')}, {6, 0, 0}},
    {"string_then_byte_repeat_is_byte", {ask('w', "hello"), ask('n', "0x7e"), press('r')}, {150, 96, 3}},
    {"byte_then_string_repeat_is_string", {ask('n', "0x41"), ask('w', "hello"), press('r')}, {200, 192, 0}},
    {"string_upper_case_key", {ask('W', "aa")}, {120, 112, 0}},
};

INSTANTIATE_TEST_SUITE_P(Commands, Search, ::testing::ValuesIn(SEARCH_CASES),
                         [](const ::testing::TestParamInfo<SearchCase> &info) { return std::string(info.param.name); });

// Each question starts in column 1 of the bottom line and the answer is
// typed right after it.
TEST(SearchPrompts, QuestionsAndAnswerColumns)
{
    struct Case {
        char letter;
        const char *question;
        int answer_col;
    };
    const Case cases[] = {{'j', JUMP_Q, 36}, {'n', BYTE_Q, 27}, {'w', STRING_Q, 29}};
    e2e::TempDir dir;
    dir.write("f", fixture());
    for (const Case &c : cases) {
        SCOPED_TRACE(c.question);
        e2e::Session s({.args = {"f"}, .cols = COLS, .rows = LINES, .cwd = dir.path()});
        ASSERT_TRUE(wait_view(s, {0, 0, 0}));
        s.send(std::string(1, c.letter));
        ASSERT_TRUE(s.wait_row(LINES - 1, std::string(" ") + c.question));
        EXPECT_TRUE(s.wait_cursor(LINES - 1, c.answer_col));
        s.send("12");
        EXPECT_TRUE(s.wait_until([&] { return s.row(LINES - 1).substr(static_cast<size_t>(c.answer_col), 3) == "12 "; },
                                 "answer echoed after the question"));
        s.send("\r");
        EXPECT_TRUE(s.wait_text_gone(c.question));
        s.send("q");
        EXPECT_EQ(s.wait_exit(), 0);
    }
}

// A search through a huge file (sparse, so it costs no disk) is still
// running when the signal comes; the process ends with the terminal
// restored and the file untouched.
TEST(SearchSignals, SignalDuringLongSearch)
{
    for (int sig : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(sig);
        e2e::TempDir dir;
        std::string path = dir.sparse("huge", uint64_t{1} << 40);
        e2e::Session s({.args = {"huge"}, .cols = COLS, .rows = LINES, .cwd = dir.path()});
        ASSERT_TRUE(wait_view(s, {0, 0, 0}));
        s.send("n");
        ASSERT_TRUE(s.wait_row(LINES - 1, std::string(" ") + BYTE_Q));
        s.send("1");
        ASSERT_TRUE(s.wait_cursor(LINES - 1, 28));
        // The line input takes the Enter and leaves the cursor at column 0;
        // the question stays up while the search runs.
        s.send("\r");
        ASSERT_TRUE(s.wait_cursor(LINES - 1, 0));
        s.signal(sig);
        EXPECT_EQ(s.wait_exit(), sig);
        EXPECT_FALSE(s.altscreen());
        EXPECT_EQ(s.err(), "\nvexa: received signal " + std::to_string(sig) + ", exiting.\n");
    }
}

}  // namespace
