/* X11/GLX side of the rendering tests: what the test window needs beyond
 * the probe's window routine (its owner property, the screen saver, the
 * event wait), buffer swaps, the bitmap font and the GLX pixel buffers of
 * the off-screen targets.  A request on a connection that is gone is not
 * made. */
#include <GL/glew.h>
#include <GL/glx.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <ctime>
#include <unistd.h>

#include "probe/info_internal.h"
#include "probe/x11_api.h"
#include "probe/x11_trap.h"
#include "sounder/probe.h"
#include "sounder/system.h"
#include "rendertest/test_internal.h"

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

/* The window's connection, once it is gone, takes no more requests. */
bool usable(Display *dpy)
{
    return dpy && infoWindowOpen();
}

} // namespace

class X11TestWindow final : public TestWindowPlatform {
public:
    void windowOpened() override;
    bool dispatchEvents(bool &quit) override;
    void destroyWindow() override;
    GLuint createFont() override;
    void releaseFont() override;
    void makeWindowCurrent() override;
    bool hasPbuffers() override;
    int createPbuffer(testRenderTarget *target) override;
    void makePbufferCurrent(testRenderTarget *target) override;
    void releasePbuffer(testRenderTarget *target) override;
    void copyPbufferToTexture(testRenderTarget *target) override;
};

void X11TestWindow::windowOpened()
{
    /* Window managers (and tools that drive the window) tell the test
     * window apart from other programs' windows by the owning process. */
    if (Display *dpy = display()) {
        const unsigned long pid = static_cast<unsigned long>(getpid());
        x11().XChangeProperty(dpy, infoNativeWindow(), x11().XInternAtom(dpy, "_NET_WM_PID", False),
                              XA_CARDINAL, 32, PropModeReplace,
                              reinterpret_cast<const unsigned char *>(&pid), 1);
        x11().XFlush(dpy);
    }
    g_windowDrawable = x11().glXGetCurrentDrawable();
    g_windowContext = x11().glXGetCurrentContext();
    g_lastScreenSaverReset = -1.0e9;
}

bool X11TestWindow::dispatchEvents(bool &quit)
{
    Display *dpy = display();
    quit = false;
    if (!usable(dpy)) {
        quit = true;
        return true;
    }
    /* Neither the screen saver nor power saving interrupts a test. */
    const double now = testNow();
    if (now - g_lastScreenSaverReset >= 1000.0) {
        x11().XResetScreenSaver(dpy);
        g_lastScreenSaverReset = now;
    }
    if (x11().XPending(dpy) == 0)
        return false;
    if (!infoProcessEvents())
        quit = true;
    return true;
}

void X11TestWindow::destroyWindow()
{
    infoDestroyWindow();
    g_windowDrawable = 0;
    g_windowContext = nullptr;
}

GLuint X11TestWindow::createFont()
{
    Display *dpy = display();
    if (!usable(dpy))
        return 0;
    static const char *const patterns[] = {
        "-*-helvetica-bold-r-normal--16-*-*-*-*-*-iso8859-1",
        "-*-arial-bold-r-normal--16-*-*-*-*-*-*-*",
        "-*-*-bold-r-normal--16-*-*-*-*-*-iso8859-1",
        "-*-*-bold-r-*--16-*-*-*-*-*-*-*",
        "fixed",
    };
    for (const char *pattern : patterns) {
        g_font = x11().XLoadQueryFont(dpy, pattern);
        if (g_font)
            break;
    }
    if (!g_font)
        return 0;
    const GLuint base = glGenLists(96);
    if (!base)
        return 0;
    x11().glXUseXFont(g_font->fid, 32, 96, GLint(base));
    return base;
}

void X11TestWindow::releaseFont()
{
    Display *dpy = display();
    if (g_font && usable(dpy))
        x11().XFreeFont(dpy, g_font);
    g_font = nullptr;
}

void X11TestWindow::makeWindowCurrent()
{
    Display *dpy = display();
    if (!usable(dpy) || !g_windowContext)
        return;
    if (x11().glXGetCurrentContext() == g_windowContext &&
        x11().glXGetCurrentDrawable() == g_windowDrawable)
        return;
    x11().glXMakeContextCurrent(dpy, g_windowDrawable, g_windowDrawable, g_windowContext);
}

bool X11TestWindow::hasPbuffers()
{
    Display *dpy = display();
    if (!usable(dpy))
        return false;
    int major = 0, minor = 0;
    if (!x11().glXQueryVersion(dpy, &major, &minor))
        return false;
    return major > 1 || (major == 1 && minor >= 3);
}

int X11TestWindow::createPbuffer(testRenderTarget *target)
{
    Display *dpy = display();
    if (!dpy || !hasPbuffers())
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
    GLXFBConfig *configs = x11().glXChooseFBConfig(dpy, infoNativeScreen(), attributes, &count);
    if (!configs || count < 1) {
        if (configs)
            x11().XFree(configs);
        return targetNoPixelFormat;
    }
    GLXFBConfig config = configs[0];
    x11().XFree(configs);

    const int pbufferAttributes[] = {GLX_PBUFFER_WIDTH,
                                     target->width,
                                     GLX_PBUFFER_HEIGHT,
                                     target->height,
                                     GLX_PRESERVED_CONTENTS,
                                     True,
                                     GLX_LARGEST_PBUFFER,
                                     False,
                                     None};
    X11ErrorTrap trap(dpy);
    GLXPbuffer pbuffer = x11().glXCreatePbuffer(dpy, config, pbufferAttributes);
    const int error = trap.release();
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
    X11ErrorTrap contextTrap(dpy);
    handles->context = x11().glXCreateNewContext(dpy, config, GLX_RGBA_TYPE, g_windowContext, True);
    const int contextError = contextTrap.release();
    if (!handles->context)
        return contextError == BadMatch ? targetShareFailed : targetNoContext;

    unsigned int w = 0, h = 0;
    x11().glXQueryDrawable(dpy, pbuffer, GLX_WIDTH, &w);
    x11().glXQueryDrawable(dpy, pbuffer, GLX_HEIGHT, &h);
    if (w > 0 && h > 0) {
        target->width = int(w);
        target->height = int(h);
    }
    return 0;
}

void X11TestWindow::makePbufferCurrent(testRenderTarget *target)
{
    Display *dpy = display();
    if (!usable(dpy) || !target->pbuffer || !target->pbuffer->context)
        return;
    x11().glXMakeContextCurrent(dpy, target->pbuffer->pbuffer, target->pbuffer->pbuffer,
                                target->pbuffer->context);
}

void X11TestWindow::copyPbufferToTexture(testRenderTarget *target)
{
    if (!target->pbuffer || !target->pbuffer->context)
        return;
    makePbufferCurrent(target);
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

void X11TestWindow::releasePbuffer(testRenderTarget *target)
{
    Display *dpy = display();
    PbufferHandles *handles = target->pbuffer;
    target->pbuffer = nullptr;
    if (!handles)
        return;
    if (usable(dpy)) {
        if (handles->context) {
            if (x11().glXGetCurrentContext() == handles->context)
                makeWindowCurrent();
            x11().glXDestroyContext(dpy, handles->context);
        }
        if (handles->pbuffer)
            x11().glXDestroyPbuffer(dpy, handles->pbuffer);
    }
    delete handles;
}

TestWindowPlatform *x11TestWindow()
{
    static X11TestWindow window;
    return &window;
}

} // namespace sounder
