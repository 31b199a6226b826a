/* EGL backend of the probe: needs no display server.  The display comes
 * from Mesa's surfaceless platform, else from the first device of the
 * device platform; the context is a desktop OpenGL (compatibility) context
 * made current without a surface, or on a 1 x 1 pixel buffer where the
 * display cannot do without one.  libEGL is loaded at run time, so a
 * machine without it still reads through GLX. */
#include <GL/glew.h>
#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <type_traits>
#include <vector>

#include "keel/keel.h"
#include "probe/env_override.h"
#include "probe/display_drm.h"
#include "probe/platform.h"
#include "probe/platform_egl.h"

namespace sounder {
namespace {

const char *g_eglLibrary = nullptr; /* null: "libEGL.so.1" */

/* The EGL entry points and the EGL version or extension that brings each. */
const WindowSystemEntry kEglEntries[] = {
    {"eglChooseConfig", 100, nullptr},
    {"eglCopyBuffers", 100, nullptr},
    {"eglCreateContext", 100, nullptr},
    {"eglCreatePbufferSurface", 100, nullptr},
    {"eglCreatePixmapSurface", 100, nullptr},
    {"eglCreateWindowSurface", 100, nullptr},
    {"eglDestroyContext", 100, nullptr},
    {"eglDestroySurface", 100, nullptr},
    {"eglGetConfigAttrib", 100, nullptr},
    {"eglGetConfigs", 100, nullptr},
    {"eglGetCurrentDisplay", 100, nullptr},
    {"eglGetCurrentSurface", 100, nullptr},
    {"eglGetDisplay", 100, nullptr},
    {"eglGetError", 100, nullptr},
    {"eglGetProcAddress", 100, nullptr},
    {"eglInitialize", 100, nullptr},
    {"eglMakeCurrent", 100, nullptr},
    {"eglQueryContext", 100, nullptr},
    {"eglQueryString", 100, nullptr},
    {"eglQuerySurface", 100, nullptr},
    {"eglSwapBuffers", 100, nullptr},
    {"eglTerminate", 100, nullptr},
    {"eglWaitGL", 100, nullptr},
    {"eglWaitNative", 100, nullptr},
    {"eglBindTexImage", 101, nullptr},
    {"eglReleaseTexImage", 101, nullptr},
    {"eglSurfaceAttrib", 101, nullptr},
    {"eglSwapInterval", 101, nullptr},
    {"eglBindAPI", 102, nullptr},
    {"eglQueryAPI", 102, nullptr},
    {"eglCreatePbufferFromClientBuffer", 102, nullptr},
    {"eglReleaseThread", 102, nullptr},
    {"eglWaitClient", 102, nullptr},
    {"eglGetCurrentContext", 104, nullptr},
    {"eglCreateSync", 105, nullptr},
    {"eglDestroySync", 105, nullptr},
    {"eglClientWaitSync", 105, nullptr},
    {"eglGetSyncAttrib", 105, nullptr},
    {"eglCreateImage", 105, nullptr},
    {"eglDestroyImage", 105, nullptr},
    {"eglGetPlatformDisplay", 105, nullptr},
    {"eglCreatePlatformWindowSurface", 105, nullptr},
    {"eglCreatePlatformPixmapSurface", 105, nullptr},
    {"eglWaitSync", 105, nullptr},
    {"eglGetPlatformDisplayEXT", 0, "EGL_EXT_platform_base"},
    {"eglQueryDevicesEXT", 0, "EGL_EXT_device_enumeration"},
    {"eglQueryDeviceStringEXT", 0, "EGL_EXT_device_query"},
    {"eglQueryDisplayAttribEXT", 0, "EGL_EXT_device_query"},
    {"eglCreateImageKHR", 0, "EGL_KHR_image_base"},
    {"eglDestroyImageKHR", 0, "EGL_KHR_image_base"},
    {"eglCreateSyncKHR", 0, "EGL_KHR_fence_sync"},
    {"eglDestroySyncKHR", 0, "EGL_KHR_fence_sync"},
    {"eglClientWaitSyncKHR", 0, "EGL_KHR_fence_sync"},
    {"eglDebugMessageControlKHR", 0, "EGL_KHR_debug"},
    {"eglSwapBuffersWithDamageKHR", 0, "EGL_KHR_swap_buffers_with_damage"},
    {"eglQueryDmaBufFormatsEXT", 0, "EGL_EXT_image_dma_buf_import_modifiers"},
};

/* The libEGL functions the backend calls, resolved once per load. */
struct EglApi {
    void *library = nullptr;
    PFNEGLGETPROCADDRESSPROC getProcAddress = nullptr;
    PFNEGLGETERRORPROC getError = nullptr;
    PFNEGLQUERYSTRINGPROC queryString = nullptr;
    PFNEGLINITIALIZEPROC initialize = nullptr;
    PFNEGLTERMINATEPROC terminate = nullptr;
    PFNEGLBINDAPIPROC bindApi = nullptr;
    PFNEGLCHOOSECONFIGPROC chooseConfig = nullptr;
    PFNEGLGETCONFIGSPROC getConfigs = nullptr;
    PFNEGLGETCONFIGATTRIBPROC getConfigAttrib = nullptr;
    PFNEGLCREATECONTEXTPROC createContext = nullptr;
    PFNEGLDESTROYCONTEXTPROC destroyContext = nullptr;
    PFNEGLMAKECURRENTPROC makeCurrent = nullptr;
    PFNEGLCREATEPBUFFERSURFACEPROC createPbuffer = nullptr;
    PFNEGLDESTROYSURFACEPROC destroySurface = nullptr;
    PFNEGLGETCURRENTCONTEXTPROC currentContext = nullptr;
    PFNEGLRELEASETHREADPROC releaseThread = nullptr;
    PFNEGLSWAPINTERVALPROC swapInterval = nullptr;
    PFNEGLGETPLATFORMDISPLAYEXTPROC platformDisplay = nullptr;
    PFNEGLQUERYDEVICESEXTPROC queryDevices = nullptr;

