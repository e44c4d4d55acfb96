// Saving, the backup copy and the quit question seen from outside, on real
// files: what reaches the file and the backup, the questions asking again,
// and failures that are reported instead of passing for success (a failed
// write or flush, a backup that cannot be made, a failed forced write-back).
#include "editing.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace editing;
using e2e::Key;

namespace {

constexpr int64_t MIB = 1024 * 1024;

mode_t mode_of(const std::string &path)
{
    struct stat st;
    EXPECT_EQ(lstat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

bool exists(const std::string &path)
{
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

// Types digits at the cursor and waits until the byte shows them.
void type_byte(e2e::Session &s, int64_t offset, const std::string &hex)
{
    s.send(hex);
    wait_hex(s, 0, offset, hex);
}

// Two saves in one run: the backup holds the file as it was before each.
TEST(Save, BackupHoldsThePreviousBytesAtEverySave)
{
    e2e::TempDir dir;
    std::string original = letters(20000);
    std::string path = dir.write("f.bin", original);
    e2e::Session s(options({path}));
    ASSERT_TRUE(start(s));
    type_byte(s, 0, "00");
    ASSERT_TRUE(wait_modified(s, path, true));
    save(s);
    ASSERT_TRUE(wait_modified(s, path, false));
    std::string first = original;
    first[0] = '\0';
    EXPECT_TRUE(e2e::read_file(path) == first);
    EXPECT_TRUE(e2e::read_file(path + "~") == original);

    type_byte(s, 1, "11");
    save(s);
    ASSERT_TRUE(wait_modified(s, path, false));
    std::string second = first;
    second[1] = 0x11;
    EXPECT_TRUE(e2e::read_file(path) == second);
    EXPECT_TRUE(e2e::read_file(path + "~") == first);
    s.send("q");
    EXPECT_EQ(s.wait_exit(), 0);
}

TEST(Save, LongerBackupIsCutToTheFile)
{
    e2e::TempDir dir;
    std::string path = dir.write("f.bin", letters(100));
    dir.write("f.bin~", std::string(50000, 'z'));
    e2e::Session s(options({path}));
    ASSERT_TRUE(start(s));
    type_byte(s, 0, "FF");
    save(s);
    ASSERT_TRUE(wait_modified(s, path, false));
    EXPECT_EQ(e2e::read_file(path + "~"), letters(100));
    EXPECT_EQ(e2e::read_file(path).size(), 100u);
}

struct NoBackupCase {
    const char *name;
    std::vector<std::string> args;  // before the file; "RC" stands for the config file
    const char *config;
};

void PrintTo(const NoBackupCase &c, std::ostream *os)
{
    *os << c.name;
}

class NoBackup : public ::testing::TestWithParam<NoBackupCase> {};

TEST_P(NoBackup, SaveWritesNoBackup)
{
    const NoBackupCase &c = GetParam();
    e2e::TempDir dir;
    std::string path = dir.write("f.bin", letters(100));
    std::string rc = config_file(dir, c.config);
    std::vector<std::string> args;
    for (const std::string &a : c.args)
        args.push_back(a == "RC" ? rc : a);
    args.push_back(path);
    e2e::Session s(options(args));
    ASSERT_TRUE(start(s));
    type_byte(s, 0, "FF");
    save(s);
    ASSERT_TRUE(wait_modified(s, path, false));
    EXPECT_EQ(e2e::read_file(path)[0], '\xff');
    EXPECT_FALSE(exists(path + "~"));
}

INSTANTIATE_TEST_SUITE_P(Save, NoBackup,
                         ::testing::Values(NoBackupCase{"option_n", {"-n"}, ""},
                                           NoBackupCase{"long_option", {"--no-backup-files"}, ""},
                                           NoBackupCase{"config", {"-c", "RC"}, "make_backup_files = 0\n"}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(Save, NothingToSaveAsksNothing)
{
    e2e::TempDir dir;
    std::string path = dir.write("f.bin", letters(100));
    e2e::Session s(options({path}));
    ASSERT_TRUE(start(s));
    s.send("s");
    s.key(Key::Right);
    ASSERT_TRUE(s.wait_cursor(1, HEX_COL + 1));
    EXPECT_EQ(s.output().find("Are you sure"), std::string::npos);
    EXPECT_FALSE(exists(path + "~"));
    s.send("q");  // nothing modified: quits without a question
    EXPECT_EQ(s.wait_exit(), 0);
    EXPECT_EQ(s.output().find("File was modified"), std::string::npos);
}

// Keys other than y and n ask again: the y after them still saves. With n
// nothing is written.
TEST(Save, SaveQuestionAsksAgainUntilYesOrNo)
{
    e2e::TempDir dir;
    std::string path = dir.write("f.bin", letters(100));
    e2e::Session s(options({path}));
    ASSERT_TRUE(start(s));
    type_byte(s, 0, "00");
    s.send("s");
    ASSERT_TRUE(s.wait_text("Are you sure you want to save (y/n)?"));
    s.send("N");
    ASSERT_TRUE(s.wait_text_gone("Are you sure"));
    EXPECT_TRUE(wait_modified(s, path, true));
    EXPECT_EQ(e2e::read_file(path), letters(100));

    s.send("s");
    ASSERT_TRUE(s.wait_text("Are you sure you want to save (y/n)?"));
    s.send("xc");
    s.key(Key::Escape);
    s.key(Key::Down);
    s.send("Y");
    ASSERT_TRUE(wait_modified(s, path, false));
    EXPECT_EQ(e2e::read_file(path)[0], '\0');
    EXPECT_TRUE(s.wait_cursor(1, HEX_COL + 3));  // Down was an answer, not a move
}

TEST(Save, UndoAfterSaveMarksTheFileModifiedAgain)
{
    e2e::TempDir dir;
    std::string path = dir.write("f.bin", letters(100));
    e2e::Session s(options({"-n", path}));
    ASSERT_TRUE(start(s));
    s.send("0");  // one undo entry: 0x41 becomes 0x01
    ASSERT_TRUE(wait_hex(s, 0, 0, "01"));
    save(s);
    ASSERT_TRUE(wait_modified(s, path, false));
    s.send("u");
    ASSERT_TRUE(wait_hex(s, 0, 0, "41"));
    EXPECT_TRUE(wait_modified(s, path, true));
    EXPECT_EQ(e2e::read_file(path)[0], '\x01');  // until the next save
    save(s);
    ASSERT_TRUE(wait_modified(s, path, false));
    EXPECT_EQ(e2e::read_file(path), letters(100));
}

struct QuitCase {
    const char *name;
    std::string keys;  // answers to the quit question
    bool quits;
    bool saved;
};

void PrintTo(const QuitCase &c, std::ostream *os)
{
    *os << c.name;
}

class QuitQuestion : public ::testing::TestWithParam<QuitCase> {};

TEST_P(QuitQuestion, Answers)
{
    const QuitCase &c = GetParam();
    e2e::TempDir dir;
    std::string path = dir.write("f.bin", letters(100));
    e2e::Session s(options({path}));
    ASSERT_TRUE(start(s));
    type_byte(s, 0, "7A");
    s.send("q");
    ASSERT_TRUE(s.wait_text("File was modified. Save (y/n/c)?"));
    s.send(c.keys);
    if (c.quits) {
        EXPECT_EQ(s.wait_exit(), 0);
    } else {
        ASSERT_TRUE(s.wait_text_gone("File was modified"));
        EXPECT_TRUE(wait_modified(s, path, true));
        EXPECT_TRUE(s.running());
    }
    std::string expect = letters(100);
    if (c.saved)
        expect[0] = 0x7A;
    EXPECT_EQ(e2e::read_file(path), expect);
    EXPECT_EQ(exists(path + "~"), c.saved);
}

INSTANTIATE_TEST_SUITE_P(Save, QuitQuestion,
                         ::testing::Values(QuitCase{"yes", "y", true, true}, QuitCase{"Yes", "Y", true, true},
                                           QuitCase{"no", "n", true, false}, QuitCase{"No", "N", true, false},
                                           QuitCase{"cancel", "c", false, false},
                                           QuitCase{"Cancel", "C", false, false},
                                           QuitCase{"other_keys_then_yes", "xs\033q y", true, true},
                                           QuitCase{"other_keys_then_cancel", "uzc", false, false}),
                         [](const auto &info) { return std::string(info.param.name); });

// A save whose writes fail keeps every change: the "*" stays, the user is
// told, q then y does not quit, and n still can.
struct FaultCase {
    const char *name;
    const char *fault;
    const char *message;
    bool written;  // the write itself went through; only the flush failed
};

void PrintTo(const FaultCase &c, std::ostream *os)
{
    *os << c.name;
}

class FailedSave : public ::testing::TestWithParam<FaultCase> {};

TEST_P(FailedSave, KeepsChangesAndDoesNotQuit)
{
    const FaultCase &c = GetParam();
    e2e::TempDir dir;
    std::string path = dir.write("f.bin", letters(100));
    e2e::Options o = options({path});
    o.env = fault_env(c.fault);
    e2e::Session s(o);
    ASSERT_TRUE(start(s));
    type_byte(s, 0, "00");
    save(s);
    ASSERT_TRUE(s.wait_text(c.message));
    ASSERT_TRUE(s.wait_text_gone(c.message));
    EXPECT_TRUE(wait_modified(s, path, true));

    s.send("q");
    ASSERT_TRUE(s.wait_text("File was modified. Save (y/n/c)?"));
    s.send("y");
    ASSERT_TRUE(s.wait_text(c.message));
    ASSERT_TRUE(s.wait_text_gone(c.message));
    EXPECT_TRUE(s.running());
    EXPECT_TRUE(wait_modified(s, path, true));
    EXPECT_EQ(hex_at(s, 0, 0), "00");  // the change is still held

    s.send("q");
    ASSERT_TRUE(s.wait_text("File was modified. Save (y/n/c)?"));
    s.send("n");
    EXPECT_EQ(s.wait_exit(), 0);
    EXPECT_EQ(e2e::read_file(path)[0], c.written ? '\0' : 'A');
    EXPECT_EQ(e2e::read_file(path).size(), 100u);
}

INSTANTIATE_TEST_SUITE_P(
    Save, FailedSave,
    ::testing::Values(FaultCase{"write", "pwrite", "Save failed: No space left on device", false},
                      FaultCase{"flush", "fsync", "Save failed: Input/output error", true}),
    [](const auto &info) { return std::string(info.param.name); });

// The fault library really is in place: without a fault the same run saves.
TEST(Save, FaultLibraryWithoutFaultSaves)
{
    e2e::TempDir dir;
    std::string path = dir.write("f.bin", letters(100));
    e2e::Options o = options({path});
    o.env = fault_env("none");
    e2e::Session s(o);
    ASSERT_TRUE(start(s));
    type_byte(s, 0, "00");
    s.send("q");
    ASSERT_TRUE(s.wait_text("File was modified. Save (y/n/c)?"));
    s.send("y");
    EXPECT_EQ(s.wait_exit(), 0);
    EXPECT_EQ(e2e::read_file(path)[0], '\0');
}

TEST(Save, BackupNameThatIsASymbolicLinkIsNotFollowed)
{
    e2e::TempDir dir;
    std::string path = dir.write("f.bin", letters(100));
    std::string target = dir.write("target", "keep me");
    ASSERT_EQ(symlink(target.c_str(), (path + "~").c_str()), 0);
    e2e::Session s(options({path}));
    ASSERT_TRUE(start(s));
    type_byte(s, 0, "00");
    save(s);
    ASSERT_TRUE(s.wait_text(std::string("Backup not written: ") + strerror(ELOOP)));
    ASSERT_TRUE(wait_modified(s, path, false));
    EXPECT_EQ(e2e::read_file(target), "keep me");
    EXPECT_EQ(e2e::read_file(path)[0], '\0');
    struct stat st;
    ASSERT_EQ(lstat((path + "~").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
}

TEST(Save, BackupOfAPrivateFileIsPrivate)
{
    e2e::TempDir dir;
    std::string path = dir.write("f.bin", letters(100), 0600);
    ASSERT_EQ(chmod(path.c_str(), 0600), 0);
    e2e::Session s(options({path}));
    ASSERT_TRUE(start(s));
    type_byte(s, 0, "00");
    save(s);
    ASSERT_TRUE(wait_modified(s, path, false));
    EXPECT_EQ(mode_of(path + "~"), 0600u);
    EXPECT_EQ(e2e::read_file(path + "~"), letters(100));
}

// Root ignores directory permissions, so the editor runs as nobody (through
// setpriv) in a directory it may not write; the file itself is nobody's.
TEST(Save, UnwritableDirectoryGivesNoBackupButSaves)
{
    e2e::TempDir dir;
    ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);
    std::string sub = dir.mkdir("ro");
    std::string path = dir.write("ro/f.bin", letters(100));
    const uid_t nobody = 65534;
    ASSERT_EQ(chown(path.c_str(), nobody, nobody), 0);
    ASSERT_EQ(chmod(sub.c_str(), 0555), 0);
    // A copy of the program where nobody may run it, wherever the build is.
    std::string program = dir.write("vexa", e2e::read_file(VEXA_BINARY), 0755);
    ASSERT_EQ(chmod(program.c_str(), 0755), 0);
    e2e::Options o = options({"--reuid=65534", "--regid=65534", "--clear-groups", program, path});
    o.program = "setpriv";
    e2e::Session s(o);
    ASSERT_TRUE(start(s));
    type_byte(s, 0, "00");
    save(s);
    ASSERT_TRUE(s.wait_text(std::string("Backup not written: ") + strerror(EACCES)));
    ASSERT_TRUE(wait_modified(s, path, false));
    EXPECT_EQ(e2e::read_file(path)[0], '\0');
    EXPECT_FALSE(exists(path + "~"));
    s.send("q");
    EXPECT_EQ(s.wait_exit(), 0);
    chmod(sub.c_str(), 0755);
}

// Another way a backup cannot be made: a directory stands at its name.
TEST(Save, DirectoryAtTheBackupNameGivesNoBackupButSaves)
{
    e2e::TempDir dir;
    std::string path = dir.write("f.bin", letters(100));
    dir.mkdir("f.bin~");
    e2e::Session s(options({path}));
    ASSERT_TRUE(start(s));
    type_byte(s, 0, "00");
    s.send("q");
    ASSERT_TRUE(s.wait_text("File was modified. Save (y/n/c)?"));
    s.send("y");
    ASSERT_TRUE(s.wait_text(std::string("Backup not written: ") + strerror(EISDIR)));
    EXPECT_EQ(s.wait_exit(), 0);
    EXPECT_EQ(e2e::read_file(path)[0], '\0');
}

// Forced write-backs that fail leave their windows dirty and say so once.
TEST(Save, FailedForcedWriteBackIsReported)
{
    e2e::TempDir dir;
    std::string content = letters(3 * MIB);
    std::string path = dir.write("f.bin", content);
    e2e::Options o = options({path});
    o.env = fault_env("pwrite");
    e2e::Session s(o);
    ASSERT_TRUE(start(s));
    fill(s, "0", "0x2fffff", "1");
    ASSERT_TRUE(s.wait_text("Write-back failed: No space left on device"));
    ASSERT_TRUE(s.wait_text_gone("Write-back failed"));
    EXPECT_TRUE(wait_hex(s, 0, 0, "01"));
    EXPECT_TRUE(e2e::read_file(path) == content);
    s.send("u");
    ASSERT_TRUE(wait_hex(s, 0, 0, "41"));
    s.send("q");
    ASSERT_TRUE(s.wait_text("File was modified. Save (y/n/c)?"));
    s.send("n");
    EXPECT_EQ(s.wait_exit(), 0);
    EXPECT_TRUE(e2e::read_file(path) == content);
}

}  // namespace
