// Readings through a chosen window-system backend, the EGL libraries that
// cannot read, and eglinfo as the independent oracle of the EGL backend's
// window-system list.
#ifndef TESTS_SUPPORT_EGL_READING_H
#define TESTS_SUPPORT_EGL_READING_H

#include <dirent.h>
#include <unistd.h>

#include <GL/gl.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>
#include <string>

#include "probe/info_internal.h"
#include "probe/platform.h"
#include "probe/platform_egl.h"
#include "sounder/probe.h"
#include "support/command.h"
#include "support/xvfb.h"

// One reading of renderer `hardware` through the backend named by
// TESSERA_PLATFORM, chosen afresh for it.
struct BackendReading {
    std::unique_ptr<tsRendererCaps> caps{new tsRendererCaps()};
    std::string windowSystemList; // the backend's list as it was appended
    std::string windowSystem;     // "GLX 1.4", "EGL 1.5 (surfaceless)"
    std::string backend;          // the backend that read
    std::string log;              // the failure log after the reading
    std::string currentVersion;   // GL_VERSION of the context current after the reading
    bool ok = false;

    BackendReading(const char *platform, int hardware)
    {
        ScopedEnv choice("TESSERA_PLATFORM", platform);
        sounder::platformResetChoice();
        caps->size = sizeof(tsRendererCaps);
        if (tsInfoBegin(hardware)) {
            ok = tsInfoRead(caps.get(), 0) == 1;
            windowSystemList = infoWindowSystemExtensions();
            const GLubyte *version = glGetString(GL_VERSION);
            currentVersion = version ? reinterpret_cast<const char *>(version) : "";
        }
        backend = sounder::probePlatform().name();
        windowSystem = sounder::probePlatform().windowSystem();
        tsInfoEnd();
        log = tsReportGetLogFile();
        sounder::platformResetChoice();
    }
    ~BackendReading() { tsInfoRelease(caps.get()); }
    BackendReading(const BackendReading &) = delete;
    BackendReading &operator=(const BackendReading &) = delete;

    // The GL names of the record's list (the window-system names dropped).
    std::set<std::string> glExtensions() const
    {
        std::set<std::string> out;
        std::istringstream in(caps->extensions ? caps->extensions : "");
        for (std::string word; in >> word;)
            if (word.compare(0, 4, "GLX_") != 0 && word.compare(0, 4, "EGL_") != 0)
                out.insert(word);
        return out;
    }
};

// The EGLs that cannot read, each with what the failure log names: no
// library at all, and the stand-in library (support/fake_egl.cpp) without
// a usable platform, with a failing eglInitialize, and with OpenGL ES only.
struct BadEgl {
    const char *mode;   // FAKE_EGL_MODE of the stand-in; empty: no library
    const char *logged; // what the failure log must contain
};
inline const BadEgl kBadEgls[] = {
    {"", "no EGL library: "},
    {"no-platform", "neither the surfaceless platform"},
    {"init-fails", "eglInitialize failed on the surfaceless platform: EGL error 0x3001"},
    {"es-only", "offers no desktop OpenGL (client APIs: OpenGL_ES)"},
};

// Puts one bad EGL in place of the real library for a scope.
class BadEglScope {
public:
    explicit BadEglScope(const BadEgl &bad)
        : mode_("FAKE_EGL_MODE", bad.mode),
          library_(*bad.mode ? std::string(TESSERA_BIN_DIR) + "/libfake_egl.so"
                             : "libEGL-missing.so.1")
    {
        sounder::eglSetLibrary(library_.c_str());
    }
    ~BadEglScope() { sounder::eglSetLibrary(nullptr); }
    BadEglScope(const BadEglScope &) = delete;
    BadEglScope &operator=(const BadEglScope &) = delete;

private:
    ScopedEnv mode_;
    std::string library_; // named by the backend until the scope ends
};

inline std::set<std::string> wordsOf(const std::string &text)
{
    std::set<std::string> out;
    std::istringstream in(text);
    for (std::string word; in >> word;)
        out.insert(word);
    return out;
}

// eglinfo's client extensions and the display extensions of one platform
// section ("Surfaceless platform", "Device platform"), run with DISPLAY
// unset and, for softpipe, the driver selection of reading 0 (the display
// list depends on the driver: softpipe has no robustness, and so only
// EGL 1.4).  Empty sets when eglinfo is missing or prints no such section.
struct EglinfoLists {
    std::set<std::string> client, display;
    std::string version; // "EGL API version" of the section
};

inline EglinfoLists runEglinfo(const std::string &section, bool softpipe)
{
    EglinfoLists out;
    const std::string text =
        commandOutput(std::string("env -u DISPLAY ") +
                      (softpipe ? "LIBGL_ALWAYS_SOFTWARE=1 GALLIUM_DRIVER=softpipe " : "") +
                      "eglinfo 2>/dev/null");
    std::string line;
    std::istringstream again(text);
    enum { None, Client, Display } collecting = None;
    bool inSection = false;
    while (std::getline(again, line)) {
        if (!line.empty() && line[0] != ' ') {
            collecting = None;
            if (line == "EGL client extensions string:")
                collecting = Client;
            else if (line.back() == ':' && line.find(" platform:") != std::string::npos)
                inSection = line == section + ":";
            else if (inSection && line == "EGL extensions string:")
                collecting = Display;
            else if (inSection && line.compare(0, 17, "EGL API version: ") == 0)
                out.version = line.substr(17);
            continue;
        }
        std::set<std::string> words = wordsOf(line);
        if (collecting == Client)
            out.client.insert(words.begin(), words.end());
        else if (collecting == Display)
            out.display.insert(words.begin(), words.end());
    }
    return out;
}

// Xvfb servers in this process's session: what a test run that claims to
// need no X server must not have started.
inline int xvfbInOurSession()
{
    int count = 0;
    const pid_t session = getsid(0);
    DIR *proc = opendir("/proc");
    if (!proc)
        return -1;
    while (dirent *entry = readdir(proc)) {
        const pid_t pid = static_cast<pid_t>(std::atoi(entry->d_name));
        if (pid <= 0)
            continue;
        std::ifstream comm(std::string("/proc/") + entry->d_name + "/comm");
        std::string name;
        if (std::getline(comm, name) && name == "Xvfb" && getsid(pid) == session)
            ++count;
    }
    closedir(proc);
    return count;
}

#endif
