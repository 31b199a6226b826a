// Shared pieces of the reader-process tests: where the built programs lie,
// a snapshot of the environment, a check that every child was reaped, and
// a scope that makes the readers misbehave through the test shim.
#ifndef TESTS_SUPPORT_READERS_H
#define TESTS_SUPPORT_READERS_H

#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/xvfb.h"

namespace readertest {

inline std::string binPath(const char *name)
{
    return std::string(TESSERA_BIN_DIR) + "/" + name;
}

inline std::vector<std::string> environment()
{
    std::vector<std::string> env;
    for (char **e = environ; e && *e; ++e)
        env.emplace_back(*e);
    return env;
}

// True when this process has no child left, running or unreaped.
inline bool noChildren()
{
    errno = 0;
    return waitpid(-1, nullptr, WNOHANG) == -1 && errno == ECHILD;
}

inline double seconds()
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// The readers of this scope load the shim, which misbehaves in reading 0
// as mode says (segv, hang, kill, nodisplay).
struct ShimScope {
    explicit ShimScope(const char *mode)
        : preload("TESSERA_READER_PRELOAD", binPath("libtessera_reader_shim.so").c_str()),
          shimMode("TESSERA_SHIM_MODE", mode),
          // A sanitised reader refuses a preload in front of its runtime,
          // and would turn the shim's SIGSEGV into an exit status of its own.
          asan("ASAN_OPTIONS", "verify_asan_link_order=0:detect_leaks=0:handle_segv=0")
    {}
    ScopedEnv preload, shimMode, asan;
};

} // namespace readertest

#endif
