// Drawing the file: one view row in all three panes, the whole view, and
// the cursor mark in both byte panes.
#include "screen/screen.h"
#include "core/editor.h"
#include "filemap/filemap.h"

#include <cinttypes>
#include <cstdio>
#include <string>
#include <curses.h>

namespace {

const char hex_digits[] = "0123456789ABCDEF";

char shown_char(uint8_t b)
{
    return b >= 32 && b <= 126 ? static_cast<char>(b) : '.';
}

// The offset label: eight digits below 4 GiB, all digits above, and never
// more than twelve columns so the pane's last column stays free. Offsets
// that need more than eleven digits (16 TiB and up) show their last ten
// behind a "~".
int format_offset(char *buf, int64_t offset)
{
    char digits[24];
    int n = snprintf(digits, sizeof digits, "%08" PRIX64, static_cast<uint64_t>(offset));
    if (n > 11)
        return snprintf(buf, 16, "~%s:", digits + n - 10);
    return snprintf(buf, 16, "%s:", digits);
}

void set_normal(WINDOW *w, int row, int col, int count)
{
    if (wmove(w, row, col) != ERR)
        wchgat(w, count, A_NORMAL, PAIR_NORMAL, nullptr);
}

}  // namespace

void draw_row(int row, int64_t offset)
{
    char label[16];
    int len = format_offset(label, offset);
    mvwaddstr(editor.offset_win, row, 0, label);
    set_normal(editor.offset_win, row, len, 13 - len);

    wmove(editor.hex_win, row, 0);
    wclrtoeol(editor.hex_win);
    wmove(editor.text_win, row, 0);
    wclrtoeol(editor.text_win);

    const int bpr = editor.bytes_per_row;
    static std::string hex, text;
    hex.resize(3 * static_cast<size_t>(bpr));
    text.resize(static_cast<size_t>(bpr));
    int n = 0;
    for (; n < bpr && offset + n < editor.file_size; n++) {
        uint8_t b = byte_at(offset + n);
        hex[3 * n] = hex_digits[b >> 4];
        hex[3 * n + 1] = hex_digits[b & 15];
        hex[3 * n + 2] = ' ';
        text[n] = shown_char(b);
    }
    // The blank after the last byte is left out: when the pane is exactly
    // 3 * bytes_per_row wide, writing its last column on the bottom row would
    // scroll the pane.
    if (n > 0) {
        mvwaddnstr(editor.hex_win, row, 0, hex.data(), 3 * n - 1);
        mvwaddnstr(editor.text_win, row, 0, text.data(), n);
    }
    set_normal(editor.hex_win, row, n, getmaxx(editor.hex_win) - n);
    for (int c = n; c <= bpr; c++)
        set_normal(editor.text_win, row, c, 1);
}

void redraw_view()
{
    for (int r = 0; r < editor.rows; r++)
        draw_row(r, editor.top + static_cast<int64_t>(r) * editor.bytes_per_row);
}

namespace {

void touch_panes()
{
    wtouchln(editor.hex_win, 0, getmaxy(editor.hex_win), 1);
    wtouchln(editor.text_win, 0, getmaxy(editor.text_win), 1);
}

int cursor_col()
{
    return static_cast<int>(editor.cursor % editor.bytes_per_row);
}

}  // namespace

void highlight_cursor()
{
    int c = cursor_col(), r = editor.cursor_row;
    if (use_colors) {
        mvwchgat(editor.hex_win, r, 3 * c + editor.nibble, 1, A_NORMAL, PAIR_SELECTED, nullptr);
        mvwchgat(editor.text_win, r, c, 1, A_NORMAL, PAIR_SELECTED, nullptr);
    } else {
        mvwchgat(editor.hex_win, r, 3 * c, 2, A_STANDOUT, 0, nullptr);
        mvwchgat(editor.text_win, r, c, 1, A_BLINK, 0, nullptr);
    }
    touch_panes();
}

void unhighlight_cursor()
{
    int c = cursor_col(), r = editor.cursor_row;
    short pair = static_cast<short>(use_colors);
    mvwchgat(editor.hex_win, r, 3 * c, 3, A_NORMAL, pair, nullptr);
    mvwchgat(editor.text_win, r, c, 3, A_NORMAL, pair, nullptr);
    touch_panes();
}

void cell_update(int64_t offset, uint8_t value)
{
    int row = static_cast<int>((offset - editor.top) / editor.bytes_per_row);
    int col = static_cast<int>(offset % editor.bytes_per_row);
    char hex[3] = {hex_digits[value >> 4], hex_digits[value & 15], 0};
    mvwaddnstr(editor.hex_win, row, 3 * col, hex, 2);
    mvwaddch(editor.text_win, row, col, static_cast<chtype>(static_cast<unsigned char>(shown_char(value))));
}
