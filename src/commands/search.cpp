// Forward search for a byte value (n) or a byte string (w), and r, which
// repeats the last search that was started. The scans themselves run over
// large blocks in the filemap module; this file keeps the search state and
// places the cursor and the view on what was found. Nothing found is silent.
#include "commands/search.h"
#include "core/editor.h"
#include "filemap/scan.h"
#include "screen/prompt.h"
#include "screen/screen.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

enum { SEARCH_NONE = -1, SEARCH_BYTE = 0, SEARCH_STRING = 1 };

// What r repeats.
int search_kind = SEARCH_NONE;
// Offset of the last string match; a string search that starts there
// begins one byte further on.
int64_t last_match = -1;

int64_t page_bytes()
{
    return static_cast<int64_t>(editor.rows) * editor.bytes_per_row;
}

// The match's row becomes the top row of the view, except on the last page,
// where the view stops at last_top. Every row is drawn.
void place_view_on(int64_t p)
{
    const int64_t bpr = editor.bytes_per_row;
    int64_t row_start = p - p % bpr;
    editor.top = row_start < editor.last_top ? row_start : editor.last_top;
    editor.cursor_row = static_cast<int>((p - editor.top) / bpr);
    redraw_view();
}

// A search that could not read the file says so; nothing moves.
void report_read_error()
{
    char msg[160];
    snprintf(msg, sizeof msg, "Read error: %s", strerror(errno));
    show_message_pause(msg);
}

}  // namespace

// The byte under the cursor is never examined. A match inside the view only
// moves the cursor; one outside it moves the view too.
void search_byte(uint8_t value)
{
    unhighlight_cursor();
    int64_t p = scan_byte(editor.cursor + 1, value);
    if (p == SCAN_READ_ERROR) {
        highlight_cursor();
        report_read_error();
        return;
    }
    if (p >= 0) {
        editor.cursor = p;
        if (p >= editor.top && p < editor.top + page_bytes())
            editor.cursor_row = static_cast<int>((p - editor.top) / editor.bytes_per_row);
        else
            place_view_on(p);
    }
    highlight_cursor();
}

// A new search includes the byte under the cursor; a search from the last
// match starts one byte further, so r steps through overlapping matches.
void search_string(const char *pattern)
{
    size_t n = strlen(pattern);
    int64_t start = editor.cursor == last_match ? editor.cursor + 1 : editor.cursor;
    if (n == 0 || start + static_cast<int64_t>(n) > editor.file_size)
        return;
    int64_t p = scan_string(start, reinterpret_cast<const uint8_t *>(pattern), n);
    if (p == SCAN_READ_ERROR)
        report_read_error();
    if (p < 0)
        return;
    unhighlight_cursor();
    editor.cursor = p;
    last_match = p;
    place_view_on(p);
    highlight_cursor();
}

void search_byte_command()
{
    int64_t v;
    if (prompt_number("Enter byte to search for: ", &v) < 0 || v < 0 || v > 255) {
        show_message_pause("Wrong byte value (must be in [0, 255]).");
        return;
    }
    search_kind = SEARCH_BYTE;
    editor.last_search_byte = static_cast<int>(v);
    search_byte(static_cast<uint8_t>(v));
}

void search_string_command()
{
    prompt_string();
    if (search_input[0] == '\0')
        return;
    editor.last_search_string = search_input;
    editor.have_search_string = true;
    search_kind = SEARCH_STRING;
    search_string(search_input);
}

void repeat_search()
{
    if (search_kind == SEARCH_STRING && editor.have_search_string)
        search_string(editor.last_search_string.c_str());
    else if (search_kind == SEARCH_BYTE)
        search_byte(static_cast<uint8_t>(editor.last_search_byte));
}
