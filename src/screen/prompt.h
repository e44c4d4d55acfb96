// Messages and questions on the bottom line.
#pragma once

#include <cstdint>

extern char search_input[1024];

void show_message(const char *text);
// Shows text for about a second; the caller's state is left as it was.
void show_message_pause(const char *text);
int prompt_number(const char *question, int64_t *where);
int prompt_key(const char *question);
void prompt_string();
