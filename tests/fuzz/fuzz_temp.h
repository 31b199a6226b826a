// A private folder for one fuzzing process, removed with its content when the
// process exits normally.  Targets whose code under test reads or writes
// files put them here; nothing is ever written into the repository.
#ifndef TESTS_FUZZ_FUZZ_TEMP_H
#define TESTS_FUZZ_FUZZ_TEMP_H

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

inline const std::string &fuzzTempFolder()
{
    // Never destroyed: the exit handler that removes the folder runs after
    // the destructors of statics constructed before it was registered.
    static const std::string &folder = *new std::string([] {
        // Memory-backed /dev/shm keeps synced writes cheap where it exists.
        const char *tmp = std::getenv("TMPDIR");
        std::string base = tmp && *tmp ? tmp : "/tmp";
        if (access("/dev/shm", W_OK) == 0)
            base = "/dev/shm";
        std::string pattern = base + "/tessera-fuzz-XXXXXX";
        if (!mkdtemp(pattern.data()))
            std::abort();
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(fuzzTempFolder(), ec);
        });
        return pattern;
    }());
    return folder;
}

#endif
