// copy_bytes, fill_bytes and store_bytes leave the window cache exactly as
// byte_at and set_byte_at called byte by byte in increasing offset order:
// same windows in the same order, same dirty flags and last_window, same
// bytes held, and the same bytes written to the file by forced write-backs.
#include "edited_file.h"

#include <cstring>
#include <functional>

using namespace filemap_test;

namespace {

struct WindowState {
    int64_t offset;
    int32_t dirty;
    std::string bytes;  // the window's bytes up to the end of the file
    bool operator==(const WindowState &) const = default;
};

struct CacheState {
    std::vector<WindowState> windows;
    int last_window;
    uint8_t modified;
    std::string disk;
    std::string result;  // bytes copied out, for copy_bytes
};

CacheState snapshot(const EditedFile &f)
{
    CacheState s;
    for (const map_window &w : editor.windows) {
        int64_t n = std::min(w.length, editor.file_size - w.offset);
        s.windows.push_back({w.offset, w.dirty, std::string(reinterpret_cast<char *>(w.data), static_cast<size_t>(n))});
    }
    s.last_window = editor.last_window;
    s.modified = editor.modified;
    s.disk = f.on_disk();
    return s;
}

// A cache state to start from: some windows read, some changed, a cursor.
struct Setup {
    std::vector<int64_t> reads;
    std::vector<int64_t> stores;
    int64_t cursor;
};

enum class Op { Fill, Copy, Store };

struct Case {
    const char *name;
    int64_t window_size;
    int64_t file_size;
    Setup setup;
    Op op;
    int64_t start, end;  // inclusive
};

constexpr int64_t K = 1024;

const Case cases[] = {
    {"inside one window", 8 * K, 64 * K, {{0}, {}, 0}, Op::Fill, 100, 200},
    {"window edges", 8 * K, 64 * K, {{0}, {}, 0}, Op::Fill, 8 * K - 1, 24 * K},
    {"whole file, tail window", 8 * K, 40 * K + 77, {{0}, {}, 0}, Op::Fill, 0, 40 * K + 76},
    {"copy across windows", 8 * K, 64 * K, {{0, 40 * K}, {9 * K}, 0}, Op::Copy, 5, 50 * K},
    {"store across windows", 8 * K, 64 * K, {{0}, {3}, 0}, Op::Store, 7 * K, 33 * K + 5},
    // 64 KiB windows: 31 fit the budget, so these ranges force write-backs.
    {"fill past the budget", 64 * K, 3 * K * K + 5, {{0, 2 * K * K}, {70 * K}, 128 * K}, Op::Fill, 1000,
     3 * K * K + 4},
    {"fill past the budget, cursor late", 64 * K, 3 * K * K, {{0}, {}, 3 * K * K - 1}, Op::Fill, 0, 3 * K * K - 1},
    {"copy past the budget", 64 * K, 3 * K * K, {{K * K}, {200 * K, 5}, 0}, Op::Copy, 10, 3 * K * K - 10},
    {"store past the budget", 64 * K, 3 * K * K, {{0}, {64 * K}, 64 * K}, Op::Store, 33, 3 * K * K - 1},
};

void apply_setup(const Setup &s)
{
    for (int64_t at : s.reads)
        byte_at(at);
    for (int64_t at : s.stores)
        set_byte_at(at, 0x5A);
    editor.cursor = s.cursor;
    editor.modified = 0;
}

CacheState run(const Case &c, const std::string &content, bool bulk)
{
    EditedFile f(content, c.window_size);
    apply_setup(c.setup);
    size_t n = static_cast<size_t>(c.end - c.start + 1);
    std::string buf(n, '\0');
    auto *p = reinterpret_cast<uint8_t *>(buf.data());
    std::string src = random_bytes(n, 99);
    auto *q = reinterpret_cast<const uint8_t *>(src.data());
    switch (c.op) {
    case Op::Fill:
        if (bulk) {
            fill_bytes(c.start, c.end, 0xC3);
        } else {
            for (int64_t at = c.start; at <= c.end; at++)
                set_byte_at(at, 0xC3);
        }
        break;
    case Op::Copy:
        if (bulk) {
            copy_bytes(c.start, c.end, p);
        } else {
            for (int64_t at = c.start; at <= c.end; at++)
                p[at - c.start] = byte_at(at);
        }
        break;
    case Op::Store:
        if (bulk) {
            store_bytes(c.start, c.end, q);
        } else {
            for (int64_t at = c.start; at <= c.end; at++)
                set_byte_at(at, q[at - c.start]);
        }
        break;
    }
    CacheState s = snapshot(f);
    s.result = buf;
    return s;
}

TEST(Bulk, SameCacheEffectAsByteByByte)
{
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        std::string content = random_bytes(static_cast<size_t>(c.file_size), 7);
        CacheState byte = run(c, content, false);
        CacheState bulk = run(c, content, true);
        EXPECT_EQ(bulk.windows.size(), byte.windows.size());
        EXPECT_TRUE(bulk.windows == byte.windows);
        EXPECT_EQ(bulk.last_window, byte.last_window);
        EXPECT_EQ(bulk.modified, byte.modified);
        EXPECT_TRUE(bulk.disk == byte.disk);
        EXPECT_TRUE(bulk.result == byte.result);
        if (c.op == Op::Copy) {
            std::string held = content;
            for (int64_t at : c.setup.stores)
                held[static_cast<size_t>(at)] = 0x5A;
            EXPECT_TRUE(bulk.result == held.substr(static_cast<size_t>(c.start), bulk.result.size()));
        }
    }
}

// The large fill really did force windows out: the file changed on disk,
// and the file's size did not.
TEST(Bulk, LargeFillWritesBackBeforeAnySave)
{
    std::string content = random_bytes(3 * K * K, 8);
    EditedFile f(content, 64 * K);
    fill_bytes(0, 3 * K * K - 1, 0x00);
    std::string disk = f.on_disk();
    ASSERT_EQ(disk.size(), content.size());
    EXPECT_EQ(disk.substr(0, 64 * K), std::string(64 * K, '\0'));
    EXPECT_TRUE(disk.substr(disk.size() - 64 * K) == content.substr(content.size() - 64 * K));
    EXPECT_LE(editor.windows.size(), 31u);
    for (const map_window &w : editor.windows)
        EXPECT_TRUE(w.dirty);
}

}  // namespace
