// The option scanner and the option loop: rearrangement, bundles, errors,
// and the texts of -h, -v and a missing operand.
#include "core/editor.h"
#include "core/options/options.h"
#include "capture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A writable argument vector with argv[0] "./bin/vexa".
struct args {
    std::vector<std::string> text;
    std::vector<char *> ptr;

    args(std::initializer_list<const char *> list) : text{"./bin/vexa"}
    {
        text.insert(text.end(), list.begin(), list.end());
        for (std::string &t : text)
            ptr.push_back(t.data());
        ptr.push_back(nullptr);
    }
    int argc() const { return static_cast<int>(text.size()); }
    char **argv() { return ptr.data(); }
    // The vector from index 1 as it stands now, joined by spaces.
    std::string joined() const
    {
        std::string s;
        for (size_t i = 1; ptr[i]; i++)
            s += (i > 1 ? " " : "") + std::string(ptr[i]);
        return s;
    }
};

// Every option returned ("index" or "index:argument"), joined by spaces.
std::string scan_all(args &a)
{
    std::string seen;
    for (int opt; (opt = next_option(a.argc(), a.argv(), option_spec)) != -1;) {
        seen += (seen.empty() ? "" : " ") + std::to_string(opt);
        if (opt == 2 || opt == 3)
            seen += std::string(":") + option_arg;
    }
    return seen;
}

class OptionsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        options_reset();
        editor.prog_name = "vexa";
        editor.config_path = nullptr;
        use_colors = make_backup_files = -1;
    }
};

struct scan_case {
    std::initializer_list<const char *> argv;
    const char *options;   // what scan_all returns
    const char *rearranged;
    int first_operand;
};

TEST_F(OptionsTest, ScansAndRearranges)
{
    const scan_case cases[] = {
        {{}, "", "", 1},
        {{"file"}, "", "file", 1},
        {{"file", "-n"}, "0", "-n file", 2},
        {{"-d", "file", "-n"}, "4 0", "-d -n file", 3},
        {{"-nd", "file"}, "0 4", "-nd file", 2},
        {{"-nn", "file"}, "0 0", "-nn file", 2},
        {{"-c", "cfg", "file"}, "2:cfg", "-c cfg file", 3},
        {{"-c", "cfg"}, "2:cfg", "-c cfg", 3},
        {{"-c", "-x", "file"}, "2:-x", "-c -x file", 3},
        {{"-c", "-nd", "file"}, "2:-nd", "-c -nd file", 3},
        {{"f", "--config-file", "cfg", "--disable-colors"}, "5 3:cfg",
         "--disable-colors --config-file cfg f", 4},
        {{"b", "-c", "x", "a", "-n", "-c", "y", "-dn"}, "0 4 0 2:x 2:y", "-n -dn -c x -c y b a", 7},
        {{"file1", "file2"}, "", "file1 file2", 1},
        {{"", "-h"}, "6", "-h ", 2},
        {{"--help", "--version", "--no-backup-files"}, "7 9 1",
         "--help --version --no-backup-files", 4},
        {{"-hv"}, "6 8", "-hv", 2},
    };
    for (const scan_case &c : cases) {
        args a(c.argv);
        options_reset();
        EXPECT_EQ(scan_all(a), c.options) << a.joined();
        EXPECT_EQ(a.joined(), c.rearranged);
        EXPECT_EQ(first_operand, c.first_operand) << a.joined();
    }
}

TEST_F(OptionsTest, NoArgumentsLeavesTheTerminatingNull)
{
    args a({});
    EXPECT_EQ(next_option(a.argc(), a.argv(), option_spec), -1);
    EXPECT_EQ(first_operand, 1);
    EXPECT_EQ(a.argv()[first_operand], nullptr);
}

TEST_F(OptionsTest, ExhaustedScannerKeepsReturningMinusOne)
{
    args a({"-n", "file"});
    EXPECT_EQ(scan_all(a), "0");
    EXPECT_EQ(next_option(a.argc(), a.argv(), option_spec), -1);
    EXPECT_EQ(first_operand, 2);
}

TEST_F(OptionsTest, ANewOptionListStartsOver)
{
    static const char other_spec[] = "-a\t--all:x-b";
    args a({"-b", "--all", "val", "-ab", "op"});
    std::string seen;
    for (int opt; (opt = next_option(a.argc(), a.argv(), other_spec)) != -1;)
        seen += std::to_string(opt) + (opt == 1 ? std::string(":") + option_arg : "") + " ";
    EXPECT_EQ(seen, "2 0 2 1:val ");
    EXPECT_EQ(first_operand, 5);

    args b({"file", "-d"});
    EXPECT_EQ(scan_all(b), "4"); // the program's spec again, another vector
    EXPECT_EQ(first_operand, 2);
}

struct error_case {
    std::initializer_list<const char *> argv;
    const char *message;
};

