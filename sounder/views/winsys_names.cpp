// WGL names and their counterparts on the window systems the library runs
// on: one table that the entry-point check, the viewer's test page and its
// links all ask.  A backend for another window system adds its rows here.
#include <cstring>

#include "sounder/present.h"
#include "sounder/probe.h"

namespace {

// A row maps a WGL extension or wgl entry point to a name on one window
// system: an extension, an entry point, or "<PREFIX>VERSION_x_y" when the
// feature is part of that version, which every probe of that window system
// has (the GLX probe needs GLX 1.3).  A name may have several rows: the
// first one is its counterpart name, any one of them gives the feature.
struct Row {
    int windowSystem;
    const char *wgl;
    const char *name;
};

const Row kRows[] = {
    // Extensions.
    {TS_WINDOW_SYSTEM_GLX, "WGL_ARB_extensions_string", "GLX_VERSION_1_1"},
    {TS_WINDOW_SYSTEM_GLX, "WGL_EXT_extensions_string", "GLX_VERSION_1_1"},
    {TS_WINDOW_SYSTEM_GLX, "WGL_ARB_multisample", "GLX_ARB_multisample"},
    {TS_WINDOW_SYSTEM_GLX, "WGL_EXT_multisample", "GLX_EXT_multisample"},
    {TS_WINDOW_SYSTEM_GLX, "WGL_ARB_pbuffer", "GLX_SGIX_pbuffer"},
    {TS_WINDOW_SYSTEM_GLX, "WGL_ARB_pbuffer", "GLX_VERSION_1_3"},
    {TS_WINDOW_SYSTEM_GLX, "WGL_EXT_pbuffer", "GLX_SGIX_pbuffer"},
    {TS_WINDOW_SYSTEM_GLX, "WGL_EXT_pbuffer", "GLX_VERSION_1_3"},
    // The rendering tests draw into a pbuffer and copy from it, so render
    // to texture needs nothing beyond pbuffers.
    {TS_WINDOW_SYSTEM_GLX, "WGL_ARB_render_texture", "GLX_VERSION_1_3"},
    {TS_WINDOW_SYSTEM_GLX, "WGL_ARB_pixel_format", "GLX_SGIX_fbconfig"},
    {TS_WINDOW_SYSTEM_GLX, "WGL_ARB_pixel_format", "GLX_VERSION_1_3"},
    {TS_WINDOW_SYSTEM_GLX, "WGL_EXT_pixel_format", "GLX_SGIX_fbconfig"},
    {TS_WINDOW_SYSTEM_GLX, "WGL_EXT_pixel_format", "GLX_VERSION_1_3"},
    {TS_WINDOW_SYSTEM_GLX, "WGL_ARB_pixel_format_float", "GLX_ARB_fbconfig_float"},
    {TS_WINDOW_SYSTEM_GLX, "WGL_EXT_pixel_format_packed_float", "GLX_EXT_fbconfig_packed_float"},
    {TS_WINDOW_SYSTEM_GLX, "WGL_ARB_make_current_read", "GLX_SGI_make_current_read"},
    {TS_WINDOW_SYSTEM_GLX, "WGL_ARB_make_current_read", "GLX_VERSION_1_3"},
    {TS_WINDOW_SYSTEM_GLX, "WGL_EXT_make_current_read", "GLX_SGI_make_current_read"},
    {TS_WINDOW_SYSTEM_GLX, "WGL_EXT_make_current_read", "GLX_VERSION_1_3"},
    {TS_WINDOW_SYSTEM_GLX, "WGL_EXT_swap_control", "GLX_EXT_swap_control"},
    {TS_WINDOW_SYSTEM_GLX, "WGL_EXT_swap_control_tear", "GLX_EXT_swap_control_tear"},
    {TS_WINDOW_SYSTEM_GLX, "WGL_ARB_create_context", "GLX_ARB_create_context"},
    {TS_WINDOW_SYSTEM_GLX, "WGL_ARB_create_context_profile", "GLX_ARB_create_context_profile"},
    {TS_WINDOW_SYSTEM_GLX, "WGL_ARB_create_context_robustness",
     "GLX_ARB_create_context_robustness"},
    {TS_WINDOW_SYSTEM_GLX, "WGL_ARB_create_context_no_error", "GLX_ARB_create_context_no_error"},
    {TS_WINDOW_SYSTEM_GLX, "WGL_EXT_create_context_es_profile",
     "GLX_EXT_create_context_es_profile"},
    {TS_WINDOW_SYSTEM_GLX, "WGL_EXT_create_context_es2_profile",
     "GLX_EXT_create_context_es2_profile"},
    {TS_WINDOW_SYSTEM_GLX, "WGL_ARB_context_flush_control", "GLX_ARB_context_flush_control"},
    {TS_WINDOW_SYSTEM_GLX, "WGL_ARB_framebuffer_sRGB", "GLX_ARB_framebuffer_sRGB"},
    {TS_WINDOW_SYSTEM_GLX, "WGL_EXT_framebuffer_sRGB", "GLX_EXT_framebuffer_sRGB"},
    {TS_WINDOW_SYSTEM_GLX, "WGL_ARB_robustness_application_isolation",
     "GLX_ARB_robustness_application_isolation"},
    {TS_WINDOW_SYSTEM_GLX, "WGL_NV_copy_image", "GLX_NV_copy_image"},
    {TS_WINDOW_SYSTEM_GLX, "WGL_NV_delay_before_swap", "GLX_NV_delay_before_swap"},
    // Entry points.  Pixel-format, pbuffer and read-drawable functions are
    // core in GLX 1.3, the extension string in 1.1.
    {TS_WINDOW_SYSTEM_GLX, "wglGetExtensionsStringARB", "glXQueryExtensionsString"},
    {TS_WINDOW_SYSTEM_GLX, "wglGetExtensionsStringEXT", "glXQueryExtensionsString"},
    {TS_WINDOW_SYSTEM_GLX, "wglChoosePixelFormatARB", "glXChooseFBConfig"},
    {TS_WINDOW_SYSTEM_GLX, "wglChoosePixelFormatEXT", "glXChooseFBConfig"},
    {TS_WINDOW_SYSTEM_GLX, "wglGetPixelFormatAttribivARB", "glXGetFBConfigAttrib"},
    {TS_WINDOW_SYSTEM_GLX, "wglGetPixelFormatAttribfvARB", "glXGetFBConfigAttrib"},
    {TS_WINDOW_SYSTEM_GLX, "wglGetPixelFormatAttribivEXT", "glXGetFBConfigAttrib"},
    {TS_WINDOW_SYSTEM_GLX, "wglGetPixelFormatAttribfvEXT", "glXGetFBConfigAttrib"},
    {TS_WINDOW_SYSTEM_GLX, "wglCreatePbufferARB", "glXCreatePbuffer"},
    {TS_WINDOW_SYSTEM_GLX, "wglCreatePbufferEXT", "glXCreatePbuffer"},
    {TS_WINDOW_SYSTEM_GLX, "wglDestroyPbufferARB", "glXDestroyPbuffer"},
    {TS_WINDOW_SYSTEM_GLX, "wglDestroyPbufferEXT", "glXDestroyPbuffer"},
    {TS_WINDOW_SYSTEM_GLX, "wglGetPbufferDCARB", "glXCreatePbuffer"},
    {TS_WINDOW_SYSTEM_GLX, "wglGetPbufferDCEXT", "glXCreatePbuffer"},
    {TS_WINDOW_SYSTEM_GLX, "wglReleasePbufferDCARB", "glXDestroyPbuffer"},
    {TS_WINDOW_SYSTEM_GLX, "wglReleasePbufferDCEXT", "glXDestroyPbuffer"},
    {TS_WINDOW_SYSTEM_GLX, "wglQueryPbufferARB", "glXQueryDrawable"},
    {TS_WINDOW_SYSTEM_GLX, "wglQueryPbufferEXT", "glXQueryDrawable"},
    {TS_WINDOW_SYSTEM_GLX, "wglMakeContextCurrentARB", "glXMakeContextCurrent"},
    {TS_WINDOW_SYSTEM_GLX, "wglMakeContextCurrentEXT", "glXMakeContextCurrent"},
    {TS_WINDOW_SYSTEM_GLX, "wglGetCurrentReadDCARB", "glXGetCurrentReadDrawable"},
    {TS_WINDOW_SYSTEM_GLX, "wglGetCurrentReadDCEXT", "glXGetCurrentReadDrawable"},
    {TS_WINDOW_SYSTEM_GLX, "wglSwapIntervalEXT", "glXSwapIntervalEXT"},
    {TS_WINDOW_SYSTEM_GLX, "wglGetSwapIntervalEXT", "glXSwapIntervalEXT"},
    {TS_WINDOW_SYSTEM_GLX, "wglCreateContextAttribsARB", "glXCreateContextAttribsARB"},
    {TS_WINDOW_SYSTEM_GLX, "wglCopyImageSubDataNV", "glXCopyImageSubDataNV"},
    {TS_WINDOW_SYSTEM_GLX, "wglDelayBeforeSwapNV", "glXDelayBeforeSwapNV"},
};

// The window system the probe of this build uses.
constexpr int kNativeWindowSystem = TS_WINDOW_SYSTEM_GLX;

int resolvedSystem(int windowSystem)
{
    return windowSystem == TS_WINDOW_SYSTEM_NATIVE ? kNativeWindowSystem : windowSystem;
}

// Prefix of the window system's extension names.
const char *extensionPrefix(int windowSystem)
{
    return windowSystem == TS_WINDOW_SYSTEM_GLX ? "GLX_" : nullptr;
}

bool isWglName(const char *name)
{
    return std::strncmp(name, "WGL_", 4) == 0 || std::strncmp(name, "wgl", 3) == 0;
}

// A name of the list that begins with prefix.
bool listHasPrefix(const char *list, const char *prefix)
{
    const std::size_t length = std::strlen(prefix);
    for (const char *p = list; *p;) {
        if (std::strncmp(p, prefix, length) == 0)
            return true;
        const char *blank = std::strchr(p, ' ');
        if (!blank)
            break;
        p = blank + 1;
    }
    return false;
}

bool isVersionName(const char *name, int windowSystem)
{
    const char *prefix = extensionPrefix(windowSystem);
    const std::size_t length = prefix ? std::strlen(prefix) : 0;
    return prefix && std::strncmp(name, prefix, length) == 0 &&
           std::strncmp(name + length, "VERSION_", 8) == 0;
}

} // namespace

extern "C" {

SOUNDER_API const char *tsWindowSystemName(const char *wglName, int windowSystem)
{
    if (!wglName)
        return nullptr;
    const int system = resolvedSystem(windowSystem);
    if (!extensionPrefix(system))
        return nullptr;
    if (!isWglName(wglName))
        return wglName;
    for (const Row &row : kRows)
        if (row.windowSystem == system && std::strcmp(row.wgl, wglName) == 0)
            return row.name;
    return nullptr;
}

SOUNDER_API int tsWindowSystemHasFeature(const char *wglName, const char *extensions,
                                         int windowSystem)
{
    if (!wglName || !extensions)
        return 0;
    if (tsInfoSearchExtension(wglName, extensions))
        return 1;
    const int system = resolvedSystem(windowSystem);
    const char *prefix = extensionPrefix(system);
    if (!prefix || !isWglName(wglName))
        return 0;
    for (const Row &row : kRows) {
        if (row.windowSystem != system || std::strcmp(row.wgl, wglName) != 0)
            continue;
        if (isVersionName(row.name, system) ? listHasPrefix(extensions, prefix)
                                            : tsInfoSearchExtension(row.name, extensions) != 0)
            return 1;
    }
    return 0;
}

} // extern "C"
