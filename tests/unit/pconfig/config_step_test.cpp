// The configuration step of start-up: which file is read and how the three
// settings are resolved.
#include "core/editor.h"
#include "core/startup.h"
#include "pconfig/pconfig.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <pwd.h>
#include <string>
#include <unistd.h>

namespace {

class ConfigStepTest : public ::testing::Test {
protected:
    std::string path;

    void SetUp() override
    {
        char name[] = "/tmp/vexa-step-XXXXXX";
        int fd = mkstemp(name);
        ASSERT_GE(fd, 0);
        close(fd);
        path = name;
        editor.config_path = path.c_str();
        use_colors = make_backup_files = advance_after_edit = -1;
    }
    void TearDown() override
    {
        pconfig_free();
        unlink(path.c_str());
        editor.config_path = nullptr;
        use_colors = make_backup_files = advance_after_edit = -1;
    }
    void write_file(const char *text)
    {
        FILE *f = fopen(path.c_str(), "w");
        ASSERT_NE(f, nullptr);
        fputs(text, f);
        fclose(f);
    }
};

TEST_F(ConfigStepTest, FileSetsAllThree)
{
    write_file("use_colors = 0\nmake_backup_files = 0\nadvance_after_edit = 0\nfg_color = red\n");
    config_step();
    EXPECT_EQ(use_colors, 0);
    EXPECT_EQ(make_backup_files, 0);
    EXPECT_EQ(advance_after_edit, 0);
    EXPECT_STREQ(pconfig_get_string("fg_color"), "red");
}

TEST_F(ConfigStepTest, MissingFileGivesDefaults)
{
    editor.config_path = "/nonexistent/vexarc";
    config_step();
    EXPECT_EQ(use_colors, 1);
    EXPECT_EQ(make_backup_files, 1);
    EXPECT_EQ(advance_after_edit, 1);
    EXPECT_STREQ(pconfig_get_string("bg_color"), "blue");
}

TEST_F(ConfigStepTest, CommandLineWinsOverTheFile)
{
    write_file("use_colors = 1\nmake_backup_files = 1\n");
    use_colors = 0;        // -d
    make_backup_files = 0; // -n
    config_step();
    EXPECT_EQ(use_colors, 0);
    EXPECT_EQ(make_backup_files, 0);
    EXPECT_EQ(advance_after_edit, 1);
}

TEST_F(ConfigStepTest, FaultyFileKeepsWhatCameBefore)
{
    write_file("advance_after_edit = 0\nuse_colors = -1\nbogus\nmake_backup_files = 0\n");
    config_step();
    EXPECT_EQ(advance_after_edit, 0);
    EXPECT_EQ(use_colors, -1); // stored as is; any non-zero value is on
    EXPECT_EQ(make_backup_files, 1);
}

TEST_F(ConfigStepTest, DefaultPathIsInTheUsersHome)
{
    const passwd *pw = getpwuid(getuid());
    if (!pw)
        GTEST_SKIP() << "no password entry for this user";
    const std::string expected = std::string(pw->pw_dir) + "/.vexarc";
    editor.config_path = nullptr;
    config_step();
    ASSERT_NE(editor.config_path, nullptr);
    EXPECT_EQ(editor.config_path, expected);
}

} // namespace
