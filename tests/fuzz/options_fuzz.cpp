// Fuzz target for the option scanner. The input, split at NUL bytes, is an
// argument vector (argv[0] included). When its first piece begins with the
// byte 0x01, the rest of that piece is the option-list string instead of
// the program's own. The scanner runs until it returns -1; a command-line
// error ends the run through options_fail, which here unwinds back to this
// driver. Checked: the scan ends, the vector is only reordered, argv[0]
// stays, each result names a token of the option list, an option's
// argument is an element of the vector, and a call after the end repeats
// the end.
#include "core/options/options.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct command_line_error {};

void fail_by_unwinding(int)
{
    throw command_line_error{};
}

bool spec_space(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// For each token of an option list, parsed independently: whether it
// takes an argument.
std::vector<bool> spec_tokens(const char *p)
{
    std::vector<bool> takes_arg;
    for (;;) {
        while (spec_space(*p))
            p++;
        if (!*p)
            return takes_arg;
        while (*p && !spec_space(*p) && *p != ':')
            p++;
        takes_arg.push_back(*p == ':');
        if (*p == ':' && *++p)
            p++;
    }
}

std::vector<std::string> split(const uint8_t *data, size_t size)
{
    std::vector<std::string> parts(1);
    for (size_t i = 0; i < size; i++) {
        if (data[i] == 0)
            parts.emplace_back();
        else
            parts.back() += static_cast<char>(data[i]);
    }
    return parts;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    options_fail = fail_by_unwinding;
    // The error messages are expected; keep them off the fuzzer's output.
    // (libFuzzer and the sanitizers keep their own handle on standard error.)
    if (FILE *null = fopen("/dev/null", "w"))
        stderr = null;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::vector<std::string> parts = split(data, size);
    std::string spec = option_spec;
    if (!parts[0].empty() && parts[0][0] == '\x01') {
        spec = parts[0].substr(1);
        parts.erase(parts.begin());
        if (parts.empty())
            parts.emplace_back();
    }
    std::vector<char *> argv;
    for (std::string &p : parts)
        argv.push_back(p.data());
    argv.push_back(nullptr);
    const int argc = static_cast<int>(parts.size());
    const std::vector<char *> before = argv;
    const std::vector<bool> takes_arg = spec_tokens(spec.c_str());
    const int tokens = static_cast<int>(takes_arg.size());

    options_reset();
    try {
        size_t calls = 0;
        int opt;
        while ((opt = next_option(argc, argv.data(), spec.c_str())) != -1) {
            if (opt < 0 || opt >= tokens)
                abort();
            if (takes_arg[opt] && std::find(argv.begin() + 1, argv.end() - 1, option_arg) == argv.end() - 1)
                abort();
            if (++calls > size + 2)
                abort();  // every call consumes an argument or a letter
        }
        const int end = first_operand;
        if (end < 1 || end > argc)
            abort();
        if (next_option(argc, argv.data(), spec.c_str()) != -1 || first_operand != end)
            abort();
    } catch (const command_line_error &) {
        // Errors are found before any option is returned; nothing to check.
    }
    if (argv[0] != before[0] || argv[argc] != nullptr)
        abort();
    std::vector<char *> a(argv.begin(), argv.end()), b(before.begin(), before.end());
    std::sort(a.begin(), a.end());
    std::sort(b.begin(), b.end());
    if (a != b)
        abort();
    return 0;
}
