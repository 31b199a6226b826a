#include "render/x_injector.h"

#include "probe/x11_trap.h"
#include "rendertest/test_internal.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <chrono>
#include <cstring>
#include <unistd.h>

namespace rendertest {

namespace {

/* Other test programs may show a window of the same title on the same
 * server: only this process's window counts (_NET_WM_PID). */
bool ownedByThisProcess(Display *dpy, Window win)
{
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char *data = nullptr;
    bool mine = false;
    if (XGetWindowProperty(dpy, win, XInternAtom(dpy, "_NET_WM_PID", False), 0, 1, False,
                           XA_CARDINAL, &type, &format, &count, &after, &data) == Success &&
        data) {
        if (format == 32 && count == 1)
            mine = *reinterpret_cast<unsigned long *>(data) == static_cast<unsigned long>(getpid());
        XFree(data);
    }
    return mine;
}

Window findWindow(Display *dpy, Window parent, const std::string &title)
{
    Window root = 0, up = 0, *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(dpy, parent, &root, &up, &children, &count))
        return 0;
    Window found = 0;
    for (unsigned int i = 0; i < count && !found; ++i) {
        char *name = nullptr;
        if (XFetchName(dpy, children[i], &name) && name) {
            XWindowAttributes wa;
            if (title == name && ownedByThisProcess(dpy, children[i]) &&
                XGetWindowAttributes(dpy, children[i], &wa) && wa.map_state == IsViewable)
                found = children[i];
            XFree(name);
        }
        if (!found)
            found = findWindow(dpy, children[i], title);
    }
    if (children)
        XFree(children);
    return found;
}

void sendKey(Display *dpy, Window win, int type, KeySym sym, unsigned int state)
{
    XEvent ev;
    std::memset(&ev, 0, sizeof ev);
    ev.xkey.type = type;
    ev.xkey.display = dpy;
    ev.xkey.window = win;
    ev.xkey.root = DefaultRootWindow(dpy);
    ev.xkey.subwindow = None;
    ev.xkey.time = CurrentTime;
    ev.xkey.x = ev.xkey.y = 10;
    ev.xkey.x_root = ev.xkey.y_root = 10;
    ev.xkey.same_screen = True;
    ev.xkey.state = state;
    ev.xkey.keycode = XKeysymToKeycode(dpy, sym);
    XSendEvent(dpy, win, True, type == KeyPress ? KeyPressMask : KeyReleaseMask, &ev);
}

} // namespace

XInjector::XInjector(std::vector<Step> steps, std::string title)
    : steps_(std::move(steps)), title_(std::move(title))
{
    thread_ = std::thread([this] { run(); });
}

XInjector::~XInjector()
{
    if (thread_.joinable())
        thread_.join();
}

bool XInjector::finish()
{
    if (thread_.joinable())
        thread_.join();
    return ok_.load();
}

void XInjector::run()
{
    using clock = std::chrono::steady_clock;
    Display *dpy = XOpenDisplay(nullptr);
    if (!dpy) {
        error_ = "no display";
        return;
    }
    Window win = 0;
    const auto deadline = clock::now() + std::chrono::seconds(20);
    while (!win && clock::now() < deadline) {
        /* Windows of other programs may go away while the tree is walked:
         * their BadWindow errors are trapped, not fatal. */
        sounder::X11ErrorTrap trap(dpy);
        win = findWindow(dpy, DefaultRootWindow(dpy), title_);
        if (!win)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (!win) {
        error_ = "window not found";
        XCloseDisplay(dpy);
        return;
    }
    auto start = clock::now();
    for (const Step &step : steps_) {
        std::this_thread::sleep_until(start + std::chrono::milliseconds(step.atMilliseconds));
        switch (step.action) {
        case Action::AltPXTest: {
            /* Keys go to the focus window: give it the focus and the pointer. */
            XSetInputFocus(dpy, win, RevertToParent, CurrentTime);
            XWarpPointer(dpy, None, win, 0, 0, 0, 0, 20, 20);
            XSync(dpy, False);
            const KeyCode alt = XKeysymToKeycode(dpy, XK_Alt_L);
            const KeyCode p = XKeysymToKeycode(dpy, XK_p);
            XTestFakeKeyEvent(dpy, alt, True, 0);
            XTestFakeKeyEvent(dpy, p, True, 0);
            XTestFakeKeyEvent(dpy, p, False, 0);
            XTestFakeKeyEvent(dpy, alt, False, 0);
            break;
        }
        case Action::AltPSendEvent: sendKey(dpy, win, KeyRelease, XK_p, Mod1Mask); break;
        case Action::ControlKey:
            sendKey(dpy, win, KeyPress, XK_Control_L, 0);
            sendKey(dpy, win, KeyPress, XK_a, ControlMask);
            sendKey(dpy, win, KeyRelease, XK_a, ControlMask);
            sendKey(dpy, win, KeyRelease, XK_Control_L, ControlMask);
            break;
        case Action::PlainKey: sendKey(dpy, win, KeyPress, XK_a, 0); break;
        case Action::CloseWindow: {
            XEvent ev;
            std::memset(&ev, 0, sizeof ev);
            ev.xclient.type = ClientMessage;
            ev.xclient.window = win;
            ev.xclient.message_type = XInternAtom(dpy, "WM_PROTOCOLS", False);
            ev.xclient.format = 32;
            ev.xclient.data.l[0] = long(XInternAtom(dpy, "WM_DELETE_WINDOW", False));
            ev.xclient.data.l[1] = CurrentTime;
            XSendEvent(dpy, win, False, NoEventMask, &ev);
            break;
        }
        case Action::DestroyWindow: XDestroyWindow(dpy, win); break;
        case Action::Unmap: XUnmapWindow(dpy, win); break;
        case Action::Map: XMapWindow(dpy, win); break;
        case Action::Callback:
            if (step.callback)
                step.callback();
            break;
        case Action::WaitForFrame: {
            /* A loaded machine may take seconds to the first frame. */
            const volatile int &frames = sounder::testState().frameCount;
            const auto limit = clock::now() + std::chrono::seconds(20);
            while (frames < 1 && clock::now() < limit)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            start = clock::now() - std::chrono::milliseconds(step.atMilliseconds);
            break;
        }
        }
        XSync(dpy, False);
    }
    XCloseDisplay(dpy);
    ok_ = true;
}

} // namespace rendertest
