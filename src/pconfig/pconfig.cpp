// The configuration table: a chained hash table of typed entries created
// from a table of defaults, its getters, release and dump, and the
// program's own defaults.
#undef NDEBUG // the getters' assertion guards every build, release included
#include <cassert>

#include "pconfig/pconfig.h"
#include "pconfig/pconfig_entry.h"
#include "core/editor.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

constexpr uint32_t PCONFIG_DEFAULT_BUCKETS = 109;

const config_default vexa_defaults[] = {
    {PCONFIG_INT, "advance_after_edit", "1"},
    {PCONFIG_INT, "make_backup_files", "1"},
    {PCONFIG_INT, "use_colors", "1"},
    {PCONFIG_STRING, "bg_color", "blue"},
    {PCONFIG_STRING, "fg_color", "white"},
    {PCONFIG_STRING, "bg_color_selected", "black"},
    {PCONFIG_STRING, "fg_color_selected", "green"},
    {PCONFIG_STRING, "bg_color_status", "cyan"},
    {PCONFIG_STRING, "fg_color_status", "black"},
    {0, nullptr, nullptr},
};

static config_entry **pconfig_buckets;
static uint32_t pconfig_nbuckets;
char pconfig_errbuf[PCONFIG_ERRBUF_SIZE];

// h = h * 31 + c over the key's bytes, each taken as a signed char.
uint32_t pconfig_hash(const char *key)
{
    uint32_t h = 0;
    for (const char *p = key; *p; p++)
        h = h * 31 + static_cast<uint32_t>(static_cast<int32_t>(static_cast<signed char>(*p)));
    return h;
}

static config_entry **bucket_of(const char *key)
{
    return &pconfig_buckets[pconfig_hash(key) % pconfig_nbuckets];
}

config_entry *pconfig_find(const char *key)
{
    if (pconfig_nbuckets == 0)
        return nullptr;
    config_entry *t = *bucket_of(key);
    while (t && strcmp(t->name, key) != 0)
        t = t->next;
    return t;
}

// Makes the entry of one defaults row and pushes it at the head of its
// chain; -1 when the entry cannot be allocated or the type is unknown.
static int add_default(const config_default *row)
{
    config_entry *e = static_cast<config_entry *>(malloc(sizeof *e));
    if (!e)
        return -1;
    e->name = safe_strdup(row->name);
    e->type = row->type;
    if (row->type == PCONFIG_INT) {
        e->int_value = atoi(row->value);
    } else if (row->type == PCONFIG_STRING) {
        e->string_value = safe_strdup(row->value);
    } else {
        free(e->name);
        free(e);
        return -1;
    }
    config_entry **head = bucket_of(row->name);
    e->next = *head;
    *head = e;
    return 0;
}

int pconfig_init(uint32_t nbuckets, const config_default *defaults)
{
    uint32_t n = nbuckets ? nbuckets : PCONFIG_DEFAULT_BUCKETS;
    config_entry **heads = static_cast<config_entry **>(calloc(n, sizeof *heads));
    if (!heads)
        return -1;
    pconfig_free(); // a table made earlier is replaced, not leaked
    pconfig_buckets = heads;
    pconfig_nbuckets = n;
    for (const config_default *row = defaults; row->type != 0; row++)
        if (add_default(row) < 0)
            return -1;
    return 0;
}

// The entry of a key that must be in the table.
static config_entry *entry_of(const char *key)
{
    config_entry *t = pconfig_nbuckets ? *bucket_of(key) : nullptr;
    assert(t != NULL);
    while (strcmp(t->name, key) != 0) {
        t = t->next;
        assert(t != NULL);
    }
    return t;
}

int pconfig_get_int(const char *key)
{
    return entry_of(key)->int_value;
}

const char *pconfig_get_string(const char *key)
{
    return entry_of(key)->string_value;
}

// Releases every entry and the bucket array; the table is then empty again,
// so a second call does nothing.
void pconfig_free()
{
    for (uint32_t i = 0; i < pconfig_nbuckets; i++) {
        config_entry *t = pconfig_buckets[i];
        while (t) {
            config_entry *next = t->next;
            if (t->type == PCONFIG_STRING)
                free(t->string_value);
            free(t->name);
            free(t);
            t = next;
        }
    }
    free(pconfig_buckets);
    pconfig_buckets = nullptr;
    pconfig_nbuckets = 0;
}

void pconfig_dump()
{
    for (uint32_t i = 0; i < pconfig_nbuckets; i++)
        for (config_entry *t = pconfig_buckets[i]; t; t = t->next) {
            if (t->type == PCONFIG_STRING)
                printf("%s = %s\n", t->name, t->string_value);
            else
                printf("%s = %d\n", t->name, t->int_value);
        }
}

const char *pconfig_error()
{
    return pconfig_errbuf;
}
