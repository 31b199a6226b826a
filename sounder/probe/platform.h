/* The window-system layer under the information probe.  The build's source
 * list decides which backends exist (X11/GLX in probe/platform_glx.cpp,
 * EGL in probe/platform_egl.cpp); one of them is chosen at run time
 * (platform.cpp) and serves the whole process.  Nothing here names a type of
 * a window system: native handles pass as opaque values, events as
 * InfoEvent. */
#ifndef SOUNDER_PROBE_PLATFORM_H
#define SOUNDER_PROBE_PLATFORM_H

#include <stddef.h>
#include <stdint.h>

#include <cstring>

#include <functional>
#include <string>
#include <vector>

#include "probe/window_event.h"
#include "sounder/probe.h"

namespace sounder {

struct WindowRequest {
    const char *title = "OpenGL";
    int width = 1;
    int height = 1;
    int bits = -1; /* -1: the desktop's colour depth */
    int refreshRate = 0;
    int samples = 0;
    bool fullscreen = false;
    bool keepDesktopMode = false;
    bool show = false;
    bool hardware = false;
    InfoEventHandler handler = nullptr;
    void *user = nullptr;
};

/* How the open context's entry points can be checked. */
struct EntryPointCheck {
    bool available = false; /* false: no way to tell a driver's functions apart */
    std::string method;     /* what answers, for the debug log */
    std::string vendor;     /* the vendor library behind the context */
};

/* The core-profile versions a backend asks for, newest first. */
struct GlVersionPair {
    int major;
    int minor;
};
constexpr GlVersionPair kCoreProfileVersions[] = {{4, 6}, {4, 5}, {4, 4}, {4, 3}, {4, 2},
                                                  {4, 1}, {4, 0}, {3, 3}, {3, 2}};

/* True when the space-separated extension list names name exactly. */
inline bool extensionListed(const std::string &list, const char *name)
{
    return tsInfoSearchExtension(name, list.c_str()) != 0;
}

/* A window system's own entry point (eglFoo, glXFoo) and what makes it
 * available: a version of the window system (major * 100 + minor), or an
 * extension. */
struct WindowSystemEntry {
    const char *name;
    int version;
    const char *extension;
};

/* 1 when the entry point name of the table is available: its extension is
 * listed (extensions() gives the list), or the window system's version
 * (version()) reaches the one that brought it; 0 for a name the table does
 * not know.  Each list or version is asked for only when needed. */
template <size_t N, typename Extensions, typename Version>
int windowSystemEntryPresent(const WindowSystemEntry (&table)[N], const char *name,
                             Extensions extensions, Version version)
{
    for (const WindowSystemEntry &entry : table) {
        if (std::strcmp(entry.name, name) != 0)
            continue;
        if (entry.extension)
            return extensionListed(extensions(), entry.extension) ? 1 : 0;
        return version() >= entry.version ? 1 : 0;
    }
    return 0;
}

class ProbePlatform {
public:
    virtual ~ProbePlatform() = default;

    /* Short name of the backend ("glx", "egl"). */
    virtual const char *name() const = 0;
    /* The window system and version of the last successful window, as the
     * report names it ("GLX 1.4", "EGL 1.5 (surfaceless)"); the bare name
     * before any. */
    virtual std::string windowSystem() = 0;

    /* Window and current context; logs its failures into the failure log
     * and returns false after tearing down what it built. */
    virtual bool createWindow(const WindowRequest &request) = 0;
    /* Tears everything down; each part only if present. */
    virtual void destroyWindow() = 0;
    virtual bool isOpen() const = 0;
    virtual void swapBuffers() = 0;
    virtual void hideWindow() = 0;
    /* Dispatches pending events to the handler; false once quit was asked. */
    virtual bool processEvents() = 0;
    virtual void windowSize(int *width, int *height) = 0;

