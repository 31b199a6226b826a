/* The one X error trap: per-display protocol-error grabs and watched
 * connections (see x11_trap.h). */
#include "probe/x11_trap.h"

#include "probe/x11_api.h"

#include <dlfcn.h>
#include <errno.h>
#include <stdio.h>
#include <string.h>

#include <mutex>
#include <vector>

namespace sounder {
namespace {

struct Grab {
    Display *dpy;
    int count;
    X11Error first;
};

struct Watched {
    Display *dpy;
    bool lost;
    char reason[128];
};

std::mutex g_mutex;
std::vector<Grab> g_grabs; /* innermost last */
XErrorHandler g_previousHandler = nullptr;
std::vector<Watched> g_watched;
XIOErrorHandler g_previousIOHandler = nullptr;
bool g_ioHandlerInstalled = false;

Grab *innermost(Display *dpy)
{
    for (auto it = g_grabs.rbegin(); it != g_grabs.rend(); ++it)
        if (it->dpy == dpy)
            return &*it;
    return nullptr;
}

Watched *watched(Display *dpy)
{
    for (Watched &w : g_watched)
        if (w.dpy == dpy)
            return &w;
    return nullptr;
}

int trapHandler(Display *dpy, XErrorEvent *event)
{
    XErrorHandler previous = nullptr;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        if (Grab *grab = innermost(dpy)) {
            if (grab->count++ == 0) {
                X11Error &e = grab->first;
                e.code = event->error_code;
                e.request = event->request_code;
                e.minor = event->minor_code;
                char text[160] = "";
                x11().XGetErrorText(dpy, event->error_code, text, sizeof text);
                snprintf(e.text, sizeof e.text, "%s (request %d.%d)\n", text, e.request, e.minor);
            }
            return 0;
        }
        previous = g_previousHandler;
    }
    return previous ? previous(dpy, event) : 0;
}

/* ---- lost connections ---------------------------------------------------- */

using IOErrorExitFn = void (*)(Display *, void *);
using SetIOErrorExitHandlerFn = void (*)(Display *, IOErrorExitFn, void *);

SetIOErrorExitHandlerFn ioErrorExitSetter()
{
    static SetIOErrorExitHandlerFn setter =
        reinterpret_cast<SetIOErrorExitHandlerFn>(dlsym(RTLD_DEFAULT, "XSetIOErrorExitHandler"));
    return setter;
}

/* Marks dpy lost; false when it is not watched. */
bool markLost(Display *dpy, int error)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    Watched *w = watched(dpy);
    if (!w)
        return false;
    if (!w->lost) {
        w->lost = true;
        snprintf(w->reason, sizeof w->reason, "%s",
                 error == 0 || error == EAGAIN ? "closed by the server" : strerror(error));
    }
    return true;
}

/* Called by Xlib before the exit handler; the default one would end the
 * process by itself, so the handler of a watched display only marks it. */
int ioErrorHandler(Display *dpy)
{
    const int error = errno;
    if (markLost(dpy, error))
        return 0;
    XIOErrorHandler previous = nullptr;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        previous = g_previousIOHandler;
    }
    return previous ? previous(dpy) : 0;
}

/* Returning instead of exiting leaves the connection marked broken; Xlib
 * answers every later request on it with a failure. */
void ioErrorExit(Display *dpy, void *)
{
    markLost(dpy, errno);
}

} // namespace

void x11GrabErrors(Display *dpy)
{
    if (!dpy)
        return;
    x11Sync(dpy);
    std::lock_guard<std::mutex> lock(g_mutex);
    if (g_grabs.empty())
        g_previousHandler = x11().XSetErrorHandler(trapHandler);
    g_grabs.push_back(Grab{dpy, 0, X11Error()});
}

int x11ReleaseErrors(Display *dpy, X11Error *error)
{
    if (!dpy)
        return 0;
    x11Sync(dpy);
    std::lock_guard<std::mutex> lock(g_mutex);
    for (auto it = g_grabs.end(); it != g_grabs.begin();) {
        --it;
        if (it->dpy != dpy)
            continue;
        const X11Error first = it->first;
        g_grabs.erase(it);
        if (g_grabs.empty()) {
            x11().XSetErrorHandler(g_previousHandler);
            g_previousHandler = nullptr;
        }
        if (error)
            *error = first;
        return first.code;
    }
    if (error)
        *error = X11Error();
    return 0;
}

int x11TrappedErrors(Display *dpy)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    Grab *grab = innermost(dpy);
    return grab ? grab->count : 0;
}

bool x11WatchConnection(Display *dpy)
{
    SetIOErrorExitHandlerFn setExit = ioErrorExitSetter();
    if (!dpy || !setExit)
        return false;
    setExit(dpy, ioErrorExit, nullptr);
    std::lock_guard<std::mutex> lock(g_mutex);
    if (!watched(dpy))
        g_watched.push_back(Watched{dpy, false, ""});
    if (!g_ioHandlerInstalled) {
        g_previousIOHandler = x11().XSetIOErrorHandler(ioErrorHandler);
        g_ioHandlerInstalled = true;
    }
    return true;
}

void x11UnwatchConnection(Display *dpy)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    for (auto it = g_watched.begin(); it != g_watched.end(); ++it) {
        if (it->dpy == dpy) {
            g_watched.erase(it);
            break;
        }
    }
    if (g_watched.empty() && g_ioHandlerInstalled) {
        x11().XSetIOErrorHandler(g_previousIOHandler);
        g_previousIOHandler = nullptr;
        g_ioHandlerInstalled = false;
    }
}

bool x11ConnectionLost(Display *dpy)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    Watched *w = watched(dpy);
    return w && w->lost;
}

std::string x11LostReason(Display *dpy)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    Watched *w = watched(dpy);
    return w && w->lost ? std::string(w->reason) : std::string();
}

bool x11Sync(Display *dpy)
{
    if (!dpy || x11ConnectionLost(dpy))
        return false;
    x11().XSync(dpy, False);
    return !x11ConnectionLost(dpy);
}

} // namespace sounder
