// The number syntax of answers: decimal, octal after "0", hex after "0x".
#pragma once

#include <cstdint>

// 0 and the value in *where for a valid answer that fits a signed 64-bit
// integer; -1 otherwise, with *where untouched.
int parse_number(const char *text, int64_t *where);
