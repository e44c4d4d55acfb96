// A preloadable library for the end-to-end tests that makes chosen system
// calls fail, so that the editor's handling of failed saves can be seen from
// outside. VEXA_FAULT holds a comma-separated list of:
//   pwrite       every pwrite to a file other than a backup fails with ENOSPC
//   write        every write to a regular file fails with ENOSPC (the
//                terminal and the pipes keep working)
//   backup-write every write or pwrite to a file whose name ends in "~"
//                fails with ENOSPC
//   fsync        every fsync and fdatasync fails with EIO
//   backup-open  opening a path that ends in "~" fails with EACCES
//   mmap         every writable private mapping of a file fails with ENOMEM
//                (the editor's windows; no other mapping is touched)
// A fault written "name:N" lets its first N calls through and fails the
// rest, e.g. "pwrite:2" or "mmap:1".
// Without VEXA_FAULT every call goes straight through.
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

namespace {

// Whether the named fault hits this call. calls counts the calls that the
// fault applies to, for the "name:N" form.
bool fault_on(const char *name, long *calls = nullptr)
{
    const char *list = getenv("VEXA_FAULT");
    if (!list)
        return false;
    size_t n = strlen(name);
    for (const char *p = list; *p;) {
        const char *end = strchr(p, ',');
        size_t len = end ? static_cast<size_t>(end - p) : strlen(p);
        if (len == n && strncmp(p, name, n) == 0)
            return true;
        if (len > n && strncmp(p, name, n) == 0 && p[n] == ':') {
            long spared = strtol(p + n + 1, nullptr, 10);
            return calls && (*calls)++ >= spared;
        }
        if (!end)
            break;
        p = end + 1;
    }
    return false;
}

long pwrite_calls, write_calls, mmap_calls;

bool regular_file(int fd)
{
    struct stat st;
    return fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
}

bool window_mapping(int prot, int flags, int fd)
{
    return fd >= 0 && (prot & PROT_WRITE) && (flags & MAP_PRIVATE);
}

// Whether fd is open on a file whose name ends in "~" (a backup).
bool backup_fd(int fd)
{
    char link[64], path[4096];
    snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    ssize_t n = readlink(link, path, sizeof path);
    return n > 0 && path[n - 1] == '~';
}

bool backup_write_fails(int fd)
{
    return fault_on("backup-write") && backup_fd(fd);
}

bool is_backup_name(const char *path)
{
    size_t n = path ? strlen(path) : 0;
    return n > 0 && path[n - 1] == '~' && fault_on("backup-open");
}

template <typename F>
F next(const char *name)
{
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

mode_t mode_arg(int flags, va_list ap)
{
    return (flags & (O_CREAT | O_TMPFILE)) ? static_cast<mode_t>(va_arg(ap, int)) : 0;
}

}  // namespace

extern "C" {

ssize_t pwrite(int fd, const void *buf, size_t n, off_t at)
{
    if (backup_write_fails(fd) || (!backup_fd(fd) && fault_on("pwrite", &pwrite_calls))) {
        errno = ENOSPC;
        return -1;
    }
    return next<ssize_t (*)(int, const void *, size_t, off_t)>("pwrite")(fd, buf, n, at);
}

ssize_t pwrite64(int fd, const void *buf, size_t n, off_t at)
{
    if (backup_write_fails(fd) || (!backup_fd(fd) && fault_on("pwrite", &pwrite_calls))) {
        errno = ENOSPC;
        return -1;
    }
    return next<ssize_t (*)(int, const void *, size_t, off_t)>("pwrite64")(fd, buf, n, at);
}

ssize_t write(int fd, const void *buf, size_t n)
{
    if (backup_write_fails(fd) || (regular_file(fd) && fault_on("write", &write_calls))) {
        errno = ENOSPC;
        return -1;
    }
    return next<ssize_t (*)(int, const void *, size_t)>("write")(fd, buf, n);
}

void *mmap(void *addr, size_t len, int prot, int flags, int fd, off_t at)
{
    if (window_mapping(prot, flags, fd) && fault_on("mmap", &mmap_calls)) {
        errno = ENOMEM;
        return MAP_FAILED;
    }
    return next<void *(*)(void *, size_t, int, int, int, off_t)>("mmap")(addr, len, prot, flags, fd, at);
}

void *mmap64(void *addr, size_t len, int prot, int flags, int fd, off_t at)
{
    if (window_mapping(prot, flags, fd) && fault_on("mmap", &mmap_calls)) {
        errno = ENOMEM;
        return MAP_FAILED;
    }
    return next<void *(*)(void *, size_t, int, int, int, off_t)>("mmap64")(addr, len, prot, flags, fd, at);
}

int fsync(int fd)
{
    if (fault_on("fsync")) {
        errno = EIO;
        return -1;
    }
    return next<int (*)(int)>("fsync")(fd);
}

int fdatasync(int fd)
{
    if (fault_on("fsync")) {
        errno = EIO;
        return -1;
    }
    return next<int (*)(int)>("fdatasync")(fd);
}

int open(const char *path, int flags, ...)
{
    va_list ap;
    va_start(ap, flags);
    mode_t mode = mode_arg(flags, ap);
    va_end(ap);
    if (is_backup_name(path)) {
        errno = EACCES;
        return -1;
    }
    return next<int (*)(const char *, int, ...)>("open")(path, flags, mode);
}

int open64(const char *path, int flags, ...)
{
    va_list ap;
    va_start(ap, flags);
    mode_t mode = mode_arg(flags, ap);
    va_end(ap);
    if (is_backup_name(path)) {
        errno = EACCES;
        return -1;
    }
    return next<int (*)(const char *, int, ...)>("open64")(path, flags, mode);
}

}  // extern "C"
