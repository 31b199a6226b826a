// A private desktop for viewer tests: HOME, XDG_* folders and a recording
// xdg-open first in PATH, set before anything reads the environment.
#ifndef TESTS_SUPPORT_VIEWER_ENV_H
#define TESTS_SUPPORT_VIEWER_ENV_H

#include <sys/stat.h>

#include <cstdlib>
#include <string>

#include "support/temp_dir.h"

class ViewerEnvironment {
public:
    ViewerEnvironment()
    {
        for (const char *name : {"home", "config", "data", "cache", "run", "bin"})
            dir_.sub(name);
        ::chmod(dir_.file("run").c_str(), 0700);
        setenv("HOME", dir_.file("home").c_str(), 1);
        setenv("XDG_CONFIG_HOME", dir_.file("config").c_str(), 1);
        setenv("XDG_DATA_HOME", dir_.file("data").c_str(), 1);
        setenv("XDG_CACHE_HOME", dir_.file("cache").c_str(), 1);
        setenv("XDG_RUNTIME_DIR", dir_.file("run").c_str(), 1);
        unsetenv("XDG_CURRENT_DESKTOP");
        unsetenv("DESKTOP_SESSION");
        setenv("TESSERA_OPENED", dir_.file("opened.txt").c_str(), 1);
        // Every address or file the program hands to the desktop lands here.
        const std::string opener =
            dir_.write("bin/xdg-open", "#!/bin/sh\nprintf '%s\\n' \"$*\" >> \"$TESSERA_OPENED\"\n");
        ::chmod(opener.c_str(), 0755);
        const char *path = std::getenv("PATH");
        setenv("PATH", (dir_.file("bin") + ":" + (path ? path : "/usr/bin:/bin")).c_str(), 1);
    }

    const TempDir &dir() const { return dir_; }
    std::string dataFolder() const { return dir_.file("data/tessera"); }
    std::string settingsFile() const { return dir_.file("config/Corvane/Lumenscope/tessera.ini"); }
    // What the recording xdg-open received, one call a line.
    std::string opened() const { return readWhole(dir_.file("opened.txt")); }
    void clearOpened() const { writeWhole(dir_.file("opened.txt"), ""); }

private:
    TempDir dir_;
};

#endif
