// The one record of editing state, the three on/off settings, and the
// process-ending helpers every module shares: die and the safe allocators.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

typedef struct _win_st WINDOW;

struct map_window;
struct undo_entry;

struct editor_state {
    const char *config_path;   // -c argument or default path; start-up only
    std::string prog_name;     // argv[0] after its last '/'
    int fd;                    // edited file, read-write
    int64_t window_size;       // bytes in one mapped window
    std::string file_path;     // file operand as given
    int64_t file_size;         // size at open; never changes
    std::vector<map_window> windows;
    int64_t cursor;            // offset of the byte under the cursor
    int bytes_per_row;
    int rows;                  // view rows: LINES - 2
    WINDOW *offset_win;
    WINDOW *hex_win;
    WINDOW *text_win;
    int64_t top;               // offset at the start of view row 0
    int cursor_row;            // view row of the cursor
    uint8_t nibble;            // 0 high digit, 1 low digit
    int64_t last_top;          // top of the last page
    int text_mode;             // 0 hexadecimal entry, 1 character entry
    std::string last_search_string;
    bool have_search_string;
    int last_search_byte;
    uint8_t modified;
    int last_window;           // index of the window of the last read
    std::vector<undo_entry> undo;
};

extern editor_state editor;

// -1 unset, 0 off, anything else on.
extern int use_colors;
extern int make_backup_files;
extern int advance_after_edit;

// True once curses owns the terminal; the fatal paths restore it first.
extern bool curses_active;

[[noreturn]] void die(const char *fmt, ...) __attribute__((format(printf, 1, 2)));
void *safe_malloc(size_t size);
void *safe_realloc(void *block, size_t size);
char *safe_strdup(const char *text);

// Puts the terminal back in the state the user had (no-op before curses).
void restore_terminal();
