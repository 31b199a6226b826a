/* The information probe: opening and closing the hidden window with its
 * context, reading one renderer record, releasing it, the whole-word
 * extension search, and the window routines the rendering tests share. */
#include <dlfcn.h>
#include <GL/glew.h>

#include <stddef.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/extension_list.h"
#include "keel/keel.h"
#include "probe/display.h"
#include "probe/extended_limits.h"
#include "probe/info_internal.h"
#include "probe/platform.h"
#include "probe/record_notes.h"
#include "sounder/present.h"
#include "sounder/probe.h"

static_assert(sizeof(tsPixelFormat) == 20, "tsPixelFormat is 20 bytes");
static_assert(sizeof(tsDisplayMode) == 6, "tsDisplayMode is 6 bytes");
static_assert(sizeof(tsRendererCaps) == TS_RENDERER_CAPS_SIZE, "tsRendererCaps is 12048 bytes");
static_assert(offsetof(tsRendererCaps, vendor) == 16, "text members follow the header");
static_assert(offsetof(tsRendererCaps, newestVersion) == 64, "newestVersion offset");
static_assert(offsetof(tsRendererCaps, videoMemory) == 192, "videoMemory offset");
static_assert(offsetof(tsRendererCaps, NumLights) == 196, "first capability member");
static_assert(offsetof(tsRendererCaps, PointSizeMin) == 196 + 102 * 4, "float members");
static_assert(offsetof(tsRendererCaps, pixelFormatCount) == 644, "pixelFormatCount offset");
static_assert(offsetof(tsRendererCaps, RGBAMode) == 648, "byte members");
static_assert(offsetof(tsRendererCaps, pixelFormats) == 652, "pixel-format table offset");
static_assert(offsetof(tsRendererCaps, displayModes) == 652 + 256 * 20,
              "display-mode table offset");
static_assert(offsetof(tsRendererCaps, compressedFormats) == 652 + 256 * 20 + 1024 * 6,
              "compressed-format table offset");

namespace {

bool g_quit = false;
int g_quitCode = 0;

void appendWindowSystemList(tsRendererCaps *caps)
{
    std::string list = sounder::probePlatform().extensions();
    if (list.empty())
        return;
    if (!caps->extensions || !caps->extensions[0]) {
        char *joined = sysStrDup(list.c_str());
        if (joined) {
            if (caps->extensions)
                sysMemFree(caps->extensions);
            caps->extensions = joined;
        }
        return;
    }
    /* Drivers end their list with a space; the two lists are joined by
     * exactly one, so that no empty word appears between them. */
    std::string joined(caps->extensions);
    while (!joined.empty() && joined.back() == ' ')
        joined.pop_back();
    joined += ' ';
    joined += list;
    char *text = sysStrDup(joined.c_str());
    if (!text)
        return; /* out of memory: the GL list stays as it was */
    sysMemFree(caps->extensions);
    caps->extensions = text;
}

void readPixelFormats(tsRendererCaps *caps)
{
    std::vector<tsPixelFormat> formats =
        sounder::probePlatform().pixelFormats(TS_MAX_PIXEL_FORMATS);
    size_t count = std::min<size_t>(formats.size(), TS_MAX_PIXEL_FORMATS);
    for (size_t i = 0; i < count; ++i)
        caps->pixelFormats[i] = formats[i];
    caps->pixelFormatCount = static_cast<int16_t>(count);
}

void readDisplayModes(tsRendererCaps *caps)
{
    std::vector<sounder::DisplayModeInfo> modes = sounder::listDisplayModes();
    size_t count = std::min<size_t>(modes.size(), TS_MAX_DISPLAY_MODES);
    for (size_t i = 0; i < count; ++i) {
        tsDisplayMode &m = caps->displayModes[i];
        m.width = static_cast<uint16_t>(modes[i].width);
        m.height = static_cast<uint16_t>(modes[i].height);
        m.bitsPerPixel = static_cast<uint8_t>(modes[i].bitsPerPixel);
        m.refreshRate = static_cast<uint8_t>(modes[i].refresh & 0xff);
    }
    caps->displayModeCount = static_cast<int16_t>(count);
}

} // namespace

/* ---- window routines ------------------------------------------------------ */

