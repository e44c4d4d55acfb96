// Start-up: the command line, the configuration, the file, the first window
// and the terminal, in that order; then the main loop.
#include "core/startup.h"
#include "core/editor.h"
#include "core/options/options.h"
#include "filemap/filemap.h"
#include "screen/screen.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <curses.h>

void main_loop();

namespace {

void set_prog_name(const char *argv0)
{
    const char *slash = strrchr(argv0, '/');
    editor.prog_name = slash ? slash + 1 : argv0;
}

int64_t window_size_for_page()
{
    long page = sysconf(_SC_PAGESIZE);
    if (page < 2)
        page = 4096;
    return 2 * static_cast<int64_t>(page);
}

void open_file(const char *path)
{
    const char *name = editor.prog_name.c_str();
    editor.fd = open(path, O_RDWR);
    if (editor.fd < 0) {
        fprintf(stderr, "%s: open: %s\n", name, strerror(errno));
        exit(1);
    }
    struct stat st;
    if (fstat(editor.fd, &st) < 0) {
        int err = errno;
        fprintf(stderr, "%s: fstat: %s\n", name, strerror(err));
        close(editor.fd);
        exit(1);
    }
    editor.file_path = path;
    editor.file_size = st.st_size;
    if (editor.file_size == 0) {
        close(editor.fd);
        fprintf(stderr, "%s: file size of `%s' is 0\n", name, path);
        exit(0);
    }
}

void setup_terminal()
{
    initscr();
    curses_active = true;
    keypad(stdscr, TRUE);
    noecho();
    cbreak();
    set_escdelay(50);
    if (COLS < MIN_COLS || LINES < MIN_LINES) {
        restore_terminal();
        fprintf(stderr, "%s: terminal too small (need at least %d columns and %d lines)\n",
                editor.prog_name.c_str(), MIN_COLS, MIN_LINES);
        exit(1);
    }
}

}  // namespace

int vexa_main(int argc, char **argv)
{
    set_prog_name(argv[0] ? argv[0] : "vexa");
    signals_install();
    int operand = options_apply(argc, argv);
    config_step();
    editor.window_size = window_size_for_page();
    open_file(argv[operand]);
    map_window_at(0);

    setup_terminal();
    init_colors();
    init_layout();
    redraw_view();
    highlight_cursor();
    main_loop();
    return 0;
}
