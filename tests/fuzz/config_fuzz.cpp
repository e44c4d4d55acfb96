// Fuzz target for the configuration file reader: the input becomes the
// contents of a temporary file, which is read into a table made from the
// program's defaults, and the table is released again. Checked: the result
// is 0 or -1, the error text stays inside its buffer, and after a read
// every key of the defaults is still there with a value of sensible length.
#include "pconfig/pconfig.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// On a memory file system when there is one: truncating and rewriting a
// disk file for every input makes the run wait on the disk.
char path[64];

void remove_file()
{
    unlink(path);
}

void write_input(const uint8_t *data, size_t size)
{
    int fd = open(path, O_WRONLY | O_TRUNC);
    if (fd < 0)
        abort();
    while (size > 0) {
        ssize_t w = write(fd, data, size);
        if (w <= 0)
            abort();
        data += w;
        size -= static_cast<size_t>(w);
    }
    close(fd);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    struct stat st;
    const char *dir = stat("/dev/shm", &st) == 0 && S_ISDIR(st.st_mode) ? "/dev/shm" : "/tmp";
    snprintf(path, sizeof path, "%s/vexa-config-fuzz-XXXXXX", dir);
    int fd = mkstemp(path);
    if (fd < 0)
        abort();
    close(fd);
    atexit(remove_file);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    write_input(data, size);
    if (pconfig_init(0, vexa_defaults) != 0)
        abort();
    int rc = pconfig_read_file(path);
    if (rc != 0 && rc != -1)
        abort();
    if (strnlen(pconfig_error(), 512) == 512)
        abort();
    for (const config_default *d = vexa_defaults; d->type; d++) {
        if (d->type == PCONFIG_INT)
            (void)pconfig_get_int(d->name);
        else if (strlen(pconfig_get_string(d->name)) >= 4096)
            abort();
    }
    pconfig_free();
    return 0;
}
