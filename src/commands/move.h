// Cursor movement, scrolling by one row, page moves, and the entry-mode switch.
#pragma once

void move_left();
void advance_cursor();
void move_up();
void move_down();
void page_up();
void page_down();
void move_home();
void move_end();
void row_start();
void row_end();
void toggle_mode();
