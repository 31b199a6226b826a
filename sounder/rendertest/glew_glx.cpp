/* The three GLX calls of GLEW (linked into the shared library from its
 * static archive), passed to the GLX functions loaded at first use: the
 * library itself links no GLX library.  These names stay inside the library
 * (hidden, and outside its export list), so the rest of the process keeps
 * calling the real ones. */
#include "probe/x11_api.h"

extern "C" {

__GLXextFuncPtr glXGetProcAddressARB(const GLubyte *name)
{
    return sounder::x11().glXGetProcAddressARB(name);
}

const char *glXGetClientString(Display *dpy, int name)
{
    return sounder::x11().glXGetClientString(dpy, name);
}

Bool glXQueryVersion(Display *dpy, int *major, int *minor)
{
    return sounder::x11().glXQueryVersion(dpy, major, minor);
}

} // extern "C"
