// Parsing of numeric answers: decimal, octal after a leading "0", and
// hexadecimal after "0x". Values that do not fit a signed 64-bit integer
// are refused rather than wrapped.
#include "screen/number.h"

#include <cstdint>
#include <limits>

namespace {

// The C locale's white space; bytes from 0x80 up are never white space.
bool is_space(unsigned char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Value of a digit in the given base, or -1. Decimal digits count at face
// value in every base, so "8" and "9" pass in octal answers.
int digit_value(unsigned char c, int base)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (base == 16 && c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (base == 16 && c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

}  // namespace

int parse_number(const char *text, int64_t *where)
{
    const auto *p = reinterpret_cast<const unsigned char *>(text);
    while (is_space(*p))
        p++;
    int base = 10;
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
        base = 16;
        p += 2;
    } else if (p[0] == '0') {
        base = 8;
    }
    const int64_t max = std::numeric_limits<int64_t>::max();
    int64_t value = 0;
    for (; *p; p++) {
        int d = digit_value(*p, base);
        if (d < 0)
            return -1;
        if (value > (max - d) / base)
            return -1;
        value = value * base + d;
    }
    *where = value;
    return 0;
}