    /* Loads the library; on failure writes what is missing into reason. */
    bool load(std::string &reason)
    {
        if (library)
            return true;
        const char *name = g_eglLibrary ? g_eglLibrary : "libEGL.so.1";
        library = dlopen(name, RTLD_NOW | RTLD_LOCAL);
        if (!library) {
            const char *error = dlerror();
            reason = std::string("no EGL library: ") + (error ? error : name);
            return false;
        }
        bool ok = true;
        auto resolve = [&](auto &fn, const char *symbol) {
            fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(dlsym(library, symbol));
            if (!fn && ok) {
                reason = std::string("the EGL library ") + name + " has no " + symbol;
                ok = false;
            }
        };
        resolve(getProcAddress, "eglGetProcAddress");
        resolve(getError, "eglGetError");
        resolve(queryString, "eglQueryString");
        resolve(initialize, "eglInitialize");
        resolve(terminate, "eglTerminate");
        resolve(bindApi, "eglBindAPI");
        resolve(chooseConfig, "eglChooseConfig");
        resolve(getConfigs, "eglGetConfigs");
        resolve(getConfigAttrib, "eglGetConfigAttrib");
        resolve(createContext, "eglCreateContext");
        resolve(destroyContext, "eglDestroyContext");
        resolve(makeCurrent, "eglMakeCurrent");
        resolve(createPbuffer, "eglCreatePbufferSurface");
        resolve(destroySurface, "eglDestroySurface");
        resolve(currentContext, "eglGetCurrentContext");
        resolve(releaseThread, "eglReleaseThread");
        resolve(swapInterval, "eglSwapInterval");
        if (!ok) {
            unload();
            return false;
        }
        platformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
            getProcAddress("eglGetPlatformDisplayEXT"));
        queryDevices =
            reinterpret_cast<PFNEGLQUERYDEVICESEXTPROC>(getProcAddress("eglQueryDevicesEXT"));
        return true;
    }
    void unload()
    {
        if (library)
            dlclose(library);
        *this = EglApi();
    }
    std::string errorText()
    {
        char text[32];
        snprintf(text, sizeof text, "EGL error 0x%04X", getError ? getError() : 0u);
        return text;
    }
};

class EglPlatform final : public ProbePlatform {
public:
    const char *name() const override { return "egl"; }
    std::string windowSystem() override { return windowSystem_; }
    bool createWindow(const WindowRequest &request) override;
    void destroyWindow() override;
    bool isOpen() const override { return display_ != EGL_NO_DISPLAY && context_; }
    void swapBuffers() override
    {
        /* No surface to present: the rendering tests draw into a framebuffer
         * object, finished here frame by frame. */
        if (isOpen())
            glFinish();
    }
    void hideWindow() override {}
    bool processEvents() override { return !platformQuitRequested(); }
    void windowSize(int *width, int *height) override
    {
        if (width)
            *width = width_;
        if (height)
            *height = height_;
    }
    std::string extensions() override;
    std::vector<tsPixelFormat> pixelFormats(size_t limit) override;
    uint64_t videoMemoryBytes() override;
    bool checkConnection() override { return true; }
    int hasEntryPoint(const char *name) override;
    EntryPointCheck entryPointCheck() override;
    int setSwapInterval(int interval) override;
    void *glProcAddress(const char *name) override
    {
        return egl_.getProcAddress ? reinterpret_cast<void *>(egl_.getProcAddress(name)) : nullptr;
    }
    int desktopBits() override
    {
        DisplayModeInfo mode;
        return drmDesktopMode(mode) ? mode.bitsPerPixel : 0;
    }
    bool withCoreContext(const std::function<void()> &read) override;
    void *nativeDisplay() override { return display_; }
    unsigned long nativeWindow() override { return 0; }
    void *nativeConfig() override { return config_; }
    void *nativeContext() override { return context_; }
    int nativeScreen() override { return 0; }
    bool makeWindowCurrent()
    {
        return isOpen() && egl_.makeCurrent(display_, surface_, surface_, context_);
    }
    /* Forgets the loaded library, so that the next reading loads it anew. */
    void unloadLibrary()
    {
        destroyWindow();
        egl_.unload();
    }

private:
    enum class Attempt { Ok, Failed, NoDriver };
    Attempt attempt(const WindowRequest &request, bool softpipe);
    /* Gets and initialises a display; the platform's name goes to kind. */
    bool openDisplay(std::string &reason);
    bool unacceleratedRenderer();

