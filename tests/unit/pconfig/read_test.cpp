// The configuration file reader: line syntax, errors, line ends and limits.
#include "pconfig/pconfig.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

class ReadTest : public ::testing::Test {
protected:
    std::string path;

    void SetUp() override
    {
        char name[] = "/tmp/vexa-cfg-XXXXXX";
        int fd = mkstemp(name);
        ASSERT_GE(fd, 0);
        close(fd);
        path = name;
        ASSERT_EQ(pconfig_init(0, vexa_defaults), 0);
    }
    void TearDown() override
    {
        pconfig_free();
        unlink(path.c_str());
    }

    int read_text(const std::string &text)
    {
        FILE *f = fopen(path.c_str(), "wb");
        EXPECT_NE(f, nullptr);
        fwrite(text.data(), 1, text.size(), f);
        fclose(f);
        return pconfig_read_file(path.c_str());
    }
};

// The value of a key of the defaults table, as text for both types.
std::string value_of(const char *key)
{
    for (const config_default *row = vexa_defaults; row->type; row++)
        if (strcmp(row->name, key) == 0)
            return row->type == PCONFIG_INT ? std::to_string(pconfig_get_int(key))
                                            : std::string(pconfig_get_string(key));
    ADD_FAILURE() << "no key " << key;
    return "";
}

struct line_case {
    const char *line;
    const char *key;   // key looked at afterwards
    const char *value; // its expected value
    const char *error; // expected message without " on line 1", or null
};

const line_case line_cases[] = {
    {"use_colors = 0", "use_colors", "0", nullptr},
    {"use_colors=0", "use_colors", "0", nullptr},
    {"use_colors = yes", "use_colors", "0", nullptr},
    {"make_backup_files = 2", "make_backup_files", "2", nullptr},
    {"bg_color = 'light blue'", "bg_color", "light blue", nullptr},
    {"fg_color = red green", "fg_color", "red", nullptr},
    {"fg_color = 'red' trailing words", "fg_color", "red", nullptr},
    {"fg_color = red # a comment", "fg_color", "red", nullptr},
    {"fg_color =", "fg_color", "", nullptr},
    {"fg_color = 'it\\'s'", "fg_color", "it's", nullptr},
    {"fg_color = 'a\\b'", "fg_color", "a\\b", nullptr},
    {"bg color = red", "bg_color", "blue", "parse error: illegal assignment"},
    {"bg_color red", "bg_color", "blue", "parse error: missing '='"},
    {"bg_color = 'a=b'", "bg_color", "blue", "parse error: multiple '='"},
    {"bg_color = 'red", "bg_color", "blue", "parse error: missing '''"},
    {"bg_color = 'red#1'", "bg_color", "blue", "parse error: missing '''"},
    {"colour = red", "bg_color", "blue", "unrecognized option: colour"},
    {"= red", "bg_color", "blue", "unrecognized option: "},
    // Beyond the examples: quoting, white space, classes, check order.
    {"fg_color = \"a'b\"", "fg_color", "a'b", nullptr},
    {"fg_color = 'a\\\\'b'", "fg_color", "a\\'b", nullptr},
    {"fg_color = 'ends\\'", "fg_color", "white", "parse error: missing '''"},
    {"fg_color = \"open", "fg_color", "white", "parse error: missing '\"'"},
    {"fg_color = r\xA0" "d x", "fg_color", "r\xA0" "d", nullptr},
    {" \t use_colors \t = \t 0 \t", "use_colors", "0", nullptr},
    {"use_colors = -1", "use_colors", "-1", nullptr},
    {"use_colors = 12abc", "use_colors", "12", nullptr},
    {"\t \t", "use_colors", "1", nullptr},
    {"   # use_colors = 0", "use_colors", "1", nullptr},
    {"#use_colors = 0", "use_colors", "1", nullptr},
    {"use_colors\v=\f0", "use_colors", "0", nullptr},
    {"bg color red", "bg_color", "blue", "parse error: missing '='"},
    {"bg color = 'a=b'", "bg_color", "blue", "parse error: multiple '='"},
    {"bg color = 'red", "bg_color", "blue", "parse error: illegal assignment"},
    {"colour = 'red", "bg_color", "blue", "parse error: missing '''"},
    {"bg_color\x01 = red", "bg_color", "blue", "unrecognized option: bg_color\x01"},
};

void PrintTo(const line_case &c, std::ostream *os)
{
    *os << '"' << c.line << '"';
}

class LineTest : public ReadTest, public ::testing::WithParamInterface<line_case> {};

