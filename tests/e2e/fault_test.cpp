// System calls on the paths that write, made to fail by the preloaded fault
// library: the backup's open and write, the file's writes part way through
// a save, and the mapping of a window at start-up and later. Each shows its
// message, keeps or clears the "*" as the outcome demands, and leaves every
// window of the file on disk with either its old or its new bytes.
#include "editing.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace editing;

namespace {

constexpr int64_t WS = 8192;  // window size for 4096-byte pages
constexpr int WINDOWS = 4;

// One changed byte in each window: offset w * WS + w becomes 0x00.
std::string changed(const std::string &old)
{
    std::string s = old;
    for (int w = 0; w < WINDOWS; w++)
        s[static_cast<size_t>(w * WS + w)] = '\0';
    return s;
}

void change_every_window(e2e::Session &s)
{
    for (int w = 0; w < WINDOWS; w++) {
        int64_t at = w * WS + w;
        s.send("j");
        ASSERT_TRUE(s.wait_text("Enter offset"));
        s.send(std::to_string(at) + "\r");
        ASSERT_TRUE(s.wait_text(offset_field(at)));
        s.send("00");
        ASSERT_TRUE(s.wait_text(offset_field(at + 1)));
    }
}

// Which windows of the file on disk hold the new bytes; fails the test for
// a window that holds neither the old nor the new ones.
std::vector<bool> new_windows(const std::string &path, const std::string &old, const std::string &now)
{
    std::string disk = e2e::read_file(path);
    std::vector<bool> fresh;
    EXPECT_EQ(disk.size(), old.size());
    for (int w = 0; w < WINDOWS && disk.size() == old.size(); w++) {
        size_t at = static_cast<size_t>(w * WS);
        std::string part = disk.substr(at, WS);
        EXPECT_TRUE(part == old.substr(at, WS) || part == now.substr(at, WS)) << "window " << w;
        fresh.push_back(part == now.substr(at, WS));
    }
    return fresh;
}

struct SaveFault {
    const char *name;
    const char *fault;
    const char *message;
    bool saved;                // the save went through (no "*" afterwards)
    std::vector<bool> fresh;   // windows on disk with the new bytes
};

void PrintTo(const SaveFault &c, std::ostream *os)
{
    *os << c.name;
}

class FaultedSave : public ::testing::TestWithParam<SaveFault> {};

TEST_P(FaultedSave, MessageModifiedAndWholeWindows)
{
    const SaveFault &c = GetParam();
    e2e::TempDir dir;
    const std::string old = letters(WINDOWS * WS);
    const std::string now = changed(old);
    std::string path = dir.write("f.bin", old);
    e2e::Options o = options({path});
    o.env = fault_env(c.fault);
    e2e::Session s(o);
    ASSERT_TRUE(start(s));
    change_every_window(s);
    ASSERT_TRUE(wait_modified(s, path, true));
    save(s);
    ASSERT_TRUE(s.wait_text(c.message));
    ASSERT_TRUE(s.wait_text_gone(c.message));
    EXPECT_TRUE(wait_modified(s, path, !c.saved));
    EXPECT_EQ(new_windows(path, old, now), c.fresh);
    s.send("q");
    if (!c.saved) {
        ASSERT_TRUE(s.wait_text("File was modified. Save (y/n/c)?"));
        s.send("n");
    }
    EXPECT_EQ(s.wait_exit(), 0);
    EXPECT_FALSE(s.altscreen());
    EXPECT_EQ(new_windows(path, old, now), c.fresh);
}

// A backup that cannot be made is reported and the save goes on. Writes to
// the file that fail after the first two windows leave those two new and
// the others old, and the change is still held.
INSTANTIATE_TEST_SUITE_P(
    Fault, FaultedSave,
    ::testing::Values(
        SaveFault{"backup_open", "backup-open", "Backup not written: Permission denied", true,
                  {true, true, true, true}},
        SaveFault{"backup_write", "backup-write", "Backup not written: No space left on device", true,
                  {true, true, true, true}},
        SaveFault{"file_write_part_way", "pwrite:2", "Save failed: No space left on device", false,
                  {true, true, false, false}}),
    [](const auto &info) { return std::string(info.param.name); });

// A window that cannot be mapped ends the editor with status 1 and the
// message, before the terminal is set up at start-up, and with the
// terminal restored later on. Nothing reaches the file.
struct MapFault {
    const char *name;
    const char *fault;
    bool later;  // the first window maps; End needs another
};

TEST(Fault, FailedMappingEndsTheEditor)
{
    const MapFault cases[] = {
        {"at start-up", "mmap", false},
        {"later", "mmap:1", true},
    };
    for (const MapFault &c : cases) {
        SCOPED_TRACE(c.name);
        e2e::TempDir dir;
        const std::string old = letters(WINDOWS * WS);
        std::string path = dir.write("f.bin", old);
        e2e::Options o = options({path});
        o.env = fault_env(c.fault);
        e2e::Session s(o);
        if (c.later) {
            ASSERT_TRUE(start(s));
            s.send("00");
            ASSERT_TRUE(wait_modified(s, path, true));
            s.key(e2e::Key::End);
        }
        EXPECT_EQ(s.wait_exit(), 1);
        EXPECT_EQ(s.err(), "vexa: mmap() failed\n");
        EXPECT_FALSE(s.altscreen());
        EXPECT_EQ(e2e::read_file(path), old);
    }
}

}  // namespace
