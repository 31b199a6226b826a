// A private Xvfb for one test (or one child process of a test): the server
// picks a free display number itself (-displayfd), writes its log into a
// private temporary folder, and does not reset when its last client leaves
// (-noreset).  While it runs, DISPLAY names it; the destructor stops it and
// puts DISPLAY back.  scripts/xvfb-env starts the shared test server the
// same way.
#ifndef TESTS_SUPPORT_XVFB_H
#define TESTS_SUPPORT_XVFB_H

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/temp_dir.h"

extern "C" char **environ;

// Sets an environment variable for one scope and restores it afterwards.
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

class XvfbServer {
public:
    // screen is e.g. "1280x1024x24"; withGlx false starts a server without
    // the GLX extension.
    explicit XvfbServer(const std::string &screen = "1280x1024x24", bool withGlx = true)
        : savedDisplay_("DISPLAY", std::getenv("DISPLAY"))
    {
        if (dir_.path().empty())
            return;
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0)
            return;
        const std::string log = dir_.file("xvfb.log");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 3);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0600);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        std::vector<std::string> args = {
            "Xvfb",     "-displayfd", "3",         "-screen",
            "0",        screen,       "-nolisten", "tcp",
            "-noreset", "+extension", "RANDR",     withGlx ? "+extension" : "-extension",
            "GLX"};
        std::vector<char *> argv;
        for (std::string &a : args)
            argv.push_back(&a[0]);
        argv.push_back(nullptr);
        const int rc = posix_spawnp(&pid_, "Xvfb", &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        if (rc != 0) {
            pid_ = -1;
            close(fds[0]);
            return;
        }
        // The server writes its number once it listens; a server that
        // cannot start closes the pipe without one.
        std::string number;
        for (int waited = 0; waited < 200 && number.find('\n') == std::string::npos; ++waited) {
            struct pollfd p = {fds[0], POLLIN, 0};
            if (poll(&p, 1, 100) <= 0)
                continue;
            char buffer[32];
            const ssize_t n = read(fds[0], buffer, sizeof buffer);
            if (n <= 0)
                break;
            number.append(buffer, static_cast<size_t>(n));
        }
        close(fds[0]);
        const size_t nl = number.find('\n');
        if (nl == std::string::npos || nl == 0) {
            stop();
            return;
        }
        number_ = number.substr(0, nl);
        display_ = ":" + number_;
        setenv("DISPLAY", display_.c_str(), 1);
    }

    ~XvfbServer()
    {
        stop();
        // A number this object kept taken after kill() is given back.
        if (!number_.empty() && lockOwner() == getpid())
            unlink(lockPath().c_str());
    }

    XvfbServer(const XvfbServer &) = delete;
    XvfbServer &operator=(const XvfbServer &) = delete;

    bool running() const { return !display_.empty() && pid_ > 0; }
    const std::string &display() const { return display_; }
    pid_t pid() const { return pid_; }
    // What the server wrote to its private log so far.
    std::string log() const { return readWhole(dir_.file("xvfb.log")); }

    // Kills the server outright (no goodbye to its clients), as a crash
    // would.  Its display number stays taken by this process until the
    // object goes, so that no server started meanwhile by another test
    // answers in its place: the lock names this process and the socket is
    // gone.
    void kill()
    {
        if (pid_ <= 0)
            return;
        const pid_t server = pid_;
        ::kill(server, SIGKILL);
        int status = 0;
        waitpid(server, &status, 0);
        pid_ = -1;
        if (!number_.empty() && lockOwner() == server) {
            if (FILE *f = std::fopen(lockPath().c_str(), "w")) {
                std::fprintf(f, "%10ld\n", static_cast<long>(getpid()));
                std::fclose(f);
            }
            unlink(("/tmp/.X11-unix/X" + number_).c_str());
        }
    }

private:
    void stop()
    {
        if (pid_ <= 0)
            return;
        ::kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
    }
    std::string lockPath() const { return "/tmp/.X" + number_ + "-lock"; }
    long lockOwner() const
    {
        long owner = -1;
        if (FILE *f = std::fopen(lockPath().c_str(), "r")) {
            if (std::fscanf(f, "%ld", &owner) != 1)
                owner = -1;
            std::fclose(f);
        }
        return owner;
    }

    ScopedEnv savedDisplay_; // restores DISPLAY last
    TempDir dir_;
    pid_t pid_ = -1;
    std::string number_;
    std::string display_;
};

#endif
