// Fuzz target for the number syntax of the prompts: parse_number on the
// input taken as a C string, checked against a slow re-parse that works in
// 128-bit arithmetic and against strtoll where the C library agrees.
#include "screen/number.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

namespace {

bool space(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

int digit(char c, int base)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (base == 16 && c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (base == 16 && c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The reference: true and the value when the answer is valid and fits.
// *digits_at and *base tell where the digits start and in which base.
bool reference(const char *s, int64_t *out, size_t *digits_at, int *base)
{
    size_t i = 0;
    while (s[i] && space(s[i]))
        i++;
    *base = 10;
    if (s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        *base = 16;
        i += 2;
    } else if (s[i] == '0') {
        *base = 8;
    }
    *digits_at = i;
    __int128 v = 0;
    for (; s[i]; i++) {
        int d = digit(s[i], *base);
        if (d < 0)
            return false;
        v = v * *base + d;
        if (v > std::numeric_limits<int64_t>::max())
            return false;
    }
    *out = static_cast<int64_t>(v);
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string text(reinterpret_cast<const char *>(data), size);
    const char *s = text.c_str();  // ends at the first NUL of the input

    const int64_t untouched = 0x5a5a5a5a5a5a5a5a;
    int64_t got = untouched;
    int rc = parse_number(s, &got);

    int64_t want = 0;
    size_t at = 0;
    int base = 10;
    bool valid = reference(s, &want, &at, &base);
    if (rc != (valid ? 0 : -1))
        abort();
    if (!valid) {
        if (got != untouched)
            abort();
        return 0;
    }
    if (got != want || got < 0)
        abort();
    // Decimal and hexadecimal digits mean what they mean to strtoll.
    if ((base == 10 || base == 16) && s[at] != 0) {
        errno = 0;
        char *end = nullptr;
        long long ll = strtoll(s + at, &end, base);
        if (errno != 0 || *end != 0 || ll != got)
            abort();
    }
    return 0;
}
