// The backup copy made before a save: the file as it is on disk (not the
// windows) copied to the file's path with "~" appended, in chunks of
// window_size, and flushed to disk before the save writes anything.
#include "filemap/save.h"
#include "core/editor.h"
#include "core/startup.h"
#include "filemap/filemap.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Reads up to one chunk from offset at; returns the bytes read (0 at the
// end of the file) or -1.
int64_t read_chunk(uint8_t *buf, int64_t size, int64_t at)
{
    int64_t got = 0;
    while (got < size) {
        ssize_t n = pread(editor.fd, buf + got, static_cast<size_t>(size - got), at + got);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (n == 0)
            break;
        got += n;
    }
    return got;
}

int copy_file_to(int out)
{
    uint8_t *buf = static_cast<uint8_t *>(safe_malloc(static_cast<size_t>(editor.window_size)));
    int rc = 0;
    for (int64_t at = 0;;) {
        signal_check();  // the file may be gigabytes long
        int64_t got = read_chunk(buf, editor.window_size, at);
        if (got < 0 || (got > 0 && write_fully(out, buf, got, at) < 0)) {
            rc = -1;
            break;
        }
        if (got == 0)
            break;
        at += got;
    }
    int err = errno;
    free(buf);
    errno = err;
    return rc;
}

// Opens the backup without following a symbolic link at its name. A new
// backup gets the file's permission bits (less the umask); an existing one
// keeps its own. It is emptied only after it is known not to be the edited
// file itself (a hard link), which emptying would destroy.
int open_backup(const std::string &name)
{
    struct stat file_st, st;
    if (fstat(editor.fd, &file_st) < 0)
        return -1;
    int out = open(name.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, file_st.st_mode & 0777);
    if (out < 0)
        return -1;
    int err = 0;
    if (fstat(out, &st) < 0)
        err = errno;
    else if (st.st_dev == file_st.st_dev && st.st_ino == file_st.st_ino)
        err = EEXIST;
    else if (ftruncate(out, 0) < 0)
        err = errno;
    if (err) {
        close(out);
        errno = err;
        return -1;
    }
    return out;
}

}  // namespace

int make_backup_copy()
{
    int out = open_backup(editor.file_path + "~");
    if (out < 0)
        return -1;
    int rc = copy_file_to(out);
    if (rc == 0)
        rc = flush_fully(out);
    int err = errno;
    if (close(out) < 0 && rc == 0) {
        rc = -1;
        err = errno;
    }
    errno = err;
    return rc;
}
