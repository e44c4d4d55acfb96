// The help screen: a temporary window with the list of keys, laid over the
// three panes until any key is pressed.
#include "screen/help.h"
#include "core/editor.h"
#include "core/startup.h"

#include <curses.h>

namespace {

struct help_row {
    const char *key;
    const char *what;
};

const help_row HELP_ROWS[] = {
    {"left (right)", "move to previous (next) byte"},
    {"up (down)", "move to previous (next) line"},
    {"<", "move to beginning of line"},
    {">", "move to end of line"},
    {"page up", "move 1 page up"},
    {"page down", "move 1 page down"},
    {"home", "move to beginning of file"},
    {"end", "move to end of file"},
    {"h", "display this help screen"},
    {"j", "jump to offset"},
    {"n (w)", "search for byte (string)"},
    {"r", "repeat last search"},
    {"l", "fill range with byte"},
    {"tab", "toggle between hex and ascii editing modes"},
    {"u", "undo"},
    {"s", "save file"},
    {"q", "quit"},
};

constexpr int FIRST_ROW_LINE = 3;
constexpr int CLOSING_LINE = 22;

void fill_help(WINDOW *win)
{
    mvwprintw(win, 1, COLS / 2 - 2, "Help");
    int line = FIRST_ROW_LINE;
    for (const help_row &row : HELP_ROWS)
        mvwprintw(win, line++, 1, "%-14s %s", row.key, row.what);
    mvwprintw(win, CLOSING_LINE, 1, "Press any key to exit this help screen.");
}

// Marks every line of a pane as spoiled so the next update sends it whole.
void spoil_pane(WINDOW *win)
{
    wredrawln(win, 0, getmaxy(win));
}

}  // namespace

void show_help()
{
    WINDOW *help_win = newwin(LINES - 2, COLS, 1, 0);
    werase(help_win);
    fill_help(help_win);
    wrefresh(help_win);
    signal_check();  // one that came while the help was drawn
    wgetch(stdscr);
    signal_check();
    delwin(help_win);
    spoil_pane(editor.offset_win);
    spoil_pane(editor.hex_win);
    spoil_pane(editor.text_win);
}
