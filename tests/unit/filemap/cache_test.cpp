// The window cache's eviction rules on real files with 8192-byte windows:
// the budget of 255 windows, clean eviction skipping the cursor's window,
// forced write-back of index 0 clipped to the file's end, and a failed
// forced write-back that keeps its window.
#include "edited_file.h"

#include <cerrno>

using namespace filemap_test;

namespace {

constexpr int64_t WS = 8192;
constexpr int64_t MIB = 1024 * 1024;

// Touches one byte in each of the first n windows, in offset order.
void read_windows(int n)
{
    for (int i = 0; i < n; i++)
        byte_at(i * WS);
}

void dirty_windows(int n, uint8_t value)
{
    for (int i = 0; i < n; i++)
        set_byte_at(i * WS + 1, value);
}

TEST(Cache, BudgetIs255WindowsOf8192Bytes)
{
    EditedFile f(std::string(3 * MIB, 'a'));
    EXPECT_EQ(filemap_max_windows(), 255);
    read_windows(255);
    EXPECT_EQ(editor.windows.size(), 255u);
    EXPECT_LT(static_cast<int64_t>(editor.windows.size()) * WS, MAP_BUDGET);
}

TEST(Cache, CleanEvictionSkipsCursorWindowAndMovesLastEntry)
{
    EditedFile f(std::string(3 * MIB, 'a'));
    read_windows(255);
    editor.cursor = 100;  // in the window at index 0
    EXPECT_EQ(byte_at(255 * WS), 'a');
    std::vector<int64_t> offs = window_offsets();
    ASSERT_EQ(offs.size(), 255u);
    EXPECT_EQ(offs[0], 0);
    EXPECT_EQ(offs[1], 254 * WS);  // the last entry took the freed slot
    EXPECT_EQ(offs[254], 255 * WS);
    EXPECT_EQ(filemap_find_window(WS), -1);
}

TEST(Cache, CleanEvictionTakesFirstCleanWindow)
{
    EditedFile f(std::string(3 * MIB, 'a'));
    read_windows(255);
    set_byte_at(1, 'x');
    set_byte_at(WS + 1, 'x');
    editor.cursor = 2 * WS;  // window 2 is clean but holds the cursor
    byte_at(255 * WS);
    EXPECT_EQ(filemap_find_window(3 * WS), -1);
    EXPECT_EQ(window_offsets()[3], 254 * WS);
    EXPECT_EQ(f.on_disk(), std::string(3 * MIB, 'a'));  // nothing written
}

TEST(Cache, ForcedWriteBackWritesIndexZeroOnly)
{
    std::string content = random_bytes(3 * MIB, 1);
    EditedFile f(content);
    dirty_windows(255, 0xEE);
    EXPECT_EQ(filemap_find_window(255 * WS), -1);
    byte_at(255 * WS);
    std::vector<int64_t> offs = window_offsets();
    ASSERT_EQ(offs.size(), 255u);
    EXPECT_EQ(offs[0], 254 * WS);
    EXPECT_EQ(offs[254], 255 * WS);
    std::string expect = content;
    expect[1] = static_cast<char>(0xEE);
    EXPECT_EQ(f.on_disk(), expect);
    EXPECT_EQ(editor.modified, 1);
}

// The window holding the file's end sits at index 0 and is forced out: only
// the bytes up to the end of the file are written.
TEST(Cache, ForcedWriteBackStopsAtEndOfFile)
{
    int64_t size = 300 * WS + 123;
    std::string content = random_bytes(static_cast<size_t>(size), 2);
    EditedFile f(content);
    editor.cursor = size - 1;
    set_byte_at(size - 1, 0x11);
    dirty_windows(254, 0x22);
    byte_at(254 * WS);
    EXPECT_EQ(filemap_find_window(size - 1), -1);
    std::string expect = content;
    expect[static_cast<size_t>(size - 1)] = 0x11;
    std::string disk = f.on_disk();
    EXPECT_EQ(disk.size(), static_cast<size_t>(size));
    EXPECT_EQ(disk, expect);
}

// A clean window at index 0 that holds the cursor is still the one forced
// out when every other window is dirty; its unchanged bytes are written.
TEST(Cache, ForcedWriteBackOfCleanCursorWindow)
{
    std::string content = random_bytes(3 * MIB, 3);
    EditedFile f(content);
    byte_at(0);
    for (int i = 1; i < 255; i++)
        set_byte_at(i * WS, 0x33);
    byte_at(255 * WS);
    EXPECT_EQ(filemap_find_window(0), -1);
    EXPECT_EQ(f.on_disk(), content);
}

TEST(Cache, ShortFileHasOneWindowAndWriteBackWritesFileSize)
{
    EditedFile f("0123456789");
    set_byte_at(9, 'X');
    ASSERT_EQ(editor.windows.size(), 1u);
    EXPECT_EQ(write_back(editor.windows[0]), 0);
    EXPECT_EQ(f.on_disk(), "012345678X");
}

TEST(Cache, FailedForcedWriteBackKeepsWindowAndRecordsError)
{
    std::string content(3 * MIB, 'a');
    EditedFile f(content);
    dirty_windows(255, 'b');
    int rw = editor.fd;
    editor.fd = open(f.path.c_str(), O_RDONLY);  // mmap works, pwrite fails
    byte_at(255 * WS);
    EXPECT_EQ(filemap_write_error, EBADF);
    EXPECT_EQ(editor.windows.size(), 256u);  // one over the budget
    EXPECT_EQ(window_offsets()[0], 0);
    EXPECT_TRUE(editor.windows[0].dirty);
    EXPECT_EQ(byte_at(1), 'b');
    EXPECT_EQ(f.on_disk(), content);
    close(editor.fd);
    editor.fd = rw;
    filemap_write_error = 0;
}

TEST(Cache, ReadsEveryByteAcrossWindows)
{
    std::string content = random_bytes(3 * WS + 100, 7);
    EditedFile f(content);
    for (size_t i = 0; i < content.size(); i += 97)
        ASSERT_EQ(byte_at(static_cast<int64_t>(i)), static_cast<uint8_t>(content[i])) << i;
    EXPECT_EQ(editor.windows.size(), 4u);
    for (const map_window &w : editor.windows)
        EXPECT_EQ(w.offset % WS, 0);
}

// Pages of 512 KiB make 1 MiB windows: the cache holds one at a time.
TEST(Cache, HugeWindowsKeepOneWindowAtATime)
{
    EditedFile f(random_bytes(3 * MIB, 8), MIB);
    EXPECT_EQ(filemap_max_windows(), 1);
    byte_at(0);
    editor.cursor = MIB;  // the first window no longer holds the cursor
    EXPECT_EQ(byte_at(MIB + 5), static_cast<uint8_t>(random_bytes(3 * MIB, 8)[MIB + 5]));
    ASSERT_EQ(editor.windows.size(), 1u);
    EXPECT_EQ(editor.windows[0].offset, MIB);
}

}  // namespace
