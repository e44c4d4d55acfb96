// Saving: the backup copy first when backups are on, then every dirty window
// written in place and the file flushed to disk. Windows count as saved only
// once all of that succeeded.
#include "filemap/save.h"
#include "core/editor.h"
#include "filemap/filemap.h"

#include <algorithm>
#include <cerrno>
#include <sys/mman.h>
#include <unistd.h>

int save_backup_errno = 0;

namespace {

int write_dirty_windows()
{
    for (const map_window &w : editor.windows) {
        if (w.dirty && write_back(w) < 0)
            return -1;
    }
    return 0;
}

// Every dirty window is in the file now: mark it clean, or release it when
// the editor is about to quit.
void mark_saved(int unmap)
{
    auto &wins = editor.windows;
    if (unmap) {
        std::erase_if(wins, [](const map_window &w) {
            if (w.dirty)
                munmap(w.data, static_cast<size_t>(w.length));
            return w.dirty != 0;
        });
        editor.last_window = 0;
        return;
    }
    for (map_window &w : wins)
        w.dirty = 0;
}

}  // namespace

int save_file(int unmap)
{
    save_backup_errno = 0;
    if (make_backup_files && make_backup_copy() < 0)
        save_backup_errno = errno ? errno : EIO;
    if (write_dirty_windows() < 0 || flush_fully(editor.fd) < 0)
        return -1;
    mark_saved(unmap);
    editor.modified = 0;
    return 0;
}
