// Fast forward scans over the bytes the editor holds: the file is read in
// large blocks with pread, and the bytes of dirty windows are laid over it.
// Nothing is mapped by a scan.
#pragma once

#include <cstddef>
#include <cstdint>

// Result of a scan that could not read the file; errno tells why.
constexpr int64_t SCAN_READ_ERROR = -2;

// First offset at or after from whose byte equals value; -1 when none.
int64_t scan_byte(int64_t from, uint8_t value);

// First offset at or after from where the n bytes of pat (n >= 1) start and
// that ends inside the file; -1 when none, SCAN_READ_ERROR when a read
// failed.
int64_t scan_string(int64_t from, const uint8_t *pat, size_t n);

// Bytes of candidate start offsets handled per block (1 or more). Tests
// shrink it to put matches across block boundaries.
void scan_set_block_size(size_t bytes);
size_t scan_block_size();
