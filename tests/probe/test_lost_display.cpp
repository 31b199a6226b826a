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
#include <thread>
#include <vector>

#include "probe/info_internal.h"
#include "sounder/probe.h"
#include "rendertest/test_internal.h"
#include "sounder/rendertest.h"
#include "support/xvfb.h"

namespace {

void sleepMs(int ms)
{
    struct timespec t = {ms / 1000, (ms % 1000) * 1000000L};
    nanosleep(&t, nullptr);
}

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
            XvfbServer server("640x480x24");
            if (!server.running())
                return "could not start Xvfb\n";
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
        XvfbServer server("640x480x24");
        if (!server.running())
            return "could not start Xvfb\n";
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
        XvfbServer server("640x480x24", false);
        if (!server.running())
            return "could not start Xvfb\n";
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

// A rendering-test run whose X server dies: the unit that was running and
// the ones after it fail, the units measured before keep their rates, the
// run does not report success, and the loss is logged under the unit.
TEST(ProbeLostDisplay, ServerKilledDuringARenderingTestRun)
{
    struct Case {
        const char *what;
        int killInUnit; // the server dies once this many units started and drew
        int32_t selected[7];
        int32_t finished; // units measured before the loss (rates > 0)
        const char *runningUnit;
    };
    const Case cases[] = {
        {"in the first unit", 1, {0, 0, -1, -1, -1, -1, -1}, 0, "1.1 (texturing)"},
        {"in the second unit", 2, {0, 0, 0, -1, -1, -1, -1}, 1, "1.2 (locked arrays)"},
    };
    for (const Case &c : cases) {
        ChildResult r = inChild([&c]() -> std::string {
            XvfbServer server("640x480x24");
            if (!server.running())
                return "could not start Xvfb\n";
            tsTestOptions options;
            memset(&options, 0, sizeof options);
            options.hardware = 1;
            int32_t results[7];
            memcpy(results, c.selected, sizeof results);
            // Read from this thread while the harness writes them; only
            // ever increasing counts are waited for.
            const volatile int &started = sounder::testState().startedCount;
            const volatile int &frames = sounder::testState().frameCount;
            std::thread killer([&] {
                for (int i = 0; i < 6000 && (started < c.killInUnit || frames < 1); ++i)
                    sleepMs(5);
                sleepMs(300);
                server.kill();
            });
            const int32_t status = tsTestRun(results, nullptr, &options);
            killer.join();
            std::string problems;
            if (status != TS_TEST_DISPLAY_LOST)
                problems += "tsTestRun gave " + std::to_string(status) + "\n";
            for (int i = 0; i < 7; ++i) {
                const bool measured = i < c.finished;
                const bool selected = c.selected[i] == 0;
                if (measured && results[i] <= 0)
                    problems += "unit " + std::to_string(i) + " lost its rate\n";
                if (!measured && selected && results[i] != -1)
                    problems += "unit " + std::to_string(i) + " gave " +
                                std::to_string(results[i]) + " after the loss\n";
                if (!selected && results[i] != -1)
                    problems += "unit " + std::to_string(i) + " was touched\n";
            }
            const std::string log = tsReportGetLogFile();
            const std::string underUnit =
                std::string(c.runningUnit) + ":\r\nDisplay connection lost";
            if (log.find(underUnit) == std::string::npos)
                problems += "no loss logged under the unit: " + log + "\n";
            if (infoWindowOpen())
                problems += "the test window survived\n";
            return problems;
        });
        EXPECT_EQ(r.status, 0) << c.what << ": the process ended inside the library";
        EXPECT_EQ(r.message, "") << c.what;
    }
}

} // namespace