    /* Window-system extension list of the open probe ("" when none). */
    virtual std::string extensions() = 0;
    /* Pixel formats of the open probe's screen, in the window system's
     * order, at most `limit`. */
    virtual std::vector<tsPixelFormat> pixelFormats(size_t limit) = 0;
    /* Video memory in bytes from the first source that answers; 0 when
     * none does.  Needs the probe's context current. */
    virtual uint64_t videoMemoryBytes() = 0;
    /* True while the open probe's connection to the window system stands
     * (or no probe is open); logs "Display connection lost: ..." and
     * returns false once it is gone. */
    virtual bool checkConnection() = 0;
    /* Entry-point check while the probe's context is current: 1 when the
     * driver knows the function, 0 when it does not or when the check
     * cannot be made (entryPointCheck says which). */
    virtual int hasEntryPoint(const char *name) = 0;
    /* Which check hasEntryPoint makes for the current context; decided
     * (and logged) once per window. */
    virtual EntryPointCheck entryPointCheck() = 0;
    virtual int setSwapInterval(int interval) = 0;
    /* An OpenGL entry point through the window system's lookup: a dispatch
     * stub that serves whichever context is current; null when unknown. */
    virtual void *glProcAddress(const char *name) = 0;
    /* Bits per pixel of the desktop; 0 without display. */
    virtual int desktopBits() = 0;

    /* Opens a core-profile context beside the probe's, at the highest
     * version from 4.6 down to 3.2 that the driver accepts, makes it current
     * on the probe's drawable, calls read, and makes the probe's own context
     * current again.  False (read not called) when the window system offers
     * no core profile or the driver refuses every version. */
    virtual bool withCoreContext(const std::function<void()> &read)
    {
        (void)read;
        return false;
    }

    virtual void *nativeDisplay() = 0;
    virtual unsigned long nativeWindow() = 0;
    virtual void *nativeConfig() = 0;
    virtual void *nativeContext() = 0;
    virtual int nativeScreen() = 0;
};

/* The backend in use, chosen on first use: TESSERA_PLATFORM ("glx" or
 * "egl") when it names a backend of the build; otherwise GLX when $DISPLAY
 * names a server that answers, else EGL (platform.cpp lists the backends;
 * each backend file defines its entry point below, compiled only when the
 * build chooses that backend). */
ProbePlatform &probePlatform();

/* An OpenGL entry point of the backend in use, typed. */
template <typename Function>
Function glProc(const char *name)
{
    return reinterpret_cast<Function>(probePlatform().glProcAddress(name));
}

/* Called after the chosen backend failed to make a window: switches to GLX
 * when the failed backend was EGL and an X server answers.  False when there is nothing else to try. */
bool platformFallBack();

/* Forgets the choice, so that the next probePlatform() decides again from
 * the environment (for tests and for a front end whose option changed
 * TESSERA_PLATFORM). */
void platformResetChoice();

/* Backend entry points: the one instance of each backend. */
ProbePlatform *glxPlatform(); /* platform_glx.cpp, with TESSERA_BACKEND_GLX */
ProbePlatform *eglPlatform(); /* platform_egl.cpp, with TESSERA_BACKEND_EGL */

/* Shared by every backend's event pump: hands event to handler (when set)
 * and, when the handler does not take it, to the default handling. */
void platformDeliverEvent(InfoEventHandler handler, void *user, const InfoEvent &event);
/* True once a quit was requested (by the default handling or the caller). */
bool platformQuitRequested();

/* Names the library whose dispatch table answers the gl* entry-point check
 * (null: the default one, Mesa's "libglapi.so.0"); lets a test take the
 * check away as on a driver stack without it. */
void platformSetDispatchLibrary(const char *soname);
const char *platformDispatchLibrary();
/* For a Mesa stack, opens the already loaded dispatch library and finds its
 * offset lookup (*handle for dlclose, *offset null when it cannot be asked);
 * returns how the entry points will be checked, for the failure log. */
std::string platformOpenDispatchTable(bool mesa, void **handle, int (**offset)(const char *));

} // namespace sounder

#endif
