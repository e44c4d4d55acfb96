// The command line and the configuration file as a user meets them: every
// outcome of the options with its exact output and status, and settings
// from a -c file reaching the screen, with options winning over the file.
#include "harness.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

using e2e::Session;
using e2e::TempDir;
namespace color = e2e::color;

namespace {

// What the program wrote to its terminal, with the terminal's line ends
// turned back into the program's own.
std::string printed(const Session &s)
{
    std::string out;
    const std::string &raw = s.output();
    for (size_t i = 0; i < raw.size(); i++) {
        if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n')
            continue;
        out += raw[i];
    }
    return out;
}

e2e::Options in_dir(const TempDir &dir, std::vector<std::string> args)
{
    e2e::Options o;
    o.args = std::move(args);
    o.cwd = dir.path();
    o.argv0 = "vexa";  // errors name the program exactly as invoked
    return o;
}

const char usage[] =
    "Usage: vexa [options] FILE\n"
    "Available options:\n"
    "  -n, --no-backup-files \tdon't make backup files\n"
    "  -c, --config-file CONFIGFILE \tread configuration from CONFIGFILE\n"
    "  -d, --disable-colors \t\tdon't use colors\n"
    "  -h, --help       \t\thelp\n"
    "  -v, --version    \t\tversion\n"
    "\n"
    "Report bugs at the vexa project's issue tracker.\n";

TEST(CommandLine, EveryOutcomeWithItsOutputAndStatus)
{
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string out, err;
    };
    const Case cases[] = {
        {{"-h"}, 0, usage, ""},
        {{"--help", "f"}, 0, usage, ""},
        {{"-v"}, 0, "vexa 0.4.2\n", ""},
        {{"-v", "-h"}, 0, "vexa 0.4.2\n", ""},
        {{"-h", "-v"}, 0, usage, ""},
        {{"f", "--version"}, 0, "vexa 0.4.2\n", ""},
        {{}, 0, "vexa: missing file argument\n", ""},
        {{"-c", "cfg"}, 0, "vexa: missing file argument\n", ""},
        {{"-c"}, 1, "", "vexa: option `-c' requires an argument\n"},
        {{"-c", "-n", "f"}, 1, "", "vexa: option `-c' requires an argument\n"},
        {{"--config-file"}, 1, "", "vexa: option `--config-file' requires an argument\n"},
        {{"-x", "f"}, 1, "", "vexa: option `x' not recognized\n"},
        {{"-n5", "f"}, 1, "", "vexa: option `5' not recognized\n"},
        {{"-5n", "f"}, 1, "", "vexa: option `-5n' not recognized\n"},
        {{"-", "f"}, 1, "", "vexa: option `-' not recognized\n"},
        {{"--", "f"}, 1, "", "vexa: option `--' not recognized\n"},
        {{"--config-file=cfg", "f"}, 1, "", "vexa: option `--config-file=cfg' not recognized\n"},
        {{"-no-backup-files", "f"}, 1, "", "vexa: option `o' not recognized\n"},
        {{"-nc", "cfg", "f"}, 1, "",
         "vexa: option `c' requires an argument and can't be put together with other options\n"},
        {{"-h", "f", "-x"}, 1, "", "vexa: option `x' not recognized\n"},
    };
    TempDir dir;
    dir.write("f", "data");
    for (const Case &c : cases) {
        std::string line;
        for (const auto &a : c.args)
            line += a + " ";
        SCOPED_TRACE(line);
        Session s(in_dir(dir, c.args));
        EXPECT_EQ(s.wait_exit(), c.status);
        EXPECT_EQ(printed(s), c.out);
        EXPECT_EQ(s.err(), c.err);
    }
}

TEST(CommandLine, ErrorsNameTheProgramAsInvoked)
{
    TempDir dir;
    e2e::Options o = in_dir(dir, {"-x"});
    o.argv0 = "./bin/vexa";
    Session s(o);
    EXPECT_EQ(s.wait_exit(), 1);
    EXPECT_EQ(s.err(), "./bin/vexa: option `x' not recognized\n");
}

