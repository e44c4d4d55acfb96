// Screen layout and colour pairs: the offset column, the hexadecimal pane
// and the character pane between the two status lines.
#include "screen/screen.h"
#include "core/editor.h"
#include "pconfig/pconfig.h"

#include <cstring>
#include <curses.h>

short color_number(const char *name)
{
    static const char *const names[] = {"black", "red", "green", "yellow",
                                        "blue", "magenta", "cyan", "white"};
    for (short i = 0; i < 8; i++)
        if (strcmp(name, names[i]) == 0)
            return i;
    return 0;
}

int layout_bytes_per_row(int cols)
{
    return ((cols - 14) / 4) & ~1;
}

int64_t layout_last_top(int64_t file_size, int bytes_per_row, int rows)
{
    int64_t m = file_size - file_size % bytes_per_row;
    int64_t last = m - static_cast<int64_t>(rows - 1) * bytes_per_row;
    return last > 0 ? last : 0;
}

namespace {

void define_pair(short pair, const char *fg_key, const char *bg_key)
{
    init_pair(pair, color_number(pconfig_get_string(fg_key)),
              color_number(pconfig_get_string(bg_key)));
}

}  // namespace

// A terminal without colours gets the monochrome display, as when
// start_color fails.
void init_colors()
{
    if (!use_colors)
        return;
    use_colors = 1;
    if (!has_colors() || start_color() == ERR) {
        use_colors = 0;
        return;
    }
    define_pair(PAIR_NORMAL, "fg_color", "bg_color");
    define_pair(PAIR_SELECTED, "fg_color_selected", "bg_color_selected");
    define_pair(PAIR_STATUS, "fg_color_status", "bg_color_status");
}

void init_layout()
{
    int bpr = layout_bytes_per_row(COLS);
    editor.bytes_per_row = bpr;
    editor.rows = LINES - 2;
    editor.offset_win = newwin(LINES - 2, 13, 1, 0);
    editor.hex_win = newwin(editor.rows, COLS - bpr - 14, 1, 13);
    editor.text_win = newwin(editor.rows, bpr + 1, 1, COLS - bpr - 1);
    scrollok(editor.offset_win, TRUE);
    scrollok(editor.hex_win, TRUE);
    scrollok(editor.text_win, TRUE);
    editor.last_top = layout_last_top(editor.file_size, bpr, editor.rows);
    if (use_colors) {
        wattrset(editor.offset_win, COLOR_PAIR(PAIR_NORMAL));
        wattrset(editor.hex_win, COLOR_PAIR(PAIR_NORMAL));
        wattrset(editor.text_win, COLOR_PAIR(PAIR_NORMAL));
        wattrset(stdscr, COLOR_PAIR(PAIR_STATUS));
    }
    editor.top = 0;
    editor.cursor_row = 0;
    editor.cursor = 0;
    editor.nibble = 0;
}
