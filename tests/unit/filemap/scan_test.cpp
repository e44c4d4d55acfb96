// The block scans agree with a plain byte-by-byte scan of the bytes the
// editor holds: file bytes under dirty windows, matches across block and
// window boundaries, matches at the very end, nothing read past the end.
#include "filemap/scan.h"
#include "filemap/filemap.h"
#include "core/editor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <string>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

namespace {

using bytes = std::vector<uint8_t>;

// A temporary file opened as the edited file, with a model of the bytes the
// editor should hold (file plus every set_byte_at).
class EditedFile {
public:
    explicit EditedFile(const bytes &content) : model(content)
    {
        char name[] = "/tmp/scan_test_XXXXXX";
        int fd = mkstemp(name);
        EXPECT_GE(fd, 0);
        path = name;
        EXPECT_EQ(write(fd, content.data(), content.size()), static_cast<ssize_t>(content.size()));
        editor.fd = fd;
        editor.prog_name = "scan_test";
        editor.window_size = 2 * sysconf(_SC_PAGESIZE);
        editor.file_size = static_cast<int64_t>(content.size());
        editor.windows.clear();
        editor.last_window = 0;
        editor.cursor = 0;
        editor.modified = 0;
    }
    ~EditedFile()
    {
        for (const map_window &w : editor.windows)
            munmap(w.data, w.length);
        editor.windows.clear();
        close(editor.fd);
        unlink(path.c_str());
        scan_set_block_size(default_block);
    }
    void set(int64_t at, uint8_t value)
    {
        set_byte_at(at, value);
        model[at] = value;
    }
    void set(int64_t at, const bytes &values)
    {
        for (size_t i = 0; i < values.size(); i++)
            set(at + static_cast<int64_t>(i), values[i]);
    }
    int64_t reference(int64_t from, const bytes &pat) const
    {
        int64_t n = static_cast<int64_t>(pat.size());
        for (int64_t p = from; p + n <= static_cast<int64_t>(model.size()); p++)
            if (std::equal(pat.begin(), pat.end(), model.begin() + p))
                return p;
        return -1;
    }
    std::string on_disk() const
    {
        std::string s(model.size(), '\0');
        EXPECT_EQ(pread(editor.fd, s.data(), s.size(), 0), static_cast<ssize_t>(s.size()));
        return s;
    }

