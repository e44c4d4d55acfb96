// Cursor movement: by digit, byte, row and page, to the ends of a row and
// of the file, with the panes scrolled by one row at the view's edges; and
// the switch between hexadecimal and character entry.
#include "commands/move.h"
#include "core/editor.h"
#include "screen/screen.h"

#include <curses.h>

namespace {

int64_t bpr()
{
    return editor.bytes_per_row;
}

int64_t page()
{
    return static_cast<int64_t>(editor.rows) * editor.bytes_per_row;
}

void scroll_panes(int n)
{
    wscrl(editor.offset_win, n);
    wscrl(editor.hex_win, n);
    wscrl(editor.text_win, n);
}

void scroll_forward()
{
    scroll_panes(1);
    editor.top += bpr();
    draw_row(editor.rows - 1, editor.top + (editor.rows - 1) * bpr());
}

void scroll_back()
{
    scroll_panes(-1);
    editor.top -= bpr();
    draw_row(0, editor.top);
}

}  // namespace

void row_start()
{
    int64_t col = editor.cursor % bpr();
    if (col == 0)
        return;
    unhighlight_cursor();
    editor.cursor -= col;
    highlight_cursor();
}

void row_end()
{
    if ((editor.cursor + 1) % bpr() == 0)
        return;
    unhighlight_cursor();
    int64_t last = editor.cursor - editor.cursor % bpr() + bpr() - 1;
    editor.cursor = last < editor.file_size - 1 ? last : editor.file_size - 1;
    highlight_cursor();
}

void move_up()
{
    if (editor.cursor_row == 0 && editor.top == 0)
        return;
    unhighlight_cursor();
    if (editor.cursor_row > 0)
        editor.cursor_row--;
    else
        scroll_back();
    editor.cursor -= bpr();
    highlight_cursor();
}

void move_down()
{
    if (editor.cursor + bpr() >= editor.file_size && editor.top == editor.last_top)
        return;
    unhighlight_cursor();
    if (editor.cursor_row < editor.rows - 1) {
        editor.cursor += bpr();
        editor.cursor_row++;
    } else {
        scroll_forward();
        if (editor.cursor + bpr() < editor.file_size)
            editor.cursor += bpr();
        else
            editor.cursor_row--;
    }
    highlight_cursor();
}

void move_left()
{
    if (editor.cursor == 0 && (editor.text_mode || editor.nibble == 0))
        return;
    unhighlight_cursor();
    if (!editor.text_mode && editor.nibble == 1) {
        editor.nibble = 0;
    } else {
        editor.nibble = editor.text_mode ? 0 : 1;
        if (editor.cursor % bpr() == 0) {
            if (editor.cursor_row > 0)
                editor.cursor_row--;
            else
                scroll_back();
        }
        editor.cursor--;
    }
    highlight_cursor();
}

void advance_cursor()
{
    if (editor.cursor == editor.file_size - 1 && (editor.text_mode || editor.nibble == 1))
        return;
    unhighlight_cursor();
    if (!editor.text_mode && editor.nibble == 0) {
        editor.nibble = 1;
    } else {
        editor.cursor++;
        editor.nibble = 0;
        if (editor.cursor % bpr() == 0) {
            if (editor.cursor_row == editor.rows - 1)
                scroll_forward();
            else
                editor.cursor_row++;
        }
    }
    highlight_cursor();
}

void move_home()
{
    if (editor.cursor == 0)
        return;
    unhighlight_cursor();
    if (editor.top != 0) {
        editor.top = 0;
        redraw_view();
    }
    editor.cursor = 0;
    editor.cursor_row = 0;
    highlight_cursor();
}

void move_end()
{
    if (editor.cursor == editor.file_size - 1)
        return;
    unhighlight_cursor();
    if (editor.top != editor.last_top) {
        editor.top = editor.last_top;
        redraw_view();
    }
    editor.cursor = editor.file_size - 1;
    editor.cursor_row = static_cast<int>((editor.cursor - editor.top) / bpr());
    highlight_cursor();
}

void page_down()
{
    if (editor.top == editor.last_top && editor.cursor == editor.file_size - 1)
        return;
    if (editor.top + page() < editor.last_top) {
        editor.top += page();
        editor.cursor += page();
    } else {
        editor.top = editor.last_top;
        editor.cursor = editor.file_size - 1;
        editor.cursor_row = static_cast<int>((editor.cursor - editor.top) / bpr());
    }
    redraw_view();
    highlight_cursor();
}

void page_up()
{
    if (editor.top == 0 && editor.cursor == 0)
        return;
    if (editor.top - page() >= 0) {
        editor.top -= page();
        editor.cursor -= page();
    } else {
        editor.top = 0;
        editor.cursor = 0;
        editor.cursor_row = 0;
    }
    redraw_view();
    highlight_cursor();
}

void toggle_mode()
{
    editor.text_mode = 1 - editor.text_mode;
}
