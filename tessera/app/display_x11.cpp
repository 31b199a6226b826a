// Whether the X display named by DISPLAY opens.  Kept apart from the Qt
// sources: Xlib's macros (Bool, Status) clash with Qt's headers.
#include <X11/Xlib.h>

namespace tessera {

bool xDisplayOpens()
{
    Display *dpy = XOpenDisplay(nullptr);
    if (!dpy)
        return false;
    XCloseDisplay(dpy);
    return true;
}

} // namespace tessera
