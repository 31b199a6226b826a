/* Display facts over Xlib and XRandR, on a connection the caller gives or
 * on one of their own.  The errors of that connection are trapped for the
 * duration of each call (a vanished output or a missing property must not
 * end the process); other connections keep their handlers. */
#include "probe/display.h"
#include "probe/display_drm.h"
#include "probe/display_x11.h"
#include "probe/platform.h"
#include "probe/x11_api.h"
#include "probe/x11_trap.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>

namespace sounder {
namespace {

/* A connection that another part of the process lends for its lifetime
 * (SharedDisplayScope: the probe's), so that one reading keeps to one. */
Display *g_sharedDisplay = nullptr;

/* A connection of its own for the calls that are not given one (closed on
 * scope exit), or the lent one (left open). */
class OwnConnection {
public:
    OwnConnection()
    {
        if (g_sharedDisplay) {
            display_ = g_sharedDisplay;
            borrowed_ = true;
            return;
        }
        display_ = x11().XOpenDisplay(nullptr);
        /* A server whose last client just left resets itself and refuses
         * connections for a moment: try twice more before giving up. */
        const char *name = std::getenv("DISPLAY");
        for (int attempt = 0; !display_ && name && name[0] && attempt < 2; ++attempt) {
            struct timespec pause = {0, 50 * 1000 * 1000};
            nanosleep(&pause, nullptr);
            display_ = x11().XOpenDisplay(nullptr);
        }
        if (display_)
            x11WatchConnection(display_);
    }
    ~OwnConnection()
    {
        if (display_ && !borrowed_) {
            /* Still watched while it closes (see x11_trap.h). */
            x11().XCloseDisplay(display_);
            x11UnwatchConnection(display_);
        }
    }
    OwnConnection(const OwnConnection &) = delete;
    OwnConnection &operator=(const OwnConnection &) = delete;

    Display *get() const { return display_; }

private:
    Display *display_ = nullptr;
    bool borrowed_ = false;
};

/* The calls on one display: its errors trapped (a vanished output or a
 * missing property must not end the process) for the scope's duration. */
class DisplaySession {
public:
    explicit DisplaySession(Display *display) : display_(display), trap_(usable(display)) {}
    Display *get() const { return usable(display_); }

    bool hasRandr() const
    {
        Display *display = get();
        if (!display)
            return false;
        int event = 0, error = 0, major = 0, minor = 0;
        if (!x11().XRRQueryExtension(display, &event, &error))
            return false;
        if (!x11().XRRQueryVersion(display, &major, &minor))
            return false;
        /* Screen resources and primary outputs need 1.3. */
        return major > 1 || (major == 1 && minor >= 3);
    }

private:
    /* A connection known to be lost takes no more requests. */
    static Display *usable(Display *display)
    {
        return display && !x11ConnectionLost(display) ? display : nullptr;
    }

