// A preloadable library for the end-to-end tests that makes chosen system
// calls fail, so that the editor's handling of failed saves can be seen from
// outside. VEXA_FAULT holds a comma-separated list of:
//   pwrite       every pwrite fails with ENOSPC
//   fsync        every fsync and fdatasync fails with EIO
//   backup-open  opening a path that ends in "~" fails with EACCES
// Without VEXA_FAULT every call goes straight through.
#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/types.h>
#include <unistd.h>

namespace {

bool fault_on(const char *name)
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
        if (!end)
            break;
        p = end + 1;
    }
    return false;
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
    if (fault_on("pwrite")) {
        errno = ENOSPC;
        return -1;
    }
    return next<ssize_t (*)(int, const void *, size_t, off_t)>("pwrite")(fd, buf, n, at);
}

ssize_t pwrite64(int fd, const void *buf, size_t n, off_t at)
{
    if (fault_on("pwrite")) {
        errno = ENOSPC;
        return -1;
    }
    return next<ssize_t (*)(int, const void *, size_t, off_t)>("pwrite64")(fd, buf, n, at);
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
