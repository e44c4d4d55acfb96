// The configuration examples that ship with vexa, read by the real reader:
// doc/vexarc.example must set every key to its default, and the example in
// the manual page must read to its end with the values it shows.
#include "pconfig/pconfig.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::string read_whole(const char *path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// A table with the program's keys and types, but values that no line of a
// configuration file would give, so a key the file never sets stands out.
std::vector<config_default> sentinel_table()
{
    std::vector<config_default> rows;
    for (const config_default *d = vexa_defaults; d->type != 0; d++)
        rows.push_back({d->type, d->name, d->type == PCONFIG_INT ? "-7" : "(not set)"});
    rows.push_back({0, nullptr, nullptr});
    return rows;
}

TEST(ExampleConfig, SetsEveryKeyToItsDefault)
{
    std::vector<config_default> rows = sentinel_table();
    ASSERT_EQ(pconfig_init(0, rows.data()), 0);
    EXPECT_EQ(pconfig_read_file(VEXA_EXAMPLE_CONFIG), 0) << pconfig_error();
    int keys = 0;
    for (const config_default *d = vexa_defaults; d->type != 0; d++, keys++) {
        if (d->type == PCONFIG_INT)
            EXPECT_EQ(pconfig_get_int(d->name), atoi(d->value)) << d->name;
        else
            EXPECT_STREQ(pconfig_get_string(d->name), d->value) << d->name;
    }
    EXPECT_EQ(keys, 9);
    pconfig_free();
}

// The lines between .EX and .EE of the manual page, with the few escapes
// the example uses turned back into the characters they print.
std::string man_page_example()
{
    std::string page = read_whole(VEXA_MAN_PAGE);
    size_t from = page.find("\n.EX\n");
    size_t to = page.find("\n.EE\n", from == std::string::npos ? 0 : from);
    if (from == std::string::npos || to == std::string::npos)
        return "";
    std::string text = page.substr(from + 5, to + 1 - (from + 5));
    const std::pair<std::string, std::string> escapes[] = {
        {"\\(ti", "~"}, {"\\(aq", "'"}, {"\\(dq", "\""}, {"\\-", "-"}, {"\\e", "\\"}};
    for (const auto &[esc, plain] : escapes) {
        for (size_t at = text.find(esc); at != std::string::npos; at = text.find(esc, at))
            text.replace(at, esc.size(), plain);
    }
    return text;
}

TEST(ExampleConfig, ManPageExampleReadsToItsEnd)
{
    std::string text = man_page_example();
    ASSERT_NE(text.find("make_backup_files"), std::string::npos) << "no example found";
    ASSERT_EQ(text.find('\\'), std::string::npos) << "an escape was left: " << text;

    char path[] = "/tmp/vexa-man-example-XXXXXX";
    int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    close(fd);

    ASSERT_EQ(pconfig_init(0, vexa_defaults), 0);
    EXPECT_EQ(pconfig_read_file(path), 0) << pconfig_error();
    EXPECT_EQ(pconfig_get_int("use_colors"), 1);
    EXPECT_EQ(pconfig_get_int("make_backup_files"), 0);
    EXPECT_EQ(pconfig_get_int("advance_after_edit"), 1);
    EXPECT_STREQ(pconfig_get_string("fg_color"), "white");
    EXPECT_STREQ(pconfig_get_string("bg_color"), "black");
    EXPECT_STREQ(pconfig_get_string("fg_color_status"), "yellow");
    EXPECT_STREQ(pconfig_get_string("bg_color_status"), "blue");
    pconfig_free();
    unlink(path);
}

}  // namespace
