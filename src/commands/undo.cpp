// The u command: takes back the newest change on the undo stack, a single
// byte or a whole filled range, and repaints what of it is in view.
#include "commands/edit.h"
#include "core/editor.h"
#include "filemap/filemap.h"
#include "screen/screen.h"

#include <cstdlib>

namespace {

int64_t view_end()
{
    return editor.top + static_cast<int64_t>(editor.rows) * editor.bytes_per_row;
}

bool on_screen(int64_t offset)
{
    return offset >= editor.top && offset < view_end();
}

void move_cursor_to(int64_t offset)
{
    editor.cursor = offset;
    editor.cursor_row = static_cast<int>((offset - editor.top) / editor.bytes_per_row);
}

// Prints the restored bytes of start..end that are in view.
void repaint_range(const undo_entry &e)
{
    int64_t from = e.start > editor.top ? e.start : editor.top;
    int64_t to = e.end < view_end() - 1 ? e.end : view_end() - 1;
    for (int64_t at = from; at <= to; at++)
        cell_update(at, e.saved[at - e.start]);
}

void undo_byte(const undo_entry &e)
{
    set_byte_at(e.start, e.old_byte);
    if (!on_screen(e.start))
        return;
    unhighlight_cursor();
    move_cursor_to(e.start);
    cell_update(e.start, e.old_byte);
    highlight_cursor();
}

// A range whose start is in view also takes the cursor to its start; one
// that starts above the view only has its visible bytes repainted.
void undo_range(const undo_entry &e)
{
    store_bytes(e.start, e.end, e.saved);
    if (on_screen(e.start)) {
        unhighlight_cursor();
        repaint_range(e);
        move_cursor_to(e.start);
        highlight_cursor();
    } else if (e.start < editor.top && e.end >= editor.top) {
        unhighlight_cursor();
        repaint_range(e);
        highlight_cursor();
    }
}

}  // namespace

void undo_last()
{
    if (editor.undo.empty())
        return;
    undo_entry e = editor.undo.back();
    if (e.end == 0)
        undo_byte(e);
    else
        undo_range(e);
    free(e.saved);
    editor.undo.pop_back();
}
