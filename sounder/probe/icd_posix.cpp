/* Installed OpenGL client drivers on a glvnd system: the EGL vendor
 * libraries named by the vendor JSON files and the GLX vendor libraries
 * (libGLX_<vendor>.so.0) on the library path.  Company, description and
 * version come from the package database when it knows the file, else the
 * version is the file name's suffix. */
#include "probe/icd_reader.h"

#include "keel/keel.h"
#include "sounder/system.h"

#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <limits.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>

extern char **environ;

namespace sounder {
namespace {

/* ---- a small JSON reader: enough to validate a vendor file and pull out
 * ICD.library_path.  Depth and size are bounded; anything malformed fails. */
class JsonReader {
public:
    explicit JsonReader(const std::string &text) : s_(text) {}

    bool readDocument(std::string &libraryPath)
    {
        skipSpace();
        if (!value(0, Where::Top))
            return false;
        skipSpace();
        if (pos_ != s_.size())
            return false;
        if (!found_)
            return false;
        libraryPath = libraryPath_;
        return true;
    }

private:
    enum class Where { Top, TopObject, IcdObject, Other };
    static constexpr int kMaxDepth = 64;

    void skipSpace()
    {
        while (pos_ < s_.size() &&
               (s_[pos_] == ' ' || s_[pos_] == '\t' || s_[pos_] == '\n' || s_[pos_] == '\r'))
            ++pos_;
    }
    bool literal(const char *word)
    {
        size_t n = std::strlen(word);
        if (s_.compare(pos_, n, word) != 0)
            return false;
        pos_ += n;
        return true;
    }
    static void appendUtf8(std::string &out, unsigned cp)
    {
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    bool string(std::string &out)
    {
        if (pos_ >= s_.size() || s_[pos_] != '"')
            return false;
        ++pos_;
        while (pos_ < s_.size()) {
            unsigned char c = static_cast<unsigned char>(s_[pos_++]);
            if (c == '"')
                return true;
            if (c < 0x20)
                return false;
            if (c != '\\') {
                out.push_back(static_cast<char>(c));
                continue;
            }
            if (pos_ >= s_.size())
                return false;
            char e = s_[pos_++];
            switch (e) {
            case '"': out.push_back('"'); break;
            case '\\': out.push_back('\\'); break;
            case '/': out.push_back('/'); break;
            case 'b': out.push_back('\b'); break;
            case 'f': out.push_back('\f'); break;
            case 'n': out.push_back('\n'); break;
            case 'r': out.push_back('\r'); break;
            case 't': out.push_back('\t'); break;
            case 'u': {
                if (pos_ + 4 > s_.size())
                    return false;
                unsigned cp = 0;
                for (int i = 0; i < 4; ++i) {
                    char h = s_[pos_++];
                    cp <<= 4;
                    if (h >= '0' && h <= '9')
                        cp |= static_cast<unsigned>(h - '0');
                    else if (h >= 'a' && h <= 'f')
                        cp |= static_cast<unsigned>(h - 'a' + 10);
                    else if (h >= 'A' && h <= 'F')
                        cp |= static_cast<unsigned>(h - 'A' + 10);
                    else
                        return false;
                }
                /* A zero code point would cut the text short: refuse it. */
                if (cp == 0)
                    return false;
                appendUtf8(out, cp);
                break;
            }
            default: return false;
            }
        }
        return false;
    }
    bool number()
    {
        size_t start = pos_;
        if (pos_ < s_.size() && s_[pos_] == '-')
            ++pos_;
        size_t digits = pos_;
        while (pos_ < s_.size() && s_[pos_] >= '0' && s_[pos_] <= '9')
            ++pos_;
        if (pos_ == digits)
            return false;
        if (pos_ < s_.size() && s_[pos_] == '.') {
            ++pos_;
            size_t frac = pos_;
            while (pos_ < s_.size() && s_[pos_] >= '0' && s_[pos_] <= '9')
                ++pos_;
            if (pos_ == frac)
                return false;
        }
        if (pos_ < s_.size() && (s_[pos_] == 'e' || s_[pos_] == 'E')) {
            ++pos_;
            if (pos_ < s_.size() && (s_[pos_] == '+' || s_[pos_] == '-'))
                ++pos_;
            size_t exp = pos_;
            while (pos_ < s_.size() && s_[pos_] >= '0' && s_[pos_] <= '9')
                ++pos_;
            if (pos_ == exp)
                return false;
        }
        return pos_ > start;
    }
    bool object(int depth, Where where)
    {
        ++pos_; /* '{' */
        skipSpace();
        if (pos_ < s_.size() && s_[pos_] == '}') {
            ++pos_;
            return true;
        }
        for (;;) {
            skipSpace();
            std::string key;
            if (!string(key))
                return false;
            skipSpace();
            if (pos_ >= s_.size() || s_[pos_] != ':')
                return false;
            ++pos_;
            skipSpace();
            Where inner = Where::Other;
            if (where == Where::TopObject && key == "ICD")
                inner = Where::IcdObject;
            if (where == Where::IcdObject && key == "library_path") {
                std::string path;
                if (!string(path))
                    return false;
                libraryPath_ = path;
                found_ = true;
            } else if (!value(depth + 1, inner)) {
                return false;
            }
            skipSpace();
            if (pos_ >= s_.size())
                return false;
            if (s_[pos_] == ',') {
                ++pos_;
                continue;
            }
            if (s_[pos_] == '}') {
                ++pos_;
                return true;
            }
            return false;
        }
    }
    bool array(int depth)
    {
        ++pos_; /* '[' */
        skipSpace();
        if (pos_ < s_.size() && s_[pos_] == ']') {
            ++pos_;
            return true;
        }
        for (;;) {
            skipSpace();
            if (!value(depth + 1, Where::Other))
                return false;
            skipSpace();
            if (pos_ >= s_.size())
                return false;
            if (s_[pos_] == ',') {
                ++pos_;
                continue;
            }
            if (s_[pos_] == ']') {
                ++pos_;
                return true;
            }
            return false;
        }
    }
    bool value(int depth, Where where)
    {
        if (depth > kMaxDepth || pos_ >= s_.size())
            return false;
        char c = s_[pos_];
        if (c == '{')
            return object(depth, where == Where::Top ? Where::TopObject : where);
        if (where == Where::Top)
            return false; /* a vendor file is an object */
        if (c == '[')
            return array(depth);
        if (c == '"') {
            std::string ignored;
            return string(ignored);
        }
        if (c == 't')
            return literal("true");
        if (c == 'f')
            return literal("false");
        if (c == 'n')
            return literal("null");
        return number();
    }

    const std::string &s_;
    size_t pos_ = 0;
    bool found_ = false;
    std::string libraryPath_;
};

/* Vendor files are a few hundred bytes; anything above this is not one. */
constexpr off_t kMaxVendorFileSize = 64 * 1024;

bool readSmallFile(const std::string &path, std::string &text)
{
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > kMaxVendorFileSize) {
        close(fd);
        return false;
    }
    text.clear();
    char buffer[4096];
    for (;;) {
        ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            close(fd);
            return false;
        }
        if (n == 0)
            break;
        text.append(buffer, static_cast<size_t>(n));
        if (text.size() > static_cast<size_t>(kMaxVendorFileSize)) {
            close(fd);
            return false;
        }
    }
    close(fd);
    return true;
}

/* Names in a folder, sorted; false when the folder cannot be opened. */
bool listFolder(const std::string &dir, std::vector<std::string> &names)
{
    names.clear();
    DIR *d = opendir(dir.c_str());
    if (!d)
        return false;
    while (struct dirent *e = readdir(d)) {
        std::string name = e->d_name;
        if (name == "." || name == "..")
            continue;
        names.push_back(name);
    }
    closedir(d);
    std::sort(names.begin(), names.end());
    return true;
}

std::string joinDir(const std::string &dir, const std::string &name)
{
    if (dir.empty())
        return name;
    if (dir.back() == '/')
        return dir + name;
    return dir + "/" + name;
}

std::string baseName(const std::string &path)
{
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool endsWith(const std::string &s, const std::string &suffix)
{
    return s.size() >= suffix.size() &&
           s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

bool isRegularFile(const std::string &path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string resolvedPath(const std::string &path)
{
    char buffer[PATH_MAX];
    if (realpath(path.c_str(), buffer))
        return buffer;
    return std::string();
}

/* libGLX_<vendor>.so.0 */
bool isGlxVendorName(const std::string &name)
{
    static const std::string prefix = "libGLX_";
    static const std::string suffix = ".so.0";
    return name.size() > prefix.size() + suffix.size() &&
           name.compare(0, prefix.size(), prefix) == 0 && endsWith(name, suffix);
}

void splitPathList(const char *value, std::vector<std::string> &out)
{
    if (!value)
        return;
    std::string list = value;
    size_t start = 0;
    while (start <= list.size()) {
        size_t colon = list.find(':', start);
        std::string part =
            list.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
        if (!part.empty())
            out.push_back(part);
        if (colon == std::string::npos)
            break;
        start = colon + 1;
    }
}

void addUnique(std::vector<std::string> &dirs, const std::string &dir)
{
    if (dir.empty())
        return;
    if (std::find(dirs.begin(), dirs.end(), dir) == dirs.end())
        dirs.push_back(dir);
}

/* ---- running dpkg-query without a shell ---- */

/* Runs argv[0] (looked up on PATH) with stdin and stderr on /dev/null and
 * collects at most maxBytes of its standard output.  True when it exited
 * with status 0 within timeoutMs. */
bool runCapture(const std::vector<std::string> &args, std::string &out, size_t maxBytes,
                int timeoutMs)
{
    out.clear();
    if (args.empty())
        return false;
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        return false;

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);

    std::vector<char *> argv;
    for (const std::string &a : args)
        argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);

    pid_t pid = -1;
    int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (rc != 0) {
        close(fds[0]);
        return false;
    }

    struct timespec startTime;
    clock_gettime(CLOCK_MONOTONIC, &startTime);
    bool timedOut = false;
    char buffer[4096];
    for (;;) {
        struct timespec now;
        clock_gettime(CLOCK_MONOTONIC, &now);
        long elapsed =
            (now.tv_sec - startTime.tv_sec) * 1000L + (now.tv_nsec - startTime.tv_nsec) / 1000000L;
        if (elapsed >= timeoutMs) {
            timedOut = true;
            break;
        }
        struct pollfd p = {fds[0], POLLIN, 0};
        int ready = poll(&p, 1, static_cast<int>(timeoutMs - elapsed));
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (ready == 0)
            continue;
        ssize_t n = read(fds[0], buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (n == 0)
            break;
        size_t room = maxBytes > out.size() ? maxBytes - out.size() : 0;
        out.append(buffer, std::min(room, static_cast<size_t>(n)));
    }
    close(fds[0]);
    if (timedOut)
        kill(pid, SIGKILL);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return false;
    }
    return !timedOut && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string trim(const std::string &s)
{
    size_t a = 0, b = s.size();
    while (a < b && (s[a] == ' ' || s[a] == '\t' || s[a] == '\n' || s[a] == '\r'))
        ++a;
    while (b > a && (s[b - 1] == ' ' || s[b - 1] == '\t' || s[b - 1] == '\n' || s[b - 1] == '\r'))
        --b;
    return s.substr(a, b - a);
}

/* Package that owns path, from "pkg[:arch][, pkg2...]: /path" lines. */
bool owningPackage(const std::string &path, std::string &package)
{
    std::string out;
    if (!runCapture({"dpkg-query", "-S", "--", path}, out, 64 * 1024, 5000))
        return false;
    size_t lineEnd = out.find('\n');
    std::string line = out.substr(0, lineEnd);
    size_t sep = line.find(": /");
    if (sep == std::string::npos)
        return false;
    std::string owners = line.substr(0, sep);
    /* "diversion by ..." lines are not ownership. */
    if (owners.compare(0, 10, "diversion ") == 0)
        return false;
    size_t comma = owners.find(',');
    package = trim(owners.substr(0, comma));
    return !package.empty() && package.find(' ') == std::string::npos;
}

constexpr int kMaxIcdEntries = TS_ICD_MAX_ENTRIES;

struct Candidate {
    std::string name;     /* file name as the vendor file or the folder names it */
    std::string found;    /* path where it was found */
    std::string resolved; /* real path */
    const char *kind;     /* "EGL" or "GLX" */
};

void fillEntry(tsIcdEntry &entry, const Candidate &c, bool usePackageDatabase)
{
    std::memset(&entry, 0, sizeof entry);
    sysStrlCpy(entry.name, c.name.c_str(), sizeof entry.name);
    sysStrlCpy(entry.path, c.resolved.c_str(), sizeof entry.path);
    PackageFacts facts;
    bool known =
        usePackageDatabase && (packageFactsForFile(c.resolved, facts) ||
                               (c.found != c.resolved && packageFactsForFile(c.found, facts)));
    if (known) {
        sysStrlCpy(entry.company, facts.company.c_str(), sizeof entry.company);
        sysStrlCpy(entry.description, facts.description.c_str(), sizeof entry.description);
        sysStrlCpy(entry.version, facts.version.c_str(), sizeof entry.version);
        cutCompanyPrefix(entry.description, entry.company);
    } else {
        sysSnPrintf(entry.description, sizeof entry.description, "%s vendor library", c.kind);
        std::string version = versionFromFileName(baseName(c.resolved));
        if (version.empty())
            version = versionFromFileName(c.name);
        sysStrlCpy(entry.version, version.c_str(), sizeof entry.version);
    }
}

} // namespace

bool eglVendorLibraryPath(const std::string &json, std::string &libraryPath)
{
    JsonReader reader(json);
    std::string path;
    if (!reader.readDocument(path) || path.empty())
        return false;
    libraryPath = path;
    return true;
}

std::string versionFromFileName(const std::string &fileName)
{
    size_t so = fileName.find(".so.");
    if (so == std::string::npos)
        return std::string();
    std::string version = fileName.substr(so + 4);
    /* Keep only a plain dotted version. */
    for (char ch : version)
        if (!((ch >= '0' && ch <= '9') || ch == '.'))
            return std::string();
    return version;
}

void cutCompanyPrefix(char *description, const char *company)
{
    if (!description || !company || !company[0])
        return;
    const char *at = std::strstr(description, company);
    if (!at)
        return;
    const char *rest = at + std::strlen(company);
    std::memmove(description, rest, std::strlen(rest) + 1);
}

bool packageFactsForFile(const std::string &path, PackageFacts &facts)
{
    std::string package;
    if (!owningPackage(path, package))
        return false;
    std::string out;
    if (!runCapture({"dpkg-query", "-W", "-f=${Maintainer}\n${Version}\n${binary:Summary}\n", "--",
                     package},
                    out, 64 * 1024, 5000))
        return false;
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < out.size() && lines.size() < 3) {
        size_t nl = out.find('\n', start);
        lines.push_back(
            out.substr(start, nl == std::string::npos ? std::string::npos : nl - start));
        if (nl == std::string::npos)
            break;
        start = nl + 1;
    }
    if (lines.size() < 2)
        return false;
    std::string maintainer = lines[0];
    size_t lt = maintainer.find('<');
    if (lt != std::string::npos)
        maintainer = maintainer.substr(0, lt);
    facts.package = package;
    facts.company = trim(maintainer);
    facts.version = trim(lines[1]);
    facts.description = lines.size() > 2 ? trim(lines[2]) : std::string();
    return !facts.version.empty();
}

IcdSearch defaultIcdSearch()
{
    IcdSearch search;
    const char *vendorDirs = std::getenv("__EGL_VENDOR_LIBRARY_DIRS");
    if (vendorDirs && vendorDirs[0]) {
        splitPathList(vendorDirs, search.eglVendorDirs);
    } else {
        search.eglVendorDirs = {"/etc/glvnd/egl_vendor.d", "/usr/share/glvnd/egl_vendor.d"};
    }

    std::vector<std::string> dirs;
    std::vector<std::string> fromEnv;
    splitPathList(std::getenv("LD_LIBRARY_PATH"), fromEnv);
    for (const std::string &d : fromEnv)
        addUnique(dirs, d);

    /* Folders the loader was configured with (plain folder lines only). */
    std::vector<std::string> confFiles;
    if (listFolder("/etc/ld.so.conf.d", confFiles)) {
        for (const std::string &f : confFiles) {
            if (!endsWith(f, ".conf"))
                continue;
            std::string text;
            if (!readSmallFile(joinDir("/etc/ld.so.conf.d", f), text))
                continue;
            size_t start = 0;
            while (start < text.size()) {
                size_t nl = text.find('\n', start);
                std::string line = trim(
                    text.substr(start, nl == std::string::npos ? std::string::npos : nl - start));
                if (!line.empty() && line[0] == '/')
                    addUnique(dirs, line);
                if (nl == std::string::npos)
                    break;
                start = nl + 1;
            }
        }
    }

    /* The folder of the C library this process runs on names the
     * multiarch folder even where ld.so.conf.d is missing. */
    Dl_info info;
    if (dladdr(reinterpret_cast<void *>(&std::strlen), &info) && info.dli_fname) {
        std::string dir = info.dli_fname;
        size_t slash = dir.find_last_of('/');
        if (slash != std::string::npos && slash > 0) {
            dir.resize(slash);
            addUnique(dirs, dir);
            if (dir.compare(0, 5, "/lib/") == 0)
                addUnique(dirs, "/usr" + dir);
        }
    }
    for (const char *d : {"/usr/local/lib", "/usr/lib64", "/lib64", "/usr/lib", "/lib"})
        addUnique(dirs, d);
    search.libraryDirs = dirs;
    return search;
}

int readIcdList(const IcdSearch &search, tsIcdList *list)
{
    if (!list)
        return 0;
    std::memset(list, 0, sizeof *list);
    bool anyFolder = false;
    std::vector<Candidate> candidates;
    std::set<std::string> seen; /* resolved paths already listed */

    auto addCandidate = [&](const std::string &name, const std::string &found, const char *kind) {
        /* The name field of the lookup holds 31 characters: longer names are
         * skipped, later ones still listed. */
        if (name.empty() || name.size() > TS_ICD_MAX_NAME_LENGTH)
            return;
        std::string resolved = resolvedPath(found);
        if (resolved.empty() || !isRegularFile(resolved))
            return;
        if (!seen.insert(resolved).second)
            return;
        candidates.push_back(Candidate{name, found, resolved, kind});
    };

    auto findLibrary = [&](const std::string &name) -> std::string {
        for (const std::string &dir : search.libraryDirs) {
            std::string path = joinDir(dir, name);
            if (isRegularFile(path))
                return path;
        }
        return std::string();
    };

    std::vector<std::string> names;
    for (const std::string &dir : search.eglVendorDirs) {
        if (!listFolder(dir, names))
            continue;
        anyFolder = true;
        for (const std::string &file : names) {
            if (candidates.size() >= static_cast<size_t>(kMaxIcdEntries))
                break;
            if (!endsWith(file, ".json"))
                continue;
            std::string text, libraryPath;
            if (!readSmallFile(joinDir(dir, file), text))
                continue;
            if (!eglVendorLibraryPath(text, libraryPath))
                continue;
            std::string found;
            if (libraryPath[0] == '/')
                found = libraryPath;
            else if (libraryPath.find('/') != std::string::npos)
                found = joinDir(dir, libraryPath);
            else
                found = findLibrary(libraryPath);
            if (found.empty())
                continue;
            addCandidate(baseName(libraryPath), found, "EGL");
        }
    }

    for (const std::string &dir : search.libraryDirs) {
        if (candidates.size() >= static_cast<size_t>(kMaxIcdEntries))
            break;
        if (!listFolder(dir, names))
            continue;
        anyFolder = true;
        for (const std::string &file : names) {
            if (candidates.size() >= static_cast<size_t>(kMaxIcdEntries))
                break;
            if (!isGlxVendorName(file))
                continue;
            std::string path = joinDir(dir, file);
            /* libGLX_indirect.so.0 and similar aliases are links to another
             * vendor library of the folder: list the vendor under its own name. */
            char target[PATH_MAX];
            ssize_t n = readlink(path.c_str(), target, sizeof target - 1);
            if (n > 0) {
                target[n] = '\0';
                if (isGlxVendorName(baseName(target)))
                    continue;
            }
            addCandidate(file, path, "GLX");
        }
    }

    for (const Candidate &c : candidates) {
        if (list->count >= kMaxIcdEntries)
            break;
        fillEntry(list->entries[list->count], c, search.usePackageDatabase);
        list->count++;
    }
    return anyFolder ? 1 : 0;
}

} // namespace sounder

extern "C" SOUNDER_API int tsInfoGetICD(tsIcdList *list)
{
    if (!list)
        return 0;
    return sounder::readIcdList(sounder::defaultIcdSearch(), list);
}
