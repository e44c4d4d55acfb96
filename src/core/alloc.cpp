// die and the allocation helpers that end the process when memory runs out.
#include "core/editor.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include <curses.h>

void restore_terminal()
{
    if (!curses_active)
        return;
    curses_active = false;
    endwin();
}

void die(const char *fmt, ...)
{
    char buf[512];
    va_list ap;
    va_start(ap, fmt);
    vsnprintf(buf, sizeof buf - 1, fmt, ap);
    va_end(ap);
    buf[sizeof buf - 1] = 0;
    // A message printed into a live curses screen would be lost.
    restore_terminal();
    fprintf(stderr, "%s\n", buf);
    exit(1);
}

void *safe_malloc(size_t size)
{
    void *p = malloc(size);
    if (!p && size)
        die("malloc failed: %s", strerror(errno));
    return p;
}

void *safe_realloc(void *block, size_t size)
{
    void *p = realloc(block, size);
    if (!p && size)
        die("realloc failed: %s", strerror(errno));
    return p;
}

char *safe_strdup(const char *text)
{
    size_t n = strlen(text) + 1;
    char *p = static_cast<char *>(malloc(n));
    if (!p)
        die("malloc failed: %s", strerror(errno));
    memcpy(p, text, n);
    return p;
}

namespace {
// Containers end the process the same way when they cannot grow.
void out_of_memory()
{
    die("malloc failed: %s", strerror(ENOMEM));
}
struct install_new_handler {
    install_new_handler() { std::set_new_handler(out_of_memory); }
} install_new_handler_now;
}
