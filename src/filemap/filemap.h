// The window cache: every file byte is read and written through a few
// private mappings of fixed-size windows, less than MAP_BUDGET in all.
#pragma once

#include <cstdint>

struct map_window {
    uint8_t *data;   // window_size mapped bytes, private to the process
    int64_t offset;  // file offset of data[0]; a multiple of window_size
    int64_t length;  // always window_size, even past the end of the file
    int32_t dirty;   // 1 after a store, 0 once written to the file
};

constexpr int64_t MAP_BUDGET = 2 * 1024 * 1024;

// Maps a new window holding offset (no window may hold it yet), making room
// first when the budget requires it. Returns the new window's index.
int map_window_at(int64_t offset);

// Index of the window holding offset, mapping one when none does.
int window_index_for(int64_t offset);

uint8_t byte_at(int64_t offset);
void set_byte_at(int64_t offset, uint8_t value);

// Writes the window's bytes to the file at its offset, clipped to the file
// size. Returns 0, or -1 with errno set when a write failed.
int write_back(const map_window &w);

// Largest window count the budget allows for the current window size.
int filemap_max_windows();