bool infoCreateWindow(const char *title, int width, int height, int bits, int refreshRate,
                      int samples, bool fullscreen, bool keepDesktopMode, bool show, bool hardware,
                      InfoEventHandler handler, void *user)
{
    sounder::WindowRequest request;
    request.title = title ? title : "";
    request.width = width;
    request.height = height;
    request.bits = bits;
    request.refreshRate = refreshRate;
    request.samples = samples;
    request.fullscreen = fullscreen;
    request.keepDesktopMode = keepDesktopMode;
    request.show = show;
    request.hardware = hardware;
    request.handler = handler;
    request.user = user;
    if (sounder::probePlatform().createWindow(request))
        return true;
    /* An EGL that cannot read still leaves an X server to read through.
     * The new attempt starts a fresh failure log: what EGL lacked is
     * carried over into it. */
    const std::string eglLog = tsReportGetLogFile();
    if (!sounder::platformFallBack())
        return false;
    const bool ok = sounder::probePlatform().createWindow(request);
    tsReportFailure("The EGL reading failed; read through GLX on display \"%s\" instead:\n%s",
                    getenv("DISPLAY") ? getenv("DISPLAY") : "", eglLog.c_str());
    return ok;
}

void infoDestroyWindow()
{
    sounder::probePlatform().destroyWindow();
}

bool infoWindowOpen()
{
    return sounder::probePlatform().isOpen();
}

void infoSwapBuffers()
{
    sounder::probePlatform().swapBuffers();
}

void infoHideWindow()
{
    sounder::probePlatform().hideWindow();
}

bool infoProcessEvents()
{
    return sounder::probePlatform().processEvents();
}

void infoPostQuit(int code)
{
    g_quit = true;
    g_quitCode = code;
}

bool infoQuitRequested()
{
    return g_quit;
}

void infoClearQuit()
{
    g_quit = false;
    g_quitCode = 0;
}

int infoDefaultEventHandler(const InfoEvent *event, void *)
{
    if (event && event->type == infoEventClose) {
        infoPostQuit(0);
        return 1;
    }
    return 0;
}

namespace sounder {

void platformDeliverEvent(InfoEventHandler handler, void *user, const InfoEvent &event)
{
    if (!handler || !handler(&event, user))
        infoDefaultEventHandler(&event, user);
}

bool platformQuitRequested()
{
    return infoQuitRequested();
}

namespace {
const char *g_dispatchLibrary = nullptr;
}

void platformSetDispatchLibrary(const char *soname)
{
    g_dispatchLibrary = soname;
}

const char *platformDispatchLibrary()
{
    return g_dispatchLibrary ? g_dispatchLibrary : "libglapi.so.0";
}

std::string platformOpenDispatchTable(bool mesa, void **handle, int (**offset)(const char *))
{
    if (!mesa)
        return "none: the vendor library offers no dispatch table to ask";
    const char *library = platformDispatchLibrary();
    *handle = dlopen(library, RTLD_NOLOAD | RTLD_LAZY);
    if (*handle)
        *offset = reinterpret_cast<int (*)(const char *)>(dlsym(*handle, "_glapi_get_proc_offset"));
    if (*offset)
        return std::string("the dispatch table of ") + library;
    return std::string("none: ") + library + " is not loaded";
}

} // namespace sounder

bool infoCheckConnection()
{
    return sounder::probePlatform().checkConnection();
}

void infoWindowSize(int *width, int *height)
{
    sounder::probePlatform().windowSize(width, height);
}

void *infoNativeDisplay()
{
    return sounder::probePlatform().nativeDisplay();
}

void *infoProbeXConnection()
{
    sounder::ProbePlatform &platform = sounder::probePlatform();
    return platform.isOpen() && strcmp(platform.name(), "glx") == 0 ? platform.nativeDisplay()
                                                                    : nullptr;
}

unsigned long infoNativeWindow()
{
    return sounder::probePlatform().nativeWindow();
}

void *infoNativeConfig()
{
    return sounder::probePlatform().nativeConfig();
}

void *infoNativeContext()
{
    return sounder::probePlatform().nativeContext();
}

int infoNativeScreen()
{
    return sounder::probePlatform().nativeScreen();
}

int infoSetSwapInterval(int interval)
{
    return sounder::probePlatform().setSwapInterval(interval);
}

int infoDesktopBits()
{
    return sounder::probePlatform().desktopBits();
}

std::string infoWindowSystemExtensions()
{
    return sounder::probePlatform().extensions();
}

int infoHasEntryPoint(const char *name)
{
    if (!name)
        return 0;
    if (strncmp(name, "wgl", 3) == 0) {
        const char *mapped = infoWindowSystemName(name);
        return mapped ? sounder::probePlatform().hasEntryPoint(mapped) : 0;
    }
    return sounder::probePlatform().hasEntryPoint(name);
}

int infoEntryPointsCheckable()
{
    return sounder::probePlatform().entryPointCheck().available ? 1 : 0;
}

