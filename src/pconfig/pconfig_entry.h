// The table's entry record and the few module internals that the file
// reader shares with the table: lookup without the assertion, and the
// error buffer.
#pragma once

#include <cstddef>

struct config_entry {
    char *name;
    int type;
    union {
        int int_value;
        char *string_value;
    };
    config_entry *next;
};

enum { PCONFIG_ERRBUF_SIZE = 512 };

extern char pconfig_errbuf[PCONFIG_ERRBUF_SIZE];

// The entry named key, or NULL when the table has none (or no table exists).
config_entry *pconfig_find(const char *key);
