// The window cache on real files: mapping, eviction order, forced
// write-back, and the bytes that reach the file.
#include "core/editor.h"
#include "filemap/filemap.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

class Cache : public ::testing::Test {
protected:
    std::string path;

    void open_file(const std::vector<uint8_t> &bytes, int64_t window_size = 8192)
    {
        char tmpl[] = "/tmp/vexa-cache-XXXXXX";
        int fd = mkstemp(tmpl);
        ASSERT_GE(fd, 0);
        path = tmpl;
        ASSERT_EQ(write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
        editor.fd = fd;
        editor.window_size = window_size;
        editor.file_size = static_cast<int64_t>(bytes.size());
        editor.cursor = 0;
        editor.modified = 0;
        editor.last_window = 0;
        editor.prog_name = "vexa";
        map_window_at(0);
    }

    std::vector<uint8_t> on_disk()
    {
        std::vector<uint8_t> out(static_cast<size_t>(editor.file_size));
        EXPECT_EQ(pread(editor.fd, out.data(), out.size(), 0), static_cast<ssize_t>(out.size()));
        return out;
    }

    void TearDown() override
    {
        for (auto &w : editor.windows)
            munmap(w.data, w.length);
        editor.windows.clear();
        close(editor.fd);
        unlink(path.c_str());
    }
};

std::vector<uint8_t> pattern(size_t n)
{
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; i++)
        v[i] = static_cast<uint8_t>(i * 7 + i / 8192);
    return v;
}

TEST_F(Cache, ShortFileHasOneWindowAndWritesBackOnlyItsBytes)
{
    open_file({1, 2, 3, 4, 5});
    ASSERT_EQ(editor.windows.size(), 1u);
    EXPECT_EQ(editor.windows[0].length, 8192);
    EXPECT_EQ(byte_at(4), 5);
    set_byte_at(4, 0xAA);
    EXPECT_TRUE(editor.windows[0].dirty);
    EXPECT_EQ(editor.modified, 1);
    EXPECT_EQ(on_disk()[4], 5) << "a change stays in its window until written";
    ASSERT_EQ(write_back(editor.windows[0]), 0);
    EXPECT_EQ(on_disk(), (std::vector<uint8_t>{1, 2, 3, 4, 0xAA}));
    struct stat st;
    fstat(editor.fd, &st);
    EXPECT_EQ(st.st_size, 5) << "the file never grows";
}

TEST_F(Cache, ReadsEveryByteAcrossWindows)
{
    auto bytes = pattern(3 * 8192 + 100);
    open_file(bytes);
    for (size_t i = 0; i < bytes.size(); i += 97)
        ASSERT_EQ(byte_at(static_cast<int64_t>(i)), bytes[i]) << i;
    EXPECT_EQ(editor.windows.size(), 4u);
    for (auto &w : editor.windows)
        EXPECT_EQ(w.offset % 8192, 0);
}

TEST_F(Cache, ThreeMiBMapsAtMost255WindowsAndEvictsFirstCleanOneAwayFromCursor)
{
    open_file(pattern(3 * 1024 * 1024));
    for (int64_t off = 0; off < 255 * 8192; off += 8192)
        byte_at(off);
    ASSERT_EQ(editor.windows.size(), 255u);
    EXPECT_LT(static_cast<int64_t>(editor.windows.size()) * editor.window_size, MAP_BUDGET);

    // Cursor in window 0: the next mapping removes window 1, the last entry
    // moves into slot 1, and the new window is appended at index 254.
    int64_t last_offset = editor.windows[254].offset;
    EXPECT_EQ(byte_at(255 * 8192), pattern(3 * 1024 * 1024)[255 * 8192]);
    ASSERT_EQ(editor.windows.size(), 255u);
    EXPECT_EQ(editor.windows[0].offset, 0);
    EXPECT_EQ(editor.windows[1].offset, last_offset);
    EXPECT_EQ(editor.windows[254].offset, 255 * 8192);
    EXPECT_EQ(editor.last_window, 254);
}

TEST_F(Cache, CursorWindowIsSparedByCleanEviction)
{
    open_file(pattern(3 * 1024 * 1024));
    for (int64_t off = 0; off < 255 * 8192; off += 8192)
        byte_at(off);
    editor.cursor = 5;  // in window 0
    set_byte_at(8192, 1);  // window 1 dirty
    byte_at(255 * 8192);
    EXPECT_EQ(editor.windows[0].offset, 0);
    EXPECT_EQ(editor.windows[1].offset, 8192);
    EXPECT_EQ(editor.windows[2].offset, 254 * 8192) << "window 2 was the first clean one";
}

TEST_F(Cache, ForcedWriteBackTakesIndexZeroWhenEveryOtherWindowIsDirty)
{
    auto bytes = pattern(3 * 1024 * 1024);
    open_file(bytes);
    for (int64_t off = 0; off < 255 * 8192; off += 8192)
        set_byte_at(off + 1, 0xEE);
    ASSERT_EQ(editor.windows.size(), 255u);
    EXPECT_EQ(on_disk()[1], bytes[1]);

    byte_at(255 * 8192);  // every window dirty: window 0 goes to the file
    auto disk = on_disk();
    EXPECT_EQ(disk[1], 0xEE);
    EXPECT_EQ(disk[8192 + 1], bytes[8192 + 1]) << "only window 0 was written";
    EXPECT_EQ(editor.windows.size(), 255u);
    EXPECT_EQ(editor.windows[0].offset, 254 * 8192);
    EXPECT_EQ(editor.modified, 1);

    // A window mapped later over the same range shows the written bytes.
    editor.cursor = 255 * 8192;
    EXPECT_EQ(byte_at(1), 0xEE);
}

TEST_F(Cache, OnlyCleanWindowHoldingCursorIsStillRemovedAtIndexZero)
{
    auto bytes = pattern(3 * 1024 * 1024);
    open_file(bytes);
    for (int64_t off = 8192; off < 255 * 8192; off += 8192)
        set_byte_at(off, 0x11);
    editor.cursor = 3;  // window 0 is clean but holds the cursor
    byte_at(255 * 8192);
    ASSERT_EQ(editor.windows.size(), 255u);
    EXPECT_EQ(editor.windows[0].offset, 254 * 8192);
    for (size_t i = 1; i < 254; i++)
        EXPECT_TRUE(editor.windows[i].dirty) << i;
    EXPECT_EQ(on_disk(), bytes) << "the dirty windows were not written";
}

TEST_F(Cache, LastWindowWriteBackIsClippedToTheFileSize)
{
    auto bytes = pattern(8192 + 300);
    open_file(bytes);
    set_byte_at(8192 + 299, 0x5A);
    int idx = window_index_for(8192 + 299);
    ASSERT_EQ(write_back(editor.windows[idx]), 0);
    auto disk = on_disk();
    EXPECT_EQ(disk.size(), bytes.size());
    EXPECT_EQ(disk.back(), 0x5A);
}

TEST_F(Cache, HugeWindowsKeepOneWindowAtATime)
{
    open_file(pattern(3 * 1024 * 1024), 1024 * 1024);
    EXPECT_EQ(filemap_max_windows(), 1);
    editor.cursor = 1024 * 1024;  // not in window 0
    byte_at(1024 * 1024);
    ASSERT_EQ(editor.windows.size(), 1u);
    EXPECT_EQ(editor.windows[0].offset, 1024 * 1024);
}

}  // namespace
