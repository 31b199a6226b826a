// A display that goes away: an X server killed while the probe or a shown
// window is open, and a server without GLX.  Each case runs in a child
// process with an X server of its own, so that an exit from inside Xlib shows
// as the child's exit status instead of ending the test program.
#include <gtest/gtest.h>

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "probe/info_internal.h"
#include "sounder/probe.h"

namespace {

void sleepMs(int ms)
{
    struct timespec t = {ms / 1000, (ms % 1000) * 1000000L};
    nanosleep(&t, nullptr);
}

// An Xvfb of this process, on a free display number of a range that the
// shared test server does not use.
class PrivateServer {
public:
    ~PrivateServer()
    {
        kill();
        if (number_ >= 0 && ownsLock(getpid()))
            unlink(lockPath().c_str());
    }

    bool start(bool withGlx)
    {
        for (int n = 400; n < 700; ++n) {
            number_ = n;
            if (access(lockPath().c_str(), F_OK) == 0 || access(socketPath().c_str(), F_OK) == 0)
                continue;
            pid_ = fork();
            if (pid_ < 0)
                break;
            if (pid_ == 0) {
                int devnull = open("/dev/null", O_RDWR);
                if (devnull >= 0) {
                    dup2(devnull, 1);
                    dup2(devnull, 2);
                }
                std::string display = ":" + std::to_string(n);
                execlp("Xvfb", "Xvfb", display.c_str(), "-screen", "0", "640x480x24", "-nolisten",
                       "tcp", "-noreset", withGlx ? "+extension" : "-extension", "GLX",
                       static_cast<char *>(nullptr));
                _exit(127);
            }
            // Ready once it holds the lock and listens; another server that
            // took the number first makes it exit, and the next one is tried.
            for (int i = 0; i < 1000; ++i) {
                int status = 0;
                if (waitpid(pid_, &status, WNOHANG) == pid_) {
                    pid_ = -1;
                    break;
                }
                if (ownsLock(pid_) && access(socketPath().c_str(), F_OK) == 0) {
                    display_ = ":" + std::to_string(n);
                    return true;
                }
                sleepMs(10);
            }
            if (pid_ > 0) {
                kill();
                if (ownsLock(getpid()))
                    unlink(lockPath().c_str());
            }
        }
        number_ = -1;
        return false;
    }

    const std::string &display() const { return display_; }
    pid_t pid() const { return pid_; }

    // Kills the server outright (no goodbye to its clients).  Its display
    // number stays taken by this process until the object goes, so that no
    // X server started meanwhile by another test answers in its place: the
    // lock names this process and the socket is gone.
    void kill()
    {
        if (pid_ <= 0)
            return;
        ::kill(pid_, SIGKILL);
        int status = 0;
        waitpid(pid_, &status, 0);
        if (number_ >= 0 && ownsLock(pid_)) {
            if (FILE *f = fopen(lockPath().c_str(), "w")) {
                fprintf(f, "%10ld\n", static_cast<long>(getpid()));
                fclose(f);
            }
            unlink(socketPath().c_str());
        }
        pid_ = -1;
    }

private:
    std::string lockPath() const { return "/tmp/.X" + std::to_string(number_) + "-lock"; }
    std::string socketPath() const { return "/tmp/.X11-unix/X" + std::to_string(number_); }
    bool ownsLock(pid_t owner) const
    {
        FILE *f = fopen(lockPath().c_str(), "r");
        if (!f)
            return false;
        long pid = 0;
        bool mine = fscanf(f, "%ld", &pid) == 1 && pid == owner;
        fclose(f);
        return mine;
    }

    pid_t pid_ = -1;
    int number_ = -1;
    std::string display_;
};

struct ChildResult {
    int status = -1;     // exit status, or -signal
    std::string message; // what the child reported; empty when all held
};

// Runs body in a child process; body returns "" when every check held.
ChildResult inChild(const std::function<std::string()> &body)
{
    ChildResult result;
    int fds[2];
    if (pipe(fds) != 0)
        return result;
    pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        std::string message = body();
        ssize_t ignored = write(fds[1], message.data(), message.size());
        (void)ignored;
        _exit(0);
    }
    close(fds[1]);
    char buffer[4096];
    ssize_t n;
    while ((n = read(fds[0], buffer, sizeof buffer)) > 0)
        result.message.append(buffer, static_cast<size_t>(n));
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
    return result;
}

bool contains(const char *text, const char *part)
{
    return text && strstr(text, part) != nullptr;
}

