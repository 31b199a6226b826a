/* Loading the X11, RandR and GLX functions of the GLX backend (x11_api.h). */
#include "probe/x11_api.h"

#include <dlfcn.h>

#include <type_traits>

namespace sounder {
namespace {

constexpr const char *kX11 = "libX11.so.6";
constexpr const char *kXrandr = "libXrandr.so.2";
/* GLX from glvnd's libGLX (the OpenGL functions come from libOpenGL), else
 * from libGL.so.1, the whole library of a system without glvnd. */
constexpr const char *kGLX[] = {"libGLX.so.0", "libGL.so.1"};

/* What a function answers when its library is missing: zero, null or
 * False, the answer of "nothing there" (no display opens, no context is
 * current), so that callers need no test of their own before each call. */
template <typename F>
struct Absent;
template <typename R, typename... A>
struct Absent<R (*)(A...)> {
    static R call(A...) { return R(); }
};

void fillAbsent(X11Api &api)
{
#define SOUNDER_X11_ABSENT(library, name) api.name = &Absent<decltype(&::name)>::call;
    SOUNDER_X11_FUNCTIONS(SOUNDER_X11_ABSENT)
#undef SOUNDER_X11_ABSENT
}

} // namespace

X11Api loadX11Api(const char *x11Library, const char *xrandrLibrary, const char *glxLibrary)
{
    X11Api api;
    for (const char *library : {x11Library, xrandrLibrary, glxLibrary}) {
        if (!dlopen(library, RTLD_NOW | RTLD_GLOBAL)) {
            const char *error = dlerror();
            api.missing = error ? error : library;
            fillAbsent(api);
            return api;
        }
    }
    /* The global scope: a preloaded library in front of these takes the
     * calls, as it would with direct linking. */
    auto resolve = [&api](auto &fn, const char *library, const char *name) {
        fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(dlsym(RTLD_DEFAULT, name));
        if (!fn && api.missing.empty())
            api.missing = std::string(library) + " has no " + name;
    };
    const char *X11 = x11Library, *Xrandr = xrandrLibrary, *GLX = glxLibrary;
#define SOUNDER_X11_RESOLVE(library, name) resolve(api.name, library, #name);
    SOUNDER_X11_FUNCTIONS(SOUNDER_X11_RESOLVE)
#undef SOUNDER_X11_RESOLVE
    if (!api.loaded())
        fillAbsent(api);
    return api;
}

const X11Api &x11()
{
    static const X11Api api = [] {
        X11Api first = loadX11Api(kX11, kXrandr, kGLX[0]);
        if (first.loaded())
            return first;
        X11Api second = loadX11Api(kX11, kXrandr, kGLX[1]);
        return second.loaded() ? second : first;
    }();
    return api;
}

bool x11Available(std::string *why)
{
    const X11Api &api = x11();
    if (!api.loaded() && why)
        *why = "the X11 client libraries cannot be loaded: " + api.missing;
    return api.loaded();
}

} // namespace sounder
