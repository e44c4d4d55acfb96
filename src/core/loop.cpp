// The main loop: status lines, one terminal update, one key, one command.
#include "core/startup.h"
#include "core/editor.h"
#include "commands/move.h"
#include "filemap/filemap.h"
#include "pconfig/pconfig.h"
#include "screen/help.h"
#include "screen/screen.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
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
    case 'q': quit_editor();
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
    if (editor.text_mode && single && isprint(key))
        return;
    if (run_movement_key(key))
        return;
    if (editor.text_mode)
        return;
    if (run_command_key(single ? tolower(key) : key))
        return;
}

}  // namespace

void main_loop()
{
    for (;;) {
        signal_check();
        send_frame();
        int key = wgetch(stdscr);
        signal_check();
        dispatch(key);
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
