// A stand-in EGL library for the probe's failure paths: it answers like an
// EGL that lacks what the probe needs, chosen by FAKE_EGL_MODE:
//   no-platform  the client extensions name no surfaceless or device platform
//   init-fails   eglInitialize fails (EGL_NOT_INITIALIZED)
//   es-only      the display offers OpenGL ES only
#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <cstdlib>
#include <cstring>

namespace {

EGLint g_error = EGL_SUCCESS;
char g_display = 0; // its address is the one display

bool mode(const char *name)
{
    const char *m = std::getenv("FAKE_EGL_MODE");
    return m && std::strcmp(m, name) == 0;
}

EGLDisplay EGLAPIENTRY platformDisplay(EGLenum, void *, const EGLint *)
{
    return &g_display;
}

} // namespace

extern "C" {

__attribute__((visibility("default"))) __eglMustCastToProperFunctionPointerType EGLAPIENTRY
eglGetProcAddress(const char *name)
{
    if (std::strcmp(name, "eglGetPlatformDisplayEXT") == 0)
        return reinterpret_cast<__eglMustCastToProperFunctionPointerType>(platformDisplay);
    return nullptr;
}
__attribute__((visibility("default"))) EGLint EGLAPIENTRY eglGetError(void)
{
    EGLint e = g_error;
    g_error = EGL_SUCCESS;
    return e;
}
__attribute__((visibility("default"))) const char *EGLAPIENTRY eglQueryString(EGLDisplay dpy,
                                                                              EGLint name)
{
    if (dpy == EGL_NO_DISPLAY)
        return mode("no-platform") ? "EGL_EXT_platform_base EGL_EXT_client_extensions"
                                   : "EGL_EXT_platform_base EGL_MESA_platform_surfaceless";
    if (name == EGL_CLIENT_APIS)
        return mode("es-only") ? "OpenGL_ES" : "OpenGL OpenGL_ES";
    return "EGL_KHR_surfaceless_context";
}
__attribute__((visibility("default"))) EGLBoolean EGLAPIENTRY eglInitialize(EGLDisplay,
                                                                            EGLint *major,
                                                                            EGLint *minor)
{
    if (mode("init-fails")) {
        g_error = EGL_NOT_INITIALIZED;
        return EGL_FALSE;
    }
    *major = 1;
    *minor = 5;
    return EGL_TRUE;
}
// Everything past initialisation refuses: the modes fail before it.
#define REFUSE(ret, name, ...)                                                                     \
    __attribute__((visibility("default"))) ret EGLAPIENTRY name(__VA_ARGS__)                       \
    {                                                                                              \
        g_error = EGL_BAD_ACCESS;                                                                  \
        return 0;                                                                                  \
    }
REFUSE(EGLBoolean, eglTerminate, EGLDisplay)
REFUSE(EGLBoolean, eglBindAPI, EGLenum)
REFUSE(EGLBoolean, eglChooseConfig, EGLDisplay, const EGLint *, EGLConfig *, EGLint, EGLint *)
REFUSE(EGLBoolean, eglGetConfigs, EGLDisplay, EGLConfig *, EGLint, EGLint *)
REFUSE(EGLBoolean, eglGetConfigAttrib, EGLDisplay, EGLConfig, EGLint, EGLint *)
REFUSE(EGLContext, eglCreateContext, EGLDisplay, EGLConfig, EGLContext, const EGLint *)
REFUSE(EGLBoolean, eglDestroyContext, EGLDisplay, EGLContext)
REFUSE(EGLBoolean, eglMakeCurrent, EGLDisplay, EGLSurface, EGLSurface, EGLContext)
REFUSE(EGLSurface, eglCreatePbufferSurface, EGLDisplay, EGLConfig, const EGLint *)
REFUSE(EGLBoolean, eglDestroySurface, EGLDisplay, EGLSurface)
REFUSE(EGLContext, eglGetCurrentContext, void)
REFUSE(EGLBoolean, eglReleaseThread, void)
REFUSE(EGLBoolean, eglSwapInterval, EGLDisplay, EGLint)

} // extern "C"
