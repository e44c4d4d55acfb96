// The window cache: private mappings of window_size bytes, less than
// MAP_BUDGET in all. Changes stay in their window until they are saved or
// until the cache must make room and writes a window back on its own.
#include "filemap/filemap.h"
#include "core/editor.h"

#include <cerrno>
#include <sys/mman.h>
#include <unistd.h>

namespace {

bool holds(const map_window &w, int64_t offset)
{
    return w.offset <= offset && offset < w.offset + w.length;
}

void remove_window(int index)
{
    auto &wins = editor.windows;
    munmap(wins[index].data, wins[index].length);
    if (index != static_cast<int>(wins.size()) - 1)
        wins[index] = wins.back();
    wins.pop_back();
    if (editor.last_window >= static_cast<int>(wins.size()))
        editor.last_window = 0;
}

// Drops the first clean window that does not hold the cursor; failing that,
// writes window 0 back and drops it. A window whose write-back fails stays
// mapped and dirty, so the cache then holds one window more than its budget
// rather than lose changes.
void make_room()
{
    auto &wins = editor.windows;
    for (size_t i = 0; i < wins.size(); i++) {
        if (!wins[i].dirty && !holds(wins[i], editor.cursor)) {
            remove_window(static_cast<int>(i));
            return;
        }
    }
    if (write_back(wins[0]) == 0)
        remove_window(0);
    else
        filemap_write_error = errno;
}

}  // namespace

int filemap_write_error = 0;

int filemap_find_window(int64_t offset)
{
    auto &wins = editor.windows;
    for (size_t i = 0; i < wins.size(); i++) {
        if (holds(wins[i], offset))
            return static_cast<int>(i);
    }
    return -1;
}

int filemap_max_windows()
{
    int64_t n = (MAP_BUDGET - 1) / editor.window_size;
    return n < 1 ? 1 : static_cast<int>(n);
}

int map_window_at(int64_t offset)
{
    if (static_cast<int>(editor.windows.size()) + 1 > filemap_max_windows() && !editor.windows.empty())
        make_room();
    int64_t start = offset - offset % editor.window_size;
    void *p = mmap(nullptr, static_cast<size_t>(editor.window_size), PROT_READ | PROT_WRITE,
                   MAP_PRIVATE, editor.fd, start);
    if (p == MAP_FAILED)
        die("%s: mmap() failed", editor.prog_name.c_str());
    editor.windows.push_back({static_cast<uint8_t *>(p), start, editor.window_size, 0});
    return static_cast<int>(editor.windows.size()) - 1;
}

int window_index_for(int64_t offset)
{
    auto &wins = editor.windows;
    if (editor.last_window < static_cast<int>(wins.size()) && holds(wins[editor.last_window], offset))
        return editor.last_window;
    for (size_t i = 0; i < wins.size(); i++) {
        if (holds(wins[i], offset)) {
            editor.last_window = static_cast<int>(i);
            return editor.last_window;
        }
    }
    editor.last_window = map_window_at(offset);
    return editor.last_window;
}

uint8_t byte_at(int64_t offset)
{
    const map_window &w = editor.windows[window_index_for(offset)];
    return w.data[offset - w.offset];
}

void set_byte_at(int64_t offset, uint8_t value)
{
    auto &wins = editor.windows;
    int index = filemap_find_window(offset);
    if (index < 0)
        index = map_window_at(offset);
    map_window &w = wins[index];
    w.data[offset - w.offset] = value;
    w.dirty = 1;
    editor.modified = 1;
}

int write_back(const map_window &w)
{
    int64_t n = w.length;
    if (w.offset + w.length > editor.file_size)
        n = editor.file_size - w.offset;
    return write_fully(editor.fd, w.data, n, w.offset);
}
