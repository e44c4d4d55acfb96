// The command-line scanner next_option, driven by a option-list string,
// and the option loop that applies the program's options.
#include "core/options/options.h"
#include "core/editor.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#ifndef VEXA_VERSION
#define VEXA_VERSION "0.4.2"
#endif

const char option_spec[] =
    " -n --no-backup-files -c: --config-file: -d --disable-colors -h --help -v --version";
const char *option_arg;
int first_operand;
void (*options_fail)(int status) = exit;

namespace {

struct option_entry {
    std::string name;
    int index;
    int takes_arg;
};

std::vector<option_entry> option_table;
const char *parsed_spec;
int next_index;
int options_end;
bool in_bundle;
const char *bundle_next;

// Space class of the C locale; bytes from 0x80 up are never white space.
bool spec_space(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool ascii_letter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Splits the option list into tokens; a token ending at ':' takes an
// argument, and the ':' and the byte after it are skipped.
void parse_spec(const char *spec)
{
    option_table.clear();
    int index = 0;
    const char *p = spec;
    for (;;) {
        while (spec_space(*p))
            p++;
        if (*p == 0)
            break;
        const char *start = p;
        while (*p && !spec_space(*p) && *p != ':')
            p++;
        option_entry e{std::string(start, p), index++, 0};
        if (*p == ':') {
            e.takes_arg = 1;
            p++;
            if (*p)
                p++;
        }
        option_table.push_back(std::move(e));
    }
}

const option_entry *find_option(const char *name)
{
    for (const option_entry &e : option_table)
        if (e.name == name)
            return &e;
    return nullptr;
}

const option_entry *find_letter(char x)
{
    const char name[3] = {'-', x, 0};
    return find_option(name);
}

[[noreturn]] void command_line_error(const char *fmt, const char *prog, const char *what)
{
    fprintf(stderr, fmt, prog, what);
    options_fail(1);
    abort();
}

// Checks an argument that is no option name as a bundle of single-letter
// options that take no argument; ends the process when it is not one.
void check_bundle(const char *arg, const char *prog)
{
    if (!ascii_letter(arg[1]))
        command_line_error("%s: option `%s' not recognized\n", prog, arg);
    for (const char *p = arg + 1; *p; p++) {
        const char letter[2] = {*p, 0};
        const option_entry *o = find_letter(*p);
        if (!o)
            command_line_error("%s: option `%s' not recognized\n", prog, letter);
        if (o->takes_arg)
            command_line_error("%s: option `%s' requires an argument and can't be put "
                               "together with other options\n",
                               prog, letter);
    }
}

// Checks every argument and moves the options (first those without an
// argument, then those with one, each followed by it) in front of the
// operands, keeping the order within each group.
void sort_arguments(int argc, char **argv)
{
    std::vector<char *> flags, pairs, operands;
    for (int i = 1; i < argc; i++) {
        char *a = argv[i];
        if (a[0] != '-') {
            operands.push_back(a);
            continue;
        }
        const option_entry *o = find_option(a);
        if (o && o->takes_arg) {
            if (i + 1 >= argc || find_option(argv[i + 1]))
                command_line_error("%s: option `%s' requires an argument\n", argv[0], a);
            pairs.push_back(a);
            pairs.push_back(argv[++i]);
            continue;
        }
        if (!o)
            check_bundle(a, argv[0]);
        flags.push_back(a);
    }
    int k = 1;
    for (const std::vector<char *> *list : {&flags, &pairs, &operands})
        for (char *a : *list)
            argv[k++] = a;
    options_end = 1 + static_cast<int>(flags.size() + pairs.size());
}

void start_scan(int argc, char **argv, const char *spec)
{
    options_reset();
    parse_spec(spec);
    options_end = 1;
    if (argc > 1)
        sort_arguments(argc, argv);
    parsed_spec = spec;
    next_index = 1;
}

// Returns the option of the bundle's current letter and moves past it.
int bundle_letter()
{
    char x = *bundle_next;
    if (bundle_next[1] == 0) {
        in_bundle = false;
        next_index++;
    } else {
        bundle_next++;
    }
    const option_entry *o = find_letter(x);
    return o ? o->index : -1;
}

enum {
    OPT_N, OPT_NO_BACKUP_FILES, OPT_C, OPT_CONFIG_FILE, OPT_D, OPT_DISABLE_COLORS,
    OPT_H, OPT_HELP, OPT_V, OPT_VERSION
};

[[noreturn]] void print_usage()
{
    printf("Usage: %s [options] FILE\nAvailable options:\n", editor.prog_name.c_str());
    puts("  -n, --no-backup-files \tdon't make backup files");
    puts("  -c, --config-file CONFIGFILE \tread configuration from CONFIGFILE");
    puts("  -d, --disable-colors \t\tdon't use colors");
    puts("  -h, --help       \t\thelp");
    puts("  -v, --version    \t\tversion");
    puts("");
    puts("Report bugs at the vexa project's issue tracker.");
    exit(0);
}

[[noreturn]] void print_version()
{
    printf("vexa %s\n", VEXA_VERSION);
    exit(0);
}

} // namespace

void options_reset()
{
    option_table.clear();
    parsed_spec = nullptr;
    next_index = 1;
    options_end = 1;
    in_bundle = false;
    bundle_next = nullptr;
}

int next_option(int argc, char **argv, const char *spec)
{
    if (spec != parsed_spec)
        start_scan(argc, argv, spec);
    if (next_index >= options_end) {
        first_operand = next_index;
        return -1;
    }
    if (!in_bundle) {
        const char *a = argv[next_index];
        if (const option_entry *o = find_option(a)) {
            if (o->takes_arg)
                option_arg = argv[next_index + 1];
            next_index += o->takes_arg ? 2 : 1;
            return o->index;
        }
        in_bundle = true;
        bundle_next = a + 1;
    }
    return bundle_letter();
}

int options_apply(int argc, char **argv)
{
    for (int opt; (opt = next_option(argc, argv, option_spec)) != -1;) {
        switch (opt) {
        case OPT_N:
        case OPT_NO_BACKUP_FILES:
            make_backup_files = 0;
            break;
        case OPT_C:
        case OPT_CONFIG_FILE:
            editor.config_path = option_arg;
            break;
        case OPT_D:
        case OPT_DISABLE_COLORS:
            use_colors = 0;
            break;
        case OPT_H:
        case OPT_HELP:
            print_usage();
        case OPT_V:
        case OPT_VERSION:
            print_version();
        default:
            break;
        }
    }
    if (first_operand >= argc || argv[first_operand] == nullptr) {
        printf("%s: missing file argument\n", editor.prog_name.c_str());
        exit(0);
    }
    return first_operand;
}
