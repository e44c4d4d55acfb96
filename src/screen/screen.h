// Screen layout, colour pairs, and drawing of rows and of the cursor mark.
#pragma once

#include <cstdint>

enum { PAIR_NORMAL = 1, PAIR_SELECTED = 2, PAIR_STATUS = 3 };

// Smallest terminal the layout works on.
constexpr int MIN_COLS = 22;
constexpr int MIN_LINES = 3;

short color_number(const char *name);
int layout_bytes_per_row(int cols);
int64_t layout_last_top(int64_t file_size, int bytes_per_row, int rows);

void init_colors();
void init_layout();
void draw_row(int row, int64_t offset);
void redraw_view();
void highlight_cursor();
void unhighlight_cursor();

// Prints a byte in both panes at its cells (the offset must be on screen).
void cell_update(int64_t offset, uint8_t value);