TEST_F(OptionsTest, CommandLineErrors)
{
    const char *requires_arg = "requires an argument and can't be put together with other options";
    const error_case cases[] = {
        {{"-c"}, "option `-c' requires an argument"},
        {{"file", "--config-file"}, "option `--config-file' requires an argument"},
        {{"-c", "-n", "file"}, "option `-c' requires an argument"},
        {{"-c", "--help", "file"}, "option `-c' requires an argument"},
        {{"-nc", "cfg"}, "option `c' REQ"},
        {{"-cfg"}, "option `c' REQ"},
        {{"-x"}, "option `x' not recognized"},
        {{"-n5"}, "option `5' not recognized"},
        {{"-5n"}, "option `-5n' not recognized"},
        {{"-"}, "option `-' not recognized"},
        {{"--"}, "option `--' not recognized"},
        {{"--config-file=cfg"}, "option `--config-file=cfg' not recognized"},
        {{"--colors"}, "option `--colors' not recognized"},
        {{"-no-backup-files"}, "option `o' not recognized"},
        {{"-h", "file", "-x"}, "option `x' not recognized"},
        {{"-v", "-n", "-c"}, "option `-c' requires an argument"},
    };
    for (const error_case &c : cases) {
        args a(c.argv);
        std::string msg = c.message;
        if (size_t at = msg.find("REQ"); at != std::string::npos)
            msg.replace(at, 3, requires_arg);
        child_result r = run_in_child([&] { options_apply(a.argc(), a.argv()); });
        EXPECT_EQ(r.status, 1) << a.joined();
        EXPECT_EQ(r.err, "./bin/vexa: " + msg + "\n");
        EXPECT_EQ(r.out, "") << a.joined();
    }
}

const char usage_text[] =
    "Usage: vexa [options] FILE\n"
    "Available options:\n"
    "  -n, --no-backup-files \tdon't make backup files\n"
    "  -c, --config-file CONFIGFILE \tread configuration from CONFIGFILE\n"
    "  -d, --disable-colors \t\tdon't use colors\n"
    "  -h, --help       \t\thelp\n"
    "  -v, --version    \t\tversion\n"
    "\n"
    "Report bugs at the vexa project's issue tracker.\n";

struct output_case {
    std::initializer_list<const char *> argv;
    const char *out;
};

TEST_F(OptionsTest, HelpVersionAndMissingOperandOnStdout)
{
    const output_case cases[] = {
        {{}, "vexa: missing file argument\n"},
        {{"-c", "cfg"}, "vexa: missing file argument\n"},
        {{"-n", "-d"}, "vexa: missing file argument\n"},
        {{"-h"}, usage_text},
        {{"--help", "file"}, usage_text},
        {{"file", "-h", "-v"}, usage_text},
        {{"-v"}, "vexa 0.4.2\n"},
        {{"--version"}, "vexa 0.4.2\n"},
        {{"-v", "-h"}, "vexa 0.4.2\n"},
    };
    for (const output_case &c : cases) {
        args a(c.argv);
        child_result r = run_in_child([&] { options_apply(a.argc(), a.argv()); });
        EXPECT_EQ(r.status, 0) << a.joined();
        EXPECT_EQ(r.out, c.out) << a.joined();
        EXPECT_EQ(r.err, "") << a.joined();
    }
}

TEST_F(OptionsTest, AppliesOptionsAndReturnsTheOperand)
{
    args a({"-n", "file", "-c", "first", "--config-file", "second", "-d"});
    EXPECT_EQ(options_apply(a.argc(), a.argv()), 7);
    EXPECT_STREQ(a.argv()[7], "file");
    EXPECT_EQ(make_backup_files, 0);
    EXPECT_EQ(use_colors, 0);
    EXPECT_STREQ(editor.config_path, "second");
}

TEST_F(OptionsTest, OperandsOnlyLeaveSettingsUnset)
{
    args a({"file1", "file2"});
    EXPECT_EQ(options_apply(a.argc(), a.argv()), 1);
    EXPECT_STREQ(a.argv()[1], "file1");
    EXPECT_EQ(make_backup_files, -1);
    EXPECT_EQ(use_colors, -1);
    EXPECT_EQ(editor.config_path, nullptr);
}

TEST_F(OptionsTest, ArgumentOfAnOptionIsNotScannedAgain)
{
    args a({"--config-file", "-h", "file"}); // -h is an option name
    child_result r = run_in_child([&] { options_apply(a.argc(), a.argv()); });
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "./bin/vexa: option `--config-file' requires an argument\n");

    args b({"-c", "-5n", "file"}); // a bad bundle taken as the argument
    EXPECT_EQ(options_apply(b.argc(), b.argv()), 3);
    EXPECT_STREQ(editor.config_path, "-5n");
}

} // namespace
