// Finding a byte string in a buffer, used by the block scans.
#pragma once

#include <cstddef>
#include <cstdint>

// First place in hay[0, len) where the n bytes of pat (n >= 1) start, or
// null. Linear in len whatever the pattern.
const uint8_t *scan_find(const uint8_t *hay, size_t len, const uint8_t *pat, size_t n);

// Tests only: 16 forces the 16-byte vector filter even where 32-byte
// compares exist; 0 goes back to the widest the processor has.
void scan_find_set_width(int bytes);