const char *framebufferStatusText(unsigned int status)
{
    switch (status) {
    case 0x8CD5: return "";
    case 0x8CD6: return "Incomplete attachement";
    case 0x8CD7: return "Framebuffer incomplete, missing attachment";
    case 0x8CD9: return "Framebuffer incomplete, attached images must have same dimensions";
    case 0x8CDA: return "Framebuffer incomplete, attached images must have same format";
    case 0x8CDB: return "Framebuffer incomplete, missing draw buffer";
    case 0x8CDC: return "Framebuffer incomplete, missing read buffer";
    case 0x8CDD: return "Unsupported framebuffer format";
    default: return "Framebuffer: Unknown result";
    }
}

/* The counterpart names live in one exported table (views/winsys_names.cpp)
 * that the viewer asks too. */
const char *infoWindowSystemName(const char *wglName)
{
    return tsWindowSystemName(wglName, TS_WINDOW_SYSTEM_NATIVE);
}

uint32_t infoVideoMemoryMegabytes(uint64_t bytes)
{
    uint64_t megabytes = ((bytes / 1048576ull) + 16ull) & ~static_cast<uint64_t>(31);
    return megabytes > 0xffffffffull ? 0xffffffffu : static_cast<uint32_t>(megabytes);
}

/* The limits of a core-profile context beside the probe's, where the window
 * system offers one; a driver that refuses every core context leaves the
 * record without a list (not an error of the reading).  The list is kept
 * among the record's notes, keyed by its extensions text: a record the
 * context gave no list has no limits either. */
static void readExtendedLimits(tsRendererCaps *caps)
{
    std::unique_ptr<sounder::ExtendedLimits> limits;
    sounder::probePlatform().withCoreContext([&limits] {
        limits = std::make_unique<sounder::ExtendedLimits>(sounder::readCurrentContext());
    });
    if (limits)
        sounder::attachExtendedLimits(caps, std::move(limits));
}

/* ---- exports -------------------------------------------------------------- */

extern "C" {

SOUNDER_API int tsInfoBegin(int hardware)
{
    infoDestroyWindow();
    if (!infoCreateWindow("OpenGL", 1, 1, -1, 0, 0, false, false, false, hardware != 0, nullptr,
                          nullptr)) {
        tsReportFailure("OpenGL initialization failed.\n");
        return 0;
    }
    return 1;
}

SOUNDER_API int tsInfoEnd(void)
{
    infoDestroyWindow();
    return 1;
}

SOUNDER_API int tsInfoRead(tsRendererCaps *caps, int tag)
{
    if (!caps) {
        tsReportFailure("Invalid parameter.\n");
        return 0;
    }
    if (caps->size != sizeof(tsRendererCaps)) {
        tsReportFailure("size doesn't match (invalid tsRendererCaps)\n");
        return 0;
    }
    caps->tag = tag;
    /* The word is not used: the notes of a record filled before are freed
     * with its texts by tsInfoReadCaps. */
    caps->reserved = 0;
    tsInfoReadCaps(caps);
    appendWindowSystemList(caps);
    readPixelFormats(caps);
    {
        /* The modes are asked on the probe's own connection: a reading
         * keeps to one (a server without -noreset resets whenever its last
         * client leaves). */
        sounder::SharedDisplayScope lend(infoProbeXConnection());
        readDisplayModes(caps);
    }
    tsInfoReadCapsEx(caps);
    caps->videoMemory = infoVideoMemoryMegabytes(sounder::probePlatform().videoMemoryBytes());
    sounder::noteWindowSystem(*caps, sounder::probePlatform().windowSystem());
    /* Last: a backend may make the probe's context anew around the core one. */
    readExtendedLimits(caps);
    /* A display that went away while reading leaves parts of the record
     * empty: the reading is not reported as complete. */
    if (!sounder::probePlatform().checkConnection())
        return 0;
    return 1;
}

SOUNDER_API void tsInfoRelease(tsRendererCaps *caps)
{
    if (!caps || !caps->filled)
        return;
    sounder::forgetNotes(*caps);
    char **texts[] = {&caps->extensions, &caps->renderer, &caps->glslVersion, &caps->version,
                      &caps->vendor};
    for (char **t : texts)
        if (*t)
            sysMemFree(*t);
    memset(caps, 0, sizeof *caps);
}

SOUNDER_API int tsInfoSearchExtension(const char *name, const char *list)
{
    if (!name)
        return 0;
    const std::string_view wanted(name);
    return sounder::anyListedName(list, [wanted](std::string_view n) { return n == wanted; }) ? 1
                                                                                              : 0;
}

} // extern "C"
