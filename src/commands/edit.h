// Byte entry, range fill and undo.
#pragma once

#include <cstdint>

struct undo_entry {
    int64_t start;   // changed byte, or first byte of a filled range
    int64_t end;     // last byte of a range (inclusive); 0 for one byte
    uint8_t old_byte;
    uint8_t *saved;  // old bytes of a range, owned by the entry
};

void push_undo(int64_t start, int64_t end, uint8_t old_byte, uint8_t *saved);
void enter_character(int key);
void enter_hex_digit(int key);
void fill_range();
void undo_last();
