// The s and q keys: the questions asked before saving and before quitting a
// modified file, and the messages that tell the user a save went wrong.
#include "filemap/save.h"
#include "core/editor.h"
#include "core/startup.h"
#include "screen/prompt.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

void report(const char *what, int err)
{
    char msg[256];
    snprintf(msg, sizeof msg, "%s: %s", what, strerror(err));
    show_message_pause(msg);
}

// Saves, then tells of a missing backup and of a failed save. True when the
// file was saved.
bool save_and_report(int unmap)
{
    int rc = save_file(unmap);
    int err = errno;
    if (save_backup_errno)
        report("Backup not written", save_backup_errno);
    if (rc < 0)
        report("Save failed", err);
    return rc == 0;
}

}  // namespace

void save_command()
{
    if (editor.modified != 1)
        return;
    for (;;) {
        int key = prompt_key("Are you sure you want to save (y/n)?");
        if (key == 'n')
            return;
        if (key == 'y') {
            save_and_report(0);
            return;
        }
        signal_check();
    }
}

// A failed save keeps the editor running with every change still held, so
// the user can try again or quit without saving.
void quit_question()
{
    if (editor.modified != 1)
        quit_editor();
    for (;;) {
        int key = prompt_key("File was modified. Save (y/n/c)?");
        if (key == 'c')
            return;
        if (key == 'n')
            quit_editor();
        if (key == 'y') {
            if (save_and_report(1))
                quit_editor();
            return;
        }
        signal_check();
    }
}