    EglApi egl_;
    EGLDisplay display_ = EGL_NO_DISPLAY;
    EGLConfig config_ = nullptr;
    EGLContext context_ = EGL_NO_CONTEXT;
    EGLSurface surface_ = EGL_NO_SURFACE;
    std::string platformKind_;         /* "surfaceless" or "device" */
    std::string windowSystem_ = "EGL"; /* with version and platform of the last window */
    int major_ = 0, minor_ = 0;
    int width_ = 0, height_ = 0;
    bool checkDecided_ = false;
    EntryPointCheck check_;
    void *glapi_ = nullptr;
    using OffsetFn = int (*)(const char *);
    OffsetFn glapiOffset_ = nullptr;
};

bool EglPlatform::openDisplay(std::string &reason)
{
    if (!egl_.load(reason))
        return false;
    const char *clientText = egl_.queryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    const std::string client = clientText ? clientText : "";
    if (!egl_.platformDisplay || !extensionListed(client, "EGL_EXT_platform_base")) {
        reason = "the EGL library offers no platform displays (EGL_EXT_platform_base)";
        return false;
    }
    if (extensionListed(client, "EGL_MESA_platform_surfaceless")) {
        display_ =
            egl_.platformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
        platformKind_ = "surfaceless";
    }
    if (display_ == EGL_NO_DISPLAY && extensionListed(client, "EGL_EXT_platform_device") &&
        egl_.queryDevices) {
        EGLDeviceEXT device = nullptr;
        EGLint count = 0;
        if (egl_.queryDevices(1, &device, &count) && count > 0) {
            display_ = egl_.platformDisplay(EGL_PLATFORM_DEVICE_EXT, device, nullptr);
            platformKind_ = "device";
        }
    }
    if (display_ == EGL_NO_DISPLAY) {
        reason = "the EGL library offers neither the surfaceless platform "
                 "(EGL_MESA_platform_surfaceless) nor a device (EGL_EXT_platform_device)";
        return false;
    }
    if (!egl_.initialize(display_, &major_, &minor_)) {
        reason = "eglInitialize failed on the " + platformKind_ + " platform: " + egl_.errorText();
        display_ = EGL_NO_DISPLAY;
        return false;
    }
    return true;
}

bool EglPlatform::createWindow(const WindowRequest &request)
{
    destroyWindow();
    /* Reading 0 asks for softpipe; a Mesa built without it gives llvmpipe. */
    Attempt result = attempt(request, !request.hardware);
    if (result == Attempt::NoDriver && !request.hardware)
        result = attempt(request, false);
    return result == Attempt::Ok;
}

EglPlatform::Attempt EglPlatform::attempt(const WindowRequest &request, bool softpipe)
{
    tsReportSetLogFile();
    char description[128];
    snprintf(description, sizeof description, "%d x %d, %d (AAx%d)", request.width, request.height,
             request.bits, request.samples);
    width_ = request.width > 0 ? request.width : 1;
    height_ = request.height > 0 ? request.height : 1;
    tsReportContext("EGL display creation.");

    /* Mesa picks its driver when the display is initialised and reads these
     * variables then; they stay set until the context is current. */
    EnvOverride env;
    if (!request.hardware) {
        env.set("LIBGL_ALWAYS_SOFTWARE", "1");
        if (softpipe)
            env.set("GALLIUM_DRIVER", "softpipe");
        else
            env.unset("GALLIUM_DRIVER");
    }
    std::string reason;
    if (!openDisplay(reason)) {
        env.restore();
        tsReportFailure("Can't Create A GL Device Context: %s\n", reason.c_str());
        destroyWindow();
        return Attempt::Failed;
    }
    const char *apis = egl_.queryString(display_, EGL_CLIENT_APIS);
    if (!apis || !extensionListed(apis, "OpenGL") || !egl_.bindApi(EGL_OPENGL_API)) {
        env.restore();
        tsReportFailure("Can't Create A GL Device Context: the EGL %s platform offers no "
                        "desktop OpenGL (client APIs: %s)\n",
                        platformKind_.c_str(), apis && *apis ? apis : "none");
        destroyWindow();
        return Attempt::Failed;
    }
    const char *displayText = egl_.queryString(display_, EGL_EXTENSIONS);
    const std::string displayList = displayText ? displayText : "";
    /* A window that is shown (the rendering tests') becomes a pixel buffer
     * of its size, the default framebuffer the tests draw into and read
     * their screenshots from; the probe's own needs no surface at all. */
    const bool surfaceless =
        !request.show && extensionListed(displayList, "EGL_KHR_surfaceless_context");

    tsReportContext("ARB PFD creation.");
    int bits = request.bits > 0 ? request.bits : 32;
    int colour = bits >= 24 ? 8 : (bits >= 15 ? 5 : 1);
    std::vector<EGLint> attribs = {
        EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_SURFACE_TYPE, surfaceless ? 0 : EGL_PBUFFER_BIT,
        EGL_RED_SIZE,        colour,         EGL_GREEN_SIZE,   bits == 16 ? 6 : colour,
        EGL_BLUE_SIZE,       colour,         EGL_DEPTH_SIZE,   bits == 16 ? 16 : 24,
    };
    if (request.samples > 0)
        attribs.insert(attribs.end(), {EGL_SAMPLE_BUFFERS, 1, EGL_SAMPLES, request.samples});
    attribs.push_back(EGL_NONE);
    EGLint count = 0;
    if (!egl_.chooseConfig(display_, attribs.data(), &config_, 1, &count) || count < 1) {
        env.restore();
        tsReportFailure("Can't Find A Suitable PixelFormat: %s, %s\n",
                        count < 1 ? "no EGL configuration matches" : egl_.errorText().c_str(),
                        description);
        destroyWindow();
        return Attempt::Failed;
    }

    /* No version asked: the driver's highest compatibility-profile version. */
    context_ = egl_.createContext(display_, config_, EGL_NO_CONTEXT, nullptr);
    if (context_ == EGL_NO_CONTEXT) {
        env.restore();
        tsReportFailure("wglCreateContext failed : %s\n", egl_.errorText().c_str());
        destroyWindow();
        tsReportFailure("Context Creation Failed. %s\n", description);
        return Attempt::Failed;
    }
    if (!surfaceless) {
        const EGLint size[] = {EGL_WIDTH, width_, EGL_HEIGHT, height_, EGL_NONE};
        surface_ = egl_.createPbuffer(display_, config_, size);
        if (surface_ == EGL_NO_SURFACE) {
            env.restore();
            tsReportFailure("Window Creation Error: no pixel buffer of %d x %d: %s, %s\n", width_,
                            height_, egl_.errorText().c_str(), description);
            destroyWindow();
            return Attempt::Failed;
        }
    }
    if (!egl_.makeCurrent(display_, surface_, surface_, context_)) {
        env.restore();
        tsReportFailure("wglMakeCurrent failed : %s\n", egl_.errorText().c_str());
        destroyWindow();
        tsReportFailure("Context Creation Failed. %s\n", description);
        return Attempt::Failed;
    }
    env.restore();
    /* GLEW's entry points are the rendering tests' business (they load
     * them for their window); the probe looks up the few queries it needs
     * itself, which spares GLEW's 2,500 look-ups.  No error of making the
     * context is left behind for the caller. */
    for (int i = 0; i < 64 && glGetError() != GL_NO_ERROR; ++i) {}
    if (softpipe) {
        const char *renderer = reinterpret_cast<const char *>(glGetString(GL_RENDERER));
        if (!renderer || !strstr(renderer, "softpipe")) {
            destroyWindow();
            return Attempt::NoDriver;
        }
    }
    char system[64];
    snprintf(system, sizeof system, "EGL %d.%d (%s)", major_, minor_, platformKind_.c_str());
    windowSystem_ = system;
    return Attempt::Ok;
}

void EglPlatform::destroyWindow()
{
    if (display_ != EGL_NO_DISPLAY) {
        tsReportContext("DestroyWindow");
        if (context_ != EGL_NO_CONTEXT &&
            !egl_.makeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT))
            tsReportFailure("wglMakeCurrent(0,0) failed : %s\n", egl_.errorText().c_str());
        if (context_ != EGL_NO_CONTEXT)
            egl_.destroyContext(display_, context_);
        if (surface_ != EGL_NO_SURFACE)
            egl_.destroySurface(display_, surface_);
        egl_.terminate(display_);
        egl_.releaseThread();
    }
    display_ = EGL_NO_DISPLAY;
    context_ = EGL_NO_CONTEXT;
    surface_ = EGL_NO_SURFACE;
    config_ = nullptr;
    width_ = height_ = 0;
    checkDecided_ = false;
    check_ = EntryPointCheck();
    glapiOffset_ = nullptr;
    if (glapi_) {
        dlclose(glapi_);
        glapi_ = nullptr;
    }
}