    bytes model;
    std::string path;
    static inline const size_t default_block = scan_block_size();
};

bytes random_bytes(std::mt19937_64 &rng, size_t size, int alphabet, int base = 0)
{
    bytes b(size);
    for (auto &x : b)
        x = static_cast<uint8_t>(base + rng() % alphabet);
    return b;
}

int64_t scan(int64_t from, const bytes &pat)
{
    return scan_string(from, pat.data(), pat.size());
}

// A random offset, often close to one of the boundaries a scan must cross.
int64_t pick_offset(std::mt19937_64 &rng, int64_t size, int64_t block)
{
    int64_t window = editor.window_size;
    int64_t p;
    switch (rng() % 4) {
    case 0: p = static_cast<int64_t>(rng() % size) / block * block; break;
    case 1: p = static_cast<int64_t>(rng() % size) / window * window; break;
    case 2: p = size; break;
    default: return static_cast<int64_t>(rng() % size);
    }
    p += static_cast<int64_t>(rng() % 41) - 20;
    return std::clamp<int64_t>(p, 0, size - 1);
}

TEST(ScanTest, AgreesWithByteByByteScanOnRandomFiles)
{
    std::mt19937_64 rng(20240611);
    const size_t sizes[] = {1, 2, 19, 8191, 8192, 8193, 70000, 300000};
    const size_t blocks[] = {1, 3, 7, 64, 4096, 8192, 10000, 1 << 20};
    for (int trial = 0; trial < 48; trial++) {
        size_t block = blocks[rng() % std::size(blocks)];
        // One pread per byte is slow: tiny blocks get the smaller files.
        size_t size = sizes[rng() % (block < 64 ? 6 : std::size(sizes))];
        int alphabet = (trial % 3 == 0) ? 256 : 2 + static_cast<int>(rng() % 3);
        EditedFile f(random_bytes(rng, size, alphabet));
        scan_set_block_size(block);
        SCOPED_TRACE("size " + std::to_string(size) + " alphabet " + std::to_string(alphabet) +
                     " block " + std::to_string(block));

        // Changed bytes in a few places, some in runs that cross windows.
        int edits = static_cast<int>(rng() % 6);
        for (int e = 0; e < edits; e++) {
            int64_t at = pick_offset(rng, static_cast<int64_t>(size), static_cast<int64_t>(block));
            int64_t run = std::min<int64_t>(1 + rng() % 40, static_cast<int64_t>(size) - at);
            f.set(at, random_bytes(rng, static_cast<size_t>(run), 256));
        }

        for (int q = 0; q < 100; q++) {
            size_t n = 1 + rng() % 20;
            bytes pat;
            if (rng() % 4 == 0 || n > size) {
                pat = random_bytes(rng, n, alphabet);
            } else {
                // Taken from the file, often across a boundary or at the end.
                int64_t at = pick_offset(rng, static_cast<int64_t>(size), static_cast<int64_t>(block));
                at = std::min<int64_t>(at, static_cast<int64_t>(size - n));
                pat.assign(f.model.begin() + at, f.model.begin() + at + static_cast<int64_t>(n));
            }
            int64_t from = pick_offset(rng, static_cast<int64_t>(size), static_cast<int64_t>(block));
            ASSERT_EQ(scan(from, pat), f.reference(from, pat)) << "from " << from << " n " << n;
            if (n == 1) {
                ASSERT_EQ(scan_byte(from, pat[0]), f.reference(from, pat)) << "from " << from;
            }
        }
    }
}

// A pattern unlike anything else in the file, planted so that it starts
// every possible number of bytes before a block or window boundary.
TEST(ScanTest, FindsMatchesAcrossEveryBoundary)
{
    std::mt19937_64 rng(7);
    const int64_t window = 2 * sysconf(_SC_PAGESIZE);
    const bytes pat = random_bytes(rng, 9, 128, 128);
    struct Case {
        size_t block;
        int64_t boundary;
        bool planted_with_edits;
    };
    const Case cases[] = {
        {5, 5 * 41, false},    {5, 5 * 41, true},     {4096, 4096, false},
        {4096, 4096, true},    {1 << 20, window, true}, {1 << 20, 3 * window, true},
        {8192, window, false}, {3000, 2 * window, true},
    };
    for (const Case &c : cases) {
        for (int64_t split = 1; split < static_cast<int64_t>(pat.size()); split++) {
            bytes content = random_bytes(rng, 4 * window, 128);
            int64_t at = c.boundary - split;
            if (!c.planted_with_edits)
                std::copy(pat.begin(), pat.end(), content.begin() + at);
            EditedFile f(content);
            scan_set_block_size(c.block);
            if (c.planted_with_edits)
                f.set(at, pat);
            SCOPED_TRACE("block " + std::to_string(c.block) + " boundary " + std::to_string(c.boundary) +
                         " split " + std::to_string(split));
            EXPECT_EQ(scan(0, pat), at);
            EXPECT_EQ(scan(at, pat), at);
            EXPECT_EQ(scan(at + 1, pat), -1);
            EXPECT_EQ(scan_byte(at - 7, pat[0]), at);
        }
    }
}

TEST(ScanTest, DirtyBytesWinOverTheFile)
{
    bytes content(5 * 8192, 'a');
    EditedFile f(content);
    f.set(3 * 8192 + 100, 'b');
    EXPECT_EQ(scan_byte(0, 'b'), 3 * 8192 + 100);
    f.set(3 * 8192 + 100, 'a');  // changed back: still dirty, holds 'a'
    EXPECT_EQ(scan_byte(0, 'b'), -1);
    const bytes ab = {'a', 'b'};
    f.set(8192 - 1, 'b');
    EXPECT_EQ(scan(0, ab), 8192 - 2);
}

TEST(ScanTest, SeesBytesThatTheCacheWroteBackToMakeRoom)
{
    // More dirty windows than the budget holds: the oldest are written to
    // the file and dropped, and the scan must find their bytes there.
    std::mt19937_64 rng(3);
    const int64_t window = 2 * sysconf(_SC_PAGESIZE);
    const int64_t count = (MAP_BUDGET - 1) / window + 20;  // the budget holds fewer
    EditedFile f(random_bytes(rng, static_cast<size_t>(count * window), 200));
    for (int64_t i = 0; i < count; i++)
        f.set(i * window + window / 2, static_cast<uint8_t>(200 + i % 50));
    EXPECT_LE(static_cast<int64_t>(editor.windows.size()) * window, MAP_BUDGET);
    for (int64_t i = 0; i < count; i += 37) {
        uint8_t v = static_cast<uint8_t>(200 + i % 50);
        int64_t from = i * window;
        EXPECT_EQ(scan_byte(from, v), f.reference(from, {v})) << i;
    }
}

TEST(ScanTest, ReadsNothingPastTheEnd)
{
    // No zero byte in the file, while the last window maps zeros past the
    // end: finding 0 would mean the scan looked beyond the file.
    const int64_t window = 2 * sysconf(_SC_PAGESIZE);
    std::mt19937_64 rng(11);
    for (int64_t size : {int64_t{1}, int64_t{100}, window - 1, window + 1, 3 * window + 17}) {
        EditedFile f(random_bytes(rng, static_cast<size_t>(size), 255, 1));
        f.set(size - 1, 0x41);  // the last window is dirty
        for (size_t block : {size_t{1}, size_t{8}, size_t{1} << 20}) {
            scan_set_block_size(block);
            SCOPED_TRACE("size " + std::to_string(size) + " block " + std::to_string(block));
            EXPECT_EQ(scan_byte(0, 0), -1);
            EXPECT_EQ(scan(size - 1, {0x41, 0}), -1);
            EXPECT_EQ(scan(size - 1, {0x41}), size - 1);
            EXPECT_EQ(scan_byte(size, 0x41), -1);
            // Longer than what is left after the start: not found.
            bytes tail(f.model.end() - std::min<int64_t>(size, 3), f.model.end());
            int64_t tail_at = size - static_cast<int64_t>(tail.size());
            EXPECT_EQ(scan(tail_at, tail), tail_at);
            tail.push_back(0x41);
            EXPECT_EQ(scan(tail_at, tail), -1);
        }
    }
}

TEST(ScanTest, MapsNothingAndWritesNothing)
{
    std::mt19937_64 rng(5);
    EditedFile f(random_bytes(rng, 600000, 256));
    f.set(100, 1);
    f.set(500000, 2);
    byte_at(300000);
    std::vector<int64_t> before;
    for (const map_window &w : editor.windows)
        before.push_back(w.offset);
    std::string disk = f.on_disk();
    scan_byte(0, 0xEE);
    scan(0, {1, 2, 3, 4, 5, 6, 7, 8});
    std::vector<int64_t> after;
    for (const map_window &w : editor.windows)
        after.push_back(w.offset);
    EXPECT_EQ(after, before);
    EXPECT_EQ(f.on_disk(), disk);
}

TEST(ScanTest, ReadErrorStopsTheScanInsteadOfInventingBytes)
{
    EditedFile f(bytes(100000, 0x11));
    // A descriptor that cannot be read makes every pread fail; a scan for
    // the byte 0 must not take unread bytes for zeros.
    int readable = editor.fd;
    editor.fd = open(f.path.c_str(), O_WRONLY);
    ASSERT_GE(editor.fd, 0);
    EXPECT_EQ(scan_byte(0, 0), SCAN_READ_ERROR);
    EXPECT_EQ(errno, EBADF);
    EXPECT_EQ(scan(10, {0x11, 0x11}), SCAN_READ_ERROR);
    close(editor.fd);
    editor.fd = readable;
    EXPECT_EQ(scan_byte(0, 0), -1);
}

}  // namespace
