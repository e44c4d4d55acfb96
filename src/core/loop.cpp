// The main loop: status lines, one terminal update, one key, one command.
#include "core/startup.h"
#include "core/editor.h"
#include "commands/move.h"
#include "commands/edit.h"
#include "commands/search.h"
#include "filemap/filemap.h"
#include "filemap/save.h"
#include "pconfig/pconfig.h"
#include "screen/help.h"
#include "screen/screen.h"
#include "screen/prompt.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

#include <curses.h>

namespace {

void place_terminal_cursor()
{
    int col = static_cast<int>(editor.cursor % editor.bytes_per_row);
    if (editor.text_mode) {
        wmove(editor.text_win, editor.cursor_row, col);
        wnoutrefresh(editor.text_win);
    } else {
        wmove(editor.hex_win, editor.cursor_row, 3 * col + editor.nibble);
        wnoutrefresh(editor.hex_win);
    }
}

void send_frame()
{
    draw_status_lines(byte_at(editor.cursor));
    wnoutrefresh(stdscr);
    wnoutrefresh(editor.offset_win);
    wnoutrefresh(editor.hex_win);
    wnoutrefresh(editor.text_win);
    place_terminal_cursor();
    doupdate();
}

bool run_movement_key(int key)
{
    switch (key) {
    case KEY_LEFT: move_left(); return true;
    case KEY_RIGHT: advance_cursor(); return true;
    case KEY_UP: move_up(); return true;
    case KEY_DOWN: move_down(); return true;
    case KEY_PPAGE: page_up(); return true;
    case KEY_NPAGE: page_down(); return true;
    case KEY_HOME: move_home(); return true;
    case KEY_END: move_end(); return true;
    }
    return false;
}

// Letter and sign commands; only reached in hexadecimal mode, since in
// character mode every printable key is typed into the file.
bool run_command_key(int key)
{
    switch (key) {
    case '<': row_start(); return true;
    case '>': row_end(); return true;
    case 'h': show_help(); return true;
    case 'j': jump_command(); return true;
    case 'l': fill_range(); return true;
    case 'n': search_byte_command(); return true;
    case 'r': repeat_search(); return true;
    case 'w': search_string_command(); return true;
    case 'u': undo_last(); return true;
    case 's': save_command(); return true;
    case 'q': quit_question(); return true;
    }
    return false;
}

void dispatch(int key)
{
    if (key == '\t') {
        toggle_mode();
        return;
    }
    bool single = key >= 0 && key <= 255;
    if (editor.text_mode && single && isprint(key)) {
        enter_character(key);
        return;
    }
    if (run_movement_key(key))
        return;
    if (editor.text_mode)
        return;
    if (run_command_key(single ? tolower(key) : key))
        return;
    enter_hex_digit(key);
}

// A forced write-back of the window cache failed since the last pass: say so
// once; the window stays dirty in the cache.
void report_write_error()
{
    if (!filemap_write_error)
        return;
    char msg[256];
    snprintf(msg, sizeof msg, "Write-back failed: %s", strerror(filemap_write_error));
    filemap_write_error = 0;
    show_message_pause(msg);
}

// The terminal changed size. The layout stays as it was set up; the next
// update sends the whole screen again, so it is right once the terminal
// has its old size back.
void repaint_after_resize()
{
    clearok(curscr, TRUE);
    redraw_view();
    highlight_cursor();
}

// Waits for a key; a size change ends the wait with ERR, which dispatch
// ignores. One noted since the last repaint would otherwise wait for the
// next key.
int wait_key()
{
    signal_check();  // one that came while the frame went out
    signal_resize_interrupts(true);
    int key = signal_resize_pending() ? ERR : wgetch(stdscr);
    signal_resize_interrupts(false);
    signal_check();
    input_check(key);
    return key;
}

}  // namespace

void main_loop()
{
    for (;;) {
        signal_check();
        if (signal_take_resize())
            repaint_after_resize();
        report_write_error();
        send_frame();
        dispatch(wait_key());
    }
}

void quit_editor()
{
    scrollok(stdscr, FALSE);
    wrefresh(stdscr);
    delwin(editor.hex_win);
    delwin(editor.offset_win);
    delwin(editor.text_win);
    putchar('\n');
    close(editor.fd);
    pconfig_free();
    endwin();
    curses_active = false;
    exit(0);
}
