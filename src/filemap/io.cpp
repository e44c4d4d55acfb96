// Descriptor I/O for the paths that write the user's file and its backup:
// interrupted and partial calls are retried, and every failure is reported.
#include "filemap/filemap.h"

#include <cerrno>
#include <unistd.h>

int write_fully(int fd, const uint8_t *p, int64_t n, int64_t at)
{
    while (n > 0) {
        ssize_t done = pwrite(fd, p, static_cast<size_t>(n), at);
        if (done < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (done == 0) {
            errno = EIO;
            return -1;
        }
        p += done;
        at += done;
        n -= done;
    }
    return 0;
}

int flush_fully(int fd)
{
    while (fsync(fd) < 0) {
        if (errno != EINTR)
            return -1;
    }
    return 0;
}