std::string EglPlatform::extensions()
{
    std::string reason;
    if (!egl_.load(reason))
        return std::string();
    const char *client = egl_.queryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    std::string list = client ? client : "";
    if (display_ != EGL_NO_DISPLAY) {
        const char *own = egl_.queryString(display_, EGL_EXTENSIONS);
        if (own && *own) {
            while (!list.empty() && list.back() == ' ')
                list.pop_back();
            if (!list.empty())
                list += ' ';
            list += own;
        }
    }
    return list;
}

/* A software renderer behind the display: the device platform marks it
 * with EGL_MESA_device_software; the surfaceless platform says it only
 * through the GL renderer, which names Mesa's software rasterisers. */
bool EglPlatform::unacceleratedRenderer()
{
    if (!isOpen())
        return false;
    const char *renderer = reinterpret_cast<const char *>(glGetString(GL_RENDERER));
    if (!renderer)
        return false;
    for (const char *name : {"llvmpipe", "softpipe", "swrast", "Software Rasterizer"})
        if (strstr(renderer, name))
            return true;
    return false;
}

std::vector<tsPixelFormat> EglPlatform::pixelFormats(size_t limit)
{
    std::vector<tsPixelFormat> out;
    if (display_ == EGL_NO_DISPLAY)
        return out;
    EGLint count = 0;
    if (!egl_.getConfigs(display_, nullptr, 0, &count) || count <= 0)
        return out;
    std::vector<EGLConfig> configs(static_cast<size_t>(count));
    if (!egl_.getConfigs(display_, configs.data(), count, &count))
        return out;
    configs.resize(static_cast<size_t>(count));
    const bool unaccelerated = unacceleratedRenderer();
    for (EGLConfig config : configs) {
        if (out.size() >= limit)
            break;
        auto get = [&](EGLint attribute) {
            EGLint value = 0;
            if (!egl_.getConfigAttrib(display_, config, attribute, &value))
                value = 0;
            return value;
        };
        if (!(get(EGL_RENDERABLE_TYPE) & EGL_OPENGL_BIT))
            continue;
        auto byte = [](EGLint v) { return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v)); };
        tsPixelFormat pf;
        memset(&pf, 0, sizeof pf);
        pf.color_bits = byte(get(EGL_BUFFER_SIZE));
        pf.depth_bits = byte(get(EGL_DEPTH_SIZE));
        pf.stencil_bits = byte(get(EGL_STENCIL_SIZE));
        pf.pixel_type = 0;
        const EGLint surfaces = get(EGL_SURFACE_TYPE);
        /* EGL window surfaces are double-buffered by definition. */
        pf.double_buffer = (surfaces & EGL_WINDOW_BIT) ? 1 : 0;
        pf.samples = byte(get(EGL_SAMPLES));
        pf.draw_to_window = (surfaces & EGL_WINDOW_BIT) ? 1 : 0;
        pf.draw_to_bitmap = (surfaces & EGL_PIXMAP_BIT) ? 1 : 0;
        pf.support_gdi = (surfaces & EGL_PIXMAP_BIT) ? 1 : 0;
        pf.support_opengl = 1;
        pf.acceleration = (get(EGL_CONFIG_CAVEAT) == EGL_SLOW_CONFIG || unaccelerated) ? 0 : 1;
        const EGLint level = get(EGL_LEVEL);
        if (level > 0)
            pf.number_overlays = byte(level);
        else if (level < 0)
            pf.number_underlays = byte(-level);
        out.push_back(pf);
    }
    return out;
}

