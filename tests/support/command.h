// Runs a shell command and captures what it prints on standard output.
#ifndef TESTS_SUPPORT_COMMAND_H
#define TESTS_SUPPORT_COMMAND_H

#include <cstdio>
#include <string>

// The command's whole standard output; *status (when given) receives
// pclose's status, -1 when the command could not be started.
inline std::string commandOutput(const std::string &command, int *status = nullptr)
{
    std::string out;
    FILE *pipe = popen(command.c_str(), "r");
    if (!pipe) {
        if (status)
            *status = -1;
        return out;
    }
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        out.append(buffer, n);
    const int result = pclose(pipe);
    if (status)
        *status = result;
    return out;
}

#endif
