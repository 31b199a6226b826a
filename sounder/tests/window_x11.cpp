/* X11/GLX side of the rendering tests: the test window (through the
 * probe's window routine), its events, buffer swaps, the bitmap font and
 * the GLX pixel buffers of the off-screen targets. */
#include <GL/glew.h>
#include <GL/glx.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <ctime>
#include <unistd.h>

#include "probe/info_internal.h"
#include "sounder/probe.h"
#include "sounder/system.h"
#include "tests/test_internal.h"

namespace sounder {

struct PbufferHandles {
    GLXPbuffer pbuffer = 0;
    GLXContext context = nullptr;
};

namespace {

/* The window's drawable and context as they were made current by the
 * window routine; the harness returns to them after a pixel buffer. */
GLXDrawable g_windowDrawable = 0;
GLXContext g_windowContext = nullptr;
XFontStruct *g_font = nullptr;
double g_lastScreenSaverReset = 0.0;

Display *display()
{
    return static_cast<Display *>(infoNativeDisplay());
}

bool isControlKey(KeySym sym)
{
    return sym == XK_Control_L || sym == XK_Control_R;
}

bool isAltKey(KeySym sym)
{
    return sym == XK_Alt_L || sym == XK_Alt_R || sym == XK_Meta_L || sym == XK_Meta_R ||
           sym == XK_ISO_Level3_Shift;
}

/* True when the window manager marks the window hidden (iconified). */
bool windowHidden(Display *dpy, Window win)
{
    Atom wmState = XInternAtom(dpy, "_NET_WM_STATE", True);
    Atom hidden = XInternAtom(dpy, "_NET_WM_STATE_HIDDEN", True);
    if (wmState == None || hidden == None)
        return false;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char *data = nullptr;
    bool result = false;
    if (XGetWindowProperty(dpy, win, wmState, 0, 64, False, XA_ATOM, &type, &format, &count, &after,
                           &data) == Success &&
        data) {
        if (format == 32) {
            const Atom *atoms = reinterpret_cast<const Atom *>(data);
            for (unsigned long i = 0; i < count; ++i)
                if (atoms[i] == hidden)
                    result = true;
        }
        XFree(data);
    }
    return result;
}

/* Event handler of the test window: the counterparts of the window
 * messages.  Returns 1 for the events it handled. */
int testEventHandler(XEvent *event, void *)
{
    Display *dpy = display();
    const Window win = infoNativeWindow();
    switch (event->type) {
    case ConfigureNotify:
        if (event->xconfigure.window == win)
            testOnResize(event->xconfigure.width, event->xconfigure.height);
        return 1;
    case MapNotify:
        if (event->xmap.window == win)
            testOnActivate(true);
        return 1;
    case UnmapNotify:
        if (event->xunmap.window == win)
            testOnActivate(false);
        return 1;
    case PropertyNotify:
        if (dpy && event->xproperty.window == win &&
            event->xproperty.atom == XInternAtom(dpy, "_NET_WM_STATE", True))
            testOnActivate(!windowHidden(dpy, win));
        return 1;
    case DestroyNotify:
        /* Someone else destroyed the window: the run ends. */
        if (event->xdestroywindow.window == win)
            infoPostQuit(0);
        return 1;
    case KeyPress: {
        const KeySym sym = XLookupKeysym(&event->xkey, 0);
        /* Keys with Alt held are system keys (Alt+P takes a screenshot);
         * Control held keeps the unit running.  The modifier keys
         * themselves do not count as a key press. */
        if (isControlKey(sym) || isAltKey(sym) || (event->xkey.state & Mod1Mask))
            return 1;
        testOnKeyDown((event->xkey.state & ControlMask) != 0);
        return 1;
    }
    case KeyRelease: {
        const KeySym sym = XLookupKeysym(&event->xkey, 0);
        if ((sym == XK_p || sym == XK_P) && (event->xkey.state & Mod1Mask))
            testOnScreenshotKey();
        return 1;
    }
    default: return 0;
    }
}

/* Error trap for the pixel-buffer requests of the test window's
 * connection. */
int g_trapError = 0;
Display *g_trapDisplay = nullptr;
XErrorHandler g_trapPrevious = nullptr;

int trapHandler(Display *dpy, XErrorEvent *event)
{
    if (dpy == g_trapDisplay) {
        if (!g_trapError)
            g_trapError = event->error_code;
        return 0;
    }
    return g_trapPrevious ? g_trapPrevious(dpy, event) : 0;
}

void trapBegin(Display *dpy)
{
    XSync(dpy, False);
    g_trapError = 0;
    g_trapDisplay = dpy;
    g_trapPrevious = XSetErrorHandler(trapHandler);
}

int trapEnd(Display *dpy)
{
    XSync(dpy, False);
    XSetErrorHandler(g_trapPrevious);
    g_trapPrevious = nullptr;
    g_trapDisplay = nullptr;
    return g_trapError;
}

} // namespace

bool testPlatformCreateWindow(const tsDisplayMode *mode, const tsTestOptions *options)
{
    TestState &g = testState();
    int width = 0, height = 0, bits = 0;
    tsInfoGetDesktop(&width, &height, &bits);
    g.refreshRate = 60;
    bool keepDesktopMode = false;
    const bool fullscreen = (options->flags & optFullscreen) != 0;
    if (mode) {
        width = mode->width;
        height = mode->height;
        bits = mode->bitsPerPixel;
        g.refreshRate = mode->refreshRate;
    } else if (fullscreen) {
        keepDesktopMode = true;
    } else {
        width = 640;
        height = 480;
    }
    if (width <= 0 || height <= 0) {
        width = 640;
        height = 480;
    }
    if (bits <= 0)
        bits = -1;
    g.windowWidth = width;
    g.windowHeight = height;
    g.viewWidth = width;
    g.viewHeight = height;
    g.colorBits = bits;
    const int samples = (options->flags & optMultisample) ? options->samples : 0;
    if (!infoCreateWindow("tessera", width, height, bits, g.refreshRate, samples, fullscreen,
                          keepDesktopMode, true, options->hardware != 0, testEventHandler, nullptr))
        return false;
    infoClearQuit();
    /* Window managers (and tools that drive the window) tell the test
     * window apart from other programs' windows by the owning process. */
    if (Display *dpy = display()) {
        const unsigned long pid = static_cast<unsigned long>(getpid());
        XChangeProperty(dpy, infoNativeWindow(), XInternAtom(dpy, "_NET_WM_PID", False),
                        XA_CARDINAL, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char *>(&pid), 1);
        XFlush(dpy);
    }
    g_windowDrawable = glXGetCurrentDrawable();
    g_windowContext = glXGetCurrentContext();
    /* The routine may have fitted the window to the screen. */
    int realWidth = 0, realHeight = 0;
    infoWindowSize(&realWidth, &realHeight);
    if (realWidth > 0 && realHeight > 0) {
        g.windowWidth = g.viewWidth = realWidth;
        g.windowHeight = g.viewHeight = realHeight;
    }
    g_lastScreenSaverReset = -1.0e9;
    return true;
}

bool testPlatformDispatchEvents(bool &quit)
{
    Display *dpy = display();
    quit = false;
    if (!dpy || !infoWindowOpen()) {
        quit = true;
        return true;
    }
    /* Neither the screen saver nor power saving interrupts a test. */
    const double now = testNow();
    if (now - g_lastScreenSaverReset >= 1000.0) {
        XResetScreenSaver(dpy);
        g_lastScreenSaverReset = now;
    }
    if (XPending(dpy) == 0)
        return false;
    if (!infoProcessEvents())
        quit = true;
    return true;
}

void testPlatformSwapBuffers()
{
    infoSwapBuffers();
}

void testPlatformHideWindow()
{
    infoHideWindow();
}

void testPlatformDestroyWindow()
{
    infoDestroyWindow();
    g_windowDrawable = 0;
    g_windowContext = nullptr;
}

void testPlatformDisableVSync()
{
    infoSetSwapInterval(0);
}

GLuint testPlatformCreateFont()
{
    Display *dpy = display();
    if (!dpy)
        return 0;
    static const char *const patterns[] = {
        "-*-helvetica-bold-r-normal--16-*-*-*-*-*-iso8859-1",
        "-*-arial-bold-r-normal--16-*-*-*-*-*-*-*",
        "-*-*-bold-r-normal--16-*-*-*-*-*-iso8859-1",
        "-*-*-bold-r-*--16-*-*-*-*-*-*-*",
        "fixed",
    };
    for (const char *pattern : patterns) {
        g_font = XLoadQueryFont(dpy, pattern);
        if (g_font)
            break;
    }
    if (!g_font)
        return 0;
    const GLuint base = glGenLists(96);
    if (!base)
        return 0;
    glXUseXFont(g_font->fid, 32, 96, GLint(base));
    return base;
}

void testPlatformReleaseFont()
{
    Display *dpy = display();
    if (g_font && dpy)
        XFreeFont(dpy, g_font);
    g_font = nullptr;
}

void testPlatformMakeWindowCurrent()
{
    Display *dpy = display();
    if (!dpy || !g_windowContext)
        return;
    if (glXGetCurrentContext() == g_windowContext && glXGetCurrentDrawable() == g_windowDrawable)
        return;
    glXMakeContextCurrent(dpy, g_windowDrawable, g_windowDrawable, g_windowContext);
}

bool testPlatformHasPbuffers()
{
    Display *dpy = display();
    if (!dpy)
        return false;
    int major = 0, minor = 0;
    if (!glXQueryVersion(dpy, &major, &minor))
        return false;
    return major > 1 || (major == 1 && minor >= 3);
}

int testPlatformCreatePbuffer(testRenderTarget *target)
{
    Display *dpy = display();
    if (!dpy || !testPlatformHasPbuffers())
        return targetNoPixelFormat;
    GLint red = 0, green = 0, blue = 0, depth = 0;
    glGetIntegerv(GL_RED_BITS, &red);
    glGetIntegerv(GL_GREEN_BITS, &green);
    glGetIntegerv(GL_BLUE_BITS, &blue);
    glGetIntegerv(GL_DEPTH_BITS, &depth);
    const int attributes[] = {GLX_DRAWABLE_TYPE,
                              GLX_PBUFFER_BIT,
                              GLX_RENDER_TYPE,
                              GLX_RGBA_BIT,
                              GLX_DOUBLEBUFFER,
                              False,
                              GLX_RED_SIZE,
                              red,
                              GLX_GREEN_SIZE,
                              green,
                              GLX_BLUE_SIZE,
                              blue,
                              GLX_ALPHA_SIZE,
                              0,
                              GLX_DEPTH_SIZE,
                              depth,
                              None};
    int count = 0;
    GLXFBConfig *configs = glXChooseFBConfig(dpy, infoNativeScreen(), attributes, &count);
    if (!configs || count < 1) {
        if (configs)
            XFree(configs);
        return targetNoPixelFormat;
    }
    GLXFBConfig config = configs[0];
    XFree(configs);

    const int pbufferAttributes[] = {GLX_PBUFFER_WIDTH,
                                     target->width,
                                     GLX_PBUFFER_HEIGHT,
                                     target->height,
                                     GLX_PRESERVED_CONTENTS,
                                     True,
                                     GLX_LARGEST_PBUFFER,
                                     False,
                                     None};
    trapBegin(dpy);
    GLXPbuffer pbuffer = glXCreatePbuffer(dpy, config, pbufferAttributes);
    const int error = trapEnd(dpy);
    if (!pbuffer || error) {
        if (pbuffer && error)
            pbuffer = 0; /* refused by the server: nothing to destroy */
        if (error == BadAlloc)
            return targetNoResources;
        if (error == BadMatch)
            return targetBadPixelFormat;
        return targetBadAttributes;
    }
    auto *handles = new PbufferHandles;
    handles->pbuffer = pbuffer;
    target->pbuffer = handles;

    /* Created sharing the window context's textures and display lists. */
    trapBegin(dpy);
    handles->context = glXCreateNewContext(dpy, config, GLX_RGBA_TYPE, g_windowContext, True);
    const int contextError = trapEnd(dpy);
    if (!handles->context)
        return contextError == BadMatch ? targetShareFailed : targetNoContext;

    unsigned int w = 0, h = 0;
    glXQueryDrawable(dpy, pbuffer, GLX_WIDTH, &w);
    glXQueryDrawable(dpy, pbuffer, GLX_HEIGHT, &h);
    if (w > 0 && h > 0) {
        target->width = int(w);
        target->height = int(h);
    }
    return 0;
}

void testPlatformMakePbufferCurrent(testRenderTarget *target)
{
    Display *dpy = display();
    if (!dpy || !target->pbuffer || !target->pbuffer->context)
        return;
    glXMakeContextCurrent(dpy, target->pbuffer->pbuffer, target->pbuffer->pbuffer,
                          target->pbuffer->context);
}

void testPlatformCopyPbufferToTexture(testRenderTarget *target)
{
    if (!target->pbuffer || !target->pbuffer->context)
        return;
    testPlatformMakePbufferCurrent(target);
    GLint previous = 0;
    const GLenum binding =
        target->type == GL_TEXTURE_2D ? GL_TEXTURE_BINDING_2D : GL_TEXTURE_BINDING_RECTANGLE_ARB;
    glGetIntegerv(binding, &previous);
    glBindTexture(target->type, target->texture);
    glCopyTexSubImage2D(target->type, 0, 0, 0, 0, 0, target->width, target->height);
    glBindTexture(target->type, GLuint(previous));
    /* The window context reads the texture next. */
    glFinish();
}

void testPlatformReleasePbuffer(testRenderTarget *target)
{
    Display *dpy = display();
    PbufferHandles *handles = target->pbuffer;
    target->pbuffer = nullptr;
    if (!handles)
        return;
    if (dpy) {
        if (handles->context) {
            if (glXGetCurrentContext() == handles->context)
                testPlatformMakeWindowCurrent();
            glXDestroyContext(dpy, handles->context);
        }
        if (handles->pbuffer)
            glXDestroyPbuffer(dpy, handles->pbuffer);
    }
    delete handles;
}

} // namespace sounder
