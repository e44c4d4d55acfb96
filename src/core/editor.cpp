// Storage of the editor record and the three settings.
#include "core/editor.h"
#include "commands/edit.h"
#include "filemap/filemap.h"

editor_state editor;

int use_colors = -1;
int make_backup_files = -1;
int advance_after_edit = -1;

bool curses_active = false;
