/* X errors of one display, trapped the same way at every X call site.
 *
 * Protocol errors: x11GrabErrors(dpy) ... x11ReleaseErrors(dpy) (or the
 * scoped X11ErrorTrap) records the errors that requests on dpy cause in
 * between, instead of letting Xlib's default handler end the process.  The
 * grab syncs first, so that errors of earlier requests are not charged to
 * it; the release syncs again, so that every error of the requests made in
 * between has arrived.  Errors of other displays reach the handler that was
 * installed before the first grab.  Grabs nest: the innermost grab of a
 * display records; the outermost release puts the previous handler back.
 *
 * Lost connections: x11WatchConnection(dpy) makes a broken connection (the
 * server died or dropped the client) a state of that display instead of the
 * end of the process, as far as libX11 allows (XSetIOErrorExitHandler, libX11
 * 1.7 and later).  Other displays keep the I/O error handling they had.
 *
 * Every routine may be called from any thread; the state is guarded. */
#ifndef SOUNDER_PROBE_X11_TRAP_H
#define SOUNDER_PROBE_X11_TRAP_H

#include <X11/Xlib.h>

#include <string>

namespace sounder {

/* First protocol error recorded by a grab. */
struct X11Error {
    int code = 0;         /* X error code, 0 when none arrived */
    int request = 0;      /* major opcode of the failed request */
    int minor = 0;        /* minor opcode */
    char text[200] = {0}; /* "BadWindow (invalid Window parameter) (request 1.0)\n" */
};

/* Starts trapping the protocol errors of dpy (see above). */
void x11GrabErrors(Display *dpy);
/* Ends the innermost grab of dpy; returns its first error code (0: none) and
 * copies the error into *error when given. */
int x11ReleaseErrors(Display *dpy, X11Error *error = nullptr);
/* Number of errors recorded so far by the innermost grab of dpy, without
 * ending it (no sync: call XSync first to wait for the answers). */
int x11TrappedErrors(Display *dpy);

/* A grab that ends with its scope; release() ends it early. */
class X11ErrorTrap {
public:
    explicit X11ErrorTrap(Display *dpy) : dpy_(dpy)
    {
        if (dpy_)
            x11GrabErrors(dpy_);
    }
    ~X11ErrorTrap() { release(); }
    X11ErrorTrap(const X11ErrorTrap &) = delete;
    X11ErrorTrap &operator=(const X11ErrorTrap &) = delete;

    /* Syncs, ends the grab and returns the first error code (0: none);
     * later calls return the same. */
    int release()
    {
        if (dpy_) {
            x11ReleaseErrors(dpy_, &error_);
            dpy_ = nullptr;
        }
        return error_.code;
    }
    const X11Error &error() const { return error_; }

private:
    Display *dpy_;
    X11Error error_;
};

/* Marks dpy lost instead of ending the process when its connection breaks.
 * False when this libX11 cannot do that (the process would still end). */
bool x11WatchConnection(Display *dpy);
/* Stops watching dpy.  Call it after XCloseDisplay: closing a broken
 * connection may still report the break, and Xlib's default handler would
 * end the process.  (Only the pointer's value is used.) */
void x11UnwatchConnection(Display *dpy);
/* True once the watched connection of dpy broke. */
bool x11ConnectionLost(Display *dpy);
/* Why it broke ("closed by the server", an errno text); "" while it stands. */
std::string x11LostReason(Display *dpy);

/* A round trip on dpy unless its connection is known to be lost; false when
 * it is lost (before or because of this round trip). */
bool x11Sync(Display *dpy);

} // namespace sounder

#endif
