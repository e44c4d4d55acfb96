// The bottom line taken over for a moment: messages, and questions answered
// by a number, one key or a line of text. The main loop's next pass draws
// the status line over whatever is left here.
#include "screen/prompt.h"
#include "core/editor.h"
#include "core/startup.h"
#include "screen/number.h"
#include "screen/screen.h"

#include <cctype>
#include <cstring>
#include <unistd.h>

#include <curses.h>

char search_input[1024];

namespace {

const char STRING_QUESTION[] = "Enter string to search for: ";

// Writes text from column 1 of the bottom line, paints the whole line in
// the status look, and leaves the cursor right after the text. Line reads
// also echo their answer in standout on a monochrome screen.
void paint_bottom_line(const char *text, bool line_read)
{
    int line = LINES - 1;
    mvprintw(line, 1, "%s", text);
    wclrtoeol(stdscr);
    if (wmove(stdscr, line, 0) != ERR) {
        if (use_colors)
            wchgat(stdscr, -1, A_NORMAL, PAIR_STATUS, nullptr);
        else
            wchgat(stdscr, -1, A_STANDOUT, 0, nullptr);
    }
    if (line_read && !use_colors)
        wattr_on(stdscr, A_STANDOUT, nullptr);
    wmove(stdscr, line, static_cast<int>(strlen(text)) + 1);
    wrefresh(stdscr);
}

// Reads one echoed line of at most max characters into buffer. A failed
// read leaves an empty answer; a signal ends the process here.
int read_line(char *buffer, int max)
{
    echo();
    signal_check();  // one that came while the question was drawn
    int rc = wgetnstr(stdscr, buffer, max);
    noecho();
    signal_check();
    if (!use_colors)
        wattr_off(stdscr, A_STANDOUT, nullptr);
    if (rc == ERR)
        buffer[0] = '\0';
    return rc;
}

}  // namespace

void show_message(const char *text)
{
    paint_bottom_line(text, false);
}

void show_message_pause(const char *text)
{
    show_message(text);
    sleep(1);
    signal_check();
}

// A read that fails (without a signal) is refused like a faulty answer, so
// that a lost line never turns into the value 0.
int prompt_number(const char *question, int64_t *where)
{
    char answer[31];
    paint_bottom_line(question, true);
    if (read_line(answer, 30) == ERR)
        return -1;
    return parse_number(answer, where);
}

int prompt_key(const char *question)
{
    paint_bottom_line(question, false);
    signal_check();
    int key = wgetch(stdscr);
    signal_check();
    input_check(key);  // the save questions ask until they get an answer
    if (key >= 0 && key < 256)
        return tolower(key);
    return key;
}

void prompt_string()
{
    paint_bottom_line(STRING_QUESTION, true);
    read_line(search_input, sizeof search_input - 1);
}
