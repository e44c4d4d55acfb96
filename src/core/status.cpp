// The two status lines: file, size, position and mode above; the cursor's
// offset and the value of its byte below.
#include "core/startup.h"
#include "core/editor.h"
#include "screen/screen.h"

#include <cinttypes>
#include <curses.h>

namespace {

int position_percent()
{
    int64_t divisor = editor.last_top ? editor.last_top : 1;
    return static_cast<int>(editor.top * 100 / divisor);
}

void paint_line(int line)
{
    if (use_colors)
        mvwchgat(stdscr, line, 0, -1, A_NORMAL, PAIR_STATUS, nullptr);
    else
        mvwchgat(stdscr, line, 0, -1, A_STANDOUT, 0, nullptr);
}

}  // namespace

void draw_status_lines(unsigned char b)
{
    mvprintw(0, 0, " File: %s%c  size = %" PRId64 " bytes  %3d%%  [%c]",
             editor.file_path.c_str(), editor.modified ? '*' : ' ', editor.file_size,
             position_percent(), editor.text_mode ? 'A' : 'H');
    mvprintw(0, COLS - 19, "Press 'h' for help");

    bool printable = b >= 32 && b <= 126;
    mvprintw(LINES - 1, 0,
             " offset: 0x%-8" PRIX64 " (%10" PRId64 ")  char: %c\t hex = 0x%-2X dec = %-3d oct = %-8o",
             static_cast<uint64_t>(editor.cursor), editor.cursor, printable ? b : '?', b, b, b);
    wclrtoeol(stdscr);

    paint_line(0);
    paint_line(LINES - 1);
}
