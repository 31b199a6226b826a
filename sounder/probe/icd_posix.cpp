/* Installed OpenGL client drivers on a glvnd system: the EGL vendor
 * libraries named by the vendor JSON files and the GLX vendor libraries
 * (libGLX_<vendor>.so.0) on the library path.  Company, description and
 * version come from the package database (its files read directly, no
 * helper program) when it knows the file, else the version is the file
 * name's suffix. */
#include "probe/icd_reader.h"

#include "keel/keel.h"
#include "sounder/system.h"

#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

namespace sounder {
namespace {

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

std::string trim(const std::string &s)
{
    size_t a = 0, b = s.size();
    while (a < b && (s[a] == ' ' || s[a] == '\t' || s[a] == '\n' || s[a] == '\r'))
        ++a;
    while (b > a && (s[b - 1] == ' ' || s[b - 1] == '\t' || s[b - 1] == '\n' || s[b - 1] == '\r'))
        --b;
    return s.substr(a, b - a);
}

/* ---- the package database, read directly ---- */

/* Calls f(line) for each line of a file of the package database, without
 * its newline; false when the file cannot be opened, is not a regular file
 * or is larger than limit.  The lists run to megabytes: they are read in
 * blocks, so that scanning them costs one block of memory, not a copy of
 * every file (fresh memory is page faults, and those are slow in virtual
 * machines). */
template <typename F>
bool eachFileLine(const std::string &path, size_t limit, F f)
{
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || static_cast<size_t>(st.st_size) > limit) {
        close(fd);
        return false;
    }
    static thread_local std::vector<char> block(64 * 1024);
    std::string carry; /* a line that runs over the end of a block */
    size_t total = 0;
    while (total < limit) {
        ssize_t n = read(fd, block.data(), std::min(block.size(), limit - total));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        total += static_cast<size_t>(n);
        const char *at = block.data();
        const char *end = at + n;
        while (const char *nl = static_cast<const char *>(std::memchr(at, '\n', end - at))) {
            if (carry.empty()) {
                f(std::string_view(at, nl - at));
            } else {
                carry.append(at, nl - at);
                f(std::string_view(carry));
                carry.clear();
            }
            at = nl + 1;
        }
        carry.append(at, end - at);
    }
    close(fd);
    if (!carry.empty())
        f(std::string_view(carry));
    return true;
}

constexpr size_t kMaxListFile = 64u << 20;
constexpr size_t kMaxStatusFile = 256u << 20;

/* Owning package of each path, as the first owner `dpkg-query -S` names:
 * the file lists info/<package>.list in name order.  A diverted path has
 * no owner here (dpkg-query names the diversion first). */
std::map<std::string, std::string> owningPackages(const std::string &adminDir,
                                                  const std::set<std::string> &paths)
{
    std::map<std::string, std::string> owners;
    std::set<std::string> wanted = paths;
    int row = 0;
    eachFileLine(joinDir(adminDir, "diversions"), kMaxListFile, [&](std::string_view line) {
        if (row++ % 3 != 2)
            wanted.erase(std::string(line));
    });
    std::set<size_t> lengths;
    for (const std::string &p : wanted)
        lengths.insert(p.size());
    std::vector<std::string> lists;
    const std::string infoDir = joinDir(adminDir, "info");
    if (wanted.empty() || !listFolder(infoDir, lists))
        return owners;
    for (const std::string &file : lists) {
        if (wanted.empty())
            break;
        if (!endsWith(file, ".list"))
            continue;
        const std::string package = file.substr(0, file.size() - 5);
        eachFileLine(joinDir(infoDir, file), kMaxListFile, [&](std::string_view line) {
            if (!lengths.count(line.size()))
                return;
            auto it = wanted.find(std::string(line));
            if (it == wanted.end())
                return;
            owners[*it] = package;
            wanted.erase(it);
        });
    }
    return owners;
}

/* Maintainer, version and summary of each package (name or name:arch) from
 * the status file, as `dpkg-query -W` gives ${Maintainer}, ${Version} and
 * ${binary:Summary}. */
std::map<std::string, PackageFacts> packageFields(const std::string &adminDir,
                                                  const std::set<std::string> &packages)
{
    std::map<std::string, PackageFacts> out;
    if (packages.empty())
        return out;
    std::map<std::string, std::string> fields;
    auto finish = [&]() {
        const std::string name = fields["Package"];
        const std::string qualified = name + ":" + fields["Architecture"];
        for (const std::string &key : {qualified, name}) {
            if (name.empty() || !packages.count(key) || out.count(key))
                continue;
            PackageFacts f;
            f.package = key;
            std::string maintainer = fields["Maintainer"];
            size_t lt = maintainer.find('<');
            if (lt != std::string::npos)
                maintainer.resize(lt);
            f.company = trim(maintainer);
            f.version = trim(fields["Version"]);
            f.description = trim(fields["Description"]);
            out[key] = f;
        }
        fields.clear();
    };
    const bool read =
        eachFileLine(joinDir(adminDir, "status"), kMaxStatusFile, [&](std::string_view line) {
            if (line.empty()) {
                finish();
                return;
            }
            if (line[0] == ' ' || line[0] == '\t')
                return; /* continuation: only first lines are used */
            size_t colon = line.find(':');
            if (colon == std::string_view::npos)
                return;
            const std::string_view key = line.substr(0, colon);
            if (key == "Package" || key == "Architecture" || key == "Maintainer" ||
                key == "Version" || key == "Description")
                fields[std::string(key)] = trim(std::string(line.substr(colon + 1)));
        });
    if (!read)
        return out;
    finish();
    return out;
}

constexpr int kMaxIcdEntries = TS_ICD_MAX_ENTRIES;

struct Candidate {
    std::string name;     /* file name as the vendor file or the folder names it */
    std::string found;    /* path where it was found */
    std::string resolved; /* real path */
    const char *kind;     /* "EGL" or "GLX" */
};

void fillEntry(tsIcdEntry &entry, const Candidate &c,
               const std::map<std::string, PackageFacts> &byPath)
{
    std::memset(&entry, 0, sizeof entry);
    sysStrlCpy(entry.name, c.name.c_str(), sizeof entry.name);
    sysStrlCpy(entry.path, c.resolved.c_str(), sizeof entry.path);
    auto known = byPath.find(c.resolved);
    if (known == byPath.end())
        known = byPath.find(c.found);
    if (known != byPath.end()) {
        const PackageFacts &facts = known->second;
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
    /* The file must be a whole JSON object whose "ICD" object names a
     * library_path string; the size of a vendor file is bounded before. */
    const nlohmann::json document = nlohmann::json::parse(json, nullptr, false);
    if (document.is_discarded() || !document.is_object())
        return false;
    const auto icd = document.find("ICD");
    if (icd == document.end() || !icd->is_object())
        return false;
    const auto path = icd->find("library_path");
    if (path == icd->end() || !path->is_string())
        return false;
    const std::string &text = path->get_ref<const std::string &>();
    /* An escaped zero would cut the name short where it is used. */
    if (text.empty() || text.find('\0') != std::string::npos)
        return false;
    libraryPath = text;
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

std::map<std::string, PackageFacts> packageFactsForFiles(const std::string &adminDir,
                                                         const std::vector<std::string> &paths)
{
    std::map<std::string, PackageFacts> byPath;
    const std::set<std::string> asked(paths.begin(), paths.end());
    const std::map<std::string, std::string> owners = owningPackages(adminDir, asked);
    std::set<std::string> packages;
    for (const auto &o : owners)
        packages.insert(o.second);
    const std::map<std::string, PackageFacts> fields = packageFields(adminDir, packages);
    for (const auto &o : owners) {
        auto f = fields.find(o.second);
        if (f != fields.end() && !f->second.version.empty())
            byPath[o.first] = f->second;
    }
    return byPath;
}

IcdSearch defaultIcdSearch()
{
    IcdSearch search;
    const char *adminDir = std::getenv("DPKG_ADMINDIR");
    if (adminDir && adminDir[0])
        search.packageAdminDir = adminDir;
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

    std::map<std::string, PackageFacts> facts;
    if (search.usePackageDatabase) {
        std::vector<std::string> paths;
        for (const Candidate &c : candidates) {
            paths.push_back(c.resolved);
            paths.push_back(c.found);
        }
        facts = packageFactsForFiles(search.packageAdminDir, paths);
    }
    for (const Candidate &c : candidates) {
        if (list->count >= kMaxIcdEntries)
            break;
        fillEntry(list->entries[list->count], c, facts);
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
