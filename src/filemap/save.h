// Saving: the backup copy, writing dirty windows back, and the two save
// questions of the s and q keys.
#pragma once

// Writes every dirty window to the file; with unmap set, also releases the
// windows it wrote. Returns 0, or -1 with errno describing the failure.
int save_file(int unmap);
int make_backup_copy();
void save_command();
void quit_question();
