// Saving: the backup copy, writing dirty windows back, and the two save
// questions of the s and q keys.
#pragma once

// Writes every dirty window to the file; with unmap set, also releases the
// windows it wrote. Returns 0, or -1 with errno describing the failure.
int save_file(int unmap);
// Copies the file on disk to its "~" backup. Returns 0, or -1 with errno.
int make_backup_copy();
// errno of the backup step of the latest save_file; 0 when the backup was
// made or backups are off.
extern int save_backup_errno;
void save_command();
void quit_question();
