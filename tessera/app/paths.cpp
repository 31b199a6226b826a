#include "app/paths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "sounder/database.h"

#ifndef TESSERA_INSTALL_DATA_DIR
#define TESSERA_INSTALL_DATA_DIR "/usr/local/share/tessera"
#endif

namespace tessera {
namespace {

std::string env(const char *name)
{
    const char *value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

bool isFile(const std::string &path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool isFolder(const std::string &path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// XDG_<KEY>_DIR from user-dirs.dirs, with $HOME expanded; "" when absent.
std::string userDir(const std::string &key)
{
    const std::string config = configFolder();
    if (config.empty())
        return std::string();
    std::ifstream in(config + "/user-dirs.dirs");
    std::string line;
    const std::string prefix = "XDG_" + key + "_DIR=";
    while (std::getline(in, line)) {
        if (line.compare(0, prefix.size(), prefix) != 0)
            continue;
        std::string value = line.substr(prefix.size());
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        if (value.compare(0, 5, "$HOME") == 0)
            value = env("HOME") + value.substr(5);
        return value;
    }
    return std::string();
}

} // namespace

std::string programDirectory()
{
    std::string buffer(4096, '\0');
    for (;;) {
        const ssize_t n = ::readlink("/proc/self/exe", &buffer[0], buffer.size());
        if (n < 0)
            return std::string();
        if (static_cast<std::size_t>(n) < buffer.size()) {
            buffer.resize(static_cast<std::size_t>(n));
            break;
        }
        buffer.resize(buffer.size() * 2);
    }
    const std::size_t slash = buffer.rfind('/');
    return slash == std::string::npos ? std::string() : buffer.substr(0, slash ? slash : 1);
}

std::string installedDataFolder()
{
    return TESSERA_INSTALL_DATA_DIR;
}

std::string userDataFolder()
{
    std::string base = env("XDG_DATA_HOME");
    if (base.empty() || base[0] != '/') {
        const std::string home = env("HOME");
        if (home.empty())
            return std::string();
        base = home + "/.local/share";
    }
    return base + "/tessera";
}

std::string configFolder()
{
    const std::string config = env("XDG_CONFIG_HOME");
    if (!config.empty() && config[0] == '/')
        return config;
    const std::string home = env("HOME");
    return home.empty() ? std::string() : home + "/.config";
}

std::string documentsFolder()
{
    const std::string documents = userDir("DOCUMENTS");
    if (!documents.empty() && isFolder(documents))
        return documents;
    const std::string home = env("HOME");
    if (!home.empty() && isFolder(home + "/Documents"))
        return home + "/Documents";
    return home;
}

bool makeFolders(const std::string &path)
{
    if (path.empty())
        return false;
    if (isFolder(path))
        return true;
    const std::size_t slash = path.rfind('/');
    if (slash != std::string::npos && slash > 0 && !makeFolders(path.substr(0, slash)))
        return false;
    return ::mkdir(path.c_str(), 0700) == 0 || (errno == EEXIST && isFolder(path));
}

std::string shippedDatabasePath()
{
    const std::string program = programDirectory();
    for (const std::string &path :
         {program + "/extensions.xml", program + "/../share/tessera/extensions.xml",
          installedDataFolder() + "/extensions.xml"})
        if (isFile(path))
            return path;
    return std::string();
}

std::string userDatabasePath()
{
    const std::string folder = userDataFolder();
    return folder.empty() ? std::string() : folder + "/extensions.xml";
}

tsDatabase *openDatabase(const std::string &userPath, const std::string &shippedPath,
                         std::string *loadedFrom)
{
    tsDatabase *shipped = shippedPath.empty() ? nullptr : tsDatabaseCreate(shippedPath.c_str());
    if (!userPath.empty() && isFile(userPath)) {
        tsDatabase *user = tsDatabaseCreate(userPath.c_str());
        if (user->extensions && (!shipped || user->version >= shipped->version)) {
            tsDatabaseRelease(shipped);
            if (loadedFrom)
                *loadedFrom = userPath;
            return user;
        }
        tsDatabaseRelease(user);
    }
    if (loadedFrom)
        *loadedFrom = shipped ? shippedPath : std::string();
    return shipped ? shipped : tsDatabaseCreateFromCString(nullptr);
}

bool writeUserDatabase(tsDatabase *db, const std::string &path, std::string *reason)
{
    auto fail = [&](const std::string &why) {
        if (reason)
            *reason = why;
        return false;
    };
    if (!db)
        return fail("no database");
    if (path.empty())
        return fail("neither XDG_DATA_HOME nor HOME is set");
    const std::size_t slash = path.rfind('/');
    if (slash != std::string::npos && !makeFolders(path.substr(0, slash)))
        return fail(path.substr(0, slash) + ": " + std::strerror(errno));
    if (isFile(path)) {
        // Keep the previous copy: the write below replaces the file atomically.
        std::ifstream in(path, std::ios::binary);
        std::ofstream out(path + ".bak", std::ios::binary | std::ios::trunc);
        out << in.rdbuf();
        out.flush();
        if (!out)
            return fail(path + ".bak: " + std::strerror(errno ? errno : EIO));
    }
    errno = 0;
    if (tsDatabaseWrite(path.c_str(), db) != 0)
        return fail(path + ": " + (errno ? std::strerror(errno) : "the file could not be written"));
    return true;
}

} // namespace tessera
