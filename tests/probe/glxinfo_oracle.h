// The independent oracle of the probe tests: glxinfo run with the same
// driver selection as a reading, its output parsed into strings, extension
// sets, limits and the FBConfig table.
#ifndef TESTS_PROBE_GLXINFO_ORACLE_H
#define TESTS_PROBE_GLXINFO_ORACLE_H

#include <map>
#include <set>
#include <string>
#include <vector>

struct GlxinfoConfig {
    int bufferSize = 0;
    int depth = 0;
    int stencil = 0;
    int accum = 0;
    int samples = 0;
    int doubleBuffer = 0;
    int stereo = 0;
    bool slow = false;
};

struct GlxinfoReport {
    bool ok = false;
    std::string vendor, renderer, version, glslVersion;
    std::set<std::string> glExtensions;  // compatibility context
    std::set<std::string> glxExtensions; // "GLX extensions:" (what the screen offers)
    // limits of the compatibility context: "section/NAME" and plain "NAME"
    // (the first value of each) -> the values as printed
    std::map<std::string, std::vector<double>> limits;
    // the core-profile context: its version and its limits, as above
    std::string coreVersion;
    std::map<std::string, std::vector<double>> coreLimits;
    int videoMemoryMB = -1;
    int fbconfigCount = -1;
    std::vector<GlxinfoConfig> fbconfigs;
};

// softpipe: the variables of reading 0; otherwise glxinfo runs with the
// process's environment, as reading 1 does.
GlxinfoReport runGlxinfo(bool softpipe);

// Words of a space- or comma-separated list.
std::set<std::string> splitWords(const std::string &list);

#endif
