/* X11/GLX backend of the probe: a private display connection per window, a
 * GLX context on an FBConfig that matches the wishes, XRandR for full-screen
 * mode switches, and the GLX answers for pixel formats, the window-system
 * extension list, video memory and entry points. */
#include <GL/glew.h>
#include <GL/glx.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xrandr.h>
#include <X11/keysym.h>

#include <ctype.h>
#include <dirent.h>
#include <dlfcn.h>
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "keel/keel.h"
#include "probe/env_override.h"
#include "probe/platform.h"
#include "probe/x11_api.h"
#include "probe/x11_trap.h"

namespace sounder {
namespace {

/* ---- X errors ----------------------------------------------------------- */

/* The probe's connection is trapped for as long as it is open (x11_trap.h):
 * a protocol error (a refused visual, a bad mode) is recorded instead of
 * ending the process, and a server that goes away marks the connection
 * lost.  Every request on a lost connection is skipped, and the operation
 * that runs into the loss fails with a logged message.  A server that dies
 * while the connection is being opened, before it is watched, still ends
 * the process inside Xlib. */
std::string lostText(Display *dpy)
{
    return "Display connection lost: " + x11LostReason(dpy) + "\n";
}

void reportConnectionLost(Display *dpy)
{
    tsReportFailure("Display connection lost: %s\n", x11LostReason(dpy).c_str());
}

int bitsPerPixelOfDepth(Display *dpy, int depth)
{
    int count = 0;
    XPixmapFormatValues *formats = x11().XListPixmapFormats(dpy, &count);
    int bpp = depth;
    for (int i = 0; formats && i < count; ++i)
        if (formats[i].depth == depth)
            bpp = formats[i].bits_per_pixel;
    if (formats)
        x11().XFree(formats);
    return bpp;
}

/* Parses "major.minor" into major * 100 + minor; 0 when unreadable. */
int parseGlxVersion(const char *text)
{
    if (!text)
        return 0;
    int major = 0, minor = 0;
    if (sscanf(text, "%d.%d", &major, &minor) < 2)
        return 0;
    return major * 100 + minor;
}

uint8_t toByte(int v)
{
    return static_cast<uint8_t>(std::clamp(v, 0, 255));
}

/* The GLX entry points and the GLX version or extension that brings each. */
const WindowSystemEntry kGlxEntries[] = {
    {"glXChooseVisual", 100, nullptr},
    {"glXCreateContext", 100, nullptr},
    {"glXDestroyContext", 100, nullptr},
    {"glXMakeCurrent", 100, nullptr},
    {"glXCopyContext", 100, nullptr},
    {"glXSwapBuffers", 100, nullptr},
    {"glXCreateGLXPixmap", 100, nullptr},
    {"glXDestroyGLXPixmap", 100, nullptr},
    {"glXQueryExtension", 100, nullptr},
    {"glXQueryVersion", 100, nullptr},
    {"glXIsDirect", 100, nullptr},
    {"glXGetConfig", 100, nullptr},
    {"glXGetCurrentContext", 100, nullptr},
    {"glXGetCurrentDrawable", 100, nullptr},
    {"glXWaitGL", 100, nullptr},
    {"glXWaitX", 100, nullptr},
    {"glXUseXFont", 100, nullptr},
    {"glXQueryExtensionsString", 101, nullptr},
    {"glXQueryServerString", 101, nullptr},
    {"glXGetClientString", 101, nullptr},
    {"glXGetCurrentDisplay", 102, nullptr},
    {"glXGetFBConfigs", 103, nullptr},
    {"glXChooseFBConfig", 103, nullptr},
    {"glXGetFBConfigAttrib", 103, nullptr},
    {"glXGetVisualFromFBConfig", 103, nullptr},
    {"glXCreateWindow", 103, nullptr},
    {"glXDestroyWindow", 103, nullptr},
    {"glXCreatePixmap", 103, nullptr},
    {"glXDestroyPixmap", 103, nullptr},
    {"glXCreatePbuffer", 103, nullptr},
    {"glXDestroyPbuffer", 103, nullptr},
    {"glXQueryDrawable", 103, nullptr},
    {"glXCreateNewContext", 103, nullptr},
    {"glXMakeContextCurrent", 103, nullptr},
    {"glXGetCurrentReadDrawable", 103, nullptr},
    {"glXQueryContext", 103, nullptr},
    {"glXSelectEvent", 103, nullptr},
    {"glXGetSelectedEvent", 103, nullptr},
    {"glXGetProcAddress", 104, nullptr},
    {"glXGetProcAddressARB", 0, "GLX_ARB_get_proc_address"},
    {"glXCreateContextAttribsARB", 0, "GLX_ARB_create_context"},
    {"glXSwapIntervalEXT", 0, "GLX_EXT_swap_control"},
    {"glXSwapIntervalMESA", 0, "GLX_MESA_swap_control"},
    {"glXGetSwapIntervalMESA", 0, "GLX_MESA_swap_control"},
    {"glXSwapIntervalSGI", 0, "GLX_SGI_swap_control"},
    {"glXMakeCurrentReadSGI", 0, "GLX_SGI_make_current_read"},
    {"glXGetCurrentReadDrawableSGI", 0, "GLX_SGI_make_current_read"},
    {"glXGetVideoSyncSGI", 0, "GLX_SGI_video_sync"},
    {"glXWaitVideoSyncSGI", 0, "GLX_SGI_video_sync"},
    {"glXGetFBConfigAttribSGIX", 0, "GLX_SGIX_fbconfig"},
    {"glXChooseFBConfigSGIX", 0, "GLX_SGIX_fbconfig"},
    {"glXCreateGLXPixmapWithConfigSGIX", 0, "GLX_SGIX_fbconfig"},
    {"glXCreateContextWithConfigSGIX", 0, "GLX_SGIX_fbconfig"},
    {"glXGetVisualFromFBConfigSGIX", 0, "GLX_SGIX_fbconfig"},
    {"glXGetFBConfigFromVisualSGIX", 0, "GLX_SGIX_fbconfig"},
    {"glXCreateGLXPbufferSGIX", 0, "GLX_SGIX_pbuffer"},
    {"glXDestroyGLXPbufferSGIX", 0, "GLX_SGIX_pbuffer"},
    {"glXQueryGLXPbufferSGIX", 0, "GLX_SGIX_pbuffer"},
    {"glXSelectEventSGIX", 0, "GLX_SGIX_pbuffer"},
    {"glXGetSelectedEventSGIX", 0, "GLX_SGIX_pbuffer"},
    {"glXGetCurrentDisplayEXT", 0, "GLX_EXT_import_context"},
    {"glXQueryContextInfoEXT", 0, "GLX_EXT_import_context"},
    {"glXGetContextIDEXT", 0, "GLX_EXT_import_context"},
    {"glXImportContextEXT", 0, "GLX_EXT_import_context"},
    {"glXFreeContextEXT", 0, "GLX_EXT_import_context"},
    {"glXBindTexImageEXT", 0, "GLX_EXT_texture_from_pixmap"},
    {"glXReleaseTexImageEXT", 0, "GLX_EXT_texture_from_pixmap"},
    {"glXQueryCurrentRendererIntegerMESA", 0, "GLX_MESA_query_renderer"},
    {"glXQueryCurrentRendererStringMESA", 0, "GLX_MESA_query_renderer"},
    {"glXQueryRendererIntegerMESA", 0, "GLX_MESA_query_renderer"},
    {"glXQueryRendererStringMESA", 0, "GLX_MESA_query_renderer"},
    {"glXCopySubBufferMESA", 0, "GLX_MESA_copy_sub_buffer"},
    {"glXCreateGLXPixmapMESA", 0, "GLX_MESA_pixmap_colormap"},
    {"glXReleaseBuffersMESA", 0, "GLX_MESA_release_buffers"},
    {"glXGetAGPOffsetMESA", 0, "GLX_MESA_agp_offset"},
    {"glXGetSyncValuesOML", 0, "GLX_OML_sync_control"},
    {"glXGetMscRateOML", 0, "GLX_OML_sync_control"},
    {"glXSwapBuffersMscOML", 0, "GLX_OML_sync_control"},
    {"glXWaitForMscOML", 0, "GLX_OML_sync_control"},
    {"glXWaitForSbcOML", 0, "GLX_OML_sync_control"},
    {"glXJoinSwapGroupSGIX", 0, "GLX_SGIX_swap_group"},
    {"glXBindSwapBarrierSGIX", 0, "GLX_SGIX_swap_barrier"},
    {"glXQueryMaxSwapBarriersSGIX", 0, "GLX_SGIX_swap_barrier"},
    {"glXCushionSGI", 0, "GLX_SGI_cushion"},
    {"glXCopyImageSubDataNV", 0, "GLX_NV_copy_image"},
    {"glXDelayBeforeSwapNV", 0, "GLX_NV_delay_before_swap"},
};

/* ---- the backend -------------------------------------------------------- */

class GlxPlatform final : public ProbePlatform {
public:
    const char *name() const override { return "glx"; }
    std::string windowSystem() override { return windowSystem_; }
    bool createWindow(const WindowRequest &request) override;
    void destroyWindow() override;
    bool isOpen() const override { return dpy_ && ctx_ && win_ && !lost(); }
    void swapBuffers() override
    {
        if (dpy_ && win_ && !lost())
            x11().glXSwapBuffers(dpy_, win_);
    }
    void hideWindow() override;
    bool processEvents() override;
    void windowSize(int *width, int *height) override;
    std::string extensions() override;
    std::vector<tsPixelFormat> pixelFormats(size_t limit) override;
    uint64_t videoMemoryBytes() override;
    bool checkConnection() override;
    int hasEntryPoint(const char *name) override;
    EntryPointCheck entryPointCheck() override;
    int setSwapInterval(int interval) override;
    void *glProcAddress(const char *name) override
    {
        return reinterpret_cast<void *>(
            x11().glXGetProcAddressARB(reinterpret_cast<const GLubyte *>(name)));
    }
    int desktopBits() override;
    bool withCoreContext(const std::function<void()> &read) override;
    void *nativeDisplay() override { return dpy_; }
    unsigned long nativeWindow() override { return win_; }
    void *nativeConfig() override { return config_; }
    void *nativeContext() override { return ctx_; }
    int nativeScreen() override { return screen_; }

private:
    enum class Attempt { Ok, NoDisplay, Failed };
    Attempt attempt(const WindowRequest &request, bool softpipe);
    bool switchMode(int width, int height, int refreshRate);
    void restoreMode();
    bool lost() const { return dpy_ && x11ConnectionLost(dpy_); }
    /* Why the requests of a trap failed: the lost connection, the trapped
     * error, else the system's last error. */
    std::string errorText(const X11ErrorTrap &trap) const;
    void deliver(const InfoEvent &event) { platformDeliverEvent(handler_, user_, event); }
    bool windowHidden();
    InfoEvent keyEvent(XKeyEvent &key, InfoEventType type);
    int configIndex(GLXFBConfig config);
    Display *displayForQueries() const { return dpy_ ? dpy_ : x11().glXGetCurrentDisplay(); }
    bool unacceleratedRenderer(const std::string &glxList);

