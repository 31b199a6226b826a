/* The window-system backends of this build and the one in use.  Each
 * backend file is compiled only when the build chooses it (CMake defines
 * TESSERA_BACKEND_<NAME> for the library then). */
#include "probe/platform.h"

#include <stdlib.h>
#include <string.h>

#include <iterator>

namespace sounder {
namespace {

struct Backend {
    const char *name;
    ProbePlatform *(*instance)();
};

const Backend kBackends[] = {
#ifdef TESSERA_BACKEND_GLX
    {"glx", glxPlatform},
#endif
#ifdef TESSERA_BACKEND_EGL
    {"egl", eglPlatform},
#endif
};
static_assert(std::size(kBackends) > 0, "the build chose no window-system backend");

ProbePlatform *g_chosen = nullptr;

ProbePlatform *backendNamed(const char *name)
{
    for (const Backend &backend : kBackends)
        if (strcmp(backend.name, name) == 0)
            return backend.instance();
    return nullptr;
}

/* An X server answers on $DISPLAY: the GLX backend can tell the desktop's
 * depth only through a connection. */
bool displayAnswers(ProbePlatform *glx)
{
    const char *display = getenv("DISPLAY");
    return glx && display && *display && glx->desktopBits() > 0;
}

ProbePlatform *choose()
{
    const char *wanted = getenv("TESSERA_PLATFORM");
    if (wanted && *wanted) {
        if (ProbePlatform *named = backendNamed(wanted))
            return named;
        tsReportFailure("TESSERA_PLATFORM names no window-system backend of this build; "
                        "choosing one\n");
    }
    ProbePlatform *glx = backendNamed("glx");
    ProbePlatform *egl = backendNamed("egl");
    if (!egl || displayAnswers(glx))
        return glx ? glx : kBackends[0].instance();
    return egl;
}

} // namespace

ProbePlatform &probePlatform()
{
    if (!g_chosen)
        g_chosen = choose();
    return *g_chosen;
}

bool platformFallBack()
{
    ProbePlatform *glx = backendNamed("glx");
    if (!g_chosen || strcmp(g_chosen->name(), "egl") != 0 || !displayAnswers(glx))
        return false;
    g_chosen = glx;
    return true;
}

void platformResetChoice()
{
    g_chosen = nullptr;
}

} // namespace sounder
