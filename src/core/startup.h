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

// Terminal size changes: the handler notes them and restarts interrupted
// reads, except while interrupts are on, when a blocked read ends (the
// main loop's wait for a key). signal_resize_pending tells whether one
// came that was not taken yet; signal_take_resize also takes it.
void signal_resize_interrupts(bool on);
int signal_resize_pending();
int signal_take_resize();

// Called with the result of a wgetch. When it is ERR and standard input
// is gone for good (end of file, or a hang-up that was ignored), waiting
// again would spin, so the process ends with status 1 and a message, with
// the terminal restored. An ERR from a signal or a size change is let be.
void input_check(int key);

// The edited file is shorter on disk than when it was opened (a mapped read
// faulted, or a read came back short): restores the terminal, says so on
// standard error and ends the process with status 1. Also called from the
// SIGBUS handler, so it prints with write and ends with _exit.
[[noreturn]] void file_changed_size();
