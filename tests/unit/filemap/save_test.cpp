// Saving and the backup copy on real files: only dirty windows are written,
// clipped to the file's size; a failed write leaves every change pending;
// the backup is the file on disk, exact, private when the file is, and never
// written through a symbolic or hard link.
#include "edited_file.h"
#include "filemap/save.h"

#include <cerrno>
#include <cstdio>

using namespace filemap_test;

namespace {

constexpr int64_t WS = 8192;

class Save : public ::testing::Test {
protected:
    void SetUp() override
    {
        saved_backups = make_backup_files;
        saved_umask = umask(022);
        make_backup_files = 0;
    }
    void TearDown() override
    {
        make_backup_files = saved_backups;
        umask(saved_umask);
    }
    int saved_backups;
    mode_t saved_umask;
};

bool exists(const std::string &path)
{
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

mode_t mode_of(const std::string &path)
{
    struct stat st;
    EXPECT_EQ(lstat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

TEST_F(Save, WritesOnlyDirtyWindowsClippedToFileSize)
{
    int64_t size = 3 * WS + 100;
    std::string content = random_bytes(static_cast<size_t>(size), 11);
    EditedFile f(content);
    for (int i = 0; i < 4; i++)
        byte_at(i * WS);
    set_byte_at(WS + 5, 0xA1);
    set_byte_at(size - 1, 0xA2);
    // Changed on disk behind the editor's back: a save that wrote the clean
    // windows 0 and 2 would put the old bytes back.
    std::string other = content;
    other[7] = 'x';
    other[2 * WS + 7] = 'y';
    int fd = open(f.path.c_str(), O_WRONLY);
    ASSERT_EQ(pwrite(fd, "x", 1, 7), 1);
    ASSERT_EQ(pwrite(fd, "y", 1, 2 * WS + 7), 1);
    close(fd);

    ASSERT_EQ(save_file(0), 0);
    std::string expect = other;
    expect[WS + 5] = static_cast<char>(0xA1);
    expect[static_cast<size_t>(size - 1)] = static_cast<char>(0xA2);
    EXPECT_EQ(f.on_disk(), expect);
    EXPECT_EQ(editor.modified, 0);
    EXPECT_EQ(editor.windows.size(), 4u);
    for (const map_window &w : editor.windows)
        EXPECT_EQ(w.dirty, 0);
    EXPECT_FALSE(exists(f.backup()));
}

TEST_F(Save, UnmapReleasesOnlyTheWindowsItWrote)
{
    std::string content = random_bytes(4 * WS, 12);
    EditedFile f(content);
    for (int i = 0; i < 4; i++)
        byte_at(i * WS);
    set_byte_at(2 * WS, 0x01);
    ASSERT_EQ(save_file(1), 0);
    EXPECT_EQ(window_offsets(), (std::vector<int64_t>{0, WS, 3 * WS}));
    content[2 * WS] = 0x01;
    EXPECT_EQ(f.on_disk(), content);
}

// Writing through a read-only descriptor fails with EBADF: nothing counts as
// saved, and a second save on a good descriptor writes everything.
TEST_F(Save, FailedWriteKeepsEveryChangePending)
{
    std::string content = random_bytes(3 * WS, 13);
    EditedFile f(content);
    set_byte_at(10, 0xB1);
    set_byte_at(2 * WS + 10, 0xB2);
    int rw = editor.fd;
    editor.fd = open(f.path.c_str(), O_RDONLY);
    for (int unmap : {0, 1}) {
        errno = 0;
        EXPECT_EQ(save_file(unmap), -1);
        EXPECT_EQ(errno, EBADF);
        EXPECT_EQ(editor.modified, 1);
        ASSERT_EQ(editor.windows.size(), 2u);
        for (const map_window &w : editor.windows)
            EXPECT_EQ(w.dirty, 1);
        EXPECT_EQ(byte_at(2 * WS + 10), 0xB2);  // still mapped
        EXPECT_EQ(f.on_disk(), content);
    }
    close(editor.fd);
    editor.fd = rw;
    ASSERT_EQ(save_file(0), 0);
    content[10] = static_cast<char>(0xB1);
    content[2 * WS + 10] = static_cast<char>(0xB2);
    EXPECT_EQ(f.on_disk(), content);
    EXPECT_EQ(editor.modified, 0);
}

// Sizes around the chunk size: the copy is exact for each.
TEST_F(Save, BackupIsExactCopyOfTheFile)
{
    for (int64_t size : {int64_t{1}, WS - 1, WS, WS + 1, 5 * WS + 333}) {
        SCOPED_TRACE(size);
        std::string content = random_bytes(static_cast<size_t>(size), 14);
        EditedFile f(content);
        ASSERT_EQ(make_backup_copy(), 0);
        EXPECT_EQ(read_path(f.backup()), content);
    }
}

TEST_F(Save, BackupTruncatesLongerExistingBackupAndKeepsItsMode)
{
    std::string content = random_bytes(WS + 10, 15);
    EditedFile f(content, WS, 0600);
    write_path(f.backup(), std::string(5 * WS, 'z'), 0644);
    chmod(f.backup().c_str(), 0644);
    ASSERT_EQ(make_backup_copy(), 0);
    EXPECT_EQ(read_path(f.backup()), content);
    EXPECT_EQ(mode_of(f.backup()), 0644u);
}

TEST_F(Save, NewBackupGetsTheFilesPermissionBits)
{
    for (mode_t mode : {mode_t{0600}, mode_t{0640}, mode_t{0755}}) {
        SCOPED_TRACE(mode);
        EditedFile f("abc", WS, mode);
        ASSERT_EQ(mode_of(f.path), mode);
        ASSERT_EQ(make_backup_copy(), 0);
        EXPECT_EQ(mode_of(f.backup()), mode);
    }
}

TEST_F(Save, NewBackupModeHonoursUmask)
{
    EditedFile f("abc", WS, 0666);
    ASSERT_EQ(make_backup_copy(), 0);
    EXPECT_EQ(mode_of(f.backup()), 0644u);
}

TEST_F(Save, BackupRefusesSymbolicLink)
{
    EditedFile f("new bytes");
    std::string target = f.dir + "/target";
    write_path(target, "precious");
    ASSERT_EQ(symlink(target.c_str(), f.backup().c_str()), 0);
    errno = 0;
    EXPECT_EQ(make_backup_copy(), -1);
    EXPECT_EQ(errno, ELOOP);
    EXPECT_EQ(read_path(target), "precious");
    struct stat st;
    ASSERT_EQ(lstat(f.backup().c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
}

// A backup name that is another link to the edited file must not be
// emptied: that would empty the file itself.
TEST_F(Save, BackupRefusesHardLinkToTheFile)
{
    std::string content = random_bytes(3 * WS, 16);
    EditedFile f(content);
    ASSERT_EQ(link(f.path.c_str(), f.backup().c_str()), 0);
    EXPECT_EQ(make_backup_copy(), -1);
    EXPECT_EQ(f.on_disk(), content);
}

TEST_F(Save, BackupHoldsTheFileOnDiskNotTheWindows)
{
    std::string content = random_bytes(2 * WS, 17);
    EditedFile f(content);
    set_byte_at(3, 0x00);
    set_byte_at(WS + 3, 0x00);
    ASSERT_EQ(make_backup_copy(), 0);
    EXPECT_EQ(read_path(f.backup()), content);
}

TEST_F(Save, SecondSaveBacksUpWhatTheFirstSaveLeft)
{
    make_backup_files = 1;
    std::string first = random_bytes(2 * WS + 1, 18);
    EditedFile f(first);
    set_byte_at(WS, 'A');
    ASSERT_EQ(save_file(0), 0);
    EXPECT_EQ(save_backup_errno, 0);
    EXPECT_EQ(read_path(f.backup()), first);
    std::string second = first;
    second[WS] = 'A';
    EXPECT_EQ(f.on_disk(), second);

    set_byte_at(2 * WS, 'B');
    ASSERT_EQ(save_file(0), 0);
    EXPECT_EQ(read_path(f.backup()), second);
    second[2 * WS] = 'B';
    EXPECT_EQ(f.on_disk(), second);
}

// A backup that cannot be made is reported, and the save goes on.
TEST_F(Save, SaveGoesOnWhenBackupFails)
{
    make_backup_files = 1;
    std::string content = random_bytes(WS, 19);
    EditedFile f(content);
    ASSERT_EQ(mkdir(f.backup().c_str(), 0755), 0);
    set_byte_at(1, 'Q');
    ASSERT_EQ(save_file(0), 0);
    EXPECT_EQ(save_backup_errno, EISDIR);
    content[1] = 'Q';
    EXPECT_EQ(f.on_disk(), content);
    EXPECT_EQ(editor.modified, 0);
}

TEST_F(Save, NoBackupWhenBackupsAreOff)
{
    EditedFile f("abc");
    set_byte_at(0, 'x');
    ASSERT_EQ(save_file(0), 0);
    EXPECT_FALSE(exists(f.backup()));
    EXPECT_EQ(f.on_disk(), "xbc");
}

}  // namespace