    Display *display_;
    X11ErrorTrap trap_;
};

struct ResourcesDeleter {
    void operator()(XRRScreenResources *r) const { x11().XRRFreeScreenResources(r); }
};
struct OutputDeleter {
    void operator()(XRROutputInfo *o) const { x11().XRRFreeOutputInfo(o); }
};
struct CrtcDeleter {
    void operator()(XRRCrtcInfo *c) const { x11().XRRFreeCrtcInfo(c); }
};
using Resources = std::unique_ptr<XRRScreenResources, ResourcesDeleter>;
using Output = std::unique_ptr<XRROutputInfo, OutputDeleter>;
using Crtc = std::unique_ptr<XRRCrtcInfo, CrtcDeleter>;

/* Bits per pixel of the pixmap format that matches the root depth (depth 24
 * is stored in 32 bits); the depth itself when the server lists no match. */
int rootBitsPerPixel(Display *display)
{
    const int screen = DefaultScreen(display);
    const int depth = DefaultDepth(display, screen);
    int count = 0;
    XPixmapFormatValues *formats = x11().XListPixmapFormats(display, &count);
    int bits = depth;
    if (formats) {
        for (int i = 0; i < count; ++i) {
            if (formats[i].depth == depth) {
                bits = formats[i].bits_per_pixel;
                break;
            }
        }
        x11().XFree(formats);
    }
    return bits;
}

Resources screenResources(Display *display)
{
    return Resources(x11().XRRGetScreenResourcesCurrent(display, DefaultRootWindow(display)));
}

Output outputInfo(Display *display, XRRScreenResources *res, RROutput id)
{
    return Output(x11().XRRGetOutputInfo(display, res, id));
}

/* The primary output when it is connected, else the first connected one in
 * the server's order; None when no output is connected. */
RROutput chooseOutput(Display *display, XRRScreenResources *res)
{
    RROutput primary = x11().XRRGetOutputPrimary(display, DefaultRootWindow(display));
    if (primary != None) {
        Output info = outputInfo(display, res, primary);
        if (info && info->connection == RR_Connected)
            return primary;
    }
    for (int i = 0; i < res->noutput; ++i) {
        Output info = outputInfo(display, res, res->outputs[i]);
        if (info && info->connection == RR_Connected)
            return res->outputs[i];
    }
    return None;
}

const XRRModeInfo *findMode(const XRRScreenResources *res, RRMode id)
{
    for (int i = 0; i < res->nmode; ++i)
        if (res->modes[i].id == id)
            return &res->modes[i];
    return nullptr;
}

int modeRefresh(const XRRModeInfo &mode)
{
    return refreshFromTimings(mode.dotClock, mode.hTotal, mode.vTotal);
}

/* EDID bytes of an output, empty when it has none. */
std::vector<unsigned char> outputEdid(Display *display, RROutput output)
{
    std::vector<unsigned char> bytes;
    Atom edidAtom = x11().XInternAtom(display, "EDID", True);
    if (edidAtom == None)
        return bytes;
    Atom actualType = None;
    int actualFormat = 0;
    unsigned long count = 0, remaining = 0;
    unsigned char *data = nullptr;
    /* 256 bytes (64 longs) covers the base block and one extension. */
    int status =
        x11().XRRGetOutputProperty(display, output, edidAtom, 0, 64, False, False, AnyPropertyType,
                                   &actualType, &actualFormat, &count, &remaining, &data);
    if (status == Success && data && actualFormat == 8 && count > 0)
        bytes.assign(data, data + count);
    if (data)
        x11().XFree(data);
    return bytes;
}

} // namespace

bool desktopMode(Display *connection, DisplayModeInfo &out)
{
    out = DisplayModeInfo();
    DisplaySession session(connection);
    Display *display = session.get();
    if (!display)
        return false;
    const int screen = DefaultScreen(display);
    out.width = DisplayWidth(display, screen);
    out.height = DisplayHeight(display, screen);
    out.bitsPerPixel = rootBitsPerPixel(display);
    if (session.hasRandr()) {
        Resources res = screenResources(display);
        if (res) {
            RROutput chosen = chooseOutput(display, res.get());
            if (chosen != None) {
                Output info = outputInfo(display, res.get(), chosen);
                if (info && info->crtc != None) {
                    Crtc crtc(x11().XRRGetCrtcInfo(display, res.get(), info->crtc));
                    if (crtc) {
                        if (const XRRModeInfo *mode = findMode(res.get(), crtc->mode))
                            out.refresh = modeRefresh(*mode);
                    }
                }
            }
        }
    }
    return true;
}

namespace {

/* The modes of one output, in the output's order. */
std::vector<DisplayModeInfo> outputModes(Display *display, XRRScreenResources *res, RROutput output)
{
    std::vector<DisplayModeInfo> modes;
    Output info = outputInfo(display, res, output);
    if (!info)
        return modes;
    const int bits = rootBitsPerPixel(display);
    for (int i = 0; i < info->nmode; ++i) {
        const XRRModeInfo *mode = findMode(res, info->modes[i]);
        if (!mode)
            continue;
        DisplayModeInfo m;
        m.width = static_cast<int>(mode->width);
        m.height = static_cast<int>(mode->height);
        m.bitsPerPixel = bits;
        m.refresh = modeRefresh(*mode);
        modes.push_back(m);
    }
    return modes;
}

/* The output called name, None when the server has none of that name. */
RROutput findOutputByName(Display *display, XRRScreenResources *res, const std::string &name)
{
    for (int i = 0; i < res->noutput; ++i) {
        Output info = outputInfo(display, res, res->outputs[i]);
        if (info && info->nameLen >= 0 &&
            name == std::string(info->name, static_cast<size_t>(info->nameLen)))
            return res->outputs[i];
    }
    return None;
}

} // namespace

std::vector<DisplayModeInfo> listDisplayModes(Display *connection)
{
    std::vector<DisplayModeInfo> modes;
    DisplaySession session(connection);
    Display *display = session.get();
    if (!display)
        return modes;
    if (!session.hasRandr()) {
        /* Without RandR the only mode known is the current one. */
        const int screen = DefaultScreen(display);
        DisplayModeInfo current;
        current.width = DisplayWidth(display, screen);
        current.height = DisplayHeight(display, screen);
        current.bitsPerPixel = rootBitsPerPixel(display);
        modes.push_back(current);
        return modes;
    }
    Resources res = screenResources(display);
    if (!res)
        return modes;
    RROutput chosen = chooseOutput(display, res.get());
    if (chosen == None)
        return modes;
    return outputModes(display, res.get(), chosen);
}

std::vector<DisplayModeInfo> listOutputModes(Display *connection, const char *name)
{
    std::vector<DisplayModeInfo> modes;
    if (!name || !*name)
        return modes;
    DisplaySession session(connection);
    Display *display = session.get();
    if (!display || !session.hasRandr())
        return modes;
    Resources res = screenResources(display);
    if (!res)
        return modes;
    RROutput output = findOutputByName(display, res.get(), name);
    if (output == None)
        return modes;
    return outputModes(display, res.get(), output);
}

std::vector<MonitorInfo> listMonitors(Display *connection)
{
    std::vector<MonitorInfo> monitors;
    DisplaySession session(connection);
    Display *display = session.get();
    if (!display || !session.hasRandr())
        return monitors;
    Resources res = screenResources(display);
    if (!res)
        return monitors;
    RROutput primary = x11().XRRGetOutputPrimary(display, DefaultRootWindow(display));
    for (int i = 0; i < res->noutput; ++i) {
        Output info = outputInfo(display, res.get(), res->outputs[i]);
        if (!info || info->connection != RR_Connected)
            continue;
        MonitorInfo m;
        m.deviceName.assign(info->name, static_cast<size_t>(std::max(info->nameLen, 0)));
        std::vector<unsigned char> edid = outputEdid(display, res->outputs[i]);
        m.deviceString = edidMonitorName(edid.data(), edid.size());
        if (m.deviceString.empty())
            m.deviceString = m.deviceName;
        m.primary = res->outputs[i] == primary;
        monitors.push_back(std::move(m));
    }
    /* Primary first; the others keep the server's order. */
    std::stable_partition(monitors.begin(), monitors.end(),
                          [](const MonitorInfo &m) { return m.primary; });
    return monitors;
}

SharedDisplayScope::SharedDisplayScope(void *display) : previous_(g_sharedDisplay)
{
    if (display)
        g_sharedDisplay = static_cast<Display *>(display);
}

SharedDisplayScope::~SharedDisplayScope()
{
    g_sharedDisplay = static_cast<Display *>(previous_);
}

/* The calls without a connection open one of their own for their duration
 * (or use the lent one).  A process that reads through EGL has no X server
 * to ask: its display facts come from the kernel's connectors. */

namespace {
bool readsThroughEgl()
{
    return strcmp(probePlatform().name(), "egl") == 0;
}
} // namespace

bool desktopMode(DisplayModeInfo &out)
{
    if (readsThroughEgl())
        return drmDesktopMode(out);
    OwnConnection own;
    return desktopMode(own.get(), out);
}

std::vector<DisplayModeInfo> listDisplayModes()
{
    if (readsThroughEgl())
        return drmListDisplayModes();
    OwnConnection own;
    return listDisplayModes(own.get());
}

std::vector<DisplayModeInfo> listOutputModes(const char *name)
{
    if (!name || !*name)
        return {};
    if (readsThroughEgl())
        return drmListOutputModes(name);
    OwnConnection own;
    return listOutputModes(own.get(), name);
}

std::vector<MonitorInfo> listMonitors()
{
    if (readsThroughEgl())
        return drmListMonitors();
    OwnConnection own;
    return listMonitors(own.get());
}

} // namespace sounder
