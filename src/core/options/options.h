// Command-line scanning: next_option over a option-list string, and the
// option loop that applies the program's options.
#pragma once

extern const char option_spec[];
extern const char *option_arg;
extern int first_operand;

int next_option(int argc, char **argv, const char *spec);

// Called with status 1 after a command-line error has been printed; exit by
// default. A replacement (a test driver) must not return.
extern void (*options_fail)(int status);

// Applies the program's options to the settings; ends the process for -h,
// -v, a missing operand or a command-line error. Returns the operand index.
int options_apply(int argc, char **argv);

// Forgets the parsed option list, so that the next call of next_option
// scans a fresh argument vector even with the same option-list pointer.
void options_reset();
