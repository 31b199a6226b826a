// The system's EGL with its surfaceless platform hidden: every call goes to
// the real libEGL.so.1, except that the client extensions no longer name
// EGL_MESA_platform_surfaceless.  A reading through it must take the device
// platform (Mesa's software device where no GPU is present).
#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <dlfcn.h>

#include <cstring>
#include <string>

namespace {

void *real()
{
    static void *library = dlopen("libEGL.so.1", RTLD_NOW | RTLD_LOCAL);
    return library;
}

template <typename Function>
Function forward(const char *name)
{
    return real() ? reinterpret_cast<Function>(dlsym(real(), name)) : nullptr;
}

} // namespace

#define TESSERA_FORWARD(ret, name, params, args)                                                   \
    extern "C" __attribute__((visibility("default"))) ret EGLAPIENTRY name params                  \
    {                                                                                              \
        static const auto target = forward<ret(EGLAPIENTRY *) params>(#name);                      \
        return target args;                                                                        \
    }

TESSERA_FORWARD(__eglMustCastToProperFunctionPointerType, eglGetProcAddress, (const char *n), (n))
TESSERA_FORWARD(EGLint, eglGetError, (void), ())
TESSERA_FORWARD(EGLBoolean, eglInitialize, (EGLDisplay d, EGLint *a, EGLint *b), (d, a, b))
TESSERA_FORWARD(EGLBoolean, eglTerminate, (EGLDisplay d), (d))
TESSERA_FORWARD(EGLBoolean, eglBindAPI, (EGLenum api), (api))
TESSERA_FORWARD(EGLBoolean, eglChooseConfig,
                (EGLDisplay d, const EGLint *l, EGLConfig *c, EGLint s, EGLint *n), (d, l, c, s, n))
TESSERA_FORWARD(EGLBoolean, eglGetConfigs, (EGLDisplay d, EGLConfig *c, EGLint s, EGLint *n),
                (d, c, s, n))
TESSERA_FORWARD(EGLBoolean, eglGetConfigAttrib, (EGLDisplay d, EGLConfig c, EGLint a, EGLint *v),
                (d, c, a, v))
TESSERA_FORWARD(EGLContext, eglCreateContext,
                (EGLDisplay d, EGLConfig c, EGLContext s, const EGLint *l), (d, c, s, l))
TESSERA_FORWARD(EGLBoolean, eglDestroyContext, (EGLDisplay d, EGLContext c), (d, c))
TESSERA_FORWARD(EGLBoolean, eglMakeCurrent,
                (EGLDisplay d, EGLSurface w, EGLSurface r, EGLContext c), (d, w, r, c))
TESSERA_FORWARD(EGLSurface, eglCreatePbufferSurface, (EGLDisplay d, EGLConfig c, const EGLint *l),
                (d, c, l))
TESSERA_FORWARD(EGLBoolean, eglDestroySurface, (EGLDisplay d, EGLSurface s), (d, s))
TESSERA_FORWARD(EGLContext, eglGetCurrentContext, (void), ())
TESSERA_FORWARD(EGLBoolean, eglReleaseThread, (void), ())
TESSERA_FORWARD(EGLBoolean, eglSwapInterval, (EGLDisplay d, EGLint i), (d, i))

extern "C" __attribute__((visibility("default"))) const char *EGLAPIENTRY
eglQueryString(EGLDisplay display, EGLint name)
{
    static const auto target =
        forward<const char *(EGLAPIENTRY *)(EGLDisplay, EGLint)>("eglQueryString");
    const char *text = target ? target(display, name) : nullptr;
    if (display != EGL_NO_DISPLAY || name != EGL_EXTENSIONS || !text)
        return text;
    // The client list without the surfaceless platform, kept for the process.
    static std::string filtered;
    filtered.clear();
    const char *hidden = "EGL_MESA_platform_surfaceless";
    for (const char *p = text; *p;) {
        const char *end = std::strchr(p, ' ');
        const size_t length = end ? static_cast<size_t>(end - p) : std::strlen(p);
        if (length && std::string(p, length) != hidden)
            filtered += (filtered.empty() ? "" : " ") + std::string(p, length);
        p += length + (end ? 1 : 0);
    }
    return filtered.c_str();
}
