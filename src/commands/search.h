// Jump to an offset, forward byte and string search, and repeat.
#pragma once

#include <cstdint>

void jump_command();
void search_byte_command();
void search_string_command();
void repeat_search();
void search_byte(uint8_t value);
void search_string(const char *pattern);