uint64_t EglPlatform::videoMemoryBytes()
{
    if (uint64_t bytes = drmVideoMemoryBytes())
        return bytes;
    if (!isOpen())
        return 0;
    const char *gl = reinterpret_cast<const char *>(glGetString(GL_EXTENSIONS));
    uint64_t bytes = 0;
    if (tsInfoSearchExtension("GL_NVX_gpu_memory_info", gl)) {
        GLint kilobytes = 0;
        glGetIntegerv(0x9047 /* GL_GPU_MEMORY_INFO_DEDICATED_VIDMEM_NVX */, &kilobytes);
        if (kilobytes > 0)
            bytes = static_cast<uint64_t>(kilobytes) * 1024ull;
    }
    if (!bytes && tsInfoSearchExtension("GL_ATI_meminfo", gl)) {
        GLint values[4] = {0, 0, 0, 0};
        glGetIntegerv(0x87FB /* GL_VBO_FREE_MEMORY_ATI */, values);
        if (values[0] > 0)
            bytes = static_cast<uint64_t>(values[0]) * 1024ull;
    }
    while (glGetError() != GL_NO_ERROR) {}
    return bytes;
}

/* glvnd's EGL hands out a stub for any gl* name as its GLX does; Mesa's
 * dispatch table says which functions its drivers know. */