    Display *dpy_ = nullptr;
    int screen_ = 0;
    Window win_ = 0;
    Colormap cmap_ = 0;
    Cursor blankCursor_ = 0;
    GLXContext ctx_ = nullptr;
    GLXFBConfig config_ = nullptr;
    int width_ = 0;
    int height_ = 0;
    InfoEventHandler handler_ = nullptr;
    void *user_ = nullptr;
    bool trapped_ = false; /* the connection's lifetime grab is held */
    bool checkDecided_ = false;
    EntryPointCheck check_;
    using OffsetFn = int (*)(const char *);
    OffsetFn glapiOffset_ = nullptr;
    void *glapi_ = nullptr;
    std::string windowSystem_ = "GLX"; /* with the version of the last window */

    /* Full-screen mode switch, undone by the teardown. */
    bool modeChanged_ = false;
    RRCrtc crtc_ = 0;
    RRMode savedMode_ = 0;
    Rotation savedRotation_ = RR_Rotate_0;
    int savedX_ = 0;
    int savedY_ = 0;
    std::vector<RROutput> savedOutputs_;
};

std::string GlxPlatform::errorText(const X11ErrorTrap &trap) const
{
    if (lost())
        return lostText(dpy_);
    if (trap.error().code)
        return trap.error().text;
    const char *text = sysDebugGetWinError();
    return text ? text : "";
}

bool GlxPlatform::createWindow(const WindowRequest &request)
{
    if (isOpen() || dpy_)
        destroyWindow();
    if (request.hardware)
        return attempt(request, false) == Attempt::Ok;
    Attempt first = attempt(request, true);
    if (first != Attempt::Failed)
        return first == Attempt::Ok;
    /* A Mesa built without softpipe refuses the whole screen when it is
     * named; its other software rasteriser (llvmpipe) stands in. */
    return attempt(request, false) == Attempt::Ok;
}

/* Opens a connection.  A server that is resetting (Xvfb does when its last
 * client leaves) refuses connections for a moment: those errors are retried
 * briefly, a display that does not exist is not. */
Display *openDisplay()
{
    for (int tries = 0;; ++tries) {
        errno = 0;
        Display *dpy = x11().XOpenDisplay(nullptr);
        if (dpy)
            return dpy;
        bool transient = errno == ECONNRESET || errno == EAGAIN || errno == EINTR;
        if (!transient || tries >= 20)
            return nullptr;
        struct timespec pause = {0, 25 * 1000 * 1000};
        nanosleep(&pause, nullptr);
    }
}

GlxPlatform::Attempt GlxPlatform::attempt(const WindowRequest &request, bool softpipe)
{
    tsReportSetLogFile();
    char description[128];
    snprintf(description, sizeof description, "%d x %d, %d (AAx%d)", request.width, request.height,
             request.bits, request.samples);
    handler_ = request.handler;
    user_ = request.user;
    int width = request.width > 0 ? request.width : 1;
    int height = request.height > 0 ? request.height : 1;
    int bits = request.bits;

    tsReportContext("Legacy PFD creation.");

    /* The software rasteriser is chosen by the environment, which glvnd and
     * Mesa read at the first GLX request on the connection, not when it is
     * opened: the variables stay set until glXChooseFBConfig has returned. */
    EnvOverride env;
    if (!request.hardware) {
        env.set("__GLX_VENDOR_LIBRARY_NAME", "mesa");
        env.set("LIBGL_ALWAYS_SOFTWARE", "1");
        if (softpipe)
            env.set("GALLIUM_DRIVER", "softpipe");
        else
            env.unset("GALLIUM_DRIVER");
    }

    dpy_ = openDisplay();
    if (!dpy_) {
        int error = errno;
        env.restore();
        const char *name = getenv("DISPLAY");
        /* Without the X libraries that is the cause; else the connection's. */
        std::string cause;
        if (x11Available(&cause))
            cause = error ? strerror(error) : "no X server";
        char reason[600];
        snprintf(reason, sizeof reason, "cannot open display \"%s\": %s\n", name ? name : "",
                 cause.c_str());
        tsReportFailure("CreateWindowEx failed (1): %s - %s\n", reason, description);
        return Attempt::NoDisplay;
    }
    x11WatchConnection(dpy_);
    x11GrabErrors(dpy_);
    trapped_ = true;
    screen_ = DefaultScreen(dpy_);

    int errorBase = 0, eventBase = 0;
    if (!x11().glXQueryExtension(dpy_, &errorBase, &eventBase)) {
        env.restore();
        tsReportFailure("Can't Create A GL Device Context: %s\n",
                        lost() ? lostText(dpy_).c_str() : "the X server has no GLX extension\n");
        destroyWindow();
        return Attempt::Failed;
    }
    int major = 0, minor = 0;
    if (!x11().glXQueryVersion(dpy_, &major, &minor) || major * 100 + minor < 103) {
        env.restore();
        tsReportFailure("Can't Create A GL Device Context: %s\n",
                        lost() ? lostText(dpy_).c_str() : "GLX 1.3 is not available\n");
        destroyWindow();
        return Attempt::Failed;
    }
    /* The first request that makes glvnd and Mesa pick vendor and driver.
     * The server's list is fetched on its own first: the client's list is
     * built from it without a check, so a server that is gone by now must be
     * caught here. */
    if (!x11().glXQueryServerString(dpy_, screen_, GLX_EXTENSIONS) || lost()) {
        env.restore();
        tsReportFailure("Can't Create A GL Device Context: %s\n",
                        lost() ? lostText(dpy_).c_str()
                               : "the X server gave no GLX extension list\n");
        destroyWindow();
        return Attempt::Failed;
    }
    x11().glXQueryExtensionsString(dpy_, screen_);

    if (bits == -1)
        bits = bitsPerPixelOfDepth(dpy_, DefaultDepth(dpy_, screen_));

    if (request.fullscreen) {
        if (!request.keepDesktopMode)
            modeChanged_ = switchMode(width, height, request.refreshRate);
        if (!modeChanged_ || request.keepDesktopMode) {
            /* No switch: the window covers the screen at the current mode. */
            width = DisplayWidth(dpy_, screen_);
            height = DisplayHeight(dpy_, screen_);
        }
    }

    tsReportContext("ARB PFD creation.");
    int colour = bits >= 24 ? 8 : (bits >= 15 ? 5 : 1);
    std::vector<int> attribs = {
        GLX_X_RENDERABLE, True,         GLX_DRAWABLE_TYPE, GLX_WINDOW_BIT,
        GLX_RENDER_TYPE,  GLX_RGBA_BIT, GLX_DOUBLEBUFFER,  True,
        GLX_RED_SIZE,     colour,       GLX_GREEN_SIZE,    bits == 16 ? 6 : colour,
        GLX_BLUE_SIZE,    colour,       GLX_DEPTH_SIZE,    bits == 16 ? 16 : 24,
    };
    if (request.samples > 0) {
        attribs.insert(attribs.end(), {GLX_SAMPLE_BUFFERS, 1, GLX_SAMPLES, request.samples});
    }
    attribs.push_back(None);

    int count = 0;
    X11ErrorTrap configTrap(dpy_);
    GLXFBConfig *configs = x11().glXChooseFBConfig(dpy_, screen_, attribs.data(), &count);
    env.restore();
    XVisualInfo *visual = nullptr;
    for (int i = 0; configs && i < count && !visual; ++i) {
        visual = x11().glXGetVisualFromFBConfig(dpy_, configs[i]);
        if (visual)
            config_ = configs[i];
    }
    if (configs)
        x11().XFree(configs);
    configTrap.release();
    if (!visual || lost()) {
        if (visual)
            x11().XFree(visual);
        std::string reason = lost()                    ? lostText(dpy_)
                             : configTrap.error().code ? configTrap.error().text
                                                       : "no frame-buffer configuration matches";
        destroyWindow();
        tsReportFailure("Can't Find A Suitable PixelFormat: %s, %s\n", reason.c_str(), description);
        return Attempt::Failed;
    }

    Window root = RootWindow(dpy_, screen_);
    X11ErrorTrap windowTrap(dpy_);
    cmap_ = x11().XCreateColormap(dpy_, root, visual->visual, AllocNone);
    XSetWindowAttributes attributes;
    memset(&attributes, 0, sizeof attributes);
    attributes.colormap = cmap_;
    attributes.border_pixel = 0;
    attributes.background_pixmap = None;
    attributes.override_redirect = request.fullscreen ? True : False;
    attributes.event_mask = StructureNotifyMask | ExposureMask | KeyPressMask | KeyReleaseMask |
                            ButtonPressMask | ButtonReleaseMask | FocusChangeMask |
                            VisibilityChangeMask | PropertyChangeMask;
    win_ = x11().XCreateWindow(
        dpy_, root, 0, 0, static_cast<unsigned>(width), static_cast<unsigned>(height), 0,
        visual->depth, InputOutput, visual->visual,
        CWColormap | CWBorderPixel | CWBackPixmap | CWOverrideRedirect | CWEventMask, &attributes);
    x11().XFree(visual);
    const int windowError = windowTrap.release();
    if (!win_ || windowError || lost()) {
        std::string reason = errorText(windowTrap);
        if (win_ && windowError)
            win_ = 0; /* the server refused it: nothing to destroy */
        destroyWindow();
        tsReportFailure("Window Creation Error: %s, %s\n", reason.c_str(), description);
        return Attempt::Failed;
    }
    width_ = width;
    height_ = height;
    x11().XStoreName(dpy_, win_, request.title ? request.title : "");
    Atom wmDelete = x11().XInternAtom(dpy_, "WM_DELETE_WINDOW", False);
    x11().XSetWMProtocols(dpy_, win_, &wmDelete, 1);
    if (request.fullscreen) {
        Atom state = x11().XInternAtom(dpy_, "_NET_WM_STATE", False);
        Atom full = x11().XInternAtom(dpy_, "_NET_WM_STATE_FULLSCREEN", False);
        x11().XChangeProperty(dpy_, win_, state, XA_ATOM, 32, PropModeReplace,
                              reinterpret_cast<unsigned char *>(&full), 1);
        /* Full screen hides the cursor. */
        static const char empty[8] = {0};
        Pixmap blank = x11().XCreateBitmapFromData(dpy_, win_, empty, 8, 8);
        XColor black;
        memset(&black, 0, sizeof black);
        blankCursor_ = x11().XCreatePixmapCursor(dpy_, blank, blank, &black, &black, 0, 0);
        x11().XFreePixmap(dpy_, blank);
        x11().XDefineCursor(dpy_, win_, blankCursor_);
    }

    X11ErrorTrap contextTrap(dpy_);
    ctx_ = x11().glXCreateNewContext(dpy_, config_, GLX_RGBA_TYPE, nullptr, True);
    contextTrap.release();
    if (!ctx_ || lost()) {
        int index = configIndex(config_);
        tsReportFailure("wglCreateContext failed : %s\n", errorText(contextTrap).c_str());
        destroyWindow();
        tsReportFailure("Context Creation Failed. PixelFormat %d, %s\n", index, description);
        return Attempt::Failed;
    }
    X11ErrorTrap currentTrap(dpy_);
    const bool current = x11().glXMakeContextCurrent(dpy_, win_, win_, ctx_);
    currentTrap.release();
    if (!current || lost()) {
        int index = configIndex(config_);
        tsReportFailure("wglMakeCurrent failed : %s\n", errorText(currentTrap).c_str());
        destroyWindow();
        tsReportFailure("Context Creation Failed. PixelFormat %d, %s\n", index, description);
        return Attempt::Failed;
    }
    /* GLEW's entry points are the rendering tests' business (they load
     * them for their window); the probe looks up the few queries it needs
     * itself, which spares GLEW's 2,500 look-ups.  No error of making the
     * context is left behind for the caller. */
    for (int i = 0; i < 64 && glGetError() != GL_NO_ERROR; ++i) {}

    if (request.show) {
        x11().XMapRaised(dpy_, win_);
        for (int i = 0; i < 200 && !lost(); ++i) {
            XWindowAttributes wa;
            x11().XSync(dpy_, False);
            if (x11().XGetWindowAttributes(dpy_, win_, &wa) && wa.map_state == IsViewable)
                break;
            struct timespec pause = {0, 10 * 1000 * 1000};
            nanosleep(&pause, nullptr);
        }
        x11().XSetInputFocus(dpy_, win_, RevertToParent, CurrentTime);
    }
    /* A round trip proves the connection still stands before success is
     * reported. */
    if (!x11Sync(dpy_)) {
        int index = configIndex(config_);
        reportConnectionLost(dpy_);
        destroyWindow();
        tsReportFailure("Context Creation Failed. PixelFormat %d, %s\n", index, description);
        return Attempt::Failed;
    }
    char system[32];
    snprintf(system, sizeof system, "GLX %d.%d", major, minor);
    windowSystem_ = system;
    return Attempt::Ok;
}

int GlxPlatform::configIndex(GLXFBConfig config)
{
    int count = 0;
    GLXFBConfig *all = dpy_ ? x11().glXGetFBConfigs(dpy_, screen_, &count) : nullptr;
    int index = 0;
    for (int i = 0; all && i < count; ++i)
        if (all[i] == config) {
            index = i + 1;
            break;
        }
    if (all)
        x11().XFree(all);
    return index;
}

bool GlxPlatform::switchMode(int width, int height, int refreshRate)
{
    int eventBase = 0, errorBase = 0;
    if (!x11().XRRQueryExtension(dpy_, &eventBase, &errorBase))
        return false;
    Window root = RootWindow(dpy_, screen_);
    XRRScreenResources *res = x11().XRRGetScreenResourcesCurrent(dpy_, root);
    if (!res)
        return false;
    bool changed = false;
    RROutput output = x11().XRRGetOutputPrimary(dpy_, root);
    XRROutputInfo *info = output ? x11().XRRGetOutputInfo(dpy_, res, output) : nullptr;
    if (!info || info->connection != RR_Connected || !info->crtc) {
        if (info)
            x11().XRRFreeOutputInfo(info);
        info = nullptr;
        for (int i = 0; i < res->noutput && !info; ++i) {
            XRROutputInfo *candidate = x11().XRRGetOutputInfo(dpy_, res, res->outputs[i]);
            if (candidate && candidate->connection == RR_Connected && candidate->crtc)
                info = candidate;
            else if (candidate)
                x11().XRRFreeOutputInfo(candidate);
        }
    }
    XRRCrtcInfo *crtc = info ? x11().XRRGetCrtcInfo(dpy_, res, info->crtc) : nullptr;
    if (crtc) {
        RRMode best = 0;
        int bestDiff = 1 << 30;
        for (int i = 0; i < info->nmode; ++i) {
            for (int m = 0; m < res->nmode; ++m) {
                const XRRModeInfo &mode = res->modes[m];
                if (mode.id != info->modes[i] || static_cast<int>(mode.width) != width ||
                    static_cast<int>(mode.height) != height)
                    continue;
                int rate = 0;
                if (mode.hTotal && mode.vTotal)
                    rate = static_cast<int>(static_cast<double>(mode.dotClock) /
                                                (static_cast<double>(mode.hTotal) * mode.vTotal) +
                                            0.5);
                int diff = refreshRate > 0 ? std::abs(rate - refreshRate) : 0;
                if (diff < bestDiff) {
                    bestDiff = diff;
                    best = mode.id;
                }
            }
        }
        if (best && best != crtc->mode) {
            X11ErrorTrap trap(dpy_);
            Status status =
                x11().XRRSetCrtcConfig(dpy_, res, info->crtc, CurrentTime, crtc->x, crtc->y, best,
                                       crtc->rotation, crtc->outputs, crtc->noutput);
            if (status == RRSetConfigSuccess && trap.release() == 0) {
                changed = true;
                crtc_ = info->crtc;
                savedMode_ = crtc->mode;
                savedRotation_ = crtc->rotation;
                savedX_ = crtc->x;
                savedY_ = crtc->y;
                savedOutputs_.assign(crtc->outputs, crtc->outputs + crtc->noutput);
            }
        }
        x11().XRRFreeCrtcInfo(crtc);
    }
    if (info)
        x11().XRRFreeOutputInfo(info);
    x11().XRRFreeScreenResources(res);
    return changed;
}

void GlxPlatform::restoreMode()
{
    if (!modeChanged_ || !dpy_ || lost())
        return;
    Window root = RootWindow(dpy_, screen_);
    XRRScreenResources *res = x11().XRRGetScreenResourcesCurrent(dpy_, root);
    if (res) {
        x11().XRRSetCrtcConfig(dpy_, res, crtc_, CurrentTime, savedX_, savedY_, savedMode_,
                               savedRotation_, savedOutputs_.data(),
                               static_cast<int>(savedOutputs_.size()));
        x11().XRRFreeScreenResources(res);
        x11().XSync(dpy_, False);
    }
    modeChanged_ = false;
}

void GlxPlatform::destroyWindow()
{
    if (modeChanged_) {
        restoreMode();
        if (dpy_ && win_ && !lost())
            x11().XUndefineCursor(dpy_, win_);
    }
    tsReportContext("DestroyWindow");
    if (ctx_) {
        X11ErrorTrap trap(dpy_);
        const bool released = x11().glXMakeContextCurrent(dpy_, None, None, nullptr);
        trap.release();
        if (!released)
            tsReportFailure("wglMakeCurrent(0,0) failed : %s\n", errorText(trap).c_str());
        x11().glXDestroyContext(dpy_, ctx_);
        ctx_ = nullptr;
    }
    if (lost()) {
        /* Nothing can be released on a server that is gone; closing the
         * connection frees the client side without another request. */
        blankCursor_ = 0;
        win_ = 0;
        cmap_ = 0;
    }
    if (dpy_) {
        if (blankCursor_) {
            if (win_)
                x11().XUndefineCursor(dpy_, win_);
            x11().XFreeCursor(dpy_, blankCursor_);
            blankCursor_ = 0;
        }
        if (win_) {
            X11ErrorTrap trap(dpy_);
            x11().XDestroyWindow(dpy_, win_);
            if (trap.release())
                tsReportFailure("DestroyWindow failed: %s\n", trap.error().text);
            win_ = 0;
        }
        if (cmap_) {
            x11().XFreeColormap(dpy_, cmap_);
            cmap_ = 0;
        }
        if (trapped_) {
            x11ReleaseErrors(dpy_);
            trapped_ = false;
        }
        /* Still watched while it closes: closing a broken connection must
         * not reach Xlib's default I/O error handler, which ends the
         * process. */
        x11().XCloseDisplay(dpy_);
        x11UnwatchConnection(dpy_);
        dpy_ = nullptr;
    }
    config_ = nullptr;
    win_ = 0;
    width_ = height_ = 0;
    modeChanged_ = false;
    savedOutputs_.clear();
    checkDecided_ = false;
    check_ = EntryPointCheck();
    glapiOffset_ = nullptr;
    if (glapi_) {
        dlclose(glapi_);
        glapi_ = nullptr;
    }
}

void GlxPlatform::hideWindow()
{
    if (!dpy_ || !win_ || lost())
        return;
    x11().XUnmapWindow(dpy_, win_);
    x11().XUndefineCursor(dpy_, win_);
    x11().XFlush(dpy_);
}

/* True when the window manager marks the window hidden (iconified). */
bool GlxPlatform::windowHidden()
{
    Atom wmState = x11().XInternAtom(dpy_, "_NET_WM_STATE", True);
    Atom hidden = x11().XInternAtom(dpy_, "_NET_WM_STATE_HIDDEN", True);
    if (wmState == None || hidden == None)
        return false;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char *data = nullptr;
    bool result = false;
    if (x11().XGetWindowProperty(dpy_, win_, wmState, 0, 64, False, XA_ATOM, &type, &format, &count,
                                 &after, &data) == Success &&
        data) {
        if (format == 32) {
            const Atom *atoms = reinterpret_cast<const Atom *>(data);
            for (unsigned long i = 0; i < count; ++i)
                if (atoms[i] == hidden)
                    result = true;
        }
        x11().XFree(data);
    }
    return result;
}

InfoEvent GlxPlatform::keyEvent(XKeyEvent &key, InfoEventType type)
{
    InfoEvent event(type);
    const KeySym sym = x11().XLookupKeysym(&key, 0);
    if (sym == XK_Control_L || sym == XK_Control_R)
        event.key = infoKeyControl;
    else if (sym == XK_Alt_L || sym == XK_Alt_R || sym == XK_Meta_L || sym == XK_Meta_R ||
             sym == XK_ISO_Level3_Shift)
        event.key = infoKeyAlt;
    else if (sym >= 0x20 && sym < 0x7f) /* Latin-1 keysyms are their characters */
        event.key = tolower(static_cast<int>(sym));
    if (key.state & ControlMask)
        event.modifiers |= infoModifierControl;
    if (key.state & Mod1Mask)
        event.modifiers |= infoModifierAlt;
    return event;
}

/* Turns the window's X events into the window system's neutral events;
 * events of other windows and kinds the handlers do not know are dropped. */
bool GlxPlatform::processEvents()
{
    Atom wmDelete = None, wmState = None;
    while (dpy_ && !lost() && x11().XPending(dpy_) > 0) {
        XEvent event;
        x11().XNextEvent(dpy_, &event);
        switch (event.type) {
        case ConfigureNotify:
            if (event.xconfigure.window != win_)
                break;
            width_ = event.xconfigure.width;
            height_ = event.xconfigure.height;
            {
                InfoEvent resize(infoEventResize);
                resize.width = width_;
                resize.height = height_;
                deliver(resize);
            }
            break;
        case MapNotify:
        case UnmapNotify:
            if (event.xany.window == win_) {
                InfoEvent activate(infoEventActivate);
                activate.active = event.type == MapNotify;
                deliver(activate);
            }
            break;
        case PropertyNotify:
            if (wmState == None)
                wmState = x11().XInternAtom(dpy_, "_NET_WM_STATE", True);
            if (event.xproperty.window == win_ && wmState != None &&
                event.xproperty.atom == wmState) {
                InfoEvent activate(infoEventActivate);
                activate.active = !windowHidden();
                deliver(activate);
            }
            break;
        case DestroyNotify:
            if (event.xdestroywindow.window == win_)
                deliver(InfoEvent(infoEventDestroyed));
            break;
        case Expose:
            if (event.xexpose.window == win_ && event.xexpose.count == 0)
                deliver(InfoEvent(infoEventExpose));
            break;
        case KeyPress:
        case KeyRelease:
            if (event.xkey.window == win_)
                deliver(keyEvent(event.xkey,
                                 event.type == KeyPress ? infoEventKeyDown : infoEventKeyUp));
            break;
        case ClientMessage:
            if (wmDelete == None)
                wmDelete = x11().XInternAtom(dpy_, "WM_DELETE_WINDOW", True);
            if (event.xclient.window == win_ && wmDelete != None && event.xclient.format == 32 &&
                static_cast<Atom>(event.xclient.data.l[0]) == wmDelete)
                deliver(InfoEvent(infoEventClose));
            break;
        default: break;
        }
    }
    /* A window whose server is gone cannot be driven any longer. */
    if (lost())
        return false;
    return !platformQuitRequested();
}

bool GlxPlatform::checkConnection()
{
    if (!dpy_)
        return true;
    /* A round trip finds a server that is gone. */
    if (x11Sync(dpy_))
        return true;
    reportConnectionLost(dpy_);
    return false;
}

void GlxPlatform::windowSize(int *width, int *height)
{
    if (width)
        *width = width_;
    if (height)
        *height = height_;
}

std::string GlxPlatform::extensions()
{
    Display *dpy = displayForQueries();
    if (!dpy)
        return std::string();
    int screen = dpy_ ? screen_ : DefaultScreen(dpy);
    const char *list = x11().glXQueryExtensionsString(dpy, screen);
    return list ? std::string(list) : std::string();
}

bool GlxPlatform::unacceleratedRenderer(const std::string &glxList)
{
    if (!x11().glXGetCurrentContext() || !extensionListed(glxList, "GLX_MESA_query_renderer"))
        return false;
    auto query =
        reinterpret_cast<PFNGLXQUERYCURRENTRENDERERINTEGERMESAPROC>(x11().glXGetProcAddressARB(
            reinterpret_cast<const GLubyte *>("glXQueryCurrentRendererIntegerMESA")));
    unsigned int accelerated = 1;
    if (query && query(GLX_RENDERER_ACCELERATED_MESA, &accelerated))
        return accelerated == 0;
    return false;
}

std::vector<tsPixelFormat> GlxPlatform::pixelFormats(size_t limit)
{
    std::vector<tsPixelFormat> out;
    Display *dpy = displayForQueries();
    if (!dpy)
        return out;
    int screen = dpy_ ? screen_ : DefaultScreen(dpy);
    bool unaccelerated = unacceleratedRenderer(extensions());
    int count = 0;
    GLXFBConfig *configs = x11().glXGetFBConfigs(dpy, screen, &count);
    for (int i = 0; configs && i < count && out.size() < limit; ++i) {
        auto get = [&](int attribute) {
            int value = 0;
            if (x11().glXGetFBConfigAttrib(dpy, configs[i], attribute, &value) != Success)
                value = 0;
            return value;
        };
        tsPixelFormat pf;
        memset(&pf, 0, sizeof pf);
        pf.color_bits = toByte(get(GLX_BUFFER_SIZE));
        pf.depth_bits = toByte(get(GLX_DEPTH_SIZE));
        pf.stencil_bits = toByte(get(GLX_STENCIL_SIZE));
        pf.accum_bits = toByte(get(GLX_ACCUM_RED_SIZE) + get(GLX_ACCUM_GREEN_SIZE) +
                               get(GLX_ACCUM_BLUE_SIZE) + get(GLX_ACCUM_ALPHA_SIZE));
        int renderType = get(GLX_RENDER_TYPE);
        pf.pixel_type = (renderType & GLX_COLOR_INDEX_BIT) && !(renderType & GLX_RGBA_BIT) ? 1 : 0;
        pf.double_buffer = get(GLX_DOUBLEBUFFER) ? 1 : 0;
        pf.stereo = get(GLX_STEREO) ? 1 : 0;
        pf.samples = toByte(get(GLX_SAMPLES));
        int drawable = get(GLX_DRAWABLE_TYPE);
        pf.draw_to_window = (drawable & GLX_WINDOW_BIT) ? 1 : 0;
        pf.draw_to_bitmap = (drawable & GLX_PIXMAP_BIT) ? 1 : 0;
        /* Core X drawing works on the same drawable as GL on a pixmap. */
        pf.support_gdi = (drawable & GLX_PIXMAP_BIT) ? 1 : 0;
        pf.support_opengl = 1;
        pf.acceleration = (get(GLX_CONFIG_CAVEAT) == GLX_SLOW_CONFIG || unaccelerated) ? 0 : 1;
        int level = get(GLX_LEVEL);
        if (level > 0)
            pf.number_overlays = toByte(level);
        else if (level < 0)
            pf.number_underlays = toByte(-level);
        out.push_back(pf);
    }
    if (configs)
        x11().XFree(configs);
    return out;
}

uint64_t GlxPlatform::videoMemoryBytes()
{
    const uint64_t mib = 1048576ull;
    if (x11().glXGetCurrentContext() && extensionListed(extensions(), "GLX_MESA_query_renderer")) {
        auto query =
            reinterpret_cast<PFNGLXQUERYCURRENTRENDERERINTEGERMESAPROC>(x11().glXGetProcAddressARB(
                reinterpret_cast<const GLubyte *>("glXQueryCurrentRendererIntegerMESA")));
        unsigned int megabytes = 0;
        if (query && query(GLX_RENDERER_VIDEO_MEMORY_MESA, &megabytes) && megabytes > 0)
            return static_cast<uint64_t>(megabytes) * mib;
    }
    if (x11().glXGetCurrentContext()) {
        const char *gl = reinterpret_cast<const char *>(glGetString(GL_EXTENSIONS));
        if (tsInfoSearchExtension("GL_NVX_gpu_memory_info", gl)) {
            GLint kilobytes = 0;
            glGetIntegerv(0x9047 /* GL_GPU_MEMORY_INFO_DEDICATED_VIDMEM_NVX */, &kilobytes);
            if (kilobytes > 0)
                return static_cast<uint64_t>(kilobytes) * 1024ull;
        }
        if (tsInfoSearchExtension("GL_ATI_meminfo", gl)) {
            GLint values[4] = {0, 0, 0, 0};
            glGetIntegerv(0x87FB /* GL_VBO_FREE_MEMORY_ATI */, values);
            if (values[0] > 0)
                return static_cast<uint64_t>(values[0]) * 1024ull;
        }
        while (glGetError() != GL_NO_ERROR) {}
    }
    DIR *dir = opendir("/sys/class/drm");
    uint64_t bytes = 0;
    if (dir) {
        std::vector<std::string> cards;
        while (dirent *entry = readdir(dir)) {
            if (strncmp(entry->d_name, "card", 4) == 0 && !strchr(entry->d_name, '-'))
                cards.push_back(entry->d_name);
        }
        closedir(dir);
        std::sort(cards.begin(), cards.end());
        for (const std::string &card : cards) {
            std::string path = "/sys/class/drm/" + card + "/device/mem_info_vram_total";
            FILE *f = fopen(path.c_str(), "r");
            if (!f)
                continue;
            unsigned long long value = 0;
            if (fscanf(f, "%llu", &value) == 1 && value > 0)
                bytes = value;
            fclose(f);
            if (bytes)
                break;
        }
    }
    return bytes;
}

/* The gl* check needs the vendor library behind the context to offer a way
 * to tell the functions its drivers implement from the stubs that glvnd
 * hands out for any name.  Mesa does: its dispatch table (libglapi) knows
 * every function of its drivers.  The vendor is Mesa when the screen lists
 * GLX_MESA_query_renderer or the GL version names Mesa; the dispatch table
 * of another vendor's process would answer for Mesa, not for the context. */
EntryPointCheck GlxPlatform::entryPointCheck()
{
    if (checkDecided_ || !x11().glXGetCurrentContext())
        return check_;
    checkDecided_ = true;
    Display *dpy = displayForQueries();
    const char *client = dpy ? x11().glXGetClientString(dpy, GLX_VENDOR) : nullptr;
    const char *glVersion = reinterpret_cast<const char *>(glGetString(GL_VERSION));
    const bool queryRenderer = dpy && extensionListed(extensions(), "GLX_MESA_query_renderer");
    const bool mesa = queryRenderer || (glVersion && strstr(glVersion, "Mesa"));
    check_.vendor = mesa ? "Mesa" : (client && client[0] ? client : "unknown");
    check_.method = platformOpenDispatchTable(mesa, &glapi_, &glapiOffset_);
    check_.available = glapiOffset_ != nullptr;
    /* A check that cannot be made is logged where failures are read; the
     * report says the same in its verification part.  (Keel's debug log
     * would be a file on the user's desktop, written by every reading.) */
    if (!check_.available) {
        tsReportFailure("The driver's entry points cannot be checked: %s (vendor %s%s%s)\n",
                        check_.method.c_str(), check_.vendor.c_str(),
                        client ? ", GLX client vendor " : "", client ? client : "");
    }
    return check_;
}

int GlxPlatform::hasEntryPoint(const char *name)
{
    if (!name || strncmp(name, "gl", 2) != 0)
        return 0;
    if (strncmp(name, "glX", 3) != 0) {
        /* glvnd hands out a stub for any name, so the pointer from
         * glXGetProcAddress proves nothing: the driver's own table is
         * asked, and without one nothing counts as present. */
        if (!entryPointCheck().available)
            return 0;
        return glapiOffset_(name) >= 0 ? 1 : 0;
    }
    Display *dpy = displayForQueries();
    if (!dpy)
        return 0;
    const int screen = dpy_ ? screen_ : DefaultScreen(dpy);
    /* The version both sides and the negotiation agree on. */
    auto version = [dpy, screen] {
        int client = parseGlxVersion(x11().glXGetClientString(dpy, GLX_VERSION));
        int server = parseGlxVersion(x11().glXQueryServerString(dpy, screen, GLX_VERSION));
        int major = 0, minor = 0;
        int negotiated = x11().glXQueryVersion(dpy, &major, &minor) ? major * 100 + minor : 0;
        return std::min({client, server, negotiated});
    };
    return windowSystemEntryPresent(
        kGlxEntries, name, [this] { return extensions(); }, version);
}

int GlxPlatform::setSwapInterval(int interval)
{
    if (!dpy_ || !win_ || lost())
        return 0;
    std::string list = extensions();
    auto address = [](const char *fn) {
        return x11().glXGetProcAddressARB(reinterpret_cast<const GLubyte *>(fn));
    };
    if (extensionListed(list, "GLX_EXT_swap_control")) {
        auto fn = reinterpret_cast<PFNGLXSWAPINTERVALEXTPROC>(address("glXSwapIntervalEXT"));
        if (fn) {
            X11ErrorTrap trap(dpy_);
            fn(dpy_, win_, interval);
            if (trap.release() == 0 && !lost())
                return 1;
        }
    }
    if (extensionListed(list, "GLX_MESA_swap_control")) {
        auto fn = reinterpret_cast<PFNGLXSWAPINTERVALMESAPROC>(address("glXSwapIntervalMESA"));
        if (fn && interval >= 0 && fn(static_cast<unsigned>(interval)) == 0)
            return 1;
    }
    if (extensionListed(list, "GLX_SGI_swap_control") && interval > 0) {
        auto fn = reinterpret_cast<PFNGLXSWAPINTERVALSGIPROC>(address("glXSwapIntervalSGI"));
        if (fn && fn(interval) == 0)
            return 1;
    }
    return 0;
}

int GlxPlatform::desktopBits()
{
    if (dpy_)
        return bitsPerPixelOfDepth(dpy_, DefaultDepth(dpy_, screen_));
    Display *dpy = openDisplay();
    if (!dpy)
        return 0;
    int bits = bitsPerPixelOfDepth(dpy, DefaultDepth(dpy, DefaultScreen(dpy)));
    x11().XCloseDisplay(dpy);
    return bits;
}

} // namespace

bool GlxPlatform::withCoreContext(const std::function<void()> &read)
{
    if (!isOpen() || !config_)
        return false;
    const char *glxList = x11().glXQueryExtensionsString(dpy_, screen_);
    if (!extensionListed(glxList ? glxList : "", "GLX_ARB_create_context_profile"))
        return false;
    auto create = reinterpret_cast<PFNGLXCREATECONTEXTATTRIBSARBPROC>(x11().glXGetProcAddressARB(
        reinterpret_cast<const GLubyte *>("glXCreateContextAttribsARB")));
    if (!create)
        return false;
    /* A version the driver does not offer is refused with an X error
     * (BadMatch or GLXBadFBConfig), caught here and not logged. */
    /* The probe's context goes first and is made anew afterwards: the core
     * context then takes over the memory the driver has just freed, and is
     * made in a few milliseconds instead of the ten a second live context
     * costs in page faults. */
    {
        X11ErrorTrap trap(dpy_);
        x11().glXMakeContextCurrent(dpy_, None, None, nullptr);
        x11().glXDestroyContext(dpy_, ctx_);
        ctx_ = nullptr;
    }
    GLXContext core = nullptr;
    for (const GlVersionPair &v : kCoreProfileVersions) {
        const int attribs[] = {GLX_CONTEXT_MAJOR_VERSION_ARB,
                               v.major,
                               GLX_CONTEXT_MINOR_VERSION_ARB,
                               v.minor,
                               GLX_CONTEXT_PROFILE_MASK_ARB,
                               GLX_CONTEXT_CORE_PROFILE_BIT_ARB,
                               None};
        X11ErrorTrap trap(dpy_);
        core = create(dpy_, config_, nullptr, True, attribs);
        if (trap.release() && core) {
            x11().glXDestroyContext(dpy_, core);
            core = nullptr;
        }
        if (core || lost())
            break;
    }
    X11ErrorTrap trap(dpy_);
    bool current = false;
    if (core) {
        current = x11().glXMakeContextCurrent(dpy_, win_, win_, core);
        if (current)
            read();
        x11().glXMakeContextCurrent(dpy_, None, None, nullptr);
        x11().glXDestroyContext(dpy_, core);
    }
    ctx_ =
        lost() ? nullptr : x11().glXCreateNewContext(dpy_, config_, GLX_RGBA_TYPE, nullptr, True);
    const bool again = ctx_ && x11().glXMakeContextCurrent(dpy_, win_, win_, ctx_);
    const std::string error = errorText(trap);
    trap.release();
    if (!again) {
        tsReportFailure("wglMakeCurrent failed : the probe's context could not be made again "
                        "after the core-profile one: %s\n",
                        error.c_str());
        destroyWindow();
    }
    return current;
}

ProbePlatform *glxPlatform()
{
    static GlxPlatform platform;
    return &platform;
}

} // namespace sounder
