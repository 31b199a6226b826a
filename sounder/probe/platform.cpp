/* The window-system backends of this build and the one in use.  Each
 * backend file is compiled only when the build chooses it (CMake defines
 * TESSERA_BACKEND_<NAME> for the library then). */
#include "probe/platform.h"

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
};
static_assert(std::size(kBackends) > 0, "the build chose no window-system backend");

} // namespace

ProbePlatform &probePlatform()
{
    static ProbePlatform *const chosen = kBackends[0].instance();
    return *chosen;
}

} // namespace sounder
