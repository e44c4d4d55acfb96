// Runs a function in a child process and collects what it wrote on
// standard output and standard error, and how it ended.
#pragma once

#include <cstdio>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

// Exit status of a child whose function returned instead of ending it.
constexpr int CHILD_RETURNED = 200;

struct child_result {
    int status; // exit status, or 128 + signal number
    std::string out;
    std::string err;
};

inline std::string slurp(FILE *f)
{
    std::string text;
    rewind(f);
    for (int c; (c = fgetc(f)) != EOF;)
        text += static_cast<char>(c);
    fclose(f);
    return text;
}

template <class F> child_result run_in_child(F fn)
{
    FILE *out = tmpfile();
    FILE *err = tmpfile();
    fflush(stdout);
    fflush(stderr);
    pid_t pid = fork();
    if (pid == 0) {
        dup2(fileno(out), 1);
        dup2(fileno(err), 2);
        fn();
        fflush(stdout);
        fflush(stderr);
        _exit(CHILD_RETURNED);
    }
    int st = 0;
    waitpid(pid, &st, 0);
    int status = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
    return {status, slurp(out), slurp(err)};
}
