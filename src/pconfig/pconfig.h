// Typed key/value configuration table built from a table of defaults, and
// the reader of the configuration file.
#pragma once

#include <cstdint>

enum { PCONFIG_STRING = 1, PCONFIG_INT = 2 };

struct config_default {
    int type;
    const char *name;
    const char *value;
};

// The program's nine keys, ended by a row of type 0.
extern const config_default vexa_defaults[];

uint32_t pconfig_hash(const char *key);
int pconfig_init(uint32_t nbuckets, const config_default *defaults);
int pconfig_get_int(const char *key);
const char *pconfig_get_string(const char *key);
void pconfig_free();
void pconfig_dump();
const char *pconfig_error();
int pconfig_read_file(const char *path);
