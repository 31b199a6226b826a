// The built program itself: first and second start with a private desktop,
// closed through the window manager's close request (WM_DELETE_WINDOW) or by
// SIGTERM; no display.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "probe/x11_trap.h"
#include "support/viewer_env.h"

extern char **environ;

namespace {

const std::string kProgram = TESSERA_BIN_DIR "/tessera";

pid_t start(const std::string &errFile)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    char *argv[] = {const_cast<char *>(kProgram.c_str()), nullptr};
    pid_t pid = -1;
    if (posix_spawn(&pid, kProgram.c_str(), &actions, nullptr, argv, environ) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// Exit status of pid, or -1 when it did not end within the time.
int waitFor(pid_t pid, int seconds)
{
    for (int i = 0; i < seconds * 20; ++i) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return -1;
}

struct X {
    Display *dpy = XOpenDisplay(nullptr);
    ~X()
    {
        if (dpy)
            XCloseDisplay(dpy);
    }

    // _NET_WM_PID of w, 0 when unset.
    long windowPid(Window w)
    {
        Atom type;
        int format;
        unsigned long count = 0, after = 0;
        unsigned char *data = nullptr;
        long pid = 0;
        if (XGetWindowProperty(dpy, w, XInternAtom(dpy, "_NET_WM_PID", False), 0, 1, False,
                               XA_CARDINAL, &type, &format, &count, &after, &data) == Success &&
            data && count == 1 && format == 32)
            pid = *reinterpret_cast<long *>(data);
        if (data)
            XFree(data);
        return pid;
    }

    // The mapped top-level window of process pid whose WM_CLASS instance is
    // "tessera" (and whose title is title, when given); 0 if none.  Tests
    // running at the same time on the same server have windows of their own.
    Window find(pid_t pid, std::string *resClass, const char *title = nullptr)
    {
        Window root = DefaultRootWindow(dpy), parent, *children = nullptr;
        unsigned count = 0;
        Window found = 0;
        // Windows of other tests may be destroyed while they are looked at:
        // their BadWindow errors are trapped, not fatal.
        sounder::X11ErrorTrap trap(dpy);
        if (!XQueryTree(dpy, root, &root, &parent, &children, &count))
            return 0;
        for (unsigned i = 0; i < count && !found; ++i) {
            XClassHint hint;
            XWindowAttributes attrs;
            if (XGetWindowAttributes(dpy, children[i], &attrs) && attrs.map_state == IsViewable &&
                XGetClassHint(dpy, children[i], &hint)) {
                char *name = nullptr;
                const bool titled = !title || (XFetchName(dpy, children[i], &name) && name &&
                                               std::string(name) == title);
                if (name)
                    XFree(name);
                if (std::string(hint.res_name) == "tessera" && titled &&
                    windowPid(children[i]) == pid) {
                    found = children[i];
                    *resClass = hint.res_class;
                }
                XFree(hint.res_name);
                XFree(hint.res_class);
            }
        }
        if (children)
            XFree(children);
        return found;
    }

    Window waitForWindow(pid_t pid, std::string *resClass, int seconds, const char *title = nullptr)
    {
        for (int i = 0; i < seconds * 10; ++i) {
            if (Window w = find(pid, resClass, title))
                return w;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return 0;
    }

    void requestClose(Window w)
    {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = w;
        event.xclient.message_type = XInternAtom(dpy, "WM_PROTOCOLS", False);
        event.xclient.format = 32;
        event.xclient.data.l[0] = static_cast<long>(XInternAtom(dpy, "WM_DELETE_WINDOW", False));
        event.xclient.data.l[1] = CurrentTime;
        XSendEvent(dpy, w, False, NoEventMask, &event);
        XFlush(dpy);
    }
};

std::string desktopFileKey(const std::string &key)
{
    std::ifstream in(TESSERA_SOURCE_DIR "/tessera/tessera.desktop");
    std::string line;
    while (std::getline(in, line))
        if (line.compare(0, key.size() + 1, key + "=") == 0)
            return line.substr(key.size() + 1);
    return std::string();
}

} // namespace

TEST(Program, FirstAndSecondStartCloseCleanlyAndKeepTheirFiles)
{
    ViewerEnvironment env;
    setenv("LANG", "de_DE.UTF-8", 1);
    unsetenv("LC_ALL");
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    X x;
    ASSERT_NE(x.dpy, nullptr);

    // First start: closed by the window manager's close request.
    const std::string err = env.dir().file("stderr.txt");
    pid_t pid = start(err);
    ASSERT_GT(pid, 0);
    std::string resClass;
    const Window w = x.waitForWindow(pid, &resClass, 60);
    ASSERT_NE(w, 0u) << readWhole(err);
    EXPECT_EQ(resClass, desktopFileKey("StartupWMClass"));
    x.requestClose(w);
    EXPECT_EQ(waitFor(pid, 30), 0) << readWhole(err);
    EXPECT_EQ(readWhole(env.settingsFile()), std::string("0\nde.strings\0", 13));
    const std::string database = env.dataFolder() + "/extensions.xml";
    struct stat first {};
    ASSERT_EQ(stat(database.c_str(), &first), 0) << "the readings are added to the user copy";
    const std::string firstContent = readWhole(database);

    // Second start: nothing new, so the database is not written; SIGTERM
    // leaves through the same exit sequence.
    writeWhole(env.settingsFile(), std::string("3\nen.strings\0", 13));
    pid = start(err);
    ASSERT_GT(pid, 0);
    ASSERT_NE(x.waitForWindow(pid, &resClass, 60), 0u) << readWhole(err);
    kill(pid, SIGTERM);
    EXPECT_EQ(waitFor(pid, 30), 0) << readWhole(err);
    EXPECT_EQ(readWhole(database), firstContent);
    EXPECT_FALSE(std::ifstream(database + ".bak").good());
    EXPECT_EQ(readWhole(env.settingsFile()), std::string("3\nen.strings\0", 13));
}

TEST(Program, NoReadingGivesOneWarningAndSignalsStillEndIt)
{
    ViewerEnvironment env;
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    setenv("LIBGL_DRIVERS_PATH", "/nonexistent", 1); // no driver can be loaded
    X x;
    ASSERT_NE(x.dpy, nullptr);
    const std::string err = env.dir().file("stderr.txt");
    const pid_t pid = start(err);
    unsetenv("LIBGL_DRIVERS_PATH");
    ASSERT_GT(pid, 0);
    std::string resClass;
    EXPECT_NE(x.waitForWindow(pid, &resClass, 60, "Error"), 0u) << readWhole(err);
    kill(pid, SIGINT);
    EXPECT_EQ(waitFor(pid, 30), 0) << readWhole(err);
    // Nothing was read, so nothing was added to the database.
    EXPECT_FALSE(std::ifstream(env.dataFolder() + "/extensions.xml").good());
}

TEST(Program, NoDisplayGivesOneLineAndStatusOne)
{
    ViewerEnvironment env;
    const std::string display = getenv("DISPLAY") ? getenv("DISPLAY") : "";
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    unsetenv("QT_QPA_PLATFORM");
    const std::string err = env.dir().file("stderr.txt");
    const pid_t pid = start(err);
    ASSERT_GT(pid, 0);
    EXPECT_EQ(waitFor(pid, 30), 1);
    const std::string text = readWhole(err);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << text;
    EXPECT_NE(text.find("tessera-cli"), std::string::npos) << text;
    setenv("DISPLAY", ":99999", 1); // a display that cannot be reached
    const pid_t again = start(err);
    EXPECT_EQ(waitFor(again, 30), 1);
    const std::string unreachable = readWhole(err);
    EXPECT_EQ(std::count(unreachable.begin(), unreachable.end(), '\n'), 1) << unreachable;
    setenv("DISPLAY", display.c_str(), 1);
}