EntryPointCheck EglPlatform::entryPointCheck()
{
    if (checkDecided_ || !isOpen())
        return check_;
    checkDecided_ = true;
    const char *vendor = egl_.queryString(display_, EGL_VENDOR);
    const char *glVersion = reinterpret_cast<const char *>(glGetString(GL_VERSION));
    const bool mesa =
        (vendor && strstr(vendor, "Mesa")) || (glVersion && strstr(glVersion, "Mesa"));
    check_.vendor = mesa ? "Mesa" : (vendor && vendor[0] ? vendor : "unknown");
    check_.method = platformOpenDispatchTable(mesa, &glapi_, &glapiOffset_);
    check_.available = glapiOffset_ != nullptr;
    if (!check_.available)
        tsReportFailure("The driver's entry points cannot be checked: %s (vendor %s, EGL vendor "
                        "%s)\n",
                        check_.method.c_str(), check_.vendor.c_str(), vendor ? vendor : "none");
    return check_;
}

int EglPlatform::hasEntryPoint(const char *name)
{
    if (!name)
        return 0;
    if (strncmp(name, "egl", 3) == 0) {
        if (display_ == EGL_NO_DISPLAY)
            return 0;
        return windowSystemEntryPresent(
            kEglEntries, name, [this] { return extensions(); },
            [this] { return major_ * 100 + minor_; });
    }
    if (strncmp(name, "gl", 2) != 0 || strncmp(name, "glX", 3) == 0)
        return 0;
    if (!entryPointCheck().available)
        return 0;
    return glapiOffset_(name) >= 0 ? 1 : 0;
}