TEST_P(LineTest, OneLine)
{
    const line_case &c = GetParam();
    int result = read_text(std::string(c.line) + "\n");
    EXPECT_EQ(value_of(c.key), c.value);
    if (c.error) {
        EXPECT_EQ(result, -1);
        EXPECT_EQ(std::string(pconfig_error()), std::string(c.error) + " on line 1");
    } else {
        EXPECT_EQ(result, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Examples, LineTest, ::testing::ValuesIn(line_cases));

TEST_F(ReadTest, CrLfLineEnds)
{
    EXPECT_EQ(read_text("use_colors = 0\r\n\r\nbg_color = 'light blue'\r\nfg_color = red\r\n"), 0);
    EXPECT_EQ(pconfig_get_int("use_colors"), 0);
    EXPECT_STREQ(pconfig_get_string("bg_color"), "light blue");
    EXPECT_STREQ(pconfig_get_string("fg_color"), "red");
}

TEST_F(ReadTest, FaultOnLineThreeStopsReading)
{
    EXPECT_EQ(read_text("use_colors = 0\n\nbg_color red\nfg_color = red\n"), -1);
    EXPECT_EQ(pconfig_get_int("use_colors"), 0);
    EXPECT_STREQ(pconfig_get_string("fg_color"), "white");
    EXPECT_STREQ(pconfig_error(), "parse error: missing '=' on line 3");
}

TEST_F(ReadTest, LastLineWithoutLineFeedIsNotRead)
{
    EXPECT_EQ(read_text("use_colors = 0\nfg_color = red"), 0);
    EXPECT_EQ(pconfig_get_int("use_colors"), 0);
    EXPECT_STREQ(pconfig_get_string("fg_color"), "white");
    EXPECT_EQ(read_text("use_colors = 1\nnot a valid line"), 0);
    EXPECT_EQ(pconfig_get_int("use_colors"), 1);
}

TEST_F(ReadTest, LastLineWins)
{
    EXPECT_EQ(read_text("fg_color = red\nfg_color = green\nfg_color = cyan\n"), 0);
    EXPECT_STREQ(pconfig_get_string("fg_color"), "cyan");
}

TEST_F(ReadTest, EmptyAndCommentOnlyFiles)
{
    EXPECT_EQ(read_text(""), 0);
    EXPECT_EQ(read_text("# nothing\n\n   \n#use_colors = 0\n"), 0);
    EXPECT_EQ(pconfig_get_int("use_colors"), 1);
}

TEST_F(ReadTest, LineEndsAtItsFirstNul)
{
    EXPECT_EQ(read_text(std::string("use_colors = 0\0 = = junk\n", 26)), 0);
    EXPECT_EQ(pconfig_get_int("use_colors"), 0);
}

TEST_F(ReadTest, LongCommentLineGrowsTheBuffer)
{
    EXPECT_EQ(read_text("#" + std::string(4999, 'x') + "\nfg_color = red\n"), 0);
    EXPECT_STREQ(pconfig_get_string("fg_color"), "red");
}

TEST_F(ReadTest, KeyAndValueLimits)
{
    const std::string longest(4095, 'v'), too_long(4096, 'v');
    EXPECT_EQ(read_text("fg_color = " + longest + "\n"), 0);
    EXPECT_EQ(pconfig_get_string("fg_color"), longest);
    EXPECT_EQ(read_text("fg_color = '" + longest + "'\n"), 0);
    EXPECT_EQ(pconfig_get_string("fg_color"), longest);

    const struct {
        std::string line;
        const char *error;
    } rows[] = {
        {"bg_color = " + too_long, "parse error: value too long on line 2"},
        {"bg_color = '" + too_long + "'", "parse error: value too long on line 2"},
        {"bg_color = \"" + too_long, "parse error: value too long on line 2"},
        {std::string(4096, 'k') + " = red", "parse error: key too long on line 2"},
    };
    for (const auto &r : rows) {
        EXPECT_EQ(read_text("\n" + r.line + "\nuse_colors = 0\n"), -1);
        EXPECT_STREQ(pconfig_error(), r.error);
        EXPECT_STREQ(pconfig_get_string("bg_color"), "blue");
        EXPECT_EQ(pconfig_get_int("use_colors"), 1);
    }
}

TEST_F(ReadTest, LongUnrecognizedKeyIsCutToFit)
{
    const std::string key(4095, 'k');
    EXPECT_EQ(read_text(key + " = red\n"), -1);
    std::string msg = pconfig_error();
    EXPECT_EQ(msg.size(), 511u);
    EXPECT_EQ(msg.rfind("unrecognized option: kkkk", 0), 0u);
    EXPECT_EQ(msg.substr(msg.size() - 10), " on line 1");
}

TEST_F(ReadTest, OverlongLineIsRefused)
{
    const std::string mib(1024 * 1024, '#');
    EXPECT_EQ(read_text(mib + "\nfg_color = red\n"), 0); // exactly 1 MiB is fine
    EXPECT_STREQ(pconfig_get_string("fg_color"), "red");
    EXPECT_EQ(read_text("\n" + mib + "#\nfg_color = cyan\n"), -1);
    EXPECT_STREQ(pconfig_error(), "parse error: line too long on line 2");
    EXPECT_STREQ(pconfig_get_string("fg_color"), "red");
}

TEST_F(ReadTest, EndlessInputStopsAtTheLineLimit)
{
    EXPECT_EQ(pconfig_read_file("/dev/zero"), -1);
    EXPECT_STREQ(pconfig_error(), "parse error: line too long on line 1");
}

TEST_F(ReadTest, UnreadableFilesChangeNothing)
{
    ASSERT_EQ(read_text("bogus\n"), -1);
    const std::string before = pconfig_error();
    EXPECT_EQ(pconfig_read_file("/nonexistent/vexarc"), -1);
    EXPECT_EQ(pconfig_read_file("/tmp"), -1); // a directory: reading fails
    EXPECT_EQ(pconfig_error(), before);
    EXPECT_EQ(pconfig_get_int("use_colors"), 1);
}

} // namespace
