/* The X11, RandR and GLX functions the GLX backend calls, loaded when the
 * backend is first used instead of at program start.
 *
 * A program that reads through EGL (or only lists, compares and prints)
 * then loads no X client library at all: each one cost every start of the
 * client and of a reader process a few milliseconds, and a machine with EGL
 * but without libGL or libX11 can still read its driver.
 *
 * GLX comes from glvnd's libGLX where it is installed (a system may have it
 * without libGL), else from libGL.
 *
 * The libraries are opened with RTLD_GLOBAL and every function is looked up
 * in the global scope, so that a library preloaded in front of them (a
 * tracer, or the tests' misbehaving driver) takes the calls as it would
 * with direct linking. */
#ifndef SOUNDER_PROBE_X11_API_H
#define SOUNDER_PROBE_X11_API_H

#include <GL/glx.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <string>
#include <type_traits>

/* Every function of the list, once: F(library, name). */
#define SOUNDER_X11_FUNCTIONS(F)                                                                   \
    F(X11, XChangeProperty)                                                                        \
    F(X11, XCloseDisplay)                                                                          \
    F(X11, XCreateBitmapFromData)                                                                  \
    F(X11, XCreateColormap)                                                                        \
    F(X11, XCreatePixmapCursor)                                                                    \
    F(X11, XCreateWindow)                                                                          \
    F(X11, XDefineCursor)                                                                          \
    F(X11, XDestroyWindow)                                                                         \
    F(X11, XFlush)                                                                                 \
    F(X11, XFree)                                                                                  \
    F(X11, XFreeColormap)                                                                          \
    F(X11, XFreeCursor)                                                                            \
    F(X11, XFreeFont)                                                                              \
    F(X11, XFreePixmap)                                                                            \
    F(X11, XGetErrorText)                                                                          \
    F(X11, XGetWindowAttributes)                                                                   \
    F(X11, XGetWindowProperty)                                                                     \
    F(X11, XInternAtom)                                                                            \
    F(X11, XListPixmapFormats)                                                                     \
    F(X11, XLoadQueryFont)                                                                         \
    F(X11, XLookupKeysym)                                                                          \
    F(X11, XMapRaised)                                                                             \
    F(X11, XNextEvent)                                                                             \
    F(X11, XOpenDisplay)                                                                           \
    F(X11, XPending)                                                                               \
    F(X11, XResetScreenSaver)                                                                      \
    F(X11, XSetErrorHandler)                                                                       \
    F(X11, XSetIOErrorHandler)                                                                     \
    F(X11, XSetInputFocus)                                                                         \
    F(X11, XSetWMProtocols)                                                                        \
    F(X11, XStoreName)                                                                             \
    F(X11, XSync)                                                                                  \
    F(X11, XUndefineCursor)                                                                        \
    F(X11, XUnmapWindow)                                                                           \
    F(Xrandr, XRRFreeCrtcInfo)                                                                     \
    F(Xrandr, XRRFreeOutputInfo)                                                                   \
    F(Xrandr, XRRFreeScreenResources)                                                              \
    F(Xrandr, XRRGetCrtcInfo)                                                                      \
    F(Xrandr, XRRGetOutputInfo)                                                                    \
    F(Xrandr, XRRGetOutputPrimary)                                                                 \
    F(Xrandr, XRRGetOutputProperty)                                                                \
    F(Xrandr, XRRGetScreenResourcesCurrent)                                                        \
    F(Xrandr, XRRQueryExtension)                                                                   \
    F(Xrandr, XRRQueryVersion)                                                                     \
    F(Xrandr, XRRSetCrtcConfig)                                                                    \
    F(GLX, glXChooseFBConfig)                                                                      \
    F(GLX, glXCreateNewContext)                                                                    \
    F(GLX, glXCreatePbuffer)                                                                       \
    F(GLX, glXDestroyContext)                                                                      \
    F(GLX, glXDestroyPbuffer)                                                                      \
    F(GLX, glXGetClientString)                                                                     \
    F(GLX, glXGetCurrentContext)                                                                   \
    F(GLX, glXGetCurrentDisplay)                                                                   \
    F(GLX, glXGetCurrentDrawable)                                                                  \
    F(GLX, glXGetFBConfigAttrib)                                                                   \
    F(GLX, glXGetFBConfigs)                                                                        \
    F(GLX, glXGetProcAddressARB)                                                                   \
    F(GLX, glXGetVisualFromFBConfig)                                                               \
    F(GLX, glXMakeContextCurrent)                                                                  \
    F(GLX, glXQueryDrawable)                                                                       \
    F(GLX, glXQueryExtension)                                                                      \
    F(GLX, glXQueryExtensionsString)                                                               \
    F(GLX, glXQueryServerString)                                                                   \
    F(GLX, glXQueryVersion)                                                                        \
    F(GLX, glXSwapBuffers)                                                                         \
    F(GLX, glXUseXFont)

namespace sounder {

struct X11Api {
    std::string missing; /* what could not be loaded; empty once all is */
    bool loaded() const { return missing.empty(); }
#define SOUNDER_X11_MEMBER(library, name) decltype(&::name) name = nullptr;
    SOUNDER_X11_FUNCTIONS(SOUNDER_X11_MEMBER)
#undef SOUNDER_X11_MEMBER
};

/* The functions, loaded at the first call (thread-safe).  When a library or
 * a function is missing, missing says which, and every function answers
 * zero, null or False: no display opens, no context is current.
 * x11Available() tells a failure's cause. */
const X11Api &x11();

/* Loads the functions from the libraries named (x11() loads libX11.so.6,
 * libXrandr.so.2 and libGLX.so.0, else libGL.so.1, once). */
X11Api loadX11Api(const char *x11Library, const char *xrandrLibrary, const char *glxLibrary);

/* True when the X11, RandR and GLX libraries are loaded; otherwise why not
 * goes to *why when given. */
bool x11Available(std::string *why = nullptr);

} // namespace sounder

#endif
