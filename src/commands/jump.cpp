// The j command: moves the cursor to an offset given as a number and shows
// the page that holds it (the file is cut into pages from offset 0), or the
// last page for offsets beyond its top.
#include "commands/search.h"
#include "core/editor.h"
#include "screen/prompt.h"
#include "screen/screen.h"

void jump_command()
{
    int64_t v;
    if (prompt_number("Enter offset (e.g. 0x1a, 27, 033): ", &v) < 0 || v < 0) {
        show_message_pause("Invalid offset!");
        return;
    }
    if (v >= editor.file_size) {
        show_message_pause("Offset is beyond the end of file!");
        return;
    }
    const int64_t bpr = editor.bytes_per_row;
    const int64_t page = static_cast<int64_t>(editor.rows) * bpr;
    unhighlight_cursor();
    editor.cursor = v;
    editor.top = v > editor.last_top ? editor.last_top : v - v % page;
    redraw_view();
    editor.cursor_row = static_cast<int>((v - editor.top) / bpr);
    highlight_cursor();
}
