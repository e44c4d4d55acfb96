// Start-up sequence, main loop, quit and signal handling.
#pragma once

int vexa_main(int argc, char **argv);

// Resolves the settings from the configuration file and the defaults.
void config_step();

void draw_status_lines(unsigned char b);
[[noreturn]] void quit_editor();

// Signal handling: the handler only notes the signal; long operations and
// every blocking wait call signal_check, which ends the process when one
// arrived.
void signals_install();
int signal_pending();
void signal_check();
[[noreturn]] void signal_exit(int sig);

// The edited file is shorter on disk than when it was opened (a mapped read
// faulted, or a read came back short): restores the terminal, says so on
// standard error and ends the process with status 1. Also called from the
// SIGBUS handler, so it prints with write and ends with _exit.
[[noreturn]] void file_changed_size();
