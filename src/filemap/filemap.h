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

// Index of the window holding offset, or -1; maps nothing and leaves
// last_window alone.
int filemap_find_window(int64_t offset);

// Bulk forms of byte_at and set_byte_at over the inclusive range start..end.
// They touch the cache exactly as the byte-by-byte calls in increasing
// offset order would (same windows mapped, evicted, written back and
// dirtied, same last_window), but work a window at a time.
void copy_bytes(int64_t start, int64_t end, uint8_t *dst);
void fill_bytes(int64_t start, int64_t end, uint8_t value);
void store_bytes(int64_t start, int64_t end, const uint8_t *src);

// errno of the latest forced write-back that failed, 0 when none did since
// the main loop last reported one.
extern int filemap_write_error;

// Writes n bytes at file offset at, retrying interrupted and partial writes.
// Returns 0, or -1 with errno set.
int write_fully(int fd, const uint8_t *p, int64_t n, int64_t at);

// fsync, retried when interrupted. Returns 0, or -1 with errno set.
int flush_fully(int fd);

// Largest window count the budget allows for the current window size.
int filemap_max_windows();
