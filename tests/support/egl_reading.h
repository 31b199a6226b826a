// Readings through a chosen window-system backend, and eglinfo as the
// independent oracle of the EGL backend's window-system list.
#ifndef TESTS_SUPPORT_EGL_READING_H
#define TESTS_SUPPORT_EGL_READING_H

#include <dirent.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>
#include <string>

#include "probe/info_internal.h"
#include "probe/platform.h"
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
    bool ok = false;

    BackendReading(const char *platform, int hardware)
    {
        ScopedEnv choice("TESSERA_PLATFORM", platform);
        sounder::platformResetChoice();
        caps->size = sizeof(tsRendererCaps);
        if (tsInfoBegin(hardware)) {
            ok = tsInfoRead(caps.get(), 0) == 1;
            windowSystemList = infoWindowSystemExtensions();
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