TEST(CommandLine, OptionsAndTheFileInAnyOrder)
{
    TempDir dir;
    dir.write("first", "one");
    dir.write("second", "two");
    for (auto args : {std::vector<std::string>{"first", "-d", "-n"}, {"-nd", "first", "second"},
                      {"-d", "first", "-n", "second"}}) {
        Session s(in_dir(dir, args));
        ASSERT_TRUE(s.wait_row_contains(23, " offset: 0x"));
        ASSERT_TRUE(s.wait_idle());
        EXPECT_NE(s.row(0).find("File: first"), std::string::npos) << s.row(0);
        EXPECT_TRUE(s.cell(0, 0).reverse) << "-d is in force";
        s.send("q");
        EXPECT_EQ(s.wait_exit(), 0);
    }
}

struct ColourCase {
    const char *name;
    std::vector<std::string> extra_args;
    std::string config;
    bool colours;
};

class ConfigColours : public ::testing::TestWithParam<ColourCase> {};

TEST_P(ConfigColours, ReachTheScreen)
{
    const ColourCase &c = GetParam();
    TempDir dir;
    dir.write("f", "ABCDEFGHIJ");
    dir.write("rc", c.config);
    std::vector<std::string> args = c.extra_args;
    args.insert(args.end(), {"-c", "rc", "f"});
    Session s(in_dir(dir, args));
    ASSERT_TRUE(s.wait_row_contains(23, " offset: 0x"));
    ASSERT_TRUE(s.wait_idle());
    auto status = s.cell(0, 3), pane = s.cell(1, 20), mark = s.cell(1, 13);
    if (c.colours) {
        EXPECT_EQ(status.fg, color::yellow);
        EXPECT_EQ(status.bg, color::magenta);
        EXPECT_EQ(pane.fg, color::green);
        EXPECT_EQ(pane.bg, color::black) << "an unknown colour name gives black";
        EXPECT_EQ(mark.fg, color::red);
        EXPECT_EQ(mark.bg, color::white);
        EXPECT_FALSE(status.reverse);
    } else {
        EXPECT_TRUE(status.reverse);
        EXPECT_TRUE(mark.reverse);
        EXPECT_TRUE(s.cell(1, 63).blink);
        EXPECT_EQ(pane.fg, color::term_default);
    }
    s.send("q");
    EXPECT_EQ(s.wait_exit(), 0);
}

const std::string palette =
    "fg_color_status = yellow\n"
    "bg_color_status = 'magenta'   # quoted\n"
    "fg_color = green\n"
    "bg_color = Blue\n"
    "fg_color_selected = red\n"
    "bg_color_selected = \"white\"\n";

INSTANTIATE_TEST_SUITE_P(
    E2E, ConfigColours,
    ::testing::Values(ColourCase{"from_file", {}, palette, true},
                      ColourCase{"file_turns_colours_off", {}, palette + "use_colors = 0\n", false},
                      ColourCase{"d_beats_use_colors_1", {"-d"}, palette + "use_colors = 1\n", false},
                      ColourCase{"fault_keeps_earlier_lines", {}, palette + "bogus line\nuse_colors = 0\n",
                                 true}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(Config, NoBackupOptionBeatsTheFile)
{
    TempDir dir;
    auto path = dir.write("f", "abc");
    dir.write("rc", "make_backup_files = 1\n");
    Session s(in_dir(dir, {"-n", "-c", "rc", "f"}));
    ASSERT_TRUE(s.wait_row_contains(23, " offset: 0x"));
    s.send("7s");
    ASSERT_TRUE(s.wait_text("Are you sure you want to save (y/n)?"));
    s.send("y");
    ASSERT_TRUE(s.wait_text_gone("*"));
    s.send("q");
    EXPECT_EQ(s.wait_exit(), 0);
    EXPECT_EQ(e2e::read_file(path), "qbc");
    EXPECT_FALSE(std::ifstream(path + "~").good()) << "no backup with -n";
}

}  // namespace
