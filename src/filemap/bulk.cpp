// Reading and storing ranges of bytes a window at a time. Each function
// makes the same cache calls as byte_at or set_byte_at would for every
// offset in increasing order: within one window the byte-by-byte path finds
// the window again without mapping anything, so only the first byte of each
// window can change the cache, and that is where these functions call it.
// A range may span gigabytes, so a signal is looked for at every window.
#include "filemap/filemap.h"
#include "core/editor.h"
#include "core/startup.h"

#include <algorithm>
#include <cstring>

namespace {

// The window that set_byte_at would store the byte at offset in.
map_window &window_for_store(int64_t offset)
{
    int index = filemap_find_window(offset);
    if (index < 0)
        index = map_window_at(offset);
    return editor.windows[index];
}

// Bytes from offset up to the end of its window, but not past end.
int64_t span_in_window(const map_window &w, int64_t offset, int64_t end)
{
    return std::min(w.offset + w.length - 1, end) - offset + 1;
}

}  // namespace

void copy_bytes(int64_t start, int64_t end, uint8_t *dst)
{
    for (int64_t at = start; at <= end;) {
        signal_check();
        const map_window &w = editor.windows[window_index_for(at)];
        int64_t n = span_in_window(w, at, end);
        memcpy(dst, w.data + (at - w.offset), static_cast<size_t>(n));
        dst += n;
        at += n;
    }
}

namespace {

// Runs put(window, position in the window, bytes) over [start, end], one
// window at a time, marking each window dirty as set_byte_at would.
template <typename Put>
void store_spans(int64_t start, int64_t end, Put put)
{
    for (int64_t at = start; at <= end;) {
        signal_check();
        map_window &w = window_for_store(at);
        int64_t n = span_in_window(w, at, end);
        put(w.data + (at - w.offset), static_cast<size_t>(n));
        w.dirty = 1;
        editor.modified = 1;
        at += n;
    }
}

}  // namespace

void fill_bytes(int64_t start, int64_t end, uint8_t value)
{
    store_spans(start, end, [value](uint8_t *to, size_t n) { memset(to, value, n); });
}

void store_bytes(int64_t start, int64_t end, const uint8_t *src)
{
    store_spans(start, end, [&src](uint8_t *to, size_t n) {
        memcpy(to, src, n);
        src += n;
    });
}