// Everything that may follow a lost connection: no exit, no crash, failures
// logged, and a new probe refused while the server is gone.
std::string afterTheServerIsGone(tsRendererCaps *caps, bool probeWasOpen)
{
    std::string problems;
    if (probeWasOpen) {
        memset(caps, 0, sizeof *caps);
        caps->size = sizeof *caps;
        tsReportSetLogFile();
        int read = tsInfoRead(caps, 0);
        if (read != 0)
            problems += "tsInfoRead gave 1 after the server died\n";
        if (!contains(tsReportGetLogFile(), "Display connection lost: "))
            problems += std::string("no loss logged: ") + tsReportGetLogFile() + "\n";
        if (infoWindowOpen())
            problems += "the probe still counts as open\n";
        if (infoProcessEvents())
            problems += "the event pump goes on without a server\n";
        infoSwapBuffers();
        infoHideWindow();
        tsInfoRelease(caps);
    }
    if (tsInfoEnd() != 1)
        problems += "tsInfoEnd did not give 1\n";
    if (tsInfoBegin(1) != 0)
        problems += "tsInfoBegin succeeded without a server\n";
    if (!contains(tsReportGetLogFile(), "OpenGL initialization failed.\n"))
        problems += std::string("no failure logged: ") + tsReportGetLogFile() + "\n";
    if (tsInfoEnd() != 1)
        problems += "second tsInfoEnd did not give 1\n";
    return problems;
}

TEST(ProbeLostDisplay, ServerKilledWhileTheProbeIsOpen)
{
    for (int hardware = 0; hardware < 2; ++hardware) {
        ChildResult r = inChild([hardware]() -> std::string {
            PrivateServer server;
            if (!server.start(true))
                return "could not start Xvfb\n";
            setenv("DISPLAY", server.display().c_str(), 1);
            if (tsInfoBegin(hardware) != 1)
                return std::string("tsInfoBegin failed: ") + tsReportGetLogFile();
            server.kill();
            std::unique_ptr<tsRendererCaps> caps(new tsRendererCaps());
            return afterTheServerIsGone(caps.get(), true);
        });
        EXPECT_EQ(r.status, 0) << "reading " << hardware
                               << ": the process ended inside the library";
        EXPECT_EQ(r.message, "") << "reading " << hardware;
    }
}

TEST(ProbeLostDisplay, ServerKilledUnderAShownWindow)
{
    // The rendering tests pump the events of a shown window: a server that
    // dies under it ends the pump instead of the process.
    ChildResult r = inChild([]() -> std::string {
        PrivateServer server;
        if (!server.start(true))
            return "could not start Xvfb\n";
        setenv("DISPLAY", server.display().c_str(), 1);
        if (!infoCreateWindow("tessera", 64, 48, -1, 60, 0, false, false, true, true, nullptr))
            return std::string("no window: ") + tsReportGetLogFile();
        infoProcessEvents();
        server.kill();
        std::string problems;
        bool pumping = true;
        for (int i = 0; i < 100 && pumping; ++i) {
            infoSwapBuffers();
            pumping = infoProcessEvents() && infoWindowOpen();
            sleepMs(5);
        }
        if (pumping)
            problems += "the event pump did not notice the server was gone\n";
        if (infoSetSwapInterval(0) != 0)
            problems += "a swap interval was set without a server\n";
        infoHideWindow();
        infoDestroyWindow();
        if (infoWindowOpen() || infoNativeDisplay())
            problems += "the window survived its teardown\n";
        std::unique_ptr<tsRendererCaps> caps(new tsRendererCaps());
        return problems + afterTheServerIsGone(caps.get(), false);
    });
    EXPECT_EQ(r.status, 0) << "the process ended inside the library";
    EXPECT_EQ(r.message, "");
}

TEST(ProbeLostDisplay, ServerWithoutGlxIsALoggedFailure)
{
    ChildResult r = inChild([]() -> std::string {
        PrivateServer server;
        if (!server.start(false))
            return "could not start Xvfb\n";
        setenv("DISPLAY", server.display().c_str(), 1);
        std::string problems;
        for (int hardware = 0; hardware < 2; ++hardware) {
            if (tsInfoBegin(hardware) != 0)
                problems += "tsInfoBegin succeeded without GLX\n";
            const char *log = tsReportGetLogFile();
            if (!contains(log,
                          "Can't Create A GL Device Context: the X server has no GLX extension\n"))
                problems += std::string("missing reason: ") + log + "\n";
            if (!contains(log, "OpenGL initialization failed.\n"))
                problems += std::string("missing failure: ") + log + "\n";
            if (infoWindowOpen() || infoNativeDisplay())
                problems += "the probe kept a connection\n";
        }
        if (tsInfoEnd() != 1)
            problems += "tsInfoEnd did not give 1\n";
        return problems;
    });
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.message, "");
}

} // namespace