int EglPlatform::setSwapInterval(int interval)
{
    /* Without a window surface there is nothing to pace. */
    if (!isOpen() || surface_ == EGL_NO_SURFACE)
        return 0;
    return egl_.swapInterval(display_, interval) ? 1 : 0;
}

bool EglPlatform::withCoreContext(const std::function<void()> &read)
{
    if (!isOpen())
        return false;
    const char *list = egl_.queryString(display_, EGL_EXTENSIONS);
    if (major_ * 100 + minor_ < 105 && !extensionListed(list ? list : "", "EGL_KHR_create_context"))
        return false;
    /* The probe's context goes first and is made anew afterwards: the core
     * context then takes over the memory the driver has just freed, and is
     * made in a few milliseconds instead of the ten a second live context
     * costs in page faults. */
    egl_.makeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    egl_.destroyContext(display_, context_);
    context_ = EGL_NO_CONTEXT;
    EGLContext core = EGL_NO_CONTEXT;
    for (const GlVersionPair &v : kCoreProfileVersions) {
        const EGLint attribs[] = {EGL_CONTEXT_MAJOR_VERSION_KHR,
                                  v.major,
                                  EGL_CONTEXT_MINOR_VERSION_KHR,
                                  v.minor,
                                  EGL_CONTEXT_OPENGL_PROFILE_MASK_KHR,
                                  EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT_KHR,
                                  EGL_NONE};
        core = egl_.createContext(display_, config_, EGL_NO_CONTEXT, attribs);
        if (core != EGL_NO_CONTEXT)
            break;
    }
    bool current = false;
    if (core != EGL_NO_CONTEXT) {
        current = egl_.makeCurrent(display_, surface_, surface_, core) == EGL_TRUE;
        if (current)
            read();
        egl_.makeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        egl_.destroyContext(display_, core);
    }
    context_ = egl_.createContext(display_, config_, EGL_NO_CONTEXT, nullptr);
    if (context_ == EGL_NO_CONTEXT || !egl_.makeCurrent(display_, surface_, surface_, context_)) {
        tsReportFailure("wglMakeCurrent failed : the probe's context could not be made again "
                        "after the core-profile one: %s\n",
                        egl_.errorText().c_str());
        destroyWindow();
    }
    return current;
}

} // namespace

ProbePlatform *eglPlatform()
{
    static EglPlatform platform;
    return &platform;
}

bool eglMakeWindowCurrent()
{
    return static_cast<EglPlatform *>(eglPlatform())->makeWindowCurrent();
}

void eglSetLibrary(const char *soname)
{
    g_eglLibrary = soname;
    /* The next reading loads the library named now. */
    static_cast<EglPlatform *>(eglPlatform())->unloadLibrary();
}

} // namespace sounder
