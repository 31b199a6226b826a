#include "common/paths.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

#ifndef TESSERA_INSTALL_DATA_DIR
#define TESSERA_INSTALL_DATA_DIR "/usr/local/share/tessera"
#endif

namespace sounder {

namespace {

bool isFile(const std::string &p)
{
    struct stat st;
    return ::stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool isDirectory(const std::string &p)
{
    struct stat st;
    return ::stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string envOr(const char *name, const std::string &fallback)
{
    const char *v = std::getenv(name);
    return (v && *v) ? std::string(v) : fallback;
}

} // namespace

std::string joinPath(const std::string &dir, const std::string &name)
{
    if (dir.empty())
        return name;
    if (dir.back() == '/')
        return dir + name;
    return dir + "/" + name;
}

std::string libraryDirectory()
{
    Dl_info info;
    if (::dladdr(reinterpret_cast<void *>(&libraryDirectory), &info) == 0 || !info.dli_fname)
        return std::string();
    char resolved[PATH_MAX];
    if (!::realpath(info.dli_fname, resolved))
        return std::string();
    char *slash = std::strrchr(resolved, '/');
    if (!slash)
        return std::string();
    if (slash == resolved)
        return "/";
    *slash = '\0';
    return resolved;
}

std::string programDirectory()
{
    char buf[4096];
    ssize_t n = ::readlink("/proc/self/exe", buf, sizeof(buf) - 1);
    if (n <= 0)
        return ".";
    buf[n] = '\0';
    char *slash = std::strrchr(buf, '/');
    if (!slash)
        return ".";
    if (slash == buf)
        return "/";
    *slash = '\0';
    return buf;
}

std::string dataFilePath(const std::string &name)
{
    std::string beside = joinPath(programDirectory(), name);
    if (isFile(beside))
        return beside;
    /* An installed tree keeps its data in share/tessera beside bin and lib,
     * wherever the tree was put: relative to the program (<prefix>/bin) and
     * to this library (<prefix>/lib, which also serves helper programs
     * installed deeper, under libexec). */
    for (const std::string &dir : {programDirectory(), libraryDirectory()}) {
        if (dir.empty())
            continue;
        std::string relocated = joinPath(joinPath(dir, "../share/tessera"), name);
        if (isFile(relocated))
            return relocated;
    }
    std::string installed = joinPath(TESSERA_INSTALL_DATA_DIR, name);
    if (isFile(installed))
        return installed;
    return beside;
}

std::string desktopDirectory()
{
    const std::string home = envOr("HOME", ".");
    const std::string config = envOr("XDG_CONFIG_HOME", joinPath(home, ".config"));

    // user-dirs.dirs holds lines such as XDG_DESKTOP_DIR="$HOME/Desktop".
    std::ifstream in(joinPath(config, "user-dirs.dirs"));
    std::string line;
    while (std::getline(in, line)) {
        const std::string key = "XDG_DESKTOP_DIR=";
        if (line.compare(0, key.size(), key) != 0)
            continue;
        std::string value = line.substr(key.size());
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        if (value.compare(0, 5, "$HOME") == 0)
            value = home + value.substr(5);
        if (!value.empty() && isDirectory(value))
            return value;
    }
    std::string desktop = joinPath(home, "Desktop");
    if (isDirectory(desktop))
        return desktop;
    return home;
}

} // namespace sounder
