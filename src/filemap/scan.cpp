// Forward scans for a byte or a byte string over the bytes the editor holds.
// The file is read block by block with pread into one buffer that lives for
// the whole run, and the bytes of dirty windows are copied over what the
// file says, so a scan sees exactly what byte_at would return without
// mapping anything. Blocks end on multiples of the block size; a block also
// reads the n - 1 bytes after its end, so a match that starts in it and
// crosses into the next block (or into another window) is still found.
#include "filemap/scan.h"
#include "filemap/find.h"
#include "filemap/filemap.h"
#include "core/editor.h"
#include "core/startup.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace {

constexpr size_t DEFAULT_BLOCK = 256 * 1024;
constexpr size_t BUFFER_ALIGN = 4096;

size_t block_size = DEFAULT_BLOCK;
uint8_t *buffer = nullptr;
size_t buffer_size = 0;

// The buffer starts on a page boundary and every block is read from a file
// offset that is a multiple of the block size, so the kernel copies between
// equally aligned addresses. Into a buffer misaligned against the page
// cache the copy runs several times slower on some processors.
void reserve(size_t bytes)
{
    if (bytes <= buffer_size)
        return;
    free(buffer);
    void *p = nullptr;
    int err = posix_memalign(&p, BUFFER_ALIGN, bytes);
    if (err)
        die("malloc failed: %s", strerror(err));
    buffer = static_cast<uint8_t *>(p);
    buffer_size = bytes;
}

// Reads len file bytes from pos into the buffer. The end of the file
// before pos + len means it shrank on disk under us, which ends the
// process. A read error returns -1 with errno set: the scan stops rather
// than look at bytes it never read.
int read_file(int64_t pos, size_t len)
{
    size_t got = 0;
    while (got < len) {
        ssize_t r = pread(editor.fd, buffer + got, len - got, pos + static_cast<int64_t>(got));
        if (r < 0 && errno == EINTR) {
            signal_check();
            continue;
        }
        if (r == 0)
            file_changed_size();
        if (r < 0)
            return -1;
        got += static_cast<size_t>(r);
    }
    return 0;
}

// Lays the changed bytes of every dirty window over [pos, pos + len).
void overlay_dirty(int64_t pos, size_t len)
{
    int64_t end = pos + static_cast<int64_t>(len);
    for (const map_window &w : editor.windows) {
        if (!w.dirty)
            continue;
        int64_t from = std::max(pos, w.offset);
        int64_t to = std::min(end, w.offset + w.length);
        if (from < to)
            memcpy(buffer + (from - pos), w.data + (from - w.offset), static_cast<size_t>(to - from));
    }
}

int load(int64_t pos, size_t len)
{
    if (read_file(pos, len) < 0)
        return -1;
    overlay_dirty(pos, len);
    return 0;
}

}  // namespace

void scan_set_block_size(size_t bytes)
{
    block_size = bytes ? bytes : 1;
}

size_t scan_block_size()
{
    return block_size;
}

int64_t scan_string(int64_t from, const uint8_t *pat, size_t n)
{
    const int64_t size = editor.file_size;
    const int64_t block = static_cast<int64_t>(block_size);
    const int64_t tail = static_cast<int64_t>(n) - 1;
    if (n == 0 || from < 0)
        return -1;
    reserve(block_size + n - 1);
    // Candidate starts of one block: [pos, next), read from the block's
    // start (only the first block starts before pos) up to next + n - 1.
    for (int64_t pos = from; pos + tail < size;) {
        signal_check();
        int64_t first = pos - pos % block;
        int64_t next = first + block;
        int64_t end = std::min(next + tail, size);
        if (load(first, static_cast<size_t>(end - first)) < 0)
            return SCAN_READ_ERROR;
        const uint8_t *start = buffer + (pos - first);
        if (const uint8_t *hit = scan_find(start, static_cast<size_t>(end - pos), pat, n))
            return pos + (hit - start);
        pos = next;
    }
    return -1;
}

int64_t scan_byte(int64_t from, uint8_t value)
{
    return scan_string(from, &value, 1);
}
