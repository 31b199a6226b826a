/* A private Xvfb server for one test: picks a free display number itself
 * (-displayfd), points DISPLAY at it while alive, and restores DISPLAY and
 * stops the server when destroyed. */
#ifndef TESTS_SYSTEM_XVFB_SERVER_H
#define TESTS_SYSTEM_XVFB_SERVER_H

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

extern char **environ;

class XvfbServer {
public:
    /* screen is e.g. "1280x1024x24". */
    explicit XvfbServer(const std::string &screen)
    {
        const char *old = std::getenv("DISPLAY");
        hadDisplay_ = old != nullptr;
        if (old)
            oldDisplay_ = old;

        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 3);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        std::vector<std::string> args = {"Xvfb",     "-displayfd", "3",         "-screen",
                                         "0",        screen,       "-nolisten", "tcp",
                                         "-noreset", "+extension", "RANDR"};
        std::vector<char *> argv;
        for (std::string &a : args)
            argv.push_back(&a[0]);
        argv.push_back(nullptr);
        int rc = posix_spawnp(&pid_, "Xvfb", &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        if (rc != 0) {
            pid_ = -1;
            close(fds[0]);
            return;
        }
        std::string number;
        for (int waited = 0; waited < 200 && number.find('\n') == std::string::npos; ++waited) {
            struct pollfd p = {fds[0], POLLIN, 0};
            if (poll(&p, 1, 100) <= 0)
                continue;
            char buffer[32];
            ssize_t n = read(fds[0], buffer, sizeof buffer);
            if (n <= 0)
                break;
            number.append(buffer, static_cast<size_t>(n));
        }
        close(fds[0]);
        size_t nl = number.find('\n');
        if (nl == std::string::npos || nl == 0)
            return;
        display_ = ":" + number.substr(0, nl);
        setenv("DISPLAY", display_.c_str(), 1);
    }

    ~XvfbServer()
    {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            int status = 0;
            waitpid(pid_, &status, 0);
        }
        if (hadDisplay_)
            setenv("DISPLAY", oldDisplay_.c_str(), 1);
        else
            unsetenv("DISPLAY");
    }

    XvfbServer(const XvfbServer &) = delete;
    XvfbServer &operator=(const XvfbServer &) = delete;

    bool running() const { return !display_.empty(); }
    const std::string &display() const { return display_; }

private:
    pid_t pid_ = -1;
    std::string display_;
    bool hadDisplay_ = false;
    std::string oldDisplay_;
};

/* Sets an environment variable for one scope and restores it afterwards. */
class ScopedEnv {
public:
    ScopedEnv(const char *name, const char *value) : name_(name)
    {
        const char *old = std::getenv(name);
        had_ = old != nullptr;
        if (old)
            old_ = old;
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~ScopedEnv()
    {
        if (had_)
            setenv(name_.c_str(), old_.c_str(), 1);
        else
            unsetenv(name_.c_str());
    }
    ScopedEnv(const ScopedEnv &) = delete;
    ScopedEnv &operator=(const ScopedEnv &) = delete;

private:
    std::string name_;
    bool had_ = false;
    std::string old_;
};

#endif
