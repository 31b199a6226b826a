// tessera-cli run as a user runs it: a separate process, what it prints on
// standard output and standard error, and its exit status.
#ifndef TESTS_SUPPORT_CLI_RUN_H
#define TESTS_SUPPORT_CLI_RUN_H

#include <cstdlib>
#include <string>
#include <sys/wait.h>

#include "support/temp_dir.h"

struct CliRun {
    bool exited = false; // false: killed by a signal
    int status = -1;
    std::string out;
    std::string err;
};

// Runs the program at binary with args (already shell-quoted) and an
// optional environment prefix such as "DISPLAY=:9999".  Unless the prefix
// names XDG_DATA_HOME, each run gets an empty data folder of its own, so
// that no run finds or leaves a database copy of another (or the user's).
inline CliRun runCli(const std::string &binary, const std::string &args,
                     const std::string &env = "")
{
    static const TempDir dir;
    static int runs = 0;
    const std::string out = dir.file("out"), err = dir.file("err");
    const std::string data =
        env.find("XDG_DATA_HOME=") == std::string::npos
            ? "XDG_DATA_HOME='" + dir.file("data-" + std::to_string(++runs)) + "' "
            : std::string();
    const std::string cmd = data + env + (env.empty() ? "" : " ") + "'" + binary + "' " + args +
                            " >'" + out + "' 2>'" + err + "' </dev/null";
    const int raw = std::system(cmd.c_str());
    CliRun r;
    // The shell reports a child killed by a signal as 128 + the signal.
    r.exited = WIFEXITED(raw) && WEXITSTATUS(raw) < 128;
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = readWhole(out);
    r.err = readWhole(err);
    return r;
}

// A text in single quotes for the shell.
inline std::string shellQuoted(const std::string &s)
{
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

#endif
