// The work of the fill and save commands on a real file, without the
// terminal, for edit_bench.sh, which times the same bytes written by dd and
// copied by cp beside it.
//
//   edit_tool fill FILE START END VALUE   fill START..END (inclusive) the way
//                                         the l command does: saved copy,
//                                         undo entry, window-by-window stores
//   edit_tool save FILE OFFSET VALUE      change one byte and save with a
//                                         backup copy, as s then y does
//
// Each prints the seconds the work took.
#include "commands/edit.h"
#include "core/editor.h"
#include "filemap/filemap.h"
#include "filemap/save.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

double now()
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// The editor record as start-up leaves it for this file.
void open_edited(const char *path)
{
    editor.prog_name = "edit_tool";
    editor.file_path = path;
    editor.fd = open(path, O_RDWR);
    struct stat st;
    if (editor.fd < 0 || fstat(editor.fd, &st) < 0 || st.st_size == 0) {
        perror(path);
        exit(1);
    }
    editor.file_size = st.st_size;
    long page = sysconf(_SC_PAGESIZE);
    editor.window_size = 2 * static_cast<int64_t>(page < 2 ? 4096 : page);
    make_backup_files = 1;
    advance_after_edit = 1;
    map_window_at(0);
}

double fill(int64_t start, int64_t end, uint8_t value)
{
    double t0 = now();
    uint8_t *saved = static_cast<uint8_t *>(safe_malloc(static_cast<size_t>(end - start + 1)));
    copy_bytes(start, end, saved);
    push_undo(start, end, 0, saved);
    editor.modified = 1;
    fill_bytes(start, end, value);
    return now() - t0;
}

double save(int64_t offset, uint8_t value)
{
    push_undo(offset, 0, byte_at(offset), nullptr);
    set_byte_at(offset, value);
    double t0 = now();
    if (save_file(0) < 0) {
        perror("save_file");
        exit(1);
    }
    double t = now() - t0;
    if (save_backup_errno) {
        fprintf(stderr, "backup not written: %s\n", strerror(save_backup_errno));
        exit(1);
    }
    return t;
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc == 6 && strcmp(argv[1], "fill") == 0) {
        open_edited(argv[2]);
        printf("%.3f\n", fill(atoll(argv[3]), atoll(argv[4]), static_cast<uint8_t>(atoi(argv[5]))));
        return 0;
    }
    if (argc == 5 && strcmp(argv[1], "save") == 0) {
        open_edited(argv[2]);
        printf("%.3f\n", save(atoll(argv[3]), static_cast<uint8_t>(atoi(argv[4]))));
        return 0;
    }
    fprintf(stderr, "usage: edit_tool fill FILE START END VALUE | save FILE OFFSET VALUE\n");
    return 2;
}
